// The file address, the size text, the file-name rule, the set-aside names and the path parts of the
// update engine.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/path.h"
#include "platform/text.h"
#include "update/file_address.h"
#include "update/file_name_rule.h"
#include "update/set_aside_name.h"
#include "update/sharing_retry.h"
#include "update/size_text.h"
#include "update/updater_files.h"

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

TEST(FileNameRule, NamesInsideTheFolderPass) {
  for (const wchar_t* name : {L"Zefra VUNO.exe",
                              L"lib\\x.dll",
                              L"lib/x.dll",
                              L"a\\..\\b.dll",
                              L".\\b.dll",
                              L"..b.dll",
                              L"b..dll",
                              L"raporlar\\Güncel Rapor.rpt",
                              L"..kacak.dll",
                              L".gizli",
                              L"Çağrı Şöförü İğne.dll",
                              L" baş boşluk.dll",
                              L"a b\\c d\\e f.dll",
                              L"x.exe\\..\\x.exe",
                              L"Rapor#2.dll",
                              L"$CON.dll",
                              L"CONSOLE.exe",
                              L"nulx.dll",
                              L"LPT.dll",
                              L"COM10.exe",
                              L"xCOM1",
                              L"CONOUT.txt",
                              L"COM\u00B4.exe",
                              L"x.CON",
                              L"a.b.c",
                              L"Zefra INDIR.exe.old",
                              L"x.indir-old.dll",
                              L"x.indirold",
                              L"indir-old",
                              L"x.indir-probe.dll",
                              L"x.indir"}) {
    EXPECT_EQ(FileNameOutsideFolder(name), std::nullopt) << name;
  }
}

using NamesAndReason = std::pair<std::wstring, std::vector<std::wstring>>;

TEST(FileNameRule, HostileNamesAreRefusedWithATurkishReasonNamingWhy) {
  const std::wstring nul(1, L'\0');
  // clang-format off
  const NamesAndReason cases[] = {
    {L"sürücü adı", {L"C:\\Windows\\system32\\x.dll", L"C:x.dll", L"c:/x.dll"}},
    {L"tam yol", {L"\\x.dll", L"/x.dll", L"\\\\server\\share\\x.dll", L"//server/share/x.dll",
                  L"\\\\?\\C:\\x.dll", L"\\\\.\\pipe\\x"}},
    {L"alternatif veri akışı", {L"x.exe:stream", L"x.exe::$DATA"}},
    {L"program klasörünün dışına", {L"..\\x.dll", L"../x.dll", L"a\\..\\..\\x.dll", L"a/../../x.dll"}},
    {L"dosya adıyla bitmeli", {L"..", L".", L"a\\..", L"Zefra VUNO.exe\\."}},
    {L"nokta ya da boşlukla bitiyor", {L"...\\x.dll", L".. \\x.dll", L"a\\. .\\..\\..\\x.dll",
                                       L"Zefra VUNO.exe.", L"Zefra VUNO.exe ", L"a .\\b.dll",
                                       L"alt \\b.dll"}},
    {L"denetim karakteri (U+0000)", {L"Zefra VUNO.exe" + nul, L"x.exe" + nul + L".txt"}},
    {L"denetim karakteri (U+0009)", {L"a\tb.dll"}},
    {L"denetim karakteri (U+001F)", {L"a\x1F.dll"}},
    {L"denetim karakteri (U+007F)", {L"a\x7F.dll"}},
    {L"\"<\" karakteri", {L"a<b.dll"}}, {L"\">\" karakteri", {L"a>b.dll"}},
    {L"\"\"\" karakteri", {L"a\"b.dll"}}, {L"\"|\" karakteri", {L"alt|x.dll"}},
    {L"\"?\" karakteri", {L"Rapor?.dll"}}, {L"\"*\" karakteri", {L"sub\\*.dll"}},
    {L"bir aygıt adıdır", {L"CON", L"con", L"nul.dll", L"Nul.tar.gz", L"COM1.exe", L"com0", L"LPT9.txt",
                           L"lpt0.dll", L"COM\u00B9.exe", L"LPT\u00B2", L"lpt\u00B3.txt", L"sub\\PRN.dll",
                           L"AUX\\x.dll", L"CONIN$", L"CONOUT$", L"conout$.log", L"COM1 .txt"}},
    {L"boş klasör adı", {L"a\\\\b.dll", L"a//b.dll", L"a\\/b.dll", L"sub\\", L"sub/", L""}},
    {L"eski güncelleyiciye ayrılmış ad", {L"Zefra INDIR.exe.1-0.indir-old", L"x.INDIR-Old", L"sub\\x.indir-old",
                                           L"x.indir-old\\y.dll"}},
    {L"güncelleyicinin kendi dosyalarına", {WriteProbeName(SetAsideTag(1234, 0)), L"x.INDIR-Probe",
                                             L"x.indir-", L"x.dll.indir-resume", L"a.Indir-x\\b.dll"}},
    {L"yarım inen dosyalarına", {L"x.dll.download", L"Zefra VUNO.exe.DownLoad", L"a.download\\b.dll"}},
  };
  // clang-format on
  for (const auto& [why, names] : cases) {
    for (const std::wstring& name : names) {
      const std::optional<std::wstring> reason = FileNameOutsideFolder(name);
      ASSERT_TRUE(reason.has_value()) << VisibleText(name);
      EXPECT_EQ(reason->rfind(L"Geçersiz dosya adı \"" + VisibleText(name) + L"\": ", 0), 0u) << *reason;
      EXPECT_NE(reason->find(why), std::wstring::npos) << *reason;
      EXPECT_EQ(reason->find(L'\0'), std::wstring::npos) << "a NUL would cut the reason short";
    }
  }
  EXPECT_EQ(*FileNameOutsideFolder(L"sub\\nul.dll"),
            L"Geçersiz dosya adı \"sub\\nul.dll\": \"nul.dll\" bir aygıt adıdır (NUL), dosya adı olamaz.");
  EXPECT_EQ(VisibleText(L"a" + nul + L"b\x7F\r"), L"a<U+0000>b<U+007F><U+000D>");
}

TEST(FileNameRule, ADestinationIsAFullPathWhoseSegmentsAfterTheRootAreStoredAsWritten) {
  for (const wchar_t* destination :
       {L"C:\\Zefra VUNO\\Zefra VUNO.exe", L"c:/zefra/x.dll", L"C:\\a\\..\\b\\x.dll",
        L"\\\\sunucu\\paylaşım\\Zefra VUNO\\Zefra VUNO.exe", L"//sunucu/paylaşım/x.dll",
        L"\\\\?\\C:\\Zefra\\x.dll", L"\\\\?\\UNC\\sunucu\\paylaşım\\x.dll", L"Z:\\..kacak.dll"}) {
    EXPECT_EQ(DestinationNotStoredAsWritten(destination), std::nullopt) << destination;
  }
  // clang-format off
  const NamesAndReason refused[] = {
    {L"denetim karakteri (U+0000)", {L"C:\\Zefra VUNO\\Zefra VUNO.exe" + std::wstring(1, L'\0')}},
    {L"nokta ya da boşlukla bitiyor", {L"C:\\Zefra VUNO\\Zefra VUNO.exe.", L"C:\\Zefra VUNO .\\x.dll"}},
    {L"bir aygıt adıdır (NUL)", {L"C:\\Zefra\\nul.dll"}},
    {L"bir aygıt adıdır (CON)", {L"\\\\sunucu\\paylaşım\\CON"}},
    {L"boş klasör adı", {L"C:\\Zefra\\\\x.dll", L"C:\\Zefra\\", L"C:\\"}},
    {L"dosya adıyla bitmeli", {L"C:\\Zefra\\x.exe\\."}},
    {L"alternatif veri akışı", {L"C:\\Zefra\\x.exe:akış"}}, {L"\"?\" karakteri", {L"C:\\Zefra\\x?.dll"}},
    {L"tam bir yol", {L"C:x.dll", L"Zefra\\x.dll", L"\\Zefra\\x.dll", L"\\\\sunucu\\paylaşım",
                      L"\\\\sunucu\\\\x.dll", L"\\\\.\\pipe\\x", L"\\\\?\\GLOBALROOT\\x", L""}},
  };
  // clang-format on
  for (const auto& [why, destinations] : refused) {
    for (const std::wstring& destination : destinations) {
      const std::optional<std::wstring> reason = DestinationNotStoredAsWritten(destination);
      ASSERT_TRUE(reason.has_value()) << VisibleText(destination);
      const std::wstring head = L"Geçersiz hedef yol \"" + VisibleText(destination) + L"\": ";
      EXPECT_EQ(reason->rfind(head, 0), 0u) << *reason;
      EXPECT_NE(reason->find(why), std::wstring::npos) << *reason;
    }
  }
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
