// A small Windows tool with which end-to-end tests and the demo look at, and answer, the
// windows of other programs running in the same Wine prefix.
//
//   window_probe wait  TITLE [--class C] [--timeout S]   wait until a top-level window exists
//   window_probe gone  TITLE [--timeout S]               wait until no such window is left
//   window_probe texts TITLE                             list its child controls (class|enabled|rect|text)
//   window_probe press TITLE BUTTON-TEXT                 press a child button (BM_CLICK)
//   window_probe progress TITLE [--at-least N] [--at-most M] [--timeout S]
//                                                        its progress bar's position, once between N and M
//
// TITLE matches a window whose title starts with it; "=TITLE" asks for the exact title.
// Output is UTF-8, one item per line. Exit code 0 on success, 1 on time-out or no match.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Query {
  std::wstring title;
  std::wstring windowClass;
};

bool TitleMatches(const std::wstring& title, const std::wstring& wanted) {
  if (!wanted.empty() && wanted[0] == L'=') return title == wanted.substr(1);
  return title.compare(0, wanted.size(), wanted) == 0;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

struct Search {
  const Query* query;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window) || !TitleMatches(TextOf(window), search->query->title)) return TRUE;
  if (!search->query->windowClass.empty() && ClassOf(window) != search->query->windowClass) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevel(const Query& query) {
  Search search{&query, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PrintUtf8(const std::wstring& line) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  std::printf("%s\n", bytes.c_str());
  std::fflush(stdout);
}

HWND WaitFor(const Query& query, double seconds) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (HWND window = FindTopLevel(query)) return window;
    if (GetTickCount64() > deadline) return nullptr;
    Sleep(100);
  }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// Line breaks and backslashes of a text escaped as \r, \n and \\, so that every item stays on one line.
std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\\') {
      out += L"\\\\";
    } else if (c == L'\r') {
      out += L"\\r";
    } else if (c == L'\n') {
      out += L"\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// class|enabled|left,top,width,height|text - the text last, since it may hold anything.
std::wstring Describe(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return ClassOf(window) + L"|" + (IsWindowEnabled(window) ? L"enabled" : L"disabled") + L"|" +
         std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
         std::to_wstring(rect.right - rect.left) + L"," + std::to_wstring(rect.bottom - rect.top) + L"|" +
         Escaped(TextOf(window));
}

// The button text without its access-key ampersand, so "&OK" and "OK" both match "OK".
std::wstring WithoutAmpersand(std::wstring text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'&') out += c;
  }
  return out;
}

// Polls the first progress bar of the window until it shows a value in the wanted range; prints
// the value it last read. The window answers only between its own steps, so each read may wait.
int WaitForProgress(HWND window, int atLeast, int atMost, double seconds) {
  HWND bar = nullptr;
  for (HWND child : Children(window)) {
    if (!bar && ClassOf(child) == PROGRESS_CLASSW) bar = child;
  }
  if (!bar) return 1;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    DWORD_PTR value = 0;
    const bool read = SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &value) != 0;
    if (read && static_cast<int>(value) >= atLeast && static_cast<int>(value) <= atMost) {
      PrintUtf8(std::to_wstring(value));
      return 0;
    }
    if (GetTickCount64() > deadline) {
      PrintUtf8(read ? std::to_wstring(value) : L"-");
      return 1;
    }
    Sleep(20);
  }
}

int Run(const std::vector<std::wstring>& args) {
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: window_probe wait|gone|texts|press|progress TITLE [...]\n");
    return 2;
  }
  const std::wstring& command = args[0];
  Query query{args[1], L""};
  double timeout = 30;
  int atLeast = 0;
  int atMost = 100;
  std::vector<std::wstring> rest;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == L"--class" && i + 1 < args.size()) {
      query.windowClass = args[++i];
    } else if (args[i] == L"--timeout" && i + 1 < args.size()) {
      timeout = _wtof(args[++i].c_str());
    } else if (args[i] == L"--at-least" && i + 1 < args.size()) {
      atLeast = _wtoi(args[++i].c_str());
    } else if (args[i] == L"--at-most" && i + 1 < args.size()) {
      atMost = _wtoi(args[++i].c_str());
    } else {
      rest.push_back(args[i]);
    }
  }

  if (command == L"gone") {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout * 1000);
    while (FindTopLevel(query)) {
      if (GetTickCount64() > deadline) return 1;
      Sleep(100);
    }
    return 0;
  }
  HWND window = WaitFor(query, timeout);
  if (!window) return 1;
  if (command == L"wait") {
    PrintUtf8(Describe(window));
    return 0;
  }
  if (command == L"texts") {
    PrintUtf8(Describe(window));
    for (HWND child : Children(window)) PrintUtf8(Describe(child));
    return 0;
  }
  if (command == L"progress") return WaitForProgress(window, atLeast, atMost, timeout);
  if (command == L"press" && !rest.empty()) {
    for (HWND child : Children(window)) {
      if (ClassOf(child) == L"Button" && WithoutAmpersand(TextOf(child)) == WithoutAmpersand(rest[0])) {
        PostMessageW(child, BM_CLICK, 0, 0);
        return 0;
      }
    }
    return 1;
  }
  std::fprintf(stderr, "window_probe: unknown command\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  return Run(args);
}
