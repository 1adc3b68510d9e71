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

// Waits for the process while the thread's messages are handled; WM_QUIT is put back for the
// caller's own loop.
DWORD WaitPumping(HANDLE process) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) break;
    if (woken == WAIT_FAILED) return WAIT_FAILED;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        WaitForSingleObject(process, INFINITE);
        PostQuitMessage(static_cast<int>(msg.wParam));
        return WAIT_OBJECT_0;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return WAIT_OBJECT_0;
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
                                  const ElevatedPlacingRequest& request) {
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
  if (WaitPumping(process.get()) == WAIT_FAILED) return LastErrorInfo();
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.get(), &exitCode)) return LastErrorInfo();
  return static_cast<uint32_t>(exitCode);
}
