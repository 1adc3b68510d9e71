#include "net/transfer_window.h"

std::wstring RetryStatusText(std::wstring_view name, const RetryNotice& notice) {
  const uint64_t seconds = (notice.waitMs + 500) / 1000;
  std::wstring text = std::wstring(name) + L": bağlantı sorunu, ";
  if (seconds > 0) text += std::to_wstring(seconds) + L" saniye sonra ";
  text += L"yeniden deneniyor (" + std::to_wstring(notice.attempt) + L". deneme)";
  if (notice.resumeFrom > 0) text += L", kaldığı yerden";
  return text + L"...";
}
