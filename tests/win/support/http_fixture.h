// The HTTP fixture as the Windows tests use it: its folder and addresses, files put there, and
// its request log.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "update/downloader_win.h"

// Downloads retried as a shop's are, but without the waits between attempts.
DownloadOptions QuickRetries();

// "http://127.0.0.1:<port>" of the HTTP fixture.
std::wstring HttpFixtureUrl();
// Where the HTTP fixture serves its files from (a Windows path).
std::wstring HttpFixtureRoot();
// What the HTTP fixture has logged so far: a "GET <target> <status>" line per request and an
// "END <target> <status> sent=<body bytes>" line when its response has ended (http_server.py).
std::string HttpFixtureLog();
// Whether its access log (combined format, as the common web servers write theirs) holds text,
// waiting up to 3 s for the line of a response that is ending.
bool FixtureAccessLogged(const std::string& text);

// Puts a file below the fixture's root (name may hold spaces) and returns its address.
std::wstring Serve(const std::wstring& name, const std::string& bytes);

// The folder dir below the fixture's root holding exactly these files (names may hold
// subfolders); returns its address, without a slash at its end.
std::wstring Publish(const std::wstring& dir, const std::vector<std::pair<std::wstring, std::string>>& files);

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
  // Everything logged since.
  std::string Log() const;
  // How many GET requests of exactly this target, and the body bytes the fixture sent for it.
  int Requests(const std::string& target) const;
  uint64_t BytesSent(const std::string& target) const;

 private:
  size_t start_;
};
