#include "net/stall_watch.h"

StallWatch::StallWatch(const StallLimits& limits, uint64_t now) : limits_(limits), lastSign_(now) {}

void StallWatch::Alive(uint64_t bytes, uint64_t now) {
  if (!bodyStart_) {
    bodyStart_ = now;
    samples_.emplace_back(now, 0);
    lastSign_ = now;
  }
  if (bytes != bytes_) {
    bytes_ = bytes;
    lastSign_ = now;
    samples_.emplace_back(now, bytes);
  }
  // One sample at or before the window's start is all the window needs of the past.
  while (samples_.size() > 1 && now >= limits_.windowMs && samples_[1].first <= now - limits_.windowMs) {
    samples_.pop_front();
  }
}

std::optional<std::wstring> StallWatch::Stalled(uint64_t now) const {
  if (now - lastSign_ >= limits_.silenceMs) {
    const std::wstring what = bodyStart_ ? L"veri" : L"sunucudan yanıt";
    return L"Bağlantı durdu: " + std::to_wstring(limits_.silenceMs / 1000) + L" saniyedir " + what +
           L" gelmiyor.";
  }
  if (!bodyStart_ || now - *bodyStart_ < limits_.windowMs) return std::nullopt;
  // The bytes at the window's start: those of the last sample at or before it.
  uint64_t before = 0;
  for (const auto& [at, bytes] : samples_) {
    if (at > now - limits_.windowMs) break;
    before = bytes;
  }
  if (bytes_ - before >= limits_.windowBytes) return std::nullopt;
  return L"Bağlantı çok yavaş: son " + std::to_wstring(limits_.windowMs / 1000) + L" saniyede " +
         std::to_wstring(limits_.windowBytes) + L" bayttan az veri geldi.";
}
