// How the run's requests go out on Windows: the user's proxy settings, read at the run's start,
// the way that answered first, and the secure protocols asked for on Windows 7.
#pragma once

#include <optional>
#include <string>

#include "diag/logger.h"
#include "net/http_request_win.h"
#include "net/proxy_choice.h"

class RunNetwork {
 public:
  // Reads the user's and the machine's proxy settings and the real Windows version.
  RunNetwork();

  ProxyChoice& proxies() { return proxies_; }
  bool asksForTls12() const { return tls12_; }
  // Windows 7 without its TLS 1.2 update refuses the protocols: the request goes on with the
  // system's own, and the log says so once a run.
  void ProtocolsRefused(const ErrorInfo& error, Logger* log);

 private:
  ProxyChoice proxies_;
  bool tls12_;
  bool refusalLogged_ = false;
};

// What the browser's settings say, and the machine-wide WinHTTP proxy; none when the user's
// settings cannot be read.
std::optional<ProxySettings> ReadProxySettings();

// The session a request for address goes out with on the route. Detection and the script run
// here, each within a few seconds, and throw ProxyNotFound: call it off the window's thread.
SessionSetup SessionFor(const ProxyRoute& route, const std::wstring& address, bool tls12, ProxyTry& found);
