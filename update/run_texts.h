// Texts the run shows of a file: its size in lblkalan, its retries in lbldurum; and the name by
// which its running copies are found.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/response.h"

// Kibibytes rounded half away from zero, at least three digits, grouped in threes from the right
// with the given thousands separator: 51200 bytes -> "050", 1264640 -> "1.235" with ".".
std::wstring SizeText(int64_t bytes, std::wstring_view thousandsSeparator);

// lbldurum while a file waits for its next attempt: "<name>: bağlantı koptu, ...".
std::wstring RetryStatusText(std::wstring_view name, const RetryNotice& notice);

// lbldurum through one transfer's retries. After a file's retry the line tells of it until the
// next attempt brings a new byte, then says the file is downloading again; the release list's
// retry stays until the run's next line.
class RetryStatus {
 public:
  // file: the name lblad shows; none for the release list.
  void Begin(std::optional<std::wstring> file);
  // The line for a retry.
  std::wstring Retried(const RetryNotice& notice);
  // The line to show again once received passes where the retry took up; none while unchanged.
  std::optional<std::wstring> Progressed(uint64_t received);

 private:
  std::optional<std::wstring> file_;
  bool retryShown_ = false;
  uint64_t retryFrom_ = 0;
};

// The name whose windows are to be closed before a slot is replaced: the slot's file name without
// its folder, less its last four characters ("bin\Rapor.exe" gives "Rapor"), when its last three
// read "EXE" in any letter case; none for other files, and none when nothing is left to search
// for (a name like "EXE", ".exe" or "bin\.exe").
std::optional<std::wstring> ProgramNameToClose(std::wstring_view slotName);

// A program the run closes before it places the files: the name its windows' titles carry, and
// the file in the program's folder that its own running copies hold.
struct ProgramToClose {
  std::wstring name;
  std::wstring file;
};

// For each slot, in order, that names an executable the run fetches: the name as stored (trailing
// blanks hide the extension), the file trimmed as the run takes it, in programFolder.
std::vector<ProgramToClose> ProgramsToClose(const std::array<std::wstring, 5>& files,
                                            const std::wstring& programFolder);

// lbldurum while the running copies of the listed programs are closed, once every file is here.
inline constexpr wchar_t kClosingFilesStatus[] = L"Açık dosyalar kapatılıyor...";
// lbldurum while the checked files are put in place, after the running copies are closed.
inline constexpr wchar_t kPlacingFilesStatus[] = L"Dosyalar yerine konuyor...";
