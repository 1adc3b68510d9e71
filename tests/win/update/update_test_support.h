// Shared by the update engine's Windows tests: a log that records its lines, files served by
// the HTTP fixture and the fixture's request log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "diag/logger.h"
#include "test_support.h"

class RecordingLog : public Logger {
 public:
  void LOG_YAZ(std::wstring_view message) override { lines.emplace_back(message); }
  std::vector<std::wstring> lines;
};

// Puts a file below the fixture's root (name may hold spaces) and returns its address.
std::wstring Serve(const std::wstring& name, const std::string& bytes);

// The fixture's address + "/" + pathAndQuery, exactly as given.
std::wstring FixtureAddress(const std::wstring& pathAndQuery);

// The same folder over TLS: "https://localhost:" + the port named by portVariable + "/" +
// pathAndQuery. ZEFRA_TEST_HTTPS_PORT has a certificate that the test prefixes trust; the
// ..._UNKNOWN_AUTHORITY_PORT, ..._OTHER_HOST_PORT and ..._EXPIRED_PORT ones must be refused.
std::wstring SecureFixtureAddress(const wchar_t* portVariable, const std::wstring& pathAndQuery);

// True when the fixture (plain or TLS) logged a GET of exactly this target (as sent on the wire)
// with this status.
bool FixtureReceived(const std::string& target, int status);

// The fixture's requests from its construction on, so that a check that something was never
// requested cannot be spoiled by an earlier run against the same fixture.
class FixtureRequestsFromNow {
 public:
  FixtureRequestsFromNow();
  bool Received(const std::string& target, int status) const;

 private:
  size_t start_;
};

// Bytes 0 to 255 over and over, so that a shifted or dropped piece shows.
std::string PatternBytes(size_t size, const char* head = "MZ");

// Wine's ntdll carries an export that Windows' does not.
bool RunningUnderWine();

// Every file below folder with its bytes, by its path relative to folder.
std::map<std::wstring, std::string> FolderContents(const std::wstring& folder);
