#include "app/single_instance_win.h"

#include <cstdint>
#include <cwchar>
#include <optional>

#include "app/frmindir_win.h"
#include "diag/log_line.h"
#include "diag/log_win.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/program_folder_win.h"
#include "platform/win_error_win.h"

namespace {

// The first updater makes its window moments after its claim; a slow start still has it.
constexpr DWORD kFirstWindowWaitMs = 5000;
// A mutex not ours to open: another user's, or this user's updater run as administrator. Only
// the latter has a window on this desktop, and it is long past its start.
constexpr DWORD kElevatedWindowWaitMs = 1000;

constexpr wchar_t kRunsElsewhereText[] =
    L"Güncelleyici bu program klasöründe başka bir oturumda ya da başka bir kullanıcı tarafından zaten "
    L"çalıştırılıyor.\r\nAynı anda yalnızca bir güncelleyici çalışabilir; o kapandıktan sonra yeniden "
    L"deneyin.";

std::wstring Hex(uint64_t value, int digits) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

struct WindowSearch {
  FileIdentity folder;
  DWORD self = 0;
  HWND found = nullptr;
};

std::optional<FileIdentity> ImageFolderOf(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return std::nullopt;
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return std::nullopt;
  path.resize(size);
  return IdentityOf(FolderOf(path));
}

BOOL CALLBACK MatchUpdaterWindow(HWND window, LPARAM parameter) noexcept {
  try {
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(parameter);
    wchar_t windowClass[64] = {};
    GetClassNameW(window, windowClass, 64);
    if (std::wcscmp(windowClass, kFrmindirWindowClass) != 0) return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0 || processId == search.self || ImageFolderOf(processId) != search.folder) return TRUE;
    search.found = window;
    return FALSE;
  } catch (...) {
    return TRUE;
  }
}

// A window still hidden belongs to an updater that is starting: it comes forward when it shows.
void BringForward(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  AllowSetForegroundWindow(processId);
  if (!IsWindowVisible(window)) return;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  // A box the first updater shows is what the user has to answer.
  SetForegroundWindow(GetLastActivePopup(window));
}

void ReportOtherUpdater(const std::wstring& folder, const FileIdentity& identity, bool anotherUser) {
  const HWND window = OtherUpdaterWindow(identity, anotherUser ? kElevatedWindowWaitMs : kFirstWindowWaitMs);
  const wchar_t* found = IsWindowVisible(window) ? L"brought forward" : L"still starting";
  const wchar_t* where = anotherUser ? L"another user's" : L"not on this desktop";
  // Quietly: a log that cannot be written is the first updater's to report.
  AppendLogLine(LogFilePath(folder), L"Updater already running in this folder; folder=" + folder +
                                         L"; window=" + (window ? found : where));
  if (window) {
    BringForward(window);
  } else {
    ShowMessageBox(kRunsElsewhereText, kProgramTitle, kBoxInformation);
  }
}

}  // namespace

std::wstring FolderMutexName(const FileIdentity& folder) {
  return L"Global\\Zefra INDIR folder " + Hex(folder.volumeSerial, 8) + L"-" + Hex(folder.fileIndex, 16);
}

bool ClaimProgramFolder(const std::wstring& folder, UniqueHandle& claim) noexcept {
  try {
    // A folder that cannot be asked has no identity to key on: the updater runs as it always did.
    const std::optional<FileIdentity> identity = IdentityOf(folder);
    if (!identity) return true;
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, FolderMutexName(*identity).c_str());
    const DWORD error = GetLastError();
    claim.reset(mutex);
    if (claim && error != ERROR_ALREADY_EXISTS) return true;
    // Another user's mutex exists but is not ours to open; any other refusal leaves no guard.
    if (!claim && error != ERROR_ACCESS_DENIED) return true;
    claim.reset();
    ReportOtherUpdater(folder, *identity, error == ERROR_ACCESS_DENIED);
    return false;
  } catch (...) {
    return true;
  }
}

HWND OtherUpdaterWindow(const FileIdentity& folder, DWORD waitMs) {
  WindowSearch search{folder, GetCurrentProcessId(), nullptr};
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  for (;;) {
    EnumWindows(MatchUpdaterWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount64() >= deadline) return search.found;
    Sleep(100);
  }
}
