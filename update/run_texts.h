// Texts the run shows of a file: its size in lblkalan, its retries in lbldurum.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/response.h"

// Kibibytes rounded half away from zero, at least three digits, grouped in threes from the right
// with the given thousands separator: 51200 bytes -> "050", 1264640 -> "1.235" with ".".
std::wstring SizeText(int64_t bytes, std::wstring_view thousandsSeparator);

// lbldurum while a file waits for its next attempt: "<name>: bağlantı koptu, ...".
std::wstring RetryStatusText(std::wstring_view name, const RetryNotice& notice);
