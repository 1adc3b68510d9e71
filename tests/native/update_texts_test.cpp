// The file address, the size text, the file-name rule and the set-aside names of the update engine.
#include <gtest/gtest.h>

#include "update/file_address.h"
#include "update/file_name_rule.h"
#include "update/set_aside_name.h"
#include "update/sharing_retry.h"
#include "update/size_text.h"

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

TEST(FileAddress, RequestAddressEncodesSpacesOnly) {
  EXPECT_EQ(RequestAddress(L"http://h/d ir/Zefra VUNO.exe"), L"http://h/d%20ir/Zefra%20VUNO.exe");
  EXPECT_EQ(RequestAddress(L"http://h/a%20b?x=1&y=ü#f+"), L"http://h/a%20b?x=1&y=ü#f+");
  EXPECT_EQ(RequestAddress(L"  "), L"%20%20");
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

TEST(FileNameRule, NamesInsideTheFolderPass) {
  for (const wchar_t* name : {L"Zefra VUNO.exe", L"lib\\x.dll", L"lib/x.dll", L"a\\..\\b.dll", L".\\b.dll",
                              L"..b.dll", L"b..dll", L"raporlar\\Güncel Rapor.rpt", L"Zefra INDIR.exe.old",
                              L"x.indir-old.dll", L"x.indirold", L"indir-old"}) {
    EXPECT_FALSE(FileNameOutsideFolder(name).has_value()) << name;
  }
}

TEST(FileNameRule, HostileNamesAreRefusedWithATurkishReason) {
  for (const wchar_t* name : {L"C:\\Windows\\system32\\x.dll",
                              L"C:x.dll",
                              L"c:/x.dll",
                              L"\\x.dll",
                              L"/x.dll",
                              L"\\\\server\\share\\x.dll",
                              L"//server/share/x.dll",
                              L"\\\\?\\C:\\x.dll",
                              L"\\\\.\\pipe\\x",
                              L"x.exe:stream",
                              L"x.exe::$DATA",
                              L"..\\x.dll",
                              L"../x.dll",
                              L"a\\..\\..\\x.dll",
                              L"a/../../x.dll",
                              L"..",
                              L".",
                              L"a\\..",
                              L"...\\x.dll",
                              L".. \\x.dll",
                              L"a\\. .\\..\\..\\x.dll",
                              L"Zefra INDIR.exe.1-0.indir-old",
                              L"x.INDIR-Old",
                              L"x.indir-old. .",
                              L"sub\\x.indir-old",
                              L"x.indir-old\\.",
                              L"x.indir-old\\y.dll"}) {
    const std::optional<std::wstring> reason = FileNameOutsideFolder(name);
    ASSERT_TRUE(reason.has_value()) << name;
    EXPECT_EQ(reason->rfind(L"Geçersiz dosya adı \"" + std::wstring(name) + L"\": ", 0), 0u) << *reason;
  }
  EXPECT_NE(FileNameOutsideFolder(L"x.exe:s")->find(L"alternatif veri akışı"), std::wstring::npos);
  EXPECT_NE(FileNameOutsideFolder(L"D:x")->find(L"sürücü"), std::wstring::npos);
  EXPECT_NE(FileNameOutsideFolder(L"..\\x")->find(L"program klasörünün dışına"), std::wstring::npos);
}

// The next start deletes every set-aside file, so the rule must refuse each name the updater makes.
TEST(FileNameRule, EveryNameTheUpdaterSetsItsOldFileAsideUnderIsRefused) {
  const std::wstring name = SetAsideName(L"Zefra INDIR.exe", SetAsideTag(1234, 0x01DB2A40C5E3F000));
  EXPECT_EQ(name, L"Zefra INDIR.exe.1234-01DB2A40C5E3F000.indir-old");
  for (const std::wstring& made : {name, SetAsideName(L"Zefra INDIR.exe", SetAsideTag(0, 0)),
                                   SetAsideName(L"x", SetAsideTag(UINT32_MAX, UINT64_MAX))}) {
    EXPECT_TRUE(IsSetAsideName(made)) << made;
    const std::optional<std::wstring> reason = FileNameOutsideFolder(made);
    ASSERT_TRUE(reason.has_value()) << made;
    EXPECT_NE(reason->find(L"eski güncelleyiciye ayrılmış ad"), std::wstring::npos) << *reason;
  }
}

TEST(SharingRetry, RetriesSharingViolationsForAboutASecondOnly) {
  int calls = 0;
  unsigned paused = 0;
  const auto pause = [&](unsigned ms) { paused += ms; };

  EXPECT_EQ(RetryOnSharingViolation([&] { return ++calls < 3 ? kErrorSharingViolation : 0u; }, pause), 0u);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(paused, 400u);

  calls = 0, paused = 0;
  EXPECT_EQ(RetryOnSharingViolation([&] { return ++calls, kErrorLockViolation; }, pause),
            kErrorLockViolation);
  EXPECT_EQ(calls, 6);
  EXPECT_EQ(paused, 1000u);

  calls = 0, paused = 0;
  EXPECT_EQ(RetryOnSharingViolation([&] { return ++calls, 5u; }, pause), 5u) << "access denied is final";
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(paused, 0u);
}

}  // namespace
