// The size of a fetched file as the window shows it in lblkalan.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Kibibytes rounded half away from zero, at least three digits, grouped in threes from the right
// with the given thousands separator: 51200 bytes -> "050", 1264640 -> "1.235" with ".".
std::wstring SizeText(int64_t bytes, std::wstring_view thousandsSeparator);
