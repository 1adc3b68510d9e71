#include "install/elevated_placing_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include "platform/invariant_case_win.h"
#include "platform/path.h"
#include "platform/scoped_win.h"
#include "platform/text.h"
#include "platform/win_error_win.h"
#include "trust/cng_win.h"

namespace {

std::wstring LocalAppDataFolder() {
  PWSTR path = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &path);
  std::wstring folder = SUCCEEDED(hr) ? path : L"";
  CoTaskMemFree(path);
  if (FAILED(hr)) throw AppError(ErrorInfoFromCode(static_cast<DWORD>(hr)));
  return folder;
}

// Waits for the process, giving the window its turn whenever a message comes.
bool WaitPumping(HANDLE process, const std::function<void()>& pump) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken == WAIT_FAILED) return false;
    pump();
  }
}

}  // namespace

std::wstring UserStagingFolder(const std::wstring& programFolder) {
  // Upper-cased as Windows compares file names, so "c:\zefra" and "C:\Zefra" share one folder.
  const Sha256Digest digest = Sha256Of(EncodeUtf8(InvariantUpper(programFolder)));
  const std::wstring folder = StagingFolder(LocalAppDataFolder(), StagingIdentity(digest));
  for (const std::wstring& path : {FolderOf(folder), folder}) {
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ThrowLastError();
  }
  return folder;
}

PlacingCopyOutcome RunPlacingCopy(HWND owner, const std::wstring& updaterPath,
                                  const ElevatedPlacingRequest& request, const std::function<void()>& pump) {
  const std::wstring parameters = FormatElevatedCommandLine(request);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = updaterPath.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = request.programFolder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return LastErrorInfo();
  if (!info.hProcess) return ErrorInfoFromCode(ERROR_INVALID_HANDLE);
  const UniqueHandle process(info.hProcess);
  if (!WaitPumping(process.get(), pump)) return LastErrorInfo();
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.get(), &exitCode)) return LastErrorInfo();
  return static_cast<uint32_t>(exitCode);
}
