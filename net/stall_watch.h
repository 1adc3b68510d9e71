// Whether one attempt at a transfer has stalled: no sign of life for too long, or a trickle too
// thin to ever finish. A receive time-out counts per read, so a trickle would defeat it.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

struct StallLimits {
  uint64_t silenceMs = 30000;   // no byte (or, before them, no response headers) for this long
  uint64_t windowMs = 60000;    // and in any window this long once the body flows...
  uint64_t windowBytes = 1024;  // ...at least this many bytes
};

class StallWatch {
 public:
  // The request has just been sent: the headers are awaited from now.
  StallWatch(const StallLimits& limits, uint64_t now);

  // The body has received bytes in all so far (the headers' arrival counts as 0 bytes).
  void Alive(uint64_t bytes, uint64_t now);

  // Why the attempt has stalled, in Turkish for the user; none while it has not.
  std::optional<std::wstring> Stalled(uint64_t now) const;

 private:
  StallLimits limits_;
  uint64_t lastSign_;                  // when something last arrived
  std::optional<uint64_t> bodyStart_;  // when the headers arrived
  uint64_t bytes_ = 0;
  std::deque<std::pair<uint64_t, uint64_t>> samples_;  // (time, bytes) since the window's start
};
