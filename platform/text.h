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

// UTF-8 of the text; a surrogate without its pair becomes U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// Strict UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF); nothing for any other
// byte sequence. Characters beyond U+FFFF become surrogate pairs where wchar_t has 16 bits.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);
