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

// Whether the program's folder takes new files: none when the updater could create and delete
// a file of its own there, else the error. The write probe of the program, or a stand-in.
using FolderWriteCheck = std::function<std::optional<ErrorInfo>(const std::wstring& folder)>;

// The user's own folder where the run stages the files when the program's folder takes none
// from this user, made if missing; throws AppError when it cannot be had.
using StagingFolderFor = std::function<std::wstring(const std::wstring& programFolder)>;

// The run begins as soon as the click's handler has returned: nothing is closed before it has
// fetched and checked every file.
inline constexpr unsigned kRunDelayMs = 10;

// The click of cmdbaslat. First every slot's name, then the folder: when a name would be refused
// by the run (FileNameOutsideFolder) or the folder takes no new files, no run starts; the user is
// told why (every refused name with its slot), one line is logged and the button stays enabled.
// A program folder that refuses this user is no reason to stop when stagingFolder gives a folder
// of the user's that takes files: the run stages there and asks for approval only to place them.
// Otherwise the run is scheduled and the button disabled, each step's failure ignored; nothing
// escapes. Nothing is closed here: the run closes the listed programs once every file is here.
// Returns the staging folder of the scheduled run; empty when it stages beside the files or no
// run was scheduled.
std::wstring StartButtonPressed(const std::array<std::wstring, 5>& files, const std::wstring& programFolder,
                                StartButtonWindow& window, const FolderWriteCheck& checkFolder,
                                const StagingFolderFor& stagingFolder = {}) noexcept;

// A tick of tmrProgress: one step up to 100, then back to 0. It runs while a file of unknown
// length arrives.
int NextProgressValue(int current) noexcept;
