#include "net/retry_rules.h"

#include <algorithm>

#include "platform/text.h"

namespace {

// WinHTTP's codes, and the socket codes that Wine's WinHTTP passes through.
constexpr int32_t kTransientErrors[] = {
    12002,                       // ERROR_WINHTTP_TIMEOUT (and a stall)
    12007,                       // ERROR_WINHTTP_NAME_NOT_RESOLVED
    12029,                       // ERROR_WINHTTP_CANNOT_CONNECT
    12030,                       // ERROR_WINHTTP_CONNECTION_ERROR: reset or aborted
    12152,                       // ERROR_WINHTTP_INVALID_SERVER_RESPONSE: a body cut short of its length
    10053, 10054, 10060, 10061,  // WSAECONNABORTED, WSAECONNRESET, WSAETIMEDOUT, WSAECONNREFUSED
};

}  // namespace

bool IsTransientStatus(uint32_t status) {
  return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

bool IsTransientError(int32_t code) {
  return std::ranges::find(kTransientErrors, code) != std::end(kTransientErrors);
}

std::optional<uint64_t> RetryAfterMs(std::wstring_view header) {
  const std::optional<uint64_t> seconds = DecimalValue(TrimSpaces(header));
  if (!seconds || *seconds > 86400) return std::nullopt;
  return *seconds * 1000;
}

uint64_t RetryWaitMs(const RetryLimits& limits, int attemptsWithoutProgress,
                     std::optional<uint64_t> retryAfterMs, double jitter) {
  uint64_t wait = 0;
  if (attemptsWithoutProgress > 0) {
    uint64_t backoff = limits.firstBackoffMs;
    for (int n = 1; n < attemptsWithoutProgress && backoff < limits.longestBackoffMs; ++n) backoff *= 2;
    backoff = std::min(backoff, limits.longestBackoffMs);
    wait = static_cast<uint64_t>(static_cast<double>(backoff) * (0.75 + 0.5 * jitter));
  }
  if (retryAfterMs) wait = std::max(wait, std::min(*retryAfterMs, limits.longestRetryAfterMs));
  return wait;
}

std::optional<ContentRange> ParseContentRange(std::wstring_view header) {
  const std::wstring text = TrimSpaces(header);
  if (!text.starts_with(L"bytes ")) return std::nullopt;
  const std::wstring_view positions = std::wstring_view(text).substr(6);
  const size_t dash = positions.find(L'-');
  const size_t slash = positions.find(L'/');
  if (dash == std::wstring_view::npos || slash == std::wstring_view::npos || dash > slash)
    return std::nullopt;
  const std::optional<uint64_t> first = DecimalValue(positions.substr(0, dash));
  const std::optional<uint64_t> last = DecimalValue(positions.substr(dash + 1, slash - dash - 1));
  if (!first || !last || *last < *first) return std::nullopt;
  const std::wstring_view total = positions.substr(slash + 1);
  ContentRange range{*first, *last, std::nullopt};
  if (total != L"*") {
    range.total = DecimalValue(total);
    if (!range.total || *range.total <= *last) return std::nullopt;
  }
  return range;
}

std::wstring IfRangeValidator(std::wstring_view etag, std::wstring_view lastModified) {
  const std::wstring tag = TrimSpaces(etag);
  if (tag.size() >= 2 && tag.front() == L'"' && tag.back() == L'"') return tag;
  return TrimSpaces(lastModified);
}
