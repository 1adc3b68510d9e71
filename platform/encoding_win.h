// Conversions between the program's UTF-16 texts and the byte encodings it meets.
#pragma once

#include <string>
#include <string_view>

// To and from the system's ANSI code page (best fit where a character has no byte).
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

// UTF-8, as EncodeUtf8 (platform/text.h) writes it; and back, leniently: a byte sequence that is
// no UTF-8 becomes U+FFFD where DecodeUtf8 would refuse the whole text.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
