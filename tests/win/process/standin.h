// Running stand-ins for the main application, with titles no other window on the desktop has.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "test_support.h"

// A name that occurs in no title but those of this test's own stand-ins.
inline std::wstring UniqueName(const std::wstring& prefix) {
  static unsigned counter = 0;
  return prefix + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

// Starts the stand-in with a top-level window of this title and waits until that window exists.
inline std::unique_ptr<StartedProgram> StartStandIn(const std::wstring& title,
                                                    const std::wstring& options = L"") {
  auto program = std::make_unique<StartedProgram>(HelperProgramPath(L"standin_app.exe"),
                                                  L"--title \"" + title + L"\" " + options);
  if (!program->WaitForWindow(title)) throw std::runtime_error("the stand-in's window did not appear");
  return program;
}

// Ends within a few seconds: TerminateProcess does not wait for the ending to complete.
inline bool EndsSoon(const StartedProgram& program) { return program.HasEnded(10000); }
