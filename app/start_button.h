// The start button of frmindir: close running copies of the listed programs, then schedule
// the update run. Written over a narrow view of the window so that it runs in tests without one.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

// What the start button does to the window.
class StartButtonWindow {
 public:
  virtual ~StartButtonWindow() = default;
  // lbldurum's text, repainted at once: no message is handled before the handler returns.
  virtual void SetStatus(const std::wstring& text) = 0;
  // tmrIndir: its first tick, intervalMs later, performs the update run.
  virtual void StartRunTimer(unsigned intervalMs) = 0;
  // cmdbaslat as a whole.
  virtual void SetStartEnabled(bool enabled) = 0;
  // One line of the diagnostic log.
  virtual void LOG_YAZ(std::wstring_view message) = 0;
};

// TerminateTask of mdlTask, or a stand-in that counts the calls: the name searched for in window
// titles, and the slot's file in the program's folder, which only its own running copies hold.
using TerminateTaskFunction = std::function<bool(const std::wstring& name, const std::wstring& programFile)>;

// Whether the program's folder takes new files: none when the updater could create and delete
// a file of its own there, else the error. The write probe of the program, or a stand-in.
using FolderWriteCheck = std::function<std::optional<ErrorInfo>(const std::wstring& folder)>;

inline constexpr wchar_t kClosingFilesStatus[] = L"Açık dosyalar kapatılıyor...";
inline constexpr unsigned kRunDelayMs = 2000;

// The name whose windows are to be closed before a slot is replaced: the slot's file name without
// its folder, less its last four characters ("bin\Rapor.exe" gives "Rapor"), when its last three
// read "EXE" in any letter case; none for other files, and none when nothing is left to search
// for (a name like "EXE", ".exe" or "bin\.exe").
std::optional<std::wstring> ProgramNameToClose(std::wstring_view slotName);

// The click of cmdbaslat. First every slot's name, then the folder: when a name would be refused
// by the run (FileNameOutsideFolder) or the folder takes no new files, nothing is closed and no
// run starts; the user is told why (every refused name with its slot), one line is logged and
// the button stays enabled. Then each step's failure is ignored and the next step runs; nothing
// escapes.
// The names searched for are taken as stored; the file is the one the run will replace, the
// trimmed name in programFolder (no separator at its end). A name the run refuses closes nothing.
void StartButtonPressed(const std::array<std::wstring, 5>& files, const std::wstring& programFolder,
                        StartButtonWindow& window, const TerminateTaskFunction& terminateTask,
                        const FolderWriteCheck& checkFolder) noexcept;

// A tick of tmrProgress: one step up to 100, then back to 0. It runs while a file of unknown
// length arrives.
int NextProgressValue(int current) noexcept;
