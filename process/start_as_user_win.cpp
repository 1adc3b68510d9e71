#include "process/start_as_user_win.h"

#include <windows.h>
// After windows.h, which they need.
#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

// The desktop window's view, through the shell's list of its windows.
ComPtr<IShellView> DesktopView() {
  ComPtr<IShellWindows> windows;
  CheckHresult(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void()));
  ScopedVariant location, root;
  location.get()->vt = VT_I4;
  location.get()->lVal = CSIDL_DESKTOP;
  long desktopWindow = 0;
  ComPtr<IDispatch> dispatch;
  const HRESULT found = windows->FindWindowSW(location.get(), root.get(), SWC_DESKTOP, &desktopWindow,
                                              SWFO_NEEDDISPATCH, dispatch.put());
  // S_FALSE: no desktop window (no shell running).
  if (found != S_OK || !dispatch) throw AppError(ErrorInfoFromCode(ERROR_NOT_FOUND));
  ComPtr<IServiceProvider> services;
  CheckHresult(dispatch->QueryInterface(IID_IServiceProvider, services.put_void()));
  ComPtr<IShellBrowser> browser;
  CheckHresult(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void()));
  ComPtr<IShellView> view;
  CheckHresult(browser->QueryActiveShellView(view.put()));
  return view;
}

// The shell's automation object of the desktop, which starts programs in the shell's process.
ComPtr<IShellDispatch2> DesktopShell() {
  ComPtr<IDispatch> background;
  CheckHresult(DesktopView()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void()));
  ComPtr<IShellFolderViewDual> folderView;
  CheckHresult(background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void()));
  ComPtr<IDispatch> application;
  CheckHresult(folderView->get_Application(application.put()));
  ComPtr<IShellDispatch2> shell;
  CheckHresult(application->QueryInterface(IID_IShellDispatch2, shell.put_void()));
  return shell;
}

BSTR NewBstr(const std::wstring& text) {
  BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!value) throw AppError(ErrorInfoFromCode(ERROR_OUTOFMEMORY));
  return value;
}

}  // namespace

bool RunsElevated() noexcept {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueHandle owner(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

void StartThroughDesktopShell(const std::wstring& path, const std::wstring& folder) {
  // The window's thread has COM already; any other caller gets it for this call.
  const ScopedCoInit com;
  const ComPtr<IShellDispatch2> shell = DesktopShell();
  const UniqueBstr file(NewBstr(path));
  ScopedVariant arguments, directory, verb, show;
  directory.get()->vt = VT_BSTR;
  directory.get()->bstrVal = NewBstr(folder);
  show.get()->vt = VT_I4;
  show.get()->lVal = SW_SHOWNORMAL;
  CheckHresult(shell->ShellExecute(file.get(), *arguments.get(), *directory.get(), *verb.get(), *show.get()));
}
