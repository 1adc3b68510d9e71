#include "update/run_texts.h"

#include "install/file_name_rule.h"
#include "platform/path.h"
#include "platform/text.h"

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

void RetryStatus::Begin(std::optional<std::wstring> file) {
  file_ = std::move(file);
  retryShown_ = false;
}

std::wstring RetryStatus::Retried(const RetryNotice& notice) {
  retryShown_ = file_.has_value();
  retryFrom_ = notice.resumeFrom;
  return RetryStatusText(file_.value_or(L"Güncelleme listesi"), notice);
}

std::optional<std::wstring> RetryStatus::Progressed(uint64_t received) {
  if (!retryShown_ || received <= retryFrom_) return std::nullopt;
  retryShown_ = false;
  return *file_ + L" Dosyası indiriliyor...";
}

std::optional<std::wstring> ProgramNameToClose(std::wstring_view slotName) {
  const std::wstring_view lastThree = slotName.substr(slotName.size() < 3 ? 0 : slotName.size() - 3);
  if (AsciiUpper(lastThree) != L"EXE") return std::nullopt;
  // A window's title carries the program's own name, never the folder it lies in.
  const std::wstring file = FileNameOf(slotName);
  if (file.size() <= 4) return std::nullopt;
  return file.substr(0, file.size() - 4);
}

std::vector<ProgramToClose> ProgramsToClose(const std::array<std::wstring, 5>& files,
                                            const std::wstring& programFolder) {
  std::vector<ProgramToClose> programs;
  for (const std::wstring& slot : files) {
    const std::wstring file = TrimSpaces(slot);
    const std::optional<std::wstring> name = ProgramNameToClose(slot);
    // "..\Other\x.exe" is never fetched, so the program it names is not ours to close.
    if (file.empty() || !name || FileNameOutsideFolder(file)) continue;
    programs.push_back({*name, programFolder + L"\\" + file});
  }
  return programs;
}
