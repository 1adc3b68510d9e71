// The copy started with the administrator's approval, as the program itself runs it: from a
// staging folder the user's copy prepared it places every file, or refuses one changed after the
// user's copy checked it before anything moves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diag/log_line.h"
#include "install/elevated_placing.h"
#include "platform/encoding_win.h"
#include "platform/path.h"
#include "platform/program_folder_win.h"
#include "platform/scoped_win.h"
#include "test_support.h"
#include "trust/cng_win.h"

namespace {

using ::testing::HasSubstr;

DWORD RunPlacingCopy(const std::wstring& arguments) {
  const std::wstring program = FolderOf(FolderOf(ExecutablePath())) + L"\\Zefra INDIR.exe";
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return GetLastError();
  const UniqueHandle owner(process.hProcess);
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

TEST(PlacingCopy, PlacesTheStagedFilesOrRefusesOneChangedAfterTheCheck) {
  const std::string a = PatternBytes(300 * 1024, "AA"), b = "new b";
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed" : "as checked");
    ScratchFolder staging, program;
    WriteBytes(program / L"a.dll", "old a");
    ASSERT_TRUE(CreateDirectoryW((staging / L"bin").c_str(), nullptr));
    WriteBytes(staging / L"a.dll.download", a);
    WriteBytes(staging / L"bin\\b.dll.download", changed ? "NEW b" : b);
    const HandOver handOver{
        false, {L"a.dll"}, {{L"a.dll", a.size(), Sha256Of(a)}, {L"bin\\b.dll", b.size(), Sha256Of(b)}}};
    WriteBytes(staging / kHandOverName, HandOverText(handOver));

    const DWORD code =
        RunPlacingCopy(FormatElevatedCommandLine({staging.path(), program.path(), L"unsigned"}));

    const std::string log = ReadBytes(LogFilePath(program.path()));
    EXPECT_THAT(log, HasSubstr(" Placing copy started; staged=" + ToAnsi(staging.path())));
    std::map<std::wstring, std::string> placed = FolderContents(program.path());
    placed.erase(kLogFileName);
    if (changed) {
      EXPECT_EQ(code, 4u);
      EXPECT_TRUE(placed == (std::map<std::wstring, std::string>{{L"a.dll", "old a"}}));
      EXPECT_THAT(
          log,
          HasSubstr(" Placing copy refused; exitCode=4; reason=changed after it was checked: bin\\b.dll"));
      EXPECT_EQ(FolderContents(staging.path()).size(), 4u);
    } else {
      EXPECT_EQ(code, 0u);
      EXPECT_TRUE(placed ==
                  (std::map<std::wstring, std::string>{{L"a.dll", a}, {L"bin\\", ""}, {L"bin\\b.dll", b}}));
      EXPECT_THAT(log, HasSubstr(" Placing complete; files=2"));
      EXPECT_THAT(FolderNames(staging.path()), testing::ElementsAre(L"bin\\"));
    }
  }
  // A command line the user's copy never writes places nothing.
  EXPECT_EQ(RunPlacingCopy(L"--place-staged C:\\s"), 2u);
}

}  // namespace
