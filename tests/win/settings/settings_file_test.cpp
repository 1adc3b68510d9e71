// XML_AYARAL with MSXML and real ayar.xml files.
#include <gtest/gtest.h>
#include <windows.h>

#include "settings/settings_file_win.h"
#include "test_support.h"

namespace {

struct Values {
  std::wstring server = L"db.ovantis.com.tr", port = L"3306", driver = L"3", mode = L"1";
  std::array<std::wstring, 6> extra{};
};

class SettingsFile : public testing::Test {
 protected:
  // Writes the file, reads it and checks the values and whether one plain box was shown.
  void Expect(const std::string& xml, const Values& expected, bool box) {
    WriteBytes(folder_ / L"ayar.xml", xml);
    ExpectRead(expected, box);
  }
  void ExpectRead(const Values& expected, bool box) {
    RecordedMessageBoxes boxes;
    ConnectionSettings settings;
    XML_AYARAL(folder_.path(), settings);
    EXPECT_EQ(settings.server, expected.server);
    EXPECT_EQ(settings.port, expected.port);
    EXPECT_EQ(settings.driverVersion, expected.driver);
    EXPECT_EQ(settings.mode, expected.mode);
    EXPECT_EQ(settings.extraValues, expected.extra);
    EXPECT_EQ(settings.database + settings.user + settings.password, L"ovantisovn***kvp***");
    ASSERT_EQ(boxes.shown().size(), box ? 1u : 0u);
    if (box) {
      EXPECT_EQ(boxes.shown()[0].title, L"Zefra INDIR");
      EXPECT_EQ(boxes.shown()[0].style, kBoxPlain);
      EXPECT_FALSE(boxes.shown()[0].text.empty());
    }
  }
  ScratchFolder folder_;
};

TEST_F(SettingsFile, AMissingUnreadableOrMalformedFileSilentlyLeavesTheDefaults) {
  ExpectRead({}, false);
  Expect("", {}, false);
  Expect("<a><b><c>h</c></b></a", {}, false);
  Expect("<a><b><c>h</c><c>1</c></b><d><e>1</e></d></a><second/>", {}, false);
  {
    HeldOpenFile held(folder_ / L"ayar.xml");
    ExpectRead({}, false);
  }
  DeleteFileW((folder_ / L"ayar.xml").c_str());
  CreateDirectoryW((folder_ / L"ayar.xml").c_str(), nullptr);
  ExpectRead({}, false);
}

TEST_F(SettingsFile, IndentedAndOneLineFilesReadAlike) {
  const Values expected{L"10.0.0.5", L"3307", L"8", L"1"};
  Expect(
      "<ayar><baglanti><sunucu>10.0.0.5</sunucu><port>3307</port><surum>8</surum></baglanti>"
      "<mod><deger>1</deger></mod></ayar>",
      expected, false);
  Expect(
      "<?xml version=\"1.0\"?>\r\n<!-- outside the root -->\r\n<ayar>\r\n  <baglanti>\r\n"
      "    <sunucu>10.0.0.5</sunucu>\r\n\t\t<port>\r\n      3307\r\n    </port>\r\n    <surum>8</surum>\r\n"
      "  </baglanti>\r\n  <mod>\n    <deger>1</deger>\n    <x>ignored</x>\n  </mod>\n</ayar>\n",
      expected, false);
  // Names, attributes and namespaces play no part; two nodes in group 1 keep driver 3.
  Expect("<r xmlns='urn:x'><g a='1'><p:s xmlns:p='urn:p'>h</p:s><t/></g><m><v>1</v></m><extra/></r>",
         {L"h", L"", L"3", L"1"}, false);
}

TEST_F(SettingsFile, CommentsCdataAndInstructionsCountAsNodes) {
  Expect("<r><g><!-- note --><s>h</s><p>3307</p></g><m><v>1</v></m></r>", {L"note", L"h", L"3307", L"1"},
         false);
  Expect("<r><g><![CDATA[raw]]><?pi data?><s>h</s></g><m><v>1</v></m></r>", {L"raw", L"data", L"h", L"1"},
         false);
  Expect("<r><g>loose<s>h</s></g><m><v>1</v></m></r>", {L"loose", L"h", L"3", L"1"}, false);
}

TEST_F(SettingsFile, TurkishLettersInTheEncodingTheDeclarationNames) {
  const Values expected{L"sunucu-ğüşıöçİ", L"3306", L"8", L"1"};
  Expect(
      "<?xml version=\"1.0\" encoding=\"windows-1254\"?><r><g><s>sunucu-\xF0\xFC\xFE\xFD\xF6\xE7\xDD</s>"
      "<p>3306</p><d>8</d></g><m><v>1</v></m></r>",
      expected, false);
  Expect(
      "\xEF\xBB\xBF<?xml version=\"1.0\" "
      "encoding=\"UTF-8\"?><r><g><s>sunucu-ğüşıöçİ</s><p>3306</p><d>8</d></g>"
      "<m><v>1</v></m></r>",
      expected, false);
}

TEST_F(SettingsFile, ModeTwoWithAndWithoutItsSixValues) {
  Expect(
      "<r><g><s>h</s><p>1</p></g><m><v>2</v><a>1</a><a>2</a><a>3</a><a>4</a><a>5</a><a>6</a><a>7</a></m></r>",
      {L"h", L"1", L"3", L"2", {L"1", L"2", L"3", L"4", L"5", L"6"}}, false);
  Expect("<r><g><s>h</s><p>1</p></g><m><v>2</v><a>1</a><a>2</a></m></r>",
         {L"h", L"1", L"3", L"2", {L"1", L"2"}}, true);
  Expect("<r><g><s>h</s><p>1</p></g><m><v>2</v></m></r>", {L"h", L"1", L"3", L"2"}, true);
  Expect("<r><g><s>h</s><p>1</p></g><m><v>1.0</v><a>x</a></m></r>", {L"h", L"1", L"3", L"1.0"}, false);
}

TEST_F(SettingsFile, EveryWrongShapeShowsABoxAndKeepsTheValuesReadBeforeIt) {
  Expect("<r><!-- c --><g><s>h</s><p>1</p></g><m><v>1</v></m></r>", {}, true);
  Expect("<r><g><s>h</s><p>1</p></g><!-- c --><m><v>1</v></m></r>", {}, true);
  Expect("<r></r>", {}, true);
  Expect("<r>\r\n  \r\n</r>", {}, true);
  Expect("<r><g><s>h</s><p>1</p><d>8</d></g></r>", {L"h", L"1", L"8", L"1"}, true);
  Expect("<r><g><s>h</s></g><m><v>1</v></m></r>", {L"h"}, true);
  Expect("<r><g><s>h</s><p>1</p></g><m/></r>", {L"h", L"1", L"3", L"1"}, true);
  Expect("<r><g><s>h</s><p>1</p></g><m><v></v></m></r>", {L"h", L"1", L"3", L""}, true);
  Expect("<r><g><s>h</s><p>1</p></g><m><v>bir</v></m></r>", {L"h", L"1", L"3", L"bir"}, true);
}

}  // namespace
