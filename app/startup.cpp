#include "app/startup.h"

#include <optional>

#include "platform/error.h"
#include "platform/message_box.h"
#include "settings/manifest.h"
#include "settings/number_text.h"

namespace {

constexpr int16_t kFallbackDriverVersion = 3;

// The error of a failed attempt as the final message quotes it.
std::wstring DescriptionOf(const std::exception& error) {
  if (const auto* appError = dynamic_cast<const AppError*>(&error)) return appError->description();
  return L"The database connection could not be opened.";
}

// Phase B: nothing is tried when the driver selector is not a 16-bit number.
bool FirstAttempt(Mdlset& mdl) {
  const ConnectionSettings& s = mdl.settings;
  const std::optional<int16_t> driverVersion = ToDriverSelector(s.driverVersion);
  if (!driverVersion) return false;
  try {
    mdl.BAGLANTI_AC(s.database, s.password, s.user, s.server, s.port, *driverVersion);
    return true;
  } catch (const std::exception&) {
    return false;  // silently replaced by the fallback
  }
}

}  // namespace

std::wstring StartedLogLine(std::wstring_view programFolder,
                            const std::optional<Sha256Digest>& releaseKeySha256) {
  return L"Updater started; applicationPath=" + std::wstring(programFolder) + L"; releaseKey=" +
         (releaseKeySha256 ? ReleaseKeyFingerprint(*releaseKeySha256) : std::wstring(L"none"));
}

std::wstring NoConnectionText(const std::wstring& server, const std::wstring& port,
                              const std::wstring& description) {
  return L"Sunucuya(" + server + L":" + port + L") bağlanılamadı lütfen daha sonra tekrar deneyiniz !\r\n" +
         description;
}

StartupEnd ConnectAndReadManifest(Mdlset& mdl, ManifestWindow& window) {
  if (!FirstAttempt(mdl)) {
    try {
      mdl.BAGLANTI_AC(kDefaultDatabase, kDefaultPassword, kDefaultUser, kVendorDatabaseHost, kDefaultPort,
                      kFallbackDriverVersion);
    } catch (const std::exception& error) {
      // The message names the configured server and port, not the fallback's.
      ShowMessageBox(NoConnectionText(mdl.settings.server, mdl.settings.port, DescriptionOf(error)));
      return StartupEnd::kEndProgram;
    }
  }
  OVN_AYARLA(mdl, window);
  return StartupEnd::kShowWindow;
}
