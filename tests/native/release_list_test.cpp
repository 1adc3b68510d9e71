// The signed release list and its signature's DER form: strict parsing, and a fuzz run.
#include "trust/release_list.h"

#include <gtest/gtest.h>

#include <random>

#include "trust/ecdsa_signature.h"
#include "update/file_forms.h"

namespace {

// The key Windows gives: letter case and the two separators do not tell names apart.
std::wstring TestKey(std::wstring_view name) {
  std::wstring key(name);
  for (wchar_t& c : key) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c == L'/') c = L'\\';
  }
  return key;
}

const std::string kHexA = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string kHexB = "60303AE22B998861BCE3B28F33EEC1BE758A213C86C93C076DBE9F558C11C752";

Sha256Digest DigestOf(const std::string& hex) {
  return ReleaseList::Parse(hex + "  x\n", TestKey).Find(L"x").value().digest;
}

std::wstring RefusalOf(std::string_view text) {
  try {
    ReleaseList::Parse(text, TestKey);
  } catch (const ReleaseRefused& refused) {
    return refused.reason();
  }
  return L"(accepted)";
}

TEST(ReleaseList, ReadsWhatSha256sumWrites) {
  const std::string text = kHexA + "  Zefra VUNO.exe\r\n" + kHexB + " *lib/rapor 2.dll\n" + kHexA +
                           "  sub\\alt\\x.dll\n" + "\\" + kHexB + "  kaçış\\\\y.dll\n" + kHexA +
                           "  Müşteri Listesi.txt\n\n";
  const ReleaseList list = ReleaseList::Parse(text, TestKey);
  EXPECT_EQ(list.size(), 5u);
  EXPECT_EQ(DigestHex(list.Find(L"zefra vuno.EXE")->digest), std::wstring(kHexA.begin(), kHexA.end()));
  EXPECT_EQ(list.Find(L"LIB\\rapor 2.dll")->digest, DigestOf(kHexB))
      << "upper-case hex, '*', either separator";
  EXPECT_EQ(list.Find(L"sub/alt/x.dll")->digest, DigestOf(kHexA));
  EXPECT_EQ(list.Find(L"kaçış\\y.dll")->digest, DigestOf(kHexB)) << "sha256sum's escaped form";
  EXPECT_EQ(list.Find(L"Müşteri Listesi.txt")->digest, DigestOf(kHexA));
  EXPECT_FALSE(list.Find(L"Zefra VUNO.ex").has_value());
  EXPECT_FALSE(list.Find(L" Zefra VUNO.exe").has_value());
  // The last line may end without its line break.
  EXPECT_EQ(ReleaseList::Parse(kHexA + "  a.dll", TestKey).size(), 1u);
  EXPECT_FALSE(list.release() || list.product() || list.HasSizes()) << "the old form still reads";

  const ReleaseList signed_ = ReleaseList::Parse(
      "# product Zefra VUNO\r\n# release 18446744073709551615\n"
      "# size 0 a.dll\n# size 307207 kaçış\\\\y.dll\n" +
          kHexA + "  A.dll\n\\" + kHexB + "  kaçış\\\\y.dll\n",
      TestKey);
  EXPECT_EQ(signed_.product(), L"Zefra VUNO");
  EXPECT_EQ(signed_.release(), UINT64_MAX);
  EXPECT_EQ(signed_.Find(L"a.dll").value().size, 0u);
  EXPECT_EQ(signed_.Find(L"kaçış/Y.DLL").value().size, 307207u)
      << "a size line names the file as its digest line";
}

TEST(ReleaseList, AMalformedLineOrARepeatedNameRefusesTheWholeList) {
  const std::string good = kHexA + "  a.dll\n";
  const struct {
    std::string text;
    const wchar_t* reason;
  } cases[] = {
      {good + kHexA.substr(1) + "  b.dll\n", L"satır 2 bozuk"},
      {good + kHexA + "0  b.dll\n", L"satır 2 bozuk"},
      {good + "g" + kHexA.substr(1) + "  b.dll\n", L"satır 2 bozuk"},
      {good + kHexA + " b.dll\n", L"satır 2 bozuk"},
      {good + kHexA + "\tb.dll\n", L"satır 2 bozuk"},
      {good + kHexA + "  \n", L"satır 2 bozuk"},
      {good + kHexA + "\n", L"satır 2 bozuk"},
      {"\n" + good, L"satır 1 bozuk"},
      {good + "\n" + kHexA + "  b.dll\n", L"satır 2 bozuk"},
      {good + kHexA + "  b\xff.dll\n", L"UTF-8"},
      {good + kHexA + "  b\xc0\xae.dll\n", L"UTF-8"},
      {good + kHexA + "  b\x01.dll\n", L"denetim karakteri"},
      {good + kHexA + "  b\r.dll\n", L"denetim karakteri"},
      {good + "\\" + kHexA + "  b\\n.dll\n", L"kaçış"},
      {good + "\\" + kHexA + "  b\\.dll\n", L"kaçış"},
      {good + kHexB + "  A.DLL\n", L"\"A.DLL\" adını iki kez"},
      {good + kHexB + " *a.dll\r\n", L"\"a.dll\" adını iki kez"},
      {"", L"hiçbir dosya"},
      {"\r\n\n", L"hiçbir dosya"},
      // The header: known keys once each, numbers that fit 64 bits, a size for each digest line.
      {"# version 3\n" + good, L"satır 1 bozuk: bilinmeyen başlık \"version\""},
      {"#release 3\n" + good, L"satır 1 bozuk: başlık satırı"},
      {"# release\n" + good, L"satır 1 bozuk: başlık satırı"},
      {"# release 3\n# release 4\n" + good, L"satır 2 bozuk: \"release\" başlığı ikinci kez"},
      {"# product A\n# product A\n" + good, L"\"product\" başlığı ikinci kez"},
      {"# release 18446744073709551616\n" + good, L"64 bite sığan"},
      {"# release 99999999999999999999999\n" + good, L"64 bite sığan"},
      {"# release 007\n" + good, L"başında sıfır olmadan"},
      {"# release -1\n" + good, L"64 bite sığan"},
      {"# release 1 \n" + good, L"64 bite sığan"},
      {"# size 18446744073709551616 a.dll\n" + good, L"64 bite sığan"},
      {"# size 12a.dll\n" + good, L"\"# size BAYT AD\""},
      {"# size 1 a.dll\n# size 2 A.DLL\n" + good, L"satır 2 bozuk: \"A.DLL\" için ikinci bir boyut"},
      {"# size 1 a.dll\n" + good + kHexB + "  b.dll\n", L"\"b.dll\" için boyut satırı içermiyor"},
      {"# size 1 a.dll\n# size 1 b.dll\n" + good, L"\"b.dll\" için boyut veriyor ama özetini vermiyor"},
      {"# size 1 a\\b.dll\n" + kHexA + "  a\\b.dll\n", L"kaçış"},
      {"# size 1 a.dll\n" + good + "# release 3\n",
       L"satır 3 bozuk: başlık satırları özet satırlarından önce"},
      {"# product Zefra\x01VUNO\n" + good, L"denetim karakteri"},
  };
  for (const auto& c : cases) {
    const std::wstring reason = RefusalOf(c.text);
    EXPECT_NE(reason.find(c.reason), std::wstring::npos)
        << c.text << " gave: " << std::string(reason.begin(), reason.end());
  }
}

// A minimal DER encoder of r and s, to build signatures of every shape.
std::string DerInteger(std::string magnitude) {
  magnitude.erase(0, std::min(magnitude.find_first_not_of('\0'), magnitude.size() - 1));
  if (static_cast<uint8_t>(magnitude[0]) & 0x80) magnitude.insert(0, 1, '\0');
  return std::string{0x02, static_cast<char>(magnitude.size())} + magnitude;
}
std::string DerSignature(const std::string& r, const std::string& s) {
  const std::string body = DerInteger(r) + DerInteger(s);
  return std::string{0x30, static_cast<char>(body.size())} + body;
}

TEST(EcdsaDer, ValidSignaturesBecomeTwoLeftPaddedScalars) {
  const std::string high(32, '\xC1'), low(32, '\x41');
  std::string shortR(32, '\x07');
  shortR[0] = 0;  // r of 31 bytes, as one signature in 256 has
  for (const auto& [r, s] : {std::pair{low, low}, {high, low}, {low, high}, {high, high}, {shortR, high}}) {
    const EcdsaP256Signature raw = EcdsaP256FromDer(DerSignature(r, s));
    EXPECT_EQ(std::string(raw.begin(), raw.begin() + 32), r);
    EXPECT_EQ(std::string(raw.begin() + 32, raw.end()), s);
  }
  EXPECT_EQ(DerSignature(high, high).size(), 72u) << "both with their leading zero byte";
}

TEST(EcdsaDer, AnythingButStrictDerIsRefused) {
  const std::string r(32, '\x41'), s(32, '\x42');
  const std::string good = DerSignature(r, s);
  const std::string ints = good.substr(2);
  const std::string cases[] = {
      good + '\0',                                                                // trailing byte
      good.substr(0, good.size() - 1),                                            // truncated
      std::string{0x31, good[1]} + ints,                                          // SET, not SEQUENCE
      std::string{0x30, '\x81', good[1]} + ints,                                  // long form length
      std::string{0x30, static_cast<char>(good[1] + 1)} + ints + '\0',            // extra byte inside
      DerSignature(r, s).replace(2, 1, 1, '\x03'),                                // BIT STRING for r
      std::string{0x30, 0x45, 0x02, 0x21, 0x00} + r + DerInteger(s),              // leading zero not needed
      std::string{0x30, 0x45, 0x02, 0x21, 0x01} + r + DerInteger(s),              // 33-byte r
      std::string{0x30, 0x44, 0x02, 0x20, '\x81'} + r.substr(1) + DerInteger(s),  // negative r
      std::string{0x30, 0x25, 0x02, 0x01, 0x00} + DerInteger(s),                  // r = 0
      std::string{0x30, 0x24, 0x02, 0x00} + DerInteger(s),                        // empty r
      std::string{0x30, 0x22} + DerInteger(r),                                    // s missing
      std::string(),
      std::string{0x30},
  };
  for (const std::string& der : cases) {
    EXPECT_THROW(EcdsaP256FromDer(der), ReleaseRefused) << testing::PrintToString(der);
  }
}

// Random and mutated lists and signatures through both readers: no crash, no sanitizer report,
// and a signature is accepted only in its one strict encoding.
TEST(ReleaseFuzz, HundredThousandRandomAndMutatedInputs) {
  std::mt19937 random(20261209);
  const std::string list =
      "# product Zefra VUNO\n# release 20261209153000\n# size 307207 a.dll\n# size 0 sub/b c.dll\n"
      "# size 18446744073709551615 d\\\\e.dll\n" +
      kHexA + "  a.dll\r\n" + kHexB + " *sub/b c.dll\n\\" + kHexA + "  d\\\\e.dll\n";
  const std::string der = DerSignature(std::string(32, '\x91'), std::string(31, '\x05'));
  const auto mutate = [&](std::string input) {
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < edits && !input.empty(); ++i) {
      const size_t at = random() % input.size();
      switch (random() % 4) {
        case 0:
          input[at] = static_cast<char>(random());
          break;
        case 1:
          input.erase(at, 1 + random() % 3);
          break;
        case 2:
          input.insert(at, 1, static_cast<char>(random()));
          break;
        default:
          input.resize(at);
          break;
      }
    }
    return input;
  };
  const auto noise = [&] {
    std::string input(random() % 80, '\0');
    for (char& c : input) c = static_cast<char>(random());
    return input;
  };
  for (int i = 0; i < 100000; ++i) {
    const bool random_input = i % 4 == 0;
    try {
      ReleaseList::Parse(random_input ? noise() : mutate(list), TestKey);
    } catch (const ReleaseRefused&) {
    }
    const std::string signature = random_input ? noise() : mutate(der);
    try {
      const EcdsaP256Signature raw = EcdsaP256FromDer(signature);
      ASSERT_EQ(
          DerSignature(std::string(raw.begin(), raw.begin() + 32), std::string(raw.begin() + 32, raw.end())),
          signature);
    } catch (const ReleaseRefused&) {
    }
  }
}

// The smaller forms tried for a file: the patch from the installed digest, then the compressed
// copy, then the file; only what the list holds, its name compared as the list's names are.
TEST(FileForms, SmallestListedFormFirstThePlainFileLast) {
  const std::string patchA = "A.DLL.patch-" + kHexA + ".zst";
  const ReleaseList list = ReleaseList::Parse(kHexB + "  a.dll\n" + kHexB + "  a.dll.zst\n" + kHexB + "  " + patchA +
                                                  "\n" + kHexB + "  b.dll\n" + kHexB + "  c.dll\n" + kHexB +
                                                  "  c.dll.patch-" + std::string(64, '0') + ".zst\n",
                                              TestKey);
  const Sha256Digest a = DigestOf(kHexA), b = DigestOf(kHexB);
  const std::wstring patch = L"a.dll.patch-" + std::wstring(kHexA.begin(), kHexA.end()) + L".zst";
  const struct {
    std::wstring name;
    std::optional<Sha256Digest> installed;
    std::vector<std::wstring> forms;
    bool offersPatches;
  } cases[] = {
      {L"a.dll", a, {patch, L"a.dll.zst", L"a.dll"}, true},
      {L"A.DLL", b, {L"A.DLL.zst", L"A.DLL"}, true},  // no patch from this file
      {L"a.dll", std::nullopt, {L"a.dll.zst", L"a.dll"}, true},
      {L"b.dll", a, {L"b.dll"}, false},
      {L"c.dll", a, {L"c.dll"}, true},
      {L"d.dll", a, {}, false},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> names;
    for (const FileForm& form : FormsToFetch(list, c.name, c.installed)) names.push_back(form.name);
    EXPECT_EQ(names, c.forms) << c.name;
    EXPECT_EQ(OffersPatches(list, c.name), c.offersPatches) << c.name;
  }
}

}  // namespace
