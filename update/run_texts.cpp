#include "update/run_texts.h"

std::wstring SizeText(int64_t bytes, std::wstring_view thousandsSeparator) {
  // Integer arithmetic rounds exactly where a double would, and stays exact beyond 2^53.
  // A byte count is never negative; should one be, it shows as nothing fetched.
  const uint64_t count = bytes < 0 ? 0 : static_cast<uint64_t>(bytes);
  std::wstring digits = std::to_wstring(count / 1024 + (count % 1024 >= 512 ? 1 : 0));
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');

  std::wstring text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += thousandsSeparator;
    text += digits[i];
  }
  return text;
}

std::wstring RetryStatusText(std::wstring_view name, const RetryNotice& notice) {
  const uint64_t seconds = (notice.waitMs + 500) / 1000;
  std::wstring text = std::wstring(name) + L": bağlantı sorunu, ";
  if (seconds > 0) text += std::to_wstring(seconds) + L" saniye sonra ";
  text += L"yeniden deneniyor (" + std::to_wstring(notice.attempt) + L". deneme)";
  if (notice.resumeFrom > 0) text += L", kaldığı yerden";
  return text + L"...";
}
