#include "app/start_button.h"

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
    try {
      if (name.empty()) continue;
      const std::optional<std::wstring> program = ProgramNameToClose(name);
      if (!program) continue;
      // "..\Other\x.exe" is never fetched, so the program it names is not ours to close.
      const std::wstring file = TrimSpaces(name);
      if (FileNameOutsideFolder(file)) continue;
      terminateTask(*program, programFolder + L"\\" + file);
    } catch (...) {
      // A copy that could not be closed shows up later, when its file cannot be replaced.
    }
  }
  try {
    window.SetStatus(kClosingFilesStatus);
  } catch (...) {
  }
  try {
    window.StartRunTimer(kRunDelayMs);
  } catch (...) {
  }
  try {
    window.SetStartEnabled(false);
  } catch (...) {
  }
}

int NextProgressValue(int current) noexcept { return current < 100 ? current + 1 : 0; }
