// The stand-in itself, as the end-to-end test will use it in place of the main application.
#include "standin.h"

#include <gtest/gtest.h>

namespace {

TEST(StandIn, RecordsItsStartAndShowsItsVersion) {
  ScratchFolder folder;
  const std::wstring record = folder / L"started.txt";
  const std::wstring title = UniqueName(L"Zefra VUNO ");
  auto program = StartStandIn(title, L"--version \"9.08\" --record \"" + record + L"\"");

  const std::string line = ReadBytes(record);
  EXPECT_EQ(line.substr(0, line.find(' ')), std::to_string(program->id()));
  EXPECT_NE(line.find("--version"), std::string::npos);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");

  const HWND label = FindWindowExW(program->WaitForWindow(title), nullptr, L"STATIC", nullptr);
  wchar_t text[256] = {};
  GetWindowTextW(label, text, 256);
  EXPECT_EQ(std::wstring(text), title + L" 9.08");
  EXPECT_TRUE(IsWindowVisible(program->WaitForWindow(title)));
}

}  // namespace
