// Small text helpers shared by every subsystem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Removes leading and trailing blanks (the space character only, as the manifest rules want).
std::wstring TrimSpaces(std::wstring_view text);

// Upper-cases the ASCII letters a-z and leaves every other character as it is.
std::wstring AsciiUpper(std::wstring_view text);

// Removes trailing white space and line breaks, as system message texts carry them.
std::wstring TrimTrailingWhitespace(std::wstring_view text);

// True for the control characters: U+0000 to U+001F and U+007F.
bool IsControlCharacter(wchar_t c);

// "U+000D": a character as a code point.
std::wstring CodePointText(wchar_t c);

// The text as it can be shown and logged: each control character as "<U+000D>", so a text from
// the database can neither cut a box short at a NUL nor forge a line of the log.
std::wstring VisibleText(std::wstring_view text);

// UTF-8 of the text; a surrogate without its pair becomes U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// Strict UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF); nothing for any other
// byte sequence. Characters beyond U+FFFF become surrogate pairs where wchar_t has 16 bits.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);

// True for the ASCII digits 0-9 only.
bool IsAsciiDigit(wchar_t c);

// The value of ASCII decimal digits and nothing else: none for no digits, for any other
// character, and for a value above max, which is refused rather than wrapped.
std::optional<uint64_t> DecimalValue(std::string_view digits, uint64_t max = UINT64_MAX);
std::optional<uint64_t> DecimalValue(std::wstring_view digits, uint64_t max = UINT64_MAX);

// The value of one hex digit of either case; -1 for any other character.
int HexDigitValue(wchar_t c);

// Each byte as two hex digits: "9f86d0", or "9F86D0" with upper.
std::wstring HexText(std::span<const uint8_t> bytes, bool upper = false);

// Fills out from exactly two hex digits per byte; false when hex is not that.
bool HexBytes(std::string_view hex, std::span<uint8_t> out);

// The parts between the separators, empty ones included: "a\tb\t" gives "a", "b", "".
std::vector<std::string_view> SplitText(std::string_view text, char separator);
