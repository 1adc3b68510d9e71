#include "app/start_button.h"

#include "platform/error.h"
#include "platform/text.h"
#include "update/file_name_rule.h"

std::optional<std::wstring> ProgramNameToClose(std::wstring_view slotName) {
  const std::wstring_view lastThree = slotName.substr(slotName.size() < 3 ? 0 : slotName.size() - 3);
  if (AsciiUpper(lastThree) != L"EXE") return std::nullopt;
  if (slotName.size() <= 4) return std::nullopt;
  return std::wstring(slotName.substr(0, slotName.size() - 4));
}

void StartButtonPressed(const std::array<std::wstring, 5>& files, const std::wstring& programFolder,
                        StartButtonWindow& window, const TerminateTaskFunction& terminateTask) noexcept {
  for (const std::wstring& name : files) {
    // A copy that could not be closed shows up later, when its file cannot be replaced.
    IgnoringFailure([&] {
      if (name.empty()) return;
      const std::optional<std::wstring> program = ProgramNameToClose(name);
      if (!program) return;
      // "..\Other\x.exe" is never fetched, so the program it names is not ours to close.
      const std::wstring file = TrimSpaces(name);
      if (FileNameOutsideFolder(file)) return;
      terminateTask(*program, programFolder + L"\\" + file);
    });
  }
  IgnoringFailure([&] { window.SetStatus(kClosingFilesStatus); });
  IgnoringFailure([&] { window.StartRunTimer(kRunDelayMs); });
  IgnoringFailure([&] { window.SetStartEnabled(false); });
}

int NextProgressValue(int current) noexcept { return current < 100 ? current + 1 : 0; }
