#include "update_test_support.h"

#include <windows.h>

#include "platform/encoding_win.h"

std::wstring Serve(const std::wstring& name, const std::string& bytes) {
  WriteBytes(HttpFixtureRoot() + L"\\" + name, bytes);
  return FixtureAddress(name);
}

std::wstring FixtureAddress(const std::wstring& pathAndQuery) {
  return HttpFixtureUrl() + L"/" + pathAndQuery;
}

std::wstring SecureFixtureAddress(const wchar_t* portVariable, const std::wstring& pathAndQuery) {
  // Wine's WinHTTP matches only DNS names in a certificate, never an address.
  return L"https://localhost:" + TestEnv(portVariable) + L"/" + pathAndQuery;
}

bool FixtureReceived(const std::string& target, int status) {
  const std::string log = ReadBytes(TestEnv(L"ZEFRA_TEST_HTTP_LOG_WIN"));
  return log.find("GET " + target + " " + std::to_string(status) + "\n") != std::string::npos;
}

FixtureRequestsFromNow::FixtureRequestsFromNow() : start_(HttpFixtureLog().size()) {}

bool FixtureRequestsFromNow::Received(const std::string& target, int status) const {
  const std::string log = HttpFixtureLog();
  const std::string line = "GET " + target + " " + std::to_string(status) + "\n";
  return log.size() > start_ && log.find(line, start_) != std::string::npos;
}

std::string PatternBytes(size_t size, const char* head) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  for (size_t i = 0; head[i] != '\0' && i < size; ++i) bytes[i] = head[i];
  return bytes;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::map<std::wstring, std::string> FolderContents(const std::wstring& folder) {
  std::map<std::wstring, std::string> contents;
  std::vector<std::wstring> pending{L""};
  while (!pending.empty()) {
    const std::wstring relative = pending.back();
    pending.pop_back();
    const std::wstring base = relative.empty() ? folder : folder + L"\\" + relative;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((base + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        pending.push_back(path);
        contents[path + L"\\"] = "";
      } else {
        contents[path] = ReadBytes(folder + L"\\" + path);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return contents;
}
