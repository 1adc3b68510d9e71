#include "http_fixture.h"

#include <windows.h>

#include "test_support.h"

namespace {

// A request line as the fixture logs it: more fields may follow the status.
bool HasRequestLine(const std::string& log, const std::string& target, int status, size_t from) {
  const std::string line = "GET " + target + " " + std::to_string(status);
  for (size_t at = log.find(line, from); at != std::string::npos; at = log.find(line, at + 1)) {
    const bool lineStart = at == 0 || log[at - 1] == '\n';
    const size_t end = at + line.size();
    if (lineStart && end < log.size() && (log[end] == '\n' || log[end] == ' ')) return true;
  }
  return false;
}

}  // namespace

DownloadOptions QuickRetries() {
  DownloadOptions options;
  options.retry.firstBackoffMs = 10;
  options.retry.longestBackoffMs = 40;
  return options;
}

std::wstring HttpFixtureUrl() { return L"http://127.0.0.1:" + TestEnv(L"ZEFRA_TEST_HTTP_PORT"); }

std::wstring HttpFixtureRoot() { return TestEnv(L"ZEFRA_TEST_HTTP_ROOT_WIN"); }

std::string HttpFixtureLog() {
  const std::wstring log = TestEnv(L"ZEFRA_TEST_HTTP_LOG_WIN");
  return FileExists(log) ? ReadBytes(log) : std::string();
}

bool FixtureAccessLogged(const std::string& text) {
  const std::wstring log = TestEnv(L"ZEFRA_TEST_HTTP_ACCESS_LOG_WIN");
  for (int tries = 0; tries < 30; ++tries, Sleep(100)) {
    if (FileExists(log) && ReadBytes(log).find(text) != std::string::npos) return true;
  }
  return false;
}

std::wstring Serve(const std::wstring& name, const std::string& bytes) {
  WriteBytes(HttpFixtureRoot() + L"\\" + name, bytes);
  return FixtureAddress(name);
}

std::wstring Publish(const std::wstring& dir,
                     const std::vector<std::pair<std::wstring, std::string>>& files) {
  const std::wstring root = HttpFixtureRoot() + L"\\" + dir;
  RemoveTree(root);
  CreateDirectoryW(root.c_str(), nullptr);
  for (const auto& [name, bytes] : files) {
    for (size_t at = name.find(L'\\'); at != std::wstring::npos; at = name.find(L'\\', at + 1)) {
      CreateDirectoryW((root + L"\\" + name.substr(0, at)).c_str(), nullptr);
    }
    WriteBytes(root + L"\\" + name, bytes);
  }
  return HttpFixtureUrl() + L"/" + dir;
}

std::wstring FixtureAddress(const std::wstring& pathAndQuery) {
  return HttpFixtureUrl() + L"/" + pathAndQuery;
}

std::wstring SecureFixtureAddress(const wchar_t* portVariable, const std::wstring& pathAndQuery) {
  // Wine's WinHTTP matches only DNS names in a certificate, never an address.
  return L"https://localhost:" + TestEnv(portVariable) + L"/" + pathAndQuery;
}

bool FixtureReceived(const std::string& target, int status) {
  return HasRequestLine(HttpFixtureLog(), target, status, 0);
}

FixtureRequestsFromNow::FixtureRequestsFromNow() : start_(HttpFixtureLog().size()) {}

bool FixtureRequestsFromNow::Received(const std::string& target, int status) const {
  return HasRequestLine(HttpFixtureLog(), target, status, start_);
}

int FixtureRequestsFromNow::Requests(const std::string& target) const {
  const std::string log = Log();
  int count = 0;
  for (size_t at = 0; (at = log.find("GET " + target + " ", at)) != std::string::npos; ++at) {
    count += at == 0 || log[at - 1] == '\n';
  }
  return count;
}

uint64_t FixtureRequestsFromNow::BytesSent(const std::string& target) const {
  const std::string log = Log();
  const std::string line = "END " + target + " ";
  uint64_t sent = 0;
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
    const size_t field = log.find(" sent=", at);
    if (field != std::string::npos) sent += std::stoull(log.substr(field + 6));
  }
  return sent;
}

std::string FixtureRequestsFromNow::Log() const {
  const std::string log = HttpFixtureLog();
  return log.size() > start_ ? log.substr(start_) : std::string();
}
