// OVN_AYARLA: the update manifest read from the vendor's table and shown in the window.
#pragma once

#include "settings/manifest_window.h"
#include "settings/mdlset.h"

inline constexpr wchar_t kManifestQuery[] = L"SELECT * FROM ovantis.tblayar";
inline constexpr wchar_t kNoManifestText[] = L"Veri tabanından güncellenecek dosyaların listesi alınamadı !";
inline constexpr wchar_t kManifestFailedText[] = L"Dosya bilgisi alınamadı !";

// Reads the first record of the manifest table over the open cnBaglanti into mdl.manifest, logs
// it, shows it in the window and enables the start button; then closes the connection. A failure
// is shown in the window and in an error box, keeps what was read and leaves the connection as
// it was. Never raises.
void OVN_AYARLA(Mdlset& mdl, ManifestWindow& window) noexcept;
