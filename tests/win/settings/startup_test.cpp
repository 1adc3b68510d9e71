// Start-up from ayar.xml to the manifest with the real parser, driver and database.
#include "app/startup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "manifest_window_fake.h"
#include "platform/encoding_win.h"
#include "platform/odbc_win.h"
#include "settings/settings_file_win.h"
#include "test_support.h"

namespace {

class Startup : public testing::Test {
 protected:
  void WriteSettings(const std::wstring& server, const std::wstring& port, const std::wstring& driver) {
    WriteSettingsFile(folder_.path(), server, port, driver);
  }
  StartupEnd Start() {
    XML_AYARAL(folder_.path(), mdl_.settings);
    return ConnectAndReadManifest(mdl_, window_);
  }

  ScratchFolder folder_;
  Mdlset mdl_{CreateOdbcConnection};
  FakeManifestWindow window_;
  RecordedMessageBoxes boxes_;
};

TEST_F(Startup, TheConfiguredServerWithTheUnicodeDriverShowsTheManifest) {
  WriteSettings(L"127.0.0.1", FixtureDbPort(), L"8");
  EXPECT_EQ(Start(), StartupEnd::kShowWindow);
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_EQ(window_.description,
            L"Model: Zefra VUNO  -->  Versiyon: 9.08 Türkçe\r\n\r\nGüncellenecek Dosyalar:\r\nZefra VUNO.exe "
            L"       ");
  EXPECT_TRUE(window_.startEnabled);
  EXPECT_FALSE(mdl_.cnBaglanti->IsOpen());
}

TEST_F(Startup, NoReachableServerEndsWithTheConfiguredServerAndPortInTheMessage) {
  WriteSettings(L"127.0.0.1", L"1", L"8");
  EXPECT_EQ(Start(), StartupEnd::kEndProgram);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  const std::wstring text = boxes_.shown()[0].text;
  const std::wstring head = L"Sunucuya(127.0.0.1:1) bağlanılamadı lütfen daha sonra tekrar deneyiniz !\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
  EXPECT_GT(text.size(), head.size()) << "the driver's description follows";
  EXPECT_EQ(boxes_.shown()[0].title, L"Zefra INDIR");
  EXPECT_EQ(boxes_.shown()[0].style, kBoxPlain);
  EXPECT_TRUE(window_.log.empty());
  EXPECT_TRUE(window_.description.empty());
}

TEST_F(Startup, WithoutASettingsFileTheMessageNamesTheVendorsHost) {
  EXPECT_EQ(Start(), StartupEnd::kEndProgram);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text.rfind(L"Sunucuya(db.ovantis.com.tr:3306) bağlanılamadı", 0), 0u)
      << boxes_.shown()[0].text;
}

}  // namespace
