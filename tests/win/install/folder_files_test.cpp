// The program folder's files against Windows itself: every name the rule accepts is a file
// inside the folder named as written, and a file is current only with its listed size and digest.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <random>
#include <string>
#include <tuple>

#include "install/file_name_rule.h"
#include "install/folder_files_win.h"
#include "platform/text.h"
#include "test_support.h"
#include "trust/cng_win.h"

namespace {

// Pieces of hostile names: steps, both separators, streams, devices, control characters, letters.
std::wstring RandomHostileName(std::mt19937& random) {
  static const std::vector<std::wstring> pieces = {
      L".",    L"..",   L" ",    L"\\",     L"/",      L":",      L"$",    std::wstring(1, L'\0'),
      L"\t",   L"\x1F", L"\x7F", L"<",      L">",      L"\"",     L"|",    L"?",
      L"*",    L"CON",  L"con",  L"NUL",    L"Prn",    L"AUX",    L"COM",  L"lpt",
      L"1",    L"0",    L"9",    L"\u00B9", L"\u00B2", L"\u00B3", L"IN$",  L"OUT$",
      L".exe", L".dll", L"~1",   L"#",      L"ı",      L"İ",      L"ş",    L"ğ",
      L"Ü",    L"ç",    L"a",    L"b",      L"x",      L"Zefra",  L"VUNO", L"Rapor",
      L"-",    L"_"};
  std::uniform_int_distribution<size_t> count(1, 8), piece(0, pieces.size() - 1), run(2, 40);
  std::wstring name;
  for (size_t n = count(random); n > 0; --n) {
    const std::wstring& chosen = pieces[piece(random)];
    // Now and then a long run of one piece: "......", "\\\\\\", "CONCONCON".
    const size_t times = random() % 12 == 0 ? run(random) : 1;
    for (size_t i = 0; i < times; ++i) name += chosen;
  }
  return name;
}

std::wstring LastSegment(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

TEST(FileNameProperty, EveryAcceptedNameIsAFileStrictlyInsideTheFolderNamedAsWritten) {
  constexpr unsigned kSeed = 20261210;
  std::mt19937 random(kSeed);
  const std::wstring folder = L"C:\\Zefra VUNO";
  std::wstring full(32768, L'\0');
  int accepted = 0;
  for (int i = 0; i < 10000; ++i) {
    const std::wstring name = RandomHostileName(random);
    if (FileNameOutsideFolder(name)) continue;
    ++accepted;
    const std::wstring joined = folder + L"\\" + name;
    const DWORD length =
        GetFullPathNameW(joined.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    const std::wstring resolved = full.substr(0, length < full.size() ? length : 0);
    const std::wstring where = L"seed " + std::to_wstring(kSeed) + L", name " + std::to_wstring(i) + L" \"" +
                               VisibleText(name) + L"\" resolved to \"" + VisibleText(resolved) + L"\"";
    // A device resolves to "\\.\NUL", a name that leaves the folder to somewhere else.
    ASSERT_TRUE(resolved.starts_with(folder + L"\\") && resolved.size() > folder.size() + 1) << where;
    ASSERT_EQ(LastSegment(resolved), LastSegment(name)) << "Windows names the file otherwise: " << where;
    ASSERT_EQ(DestinationNotStoredAsWritten(joined), std::nullopt) << "the downloader refuses it: " << where;
  }
  std::wcout << L"seed " << kSeed << L": " << accepted << L" of 10000 names accepted\n";
  EXPECT_GT(accepted, 500) << "too few names accepted for the property to say much";
}

// The size first: a file of another size is not read at all; one of the listed size is read in
// pieces, between which the window gets its messages.
TEST(FolderFiles, AFileIsCurrentOnlyWithTheListedSizeAndDigest) {
  ScratchFolder folder;
  const std::string bytes = PatternBytes(600 * 1024);
  std::string other = bytes;
  other[300000] ^= 1;
  WriteBytes(folder / L"f.dll", bytes);
  const std::tuple<const wchar_t*, uint64_t, const std::string*, bool, int> cases[] = {
      {L"f.dll", bytes.size(), &bytes, true, 3},
      {L"F.DLL", bytes.size(), &other, false, 3},
      {L"f.dll", bytes.size() + 1, &bytes, false, 0},
      {L"f.dll", bytes.size() - 1, &bytes, false, 0},
      {L"none.dll", 0, &bytes, false, 0},
      {L"no\\such.dll", 0, &bytes, false, 0},
  };
  for (const auto& [name, size, digestOf, current, pieces] : cases) {
    int read = 0;
    EXPECT_EQ(FileHasListedContent(folder / name, ListedFile{Sha256Of(*digestOf), size}, [&] { ++read; }),
              current);
    EXPECT_EQ(read, pieces) << size;
  }
}

}  // namespace
