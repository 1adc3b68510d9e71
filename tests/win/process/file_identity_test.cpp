// File identity, which decides what closing running copies and the self-update treat as "our file".
#include "platform/file_identity_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "test_support.h"

namespace {

TEST(FileIdentity, OtherSpellingsOfOnePathAreTheSameFileAndACopyIsNot) {
  ScratchFolder folder;
  CreateDirectoryW((folder / L"Alt Klasör").c_str(), nullptr);
  const std::wstring file = folder / L"Alt Klasör\\Zefra VUNO.exe";
  WriteBytes(file, "MZ same bytes");
  WriteBytes(folder / L"copy.exe", "MZ same bytes");

  wchar_t shortPath[MAX_PATH] = {};
  const DWORD shortLength = GetShortPathNameW(file.c_str(), shortPath, MAX_PATH);
  for (const std::wstring& spelling :
       {folder / L"ALT KLASÖR\\zefra vuno.EXE", folder / L".\\Alt Klasör\\..\\Alt Klasör\\Zefra VUNO.exe",
        folder.path() + L"/Alt Klasör/Zefra VUNO.exe",
        shortLength > 0 ? std::wstring(shortPath, shortLength) : file}) {
    EXPECT_TRUE(SameFile(file, spelling)) << spelling;
  }
  EXPECT_FALSE(SameFile(file, folder / L"copy.exe"));
  EXPECT_FALSE(SameFile(file, folder / L"missing.exe"));
  EXPECT_FALSE(SameFile(folder / L"missing.exe", folder / L"missing.exe")) << "nothing is not a file";

  // Held open without sharing by another program, it can still be asked.
  HeldOpenFile holder(file);
  EXPECT_TRUE(SameFile(file, folder / L"alt klasör\\zefra vuno.exe"));
}

}  // namespace
