// Reading the settings by position, over a parser stand-in: the rules and every failure.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "fake_database.h"

namespace {

struct FakeNode : XmlNode {
  Kind nodeKind;
  std::wstring text;
  std::vector<FakeNode> children;

  FakeNode(Kind k, std::wstring t, std::vector<FakeNode> c = {})
      : nodeKind(k), text(std::move(t)), children(std::move(c)) {}
  Kind kind() const override { return nodeKind; }
  std::wstring Text() const override {
    if (nodeKind != Kind::kElement) return text;
    std::wstring all;
    for (const auto& child : children) all += child.nodeKind == Kind::kOther ? L"" : child.Text();
    return all;
  }
  std::vector<std::unique_ptr<XmlNode>> ChildNodes() const override {
    std::vector<std::unique_ptr<XmlNode>> copies;
    for (const auto& child : children) copies.push_back(std::make_unique<FakeNode>(child));
    return copies;
  }
};

FakeNode El(std::vector<FakeNode> children) {
  return FakeNode(XmlNode::Kind::kElement, L"", std::move(children));
}
FakeNode Val(const wchar_t* text) { return El({FakeNode(XmlNode::Kind::kText, text)}); }
FakeNode Text(const wchar_t* text) { return FakeNode(XmlNode::Kind::kText, text); }
FakeNode Comment(const wchar_t* text) { return FakeNode(XmlNode::Kind::kOther, text); }

class FakeLoader : public XmlLoader {
 public:
  std::optional<FakeNode> root;
  bool unavailable = false;
  std::wstring path;
  std::unique_ptr<XmlNode> LoadRoot(const std::wstring& p) override {
    path = p;
    if (unavailable) throw AppError(-2147221005, L"Invalid class string");
    return root ? std::make_unique<FakeNode>(*root) : nullptr;
  }
};

struct Expected {
  std::wstring server = L"db.ovantis.com.tr", port = L"3306", driver = L"3", mode = L"1";
  std::array<std::wstring, 6> extra{};
};

void Read(FakeLoader& loader, const Expected& expected, bool box) {
  RecordedMessageBoxes boxes;
  ConnectionSettings settings;
  settings.server = L"left over";
  XML_AYARAL(L"C:\\prog", settings, loader);
  EXPECT_EQ(loader.path, L"C:\\prog\\ayar.xml");
  EXPECT_EQ(settings.server, expected.server);
  EXPECT_EQ(settings.port, expected.port);
  EXPECT_EQ(settings.driverVersion, expected.driver);
  EXPECT_EQ(settings.mode, expected.mode);
  EXPECT_EQ(settings.extraValues, expected.extra);
  EXPECT_EQ(settings.database, L"ovantis");
  EXPECT_EQ(settings.user, L"ovn");
  EXPECT_EQ(settings.password, L"***kvp***");
  ASSERT_EQ(boxes.shown().size(), box ? 1u : 0u);
  if (box) {
    EXPECT_EQ(boxes.shown()[0].title, L"Zefra INDIR");
    EXPECT_EQ(boxes.shown()[0].style, kBoxPlain);
    EXPECT_FALSE(boxes.shown()[0].text.empty());
  }
}

TEST(SettingsFile, MissingFileAndUnavailableParserLeaveTheDefaults) {
  FakeLoader loader;
  Read(loader, {}, false);
  loader.unavailable = true;
  Read(loader, {}, true);
}

TEST(SettingsFile, ReadsByPositionSkippingWhiteSpaceButCountingOtherNodes) {
  FakeLoader loader;
  loader.root =
      El({Text(L"\n  "), El({Text(L"\n\t"), Val(L" host "), Val(L"3307"), Val(L"8"), Val(L"ignored")}),
          Text(L"\r\n"), El({Val(L"1"), Val(L"ignored")}), Comment(L"after the groups")});
  Read(loader, {L"host", L"3307", L"8", L"1"}, false);

  // A comment first in group 1 becomes the server and shifts the rest along.
  loader.root = El({El({Comment(L"note"), Val(L"host"), Val(L"3307")}), El({Val(L"1")})});
  Read(loader, {L"note", L"host", L"3307", L"1"}, false);

  // Text that is not white space counts as a node.
  loader.root = El({El({Text(L"loose"), Val(L"host")}), El({Val(L"1")})});
  Read(loader, {L"loose", L"host", L"3", L"1"}, false);
}

TEST(SettingsFile, ModeTwoReadsSixExtraValues) {
  FakeLoader loader;
  loader.root =
      El({El({Val(L"h"), Val(L"1")}),
          El({Val(L"2"), Val(L"a"), Val(L"b"), Val(L"c"), Val(L"d"), Val(L"e"), Val(L"f"), Val(L"g")})});
  Read(loader, {L"h", L"1", L"3", L"2", {L"a", L"b", L"c", L"d", L"e", L"f"}}, false);

  loader.root = El({El({Val(L"h"), Val(L"1")}), El({Val(L"2"), Val(L"a"), Val(L"b")})});
  Read(loader, {L"h", L"1", L"3", L"2", {L"a", L"b"}}, true);
}

TEST(SettingsFile, EveryMalformedShapeShowsABoxAndKeepsWhatWasRead) {
  FakeLoader loader;
  const FakeNode group1 = El({Val(L"h"), Val(L"1"), Val(L"8")});
  loader.root = El({Comment(L"c"), group1, El({Val(L"1")})});
  Read(loader, {}, true);
  loader.root = El({group1, Comment(L"c"), El({Val(L"1")})});
  Read(loader, {}, true);
  loader.root = El({});
  Read(loader, {}, true);
  loader.root = El({group1});
  Read(loader, {L"h", L"1", L"8", L"1"}, true);
  loader.root = El({El({Val(L"h")}), El({Val(L"1")})});
  Read(loader, {L"h"}, true);
  loader.root = El({group1, El({})});
  Read(loader, {L"h", L"1", L"8", L"1"}, true);
  loader.root = El({group1, El({Val(L"")})});
  Read(loader, {L"h", L"1", L"8", L""}, true);
  loader.root = El({group1, El({Val(L"iki")})});
  Read(loader, {L"h", L"1", L"8", L"iki"}, true);
}

}  // namespace
