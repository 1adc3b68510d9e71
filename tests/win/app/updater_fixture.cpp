#include "updater_fixture.h"

#include <commctrl.h>

#include "diag/log_line.h"
#include "platform/encoding_win.h"

namespace {

constexpr UINT_PTR kStatusRecorderId = 7;
constexpr UINT_PTR kBarRecorderId = 8;

// Sees every text that lbldurum is given, before the window's own handling.
LRESULT CALLBACK RecordStatus(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
  if (message == WM_SETTEXT && lParam != 0) {
    reinterpret_cast<std::vector<std::wstring>*>(data)->emplace_back(
        reinterpret_cast<const wchar_t*>(lParam));
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(label, RecordStatus, kStatusRecorderId);
  return DefSubclassProc(label, message, wParam, lParam);
}

// Sees every value that ProgressBar1 is given, with the file name that lblad shows meanwhile.
LRESULT CALLBACK RecordBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == PBM_SETPOS) {
    auto* log = reinterpret_cast<BarLog*>(data);
    wchar_t file[260] = {};
    GetWindowTextW(log->fileName, file, 260);
    log->values.push_back({file, static_cast<int>(wParam), GetTickCount64()});
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(bar, RecordBar, kBarRecorderId);
  return DefSubclassProc(bar, message, wParam, lParam);
}

std::wstring SqlText(const std::wstring& value) { return L"'" + value + L"'"; }

}  // namespace

UpdaterTest::UpdaterTest() { WriteSettings(L"127.0.0.1", TestEnv(L"ZEFRA_TEST_DB_PORT")); }

UpdaterTest::~UpdaterTest() {
  window_.reset();
  RestoreStandardManifest();
}

void UpdaterTest::WriteSettings(const std::wstring& server, const std::wstring& port) {
  WriteSettingsFile(folder_.path(), server, port);
}

void UpdaterTest::SetManifest(const std::array<std::wstring, 5>& files, const std::wstring& site) {
  std::wstring sql = L"UPDATE ovantis.tblayar SET versite = " + SqlText(site);
  for (size_t k = 0; k < files.size(); ++k)
    sql += L", dosya" + std::to_wstring(k + 1) + L" = " + SqlText(files[k]);
  ExecuteSql(sql);
}

UpdaterWindow& UpdaterTest::Load(std::optional<std::string> releaseKey) {
  UpdaterParts parts;
  parts.services = &services_;
  parts.releaseKey = std::move(releaseKey);
  parts.terminateTask = [this](const std::wstring& name, const std::wstring& programFile) {
    terminated_.push_back(name);
    terminatedFiles_.push_back(programFile);
    return true;
  };
  services_.SetTerminateTask(parts.terminateTask);
  window_ =
      std::make_unique<UpdaterWindow>(GetModuleHandleW(nullptr), folder_.path(), log_, std::move(parts), 96);
  window_->SetEndProgram([this] { ++endRequests_; });
  SetWindowSubclass(window_->Control(ControlId::lbldurum), RecordStatus, kStatusRecorderId,
                    reinterpret_cast<DWORD_PTR>(&statuses_));
  bar_.fileName = window_->Control(ControlId::lblad);
  SetWindowSubclass(window_->Control(ControlId::ProgressBar1), RecordBar, kBarRecorderId,
                    reinterpret_cast<DWORD_PTR>(&bar_));
  window_->Form_Load();
  return *window_;
}

void UpdaterTest::Press(ControlId button) { SendMessageW(window_->Control(button), BM_CLICK, 0, 0); }

bool UpdaterTest::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    PumpFor(20);
  }
  return true;
}

std::vector<BarValue> UpdaterTest::BarValuesFor(const std::wstring& file) const {
  std::vector<BarValue> values;
  for (const BarValue& value : bar_.values) {
    if (value.file == file) values.push_back(value);
  }
  return values;
}

std::vector<std::wstring> UpdaterTest::LogMessages() const {
  return LogMessagesOf(LogFilePath(folder_.path()));
}

testing::AssertionResult InOrder(const std::vector<std::wstring>& messages,
                                 const std::vector<std::wstring>& prefixes) {
  size_t next = 0;
  for (const std::wstring& prefix : prefixes) {
    while (next < messages.size() && messages[next].rfind(prefix, 0) != 0) ++next;
    if (next == messages.size()) {
      return testing::AssertionFailure()
             << "no \"" << ToUtf8(prefix) << "\" in its place among " << messages.size() << " log lines";
    }
    ++next;
  }
  return testing::AssertionSuccess();
}

int CountOf(const std::vector<std::wstring>& messages, const std::wstring& prefix) {
  int count = 0;
  for (const std::wstring& message : messages) count += message.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}
