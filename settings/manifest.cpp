#include "settings/manifest.h"

#include <string>

#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace {

// Assigning a Null value to a text is the run-time's error 94.
constexpr int32_t kErrInvalidNull = 94;

const wchar_t* const kFileColumns[] = {L"dosya1", L"dosya2", L"dosya3", L"dosya4", L"dosya5"};

// A column of the current record as it can be shown, Null giving nothing: a line break in a
// value may not pass for one of the summary's own.
std::wstring TextOf(const RecordSet& record, const wchar_t* column) {
  return VisibleText(record.Value(column).value_or(std::wstring()));
}

std::wstring SummaryText(const RecordSet& record) {
  std::wstring text = L"Model: " + TextOf(record, L"model");
  text += L"  -->  Versiyon: " + TextOf(record, L"versiyon");
  text += L"\r\n\r\nGüncellenecek Dosyalar:\r\n";
  for (size_t k = 0; k < 5; ++k) {
    if (k > 0) text += L"  ";
    text += TextOf(record, kFileColumns[k]);
  }
  return text;
}

// Steps of a manifest with at least one record: the first one fills the manifest and the window.
void ShowFirstRecord(RecordSet& record, UpdateManifest& manifest, ManifestWindow& window) {
  record.MoveFirst();
  for (size_t k = 0; k < 5; ++k) {
    if (const FieldValue& value = record.Value(kFileColumns[k])) manifest.files[k] = *value;
  }
  const FieldValue& site = record.Value(L"versite");
  if (!site) throw AppError(kErrInvalidNull, L"Invalid use of Null: the column versite holds no value.");
  manifest.baseUrl = *site;
  // Escaped, so that no value of the row can forge a line of the log.
  const auto shown = [&](size_t k) { return VisibleText(manifest.files[k]); };
  window.LOG_YAZ(L"Database settings loaded; baseUrl=" + VisibleText(manifest.baseUrl) + L"; files=" + shown(0) +
                 L"|" + shown(1) + L"|" + shown(2) + L"|" + shown(3) + L"|" + shown(4));
  window.SetDescription(SummaryText(record));
  window.SetStartEnabled(true);
}

void ShowFailure(ManifestWindow& window, int32_t number, const std::wstring& description) {
  window.SetDescription(kManifestFailedText);
  window.SetStartEnabled(false);
  ShowMessageBox(description, std::to_wstring(number), kBoxError);
}

}  // namespace

void OVN_AYARLA(Mdlset& mdl, ManifestWindow& window) noexcept {
  try {
    if (!mdl.rsAyar) mdl.rsAyar.emplace();
    RecordSet& record = *mdl.rsAyar;
    if (record.IsOpen()) record.Close();
    if (!mdl.cnBaglanti) throw AppError(kDataErrorObjectClosed, L"The connection is closed.");
    record.Open(kManifestQuery, *mdl.cnBaglanti);
    if (record.RecordCount() > 0) {
      ShowFirstRecord(record, mdl.manifest, window);
    } else {
      window.SetDescription(kNoManifestText);
      window.SetStartEnabled(false);
    }
    mdl.cnBaglanti->Close();
  } catch (const AppError& error) {
    ShowFailure(window, error.number(), error.description());
  } catch (const std::exception&) {
    ShowFailure(window, kDataErrorGeneric, L"The manifest could not be read.");
  }
}
