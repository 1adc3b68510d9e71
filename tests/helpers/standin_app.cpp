// A stand-in for the main application in tests and the demo: one or two top-level windows
// with a title from the command line, so that closing running copies has something to end.
//   standin_app.exe --title TEXT [--hidden] [--two-windows] [--record PATH] [--version TEXT]
// Started without arguments, as the updater starts the main application, it shows the version
// written at the end of its own file ("\0ZEFRA-STANDIN-VERSION=9.09\0"), in its title too, so
// an old and a new copy tell themselves apart.
#include <windows.h>
// After windows.h, whose types it needs.
#include <shellapi.h>

#include <string>

namespace {

struct Options {
  std::wstring title = L"Zefra VUNO";
  std::wstring version;
  std::wstring recordPath;
  bool hidden = false;
  bool twoWindows = false;
};

Options ParseOptions() {
  Options options;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return options;
  for (int i = 1; i < count; ++i) {
    const std::wstring arg = args[i];
    const bool hasValue = i + 1 < count;
    if (arg == L"--title" && hasValue) {
      options.title = args[++i];
    } else if (arg == L"--version" && hasValue) {
      options.version = args[++i];
    } else if (arg == L"--record" && hasValue) {
      options.recordPath = args[++i];
    } else if (arg == L"--hidden") {
      options.hidden = true;
    } else if (arg == L"--two-windows") {
      options.twoWindows = true;
    }
  }
  LocalFree(args);
  return options;
}

// The version text that a test or the demo appended to this executable, if any.
std::wstring VersionFromOwnFile() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  char tail[128] = {};
  DWORD got = 0;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  const LONGLONG start = size.QuadPart > 127 ? size.QuadPart - 127 : 0;
  SetFilePointerEx(file, LARGE_INTEGER{{static_cast<DWORD>(start), static_cast<LONG>(start >> 32)}}, nullptr,
                   FILE_BEGIN);
  ReadFile(file, tail, 127, &got, nullptr);
  CloseHandle(file);
  const std::string text(tail, got);
  const std::string marker = std::string(1, '\0') + "ZEFRA-STANDIN-VERSION=";
  const size_t at = text.rfind(marker);
  if (at == std::string::npos) return {};
  const std::string version = text.substr(at + marker.size(), text.find('\0', at + marker.size()) -
                                                                  (at + marker.size()));
  return std::wstring(version.begin(), version.end());
}

// Appends "<pid> <command line>" in UTF-8, so a test can tell that (and how) it was started.
void RecordStart(const std::wstring& path) {
  const std::wstring line = std::to_wstring(GetCurrentProcessId()) + L" " + GetCommandLineW() + L"\r\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size, nullptr,
                        nullptr);
  }
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

int openWindows = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && --openWindows == 0) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance, const std::wstring& title, const std::wstring& text, bool hidden) {
  HWND window = CreateWindowExW(0, L"ZefraStandIn", title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 360, 160, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  ++openWindows;
  CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 16, 16, 320, 24, window, nullptr,
                  instance, nullptr);
  if (!hidden) ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Options options = ParseOptions();
  if (options.version.empty()) {
    options.version = VersionFromOwnFile();
    if (!options.version.empty()) options.title += L" " + options.version;
  }
  if (!options.recordPath.empty()) RecordStart(options.recordPath);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"ZefraStandIn";
  if (!RegisterClassW(&windowClass)) return 1;

  // A version read from the file is already in the title; one from the command line is shown beside it.
  const std::wstring text =
      options.version.empty() || options.title.ends_with(options.version) ? options.title
                                                                           : options.title + L" " + options.version;
  if (!CreateMainWindow(instance, options.title, text, options.hidden)) return 1;
  if (options.twoWindows && !CreateMainWindow(instance, options.title + L" (2)", text, options.hidden))
    return 1;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
