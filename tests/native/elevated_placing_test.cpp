// The hand-over to the placing copy: its command line both ways, its file, the staging folder.
#include <gtest/gtest.h>

#include <cstdint>

#include "install/elevated_placing.h"

namespace {

TEST(ElevatedPlacing, CommandLineComesBackAsWritten) {
  const ElevatedPlacingRequest cases[] = {
      {L"C:\\Users\\Ayşe\\AppData\\Local\\Zefra INDIR\\0123456789ABCDEF", L"C:\\Program Files\\Zefra", L"9.8.1"},
      {L"C:\\a b\\", L"\\\\sunucu\\pay\\Zefra\\", L"sürüm \"yeni\" \\"},
  };
  for (const auto& request : cases) {
    const auto parsed = ParseElevatedCommandLine(L"\"C:\\x\\Zefra INDIR.exe\" " + FormatElevatedCommandLine(request));
    ASSERT_TRUE(parsed.isPlacingCopy);
    ASSERT_TRUE(parsed.request) << request.stagedFolder;
    EXPECT_EQ(parsed.request->stagedFolder, request.stagedFolder);
    EXPECT_EQ(parsed.request->programFolder, request.programFolder);
    EXPECT_EQ(parsed.request->release, request.release);
  }
}

TEST(ElevatedPlacing, BadCommandLinesAreToldApartFromOrdinaryStarts) {
  const struct {
    const wchar_t* line;
    bool isPlacingCopy;
  } cases[] = {
      {L"\"Zefra INDIR.exe\"", false},
      {L"Zefra INDIR.exe /x", false},
      {L"x --place-staged \"C:\\s\" \"C:\\p\"", true},
      {L"x --place-staged \"s\" \"C:\\p\" 1", true},
      {L"x --place-staged \"C:\\p\\\" \"c:\\P\" 1", true},
      {L"x --place-staged \"C:\\s\" \"C:\\p\" \"\"", true},
      {L"x --place-staged C:\\s C:\\p 1 fazla", true},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseElevatedCommandLine(c.line);
    EXPECT_EQ(parsed.isPlacingCopy, c.isPlacingCopy) << c.line;
    EXPECT_FALSE(parsed.request) << c.line;
  }
}

TEST(ElevatedPlacing, StagingFolderIsNamedByTheProgramFolder) {
  const uint8_t digest[32] = {0x0a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78, 0x9a};
  EXPECT_EQ(StagingFolder(L"C:\\Users\\a\\AppData\\Local", StagingIdentity(digest)),
            L"C:\\Users\\a\\AppData\\Local\\Zefra INDIR\\0ABCDEF012345678");
  EXPECT_EQ(StagingFolder(L"D:\\", L"X"), L"D:\\Zefra INDIR\\X");
}

// The placing copy runs as an administrator: a hand-over that names anything outside the program's
// folder, or is not whole, places nothing.
TEST(ElevatedPlacing, HandOverComesBackWholeOrNotAtAll) {
  const HandOver handOver{true,
                          {L"  Zefra VUNO.exe", L"bin\\Rapor.exe"},
                          {{L"bin\\Rapor.exe", 7, {0xab}}, {L"Yardım ş.dll", 0, {}}}};
  EXPECT_EQ(ParseHandOver(HandOverText(handOver)), handOver);
  const std::string file = "file\t" + std::string(64, 'a') + "\t5\t";
  for (const std::string& bad : {
           std::string("zefra-indir hand-over 1\nkeyed 1\nend\n"),
           "zefra-indir hand-over 1\nkeyed 0\n" + file + "..\\Windows\\x.dll\nend\n",
           "zefra-indir hand-over 1\nkeyed 0\n" + file + "C:\\x.dll\nend\n",
           "zefra-indir hand-over 1\nkeyed 0\nslot\t..\\a.exe\n" + file + "a.dll\nend\n",
           "zefra-indir hand-over 1\nkeyed 0\n" + file + "a.dll\n" + file + "A.DLL\nend\n",
           "zefra-indir hand-over 1\nkeyed 0\n" + file + "a.dll\nend",
           "zefra-indir hand-over 1\nkeyed 2\n" + file + "a.dll\nend\n",
       }) {
    EXPECT_FALSE(ParseHandOver(bad)) << bad;
  }
}

}  // namespace
