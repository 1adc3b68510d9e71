// A file's address and path parts, and the size the window shows of it.
#include <gtest/gtest.h>

#include <tuple>

#include "net/file_address.h"
#include "platform/path.h"
#include "update/run_texts.h"

namespace {

TEST(FileAddress, ClosingSlashesGoAndOneSlashJoins) {
  for (const wchar_t* base : {L"http://h/dir", L"http://h/dir/", L"http://h/dir///"}) {
    EXPECT_EQ(URL_OLUSTUR(base, L"a.exe"), L"http://h/dir/a.exe") << base;
  }
  EXPECT_EQ(URL_OLUSTUR(L"", L"a.exe"), L"/a.exe");
  EXPECT_EQ(URL_OLUSTUR(L"///", L"a.exe"), L"/a.exe");
  EXPECT_EQ(URL_OLUSTUR(L"http://h/dir\\", L"a.exe"), L"http://h/dir\\/a.exe");
  EXPECT_EQ(URL_OLUSTUR(L"http://h/dir", L"/a.exe"), L"http://h/dir//a.exe");
  EXPECT_EQ(URL_OLUSTUR(L"http://h/dir/", L""), L"http://h/dir/");
  EXPECT_EQ(URL_OLUSTUR(L"http://h/d ir/", L"Zefra VUNO.exe"), L"http://h/d ir/Zefra VUNO.exe");
}

TEST(FileAddress, RequestAddressEncodesSpacesAndHashesAndSendsBackslashesAsSlashes) {
  EXPECT_EQ(RequestAddress(L"http://h/d ir/Zefra VUNO.exe"), L"http://h/d%20ir/Zefra%20VUNO.exe");
  EXPECT_EQ(RequestAddress(L"http://h/a%20b?x=1&y=ü#f+"), L"http://h/a%20b?x=1&y=ü%23f+");
  // A browser's rule: every '\' before the query, the base's own included; the query keeps its.
  EXPECT_EQ(RequestAddress(L"http://h/dir\\/raporlar\\Yıllık.rpt"), L"http://h/dir//raporlar/Yıllık.rpt");
  EXPECT_EQ(RequestAddress(L"https:\\\\h\\a b.dll?p=c:\\x"), L"https://h/a%20b.dll?p=c:\\x");
  EXPECT_EQ(RequestAddress(L"http://h/Rapor#2 ##.dll"), L"http://h/Rapor%232%20%23%23.dll");
  EXPECT_EQ(RequestAddress(L"  "), L"%20%20");
}

TEST(PathParts, FolderAndFileNameLieAroundTheLastSeparatorOfEitherKind) {
  const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Zefra VUNO\\Zefra INDIR.exe", L"C:\\Zefra VUNO", L"Zefra INDIR.exe"},
      {L"C:\\Zefra/sub\\a.dll", L"C:\\Zefra/sub", L"a.dll"},
      {L"\\\\server\\share/x", L"\\\\server\\share", L"x"},
      {L"a/b/", L"a/b", L""},
      {L"Zefra INDIR.exe", L"", L"Zefra INDIR.exe"},
      {L"", L"", L""}};
  for (const auto& [path, folder, file] : cases) {
    EXPECT_EQ(FolderOf(path), folder) << path;
    EXPECT_EQ(FileNameOf(path), file) << path;
  }
}

TEST(SizeText, RoundsHalfAwayFromZeroToWholeKibibytes) {
  EXPECT_EQ(SizeText(0, L"."), L"000");
  EXPECT_EQ(SizeText(511, L"."), L"000");
  EXPECT_EQ(SizeText(512, L"."), L"001");
  EXPECT_EQ(SizeText(1535, L"."), L"001");
  EXPECT_EQ(SizeText(1536, L"."), L"002");
  EXPECT_EQ(SizeText(50 * 1024, L"."), L"050");
  EXPECT_EQ(SizeText(999 * 1024 + 511, L"."), L"999");
  EXPECT_EQ(SizeText(999 * 1024 + 512, L"."), L"1.000");
}

TEST(SizeText, GroupsInThreesWithTheGivenSeparator) {
  EXPECT_EQ(SizeText(1235 * 1024, L"."), L"1.235");
  EXPECT_EQ(SizeText(1235 * 1024, L","), L"1,235");
  EXPECT_EQ(SizeText(1235 * 1024, L"\u00a0"), L"1\u00a0235");
  EXPECT_EQ(SizeText(1234567LL * 1024, L"."), L"1.234.567");
  EXPECT_EQ(SizeText(123456LL * 1024, L"'"), L"123'456");
  EXPECT_EQ(SizeText(1235 * 1024, L""), L"1235");
}

TEST(SizeText, SizesBeyondTwoGibibytes) {
  EXPECT_EQ(SizeText(2147483648LL, L"."), L"2.097.152");  // 2 GiB
  EXPECT_EQ(SizeText(5LL * 1024 * 1024 * 1024 + 512, L","), L"5,242,881");
  EXPECT_EQ(SizeText(INT64_MAX, L"."), L"9.007.199.254.740.992");
}

}  // namespace
