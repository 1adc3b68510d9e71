// A stand-in for the main application in tests and the demo: one or two top-level windows
// with a title from the command line, so that closing running copies has something to end.
//   standin_app.exe --title TEXT [--hidden] [--two-windows] [--record PATH] [--version TEXT]
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
  const Options options = ParseOptions();
  if (!options.recordPath.empty()) RecordStart(options.recordPath);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"ZefraStandIn";
  if (!RegisterClassW(&windowClass)) return 1;

  const std::wstring text = options.version.empty() ? options.title : options.title + L" " + options.version;
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
