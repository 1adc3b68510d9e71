// How a transfer tries again on a line that drops, stalls or is refused for a moment: which
// failures pass, how long to wait, and when a response may continue what earlier ones brought.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct RetryLimits {
  int attemptsWithoutProgress = 5;       // in a row, each bringing no new byte
  uint64_t withoutProgressMs = 600000;   // ten minutes without a new byte
  uint64_t firstBackoffMs = 1000;        // doubled for each attempt in a row without progress...
  uint64_t longestBackoffMs = 30000;     // ...up to this
  uint64_t longestRetryAfterMs = 60000;  // a server's Retry-After is honoured up to this
};

// 408, 429, 500, 502, 503, 504: the server asks for another try.
bool IsTransientStatus(uint32_t status);

// A reset or early close, a time-out or stall, a name that does not resolve, a refused
// connection. Anything else (a certificate, a bad address, the disk) is final.
bool IsTransientError(int32_t code);

// Retry-After as delta-seconds, in milliseconds; none for a date or anything else.
std::optional<uint64_t> RetryAfterMs(std::wstring_view header);

// The wait before the next attempt. An attempt that brought new bytes lost a line that works:
// the next one goes at once. After n attempts in a row without, about firstBackoffMs doubled
// n - 1 times, at most longestBackoffMs, each spread by ±25 % (jitter in [0, 1)) so shops whose
// server went away together do not return together. A Retry-After lengthens the wait, up to its cap.
uint64_t RetryWaitMs(const RetryLimits& limits, int attemptsWithoutProgress,
                     std::optional<uint64_t> retryAfterMs, double jitter);

// "bytes FIRST-LAST/TOTAL" of a 206 ("*" for an unknown total).
struct ContentRange {
  uint64_t first = 0;
  uint64_t last = 0;
  std::optional<uint64_t> total;
};
std::optional<ContentRange> ParseContentRange(std::wstring_view header);

// What If-Range may carry to make a range request safe: the response's strong ETag, else its
// Last-Modified date; empty when it has neither (a weak ETag does not count).
std::wstring IfRangeValidator(std::wstring_view etag, std::wstring_view lastModified);
