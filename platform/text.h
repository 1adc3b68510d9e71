// Small text helpers shared by every subsystem.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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
