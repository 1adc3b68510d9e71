#include "process/mdl_task_win.h"

#include <optional>

#include "platform/encoding_win.h"
#include "platform/file_identity_win.h"
#include "platform/invariant_case_win.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"
#include "process/task_match.h"

namespace {

// All process rights as older systems define them; the newer, larger value is refused there.
constexpr DWORD kProcessAllAccess = 0x1F0FFF;
// How long a program that was ended is given to be gone before its file is replaced.
constexpr DWORD kEndWaitMs = 2000;

EventLogWriter eventLogWriter;

// One walk over the windows, handed to each call of the callback.
struct WindowSearch {
  std::wstring TargetText;  // upper-cased
  // The slot's file as the file system knows it; none when it is not there, so nothing runs it.
  std::optional<FileIdentity> targetIdentity;
  // Set by the callback when something other than KillProcess failed, so TerminateTask says so.
  bool enumerationFailed = false;
  // Where the walk tells the programs it ended; none when nobody asked.
  Logger* log = nullptr;
};

// The file a process was started from, asked through the handle that may end it; none when
// the system will not say.
std::optional<std::wstring> ImageOf(HANDLE process) {
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process, 0, path.data(), &size)) return std::nullopt;
  path.resize(size);
  return path;
}

// Compared as files, not texts, so short names, letter case and other spellings still match.
bool RunsTargetFile(HANDLE process, const FileIdentity* programFile) {
  if (!programFile) return false;
  const std::optional<std::wstring> image = ImageOf(process);
  return image && IdentityOf(*image) == *programFile;
}

// An id freed and reused before the open names another program; once open, it cannot change.
bool StillOwnsWindow(HWND window, DWORD processId) {
  DWORD owner = 0;
  return IsWindow(window) && GetWindowThreadProcessId(window, &owner) != 0 && owner == processId;
}

void WriteKillWarning() {
  if (eventLogWriter) {
    eventLogWriter(kKillWarningText);
  } else {
    WriteApplicationEventLog(kKillWarningText);
  }
}

}  // namespace

// Both sides fold alike whatever the user's locale, so an ASCII program name meets an ASCII
// caption in any letter case on a Turkish system too.
std::wstring UpperForTitleMatch(const std::wstring& text) { return InvariantUpper(text); }

std::wstring TitleMatchTarget(const std::wstring& name) { return UpperForTitleMatch(FromAnsi(ToAnsi(name))); }

namespace {

// Called by EnumWindows once per window with the walk's WindowSearch: 1 goes on, 0 stops.
BOOL CALLBACK EnumWindowsCallback(HWND window, LPARAM parameter) noexcept {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  try {
    char buffer[kTitleBufferLength] = {};
    const int copied = GetWindowTextA(window, buffer, kTitleBufferLength);
    const size_t length = copied > 0 && copied < kTitleBufferLength ? static_cast<size_t>(copied) : 0;
    const std::wstring title = UpperForTitleMatch(FromAnsi(std::string_view(buffer, length)));
    if (!TitleHasTarget(title, search.TargetText)) return TRUE;
    const FileIdentity* programFile = search.targetIdentity ? &*search.targetIdentity : nullptr;
    return KillProcess(window, programFile, search.log) ? TRUE : FALSE;
  } catch (...) {
    search.enumerationFailed = true;
    return FALSE;
  }
}

// One walk over the top-level windows; log, when given, hears of every program ended.
bool EndProgramsShowing(const std::wstring& name, const std::wstring& programFile, Logger* log) noexcept {
  try {
    WindowSearch search{TitleMatchTarget(name), IdentityOf(programFile), false, log};
    EnumWindows(EnumWindowsCallback, reinterpret_cast<LPARAM>(&search));
    return !search.enumerationFailed;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool TerminateTask(const std::wstring& name, const std::wstring& programFile) noexcept {
  return EndProgramsShowing(name, programFile, nullptr);
}

bool TerminateTaskAndLog(const std::wstring& name, const std::wstring& programFile, Logger& log) noexcept {
  return EndProgramsShowing(name, programFile, &log);
}

bool KillProcess(HWND window, const FileIdentity* programFile, Logger* log) noexcept {
  try {
    if (!IsWindow(window)) return true;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0) return true;
    // The updater never ends itself, whatever its own caption carries.
    if (processId == GetCurrentProcessId()) return true;
    // One handle for the check and the end: while it is open, the id cannot pass to another
    // program. A refusal (another user's or a higher process) leaves it running, without a report.
    UniqueHandle process(OpenProcess(kProcessAllAccess, FALSE, processId));
    if (!process || !StillOwnsWindow(window, processId)) return true;
    // Only a copy of the slot's own file blocks its replacement. Any other program, and one whose
    // image cannot be asked, keeps running with its unsaved work.
    if (!RunsTargetFile(process.get(), programFile)) return true;
    WriteKillWarning();
    const std::wstring which =
        L"pid=" + std::to_wstring(processId) + L"; image=" + ImageOf(process.get()).value_or(L"");
    const bool ended = TerminateProcess(process.get(), 0);
    const DWORD error = ended ? 0 : GetLastError();
    // The end is asynchronous: its file is free once the process is gone, which is waited for.
    if (ended) WaitForSingleObject(process.get(), kEndWaitMs);
    if (log) {
      log->LOG_YAZ(ended ? L"Program closed; " + which
                         : L"Program could not be closed; " + which + L"; error=" +
                               ErrorText(ErrorInfoFromCode(error)));
    }
    return true;
  } catch (...) {
    return false;
  }
}

EventLogWriter SetEventLogWriter(EventLogWriter writer) {
  EventLogWriter previous = std::move(eventLogWriter);
  eventLogWriter = std::move(writer);
  return previous;
}

void WriteApplicationEventLog(const std::wstring& text) noexcept {
  UniqueEventSource source(RegisterEventSourceW(nullptr, L"Zefra INDIR"));
  if (!source) return;
  const wchar_t* strings[] = {text.c_str()};
  ReportEventW(source.get(), EVENTLOG_WARNING_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
}
