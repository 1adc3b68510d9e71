// What the rest of the room says of a response: its head, where a later request may continue
// the file, and the notice of a passing failure. At the bottom of net/: it includes nothing of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A response's head, as the attempts judge it.
struct ResponseHead {
  uint32_t status = 0;
  std::wstring reason;
  std::optional<uint64_t> length;  // of this body, when declared (never for a chunked one)
  std::wstring contentRange;
  std::wstring etag;
  std::wstring lastModified;
  std::wstring retryAfter;
  std::wstring contentEncoding;
};

// What lets a later request continue the file: the validator of the response that began it
// (for If-Range) and the file's whole length.
struct ResumePoint {
  std::wstring validator;
  uint64_t total = 0;
  bool operator==(const ResumePoint&) const = default;
};

// An attempt failed in a way that passes: the next one comes after waitMs.
struct RetryNotice {
  int attempt = 0;  // of the next attempt, from 2 on
  std::wstring reason;
  uint64_t resumeFrom = 0;  // where the next attempt asks to begin; 0 starts over
  uint64_t waitMs = 0;
};
