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

// A copy of the stand-in in folder under fileName, as a slot's program lies in the program's folder.
inline std::wstring CopyStandIn(const std::wstring& folder, const std::wstring& fileName) {
  const std::wstring copy = folder + L"\\" + fileName;
  if (!CopyFileW(HelperProgramPath(L"standin_app.exe").c_str(), copy.c_str(), FALSE)) {
    throw std::runtime_error("cannot copy the stand-in");
  }
  return copy;
}

// Starts executable (the stand-in or a copy of it) with a top-level window of this title and
// waits until that window exists.
inline std::unique_ptr<StartedProgram> StartStandInFrom(const std::wstring& executable,
                                                        const std::wstring& title,
                                                        const std::wstring& options = L"") {
  auto program = std::make_unique<StartedProgram>(executable, L"--title \"" + title + L"\" " + options);
  if (!program->WaitForWindow(title)) throw std::runtime_error("the stand-in's window did not appear");
  return program;
}

// The stand-in from the build's tests folder: never a slot's file, so never ended.
inline std::unique_ptr<StartedProgram> StartStandIn(const std::wstring& title,
                                                    const std::wstring& options = L"") {
  return StartStandInFrom(HelperProgramPath(L"standin_app.exe"), title, options);
}

// Ends within a few seconds: TerminateProcess does not wait for the ending to complete.
inline bool EndsSoon(const StartedProgram& program) { return program.HasEnded(10000); }
