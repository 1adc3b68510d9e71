// Which way a request goes out: the user's proxy settings in the order a browser tries them, and
// the run's choice once one of them has brought a response.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diag/logger.h"
#include "net/response.h"
#include "platform/error.h"

enum class ProxyWay {
  kScript,   // the automatic configuration script the user named
  kDetect,   // automatic detection (WPAD), which finds such a script
  kNamed,    // the proxy the user named, with its bypass list
  kMachine,  // the machine-wide WinHTTP proxy
  kDirect,
  kSystem,  // the user's settings could not be read: the system's default, as ever
};

// The user's settings as the browser reads them, and the machine-wide WinHTTP proxy.
struct ProxySettings {
  bool autoDetect = false;
  std::wstring script;  // the configuration script's URL
  std::wstring proxy;   // "host:port" or "http=host:port;https=host:port"
  std::wstring bypass;
  std::wstring machineProxy;
  std::wstring machineBypass;
};

struct ProxyRoute {
  ProxyWay way = ProxyWay::kDirect;
  std::wstring script;  // kScript; kDetect once detection found one
  std::wstring proxy;   // kNamed, kMachine
  std::wstring bypass;
};

// The routes in the order they are tried; none readable: the system's default alone.
std::vector<ProxyRoute> ProxyRoutes(const std::optional<ProxySettings>& settings);

// The text with every "user:password@" of a URL or proxy list left out, for the log.
std::wstring WithoutCredentials(std::wstring_view text);

// "via=script; script=http://...; proxy=host:port", without credentials. proxy: where the
// script or detection sent this request ("" for a direct connection).
std::wstring ProxyRouteText(const ProxyRoute& route, std::wstring_view proxy);

// No proxy could be had on this route: detection or the configuration script failed.
class ProxyNotFound : public AppError {
 public:
  using AppError::AppError;
};

class ProxyChoice {
 public:
  explicit ProxyChoice(std::vector<ProxyRoute> routes) : routes_(std::move(routes)) {}

  // What a request tries, in order: the chosen route alone once one has answered.
  std::vector<ProxyRoute> Candidates() const;
  // A response came through the route: the rest of the run uses it. True the first time.
  bool Answered(const ProxyRoute& route);
  // Detection or the script failed: neither is waited for again in this run.
  void NotFound(ProxyWay way);
  // Detection found this script: later requests use it without detecting again.
  void Detected(const std::wstring& script);

 private:
  std::vector<ProxyRoute> routes_;
  std::optional<ProxyRoute> chosen_;
};

// What one try through a route found out besides the response.
struct ProxyTry {
  std::wstring detected;  // the script detection found
  std::wstring proxy;     // where the request went ("" direct)
};
// Sends through the route, filling what it found; throws ProxyNotFound, AppError, or what the
// attempt throws (a cancel).
using ProxySend = std::function<ResponseHead(const ProxyRoute& route, ProxyTry& found)>;

// Sends through each candidate until one brings a response (any status), which then is the
// run's. When none does, rethrows the first failure of a route that had a way out, else the last.
ResponseHead SendThroughProxies(ProxyChoice& choice, const ProxySend& send, Logger* log);

// Windows 7 and Server 2008 R2 (6.1) offer only TLS 1.0 unless asked, which servers that require
// TLS 1.2 refuse; every later version offers 1.2 by default and keeps its own choice.
bool AsksForTls12(unsigned major, unsigned minor);
