// The file-name rule of the program's folder, the updater's own names among them, and the
// sharing retry.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "install/file_name_rule.h"
#include "install/set_aside_name.h"
#include "install/sharing_retry.h"
#include "install/updater_files.h"
#include "platform/text.h"

namespace {

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
                                             L"x.indir-", L"x.dll.indir-resume", L"a.Indir-x\\b.dll",
                                             L"x.dll.indir-patch", L"x.dll.INDIR-ZST"}},
    {L"yarım inen dosyalarına", {L"x.dll.download", L"Zefra VUNO.exe.DownLoad", L"a.download\\b.dll",
                                   L"x.dll.indir-patch.download"}},
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
