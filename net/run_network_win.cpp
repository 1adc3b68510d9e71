#include "net/run_network_win.h"

#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <utility>

#include "platform/win_error_win.h"
#include "platform/worker_win.h"

namespace {

// Detection asks DHCP and DNS, which on a network without it may take long to say so.
constexpr DWORD kDetectLimitMs = 5000;
constexpr DWORD kScriptLimitMs = 15000;

// A text WinHTTP allocated, taken over and freed.
std::wstring TakeGlobal(LPWSTR text) {
  if (!text) return {};
  std::wstring copy(text);
  GlobalFree(text);
  return copy;
}

// The real version: GetVersionEx reports what the manifest declares, RtlGetVersion what runs.
bool RunsOnWindows7() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto get = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return get && get(&version) == 0 && AsksForTls12(version.dwMajorVersion, version.dwMinorVersion);
}

// Runs call on a thread of its own and waits at most ms for it; one still running then is left
// to end by itself with what it owns. Throws what it threw, or ProxyNotFound(code) past the limit.
template <typename Result>
Result Within(DWORD ms, DWORD code, std::function<Result()> call) {
  return RunWithin<Result>(ms, std::move(call), [&] {
    throw ProxyNotFound(static_cast<int32_t>(code),
                        L"No answer within " + std::to_wstring(ms / 1000) + L" s.");
  });
}

std::wstring DetectScript() {
  LPWSTR url = nullptr;
  if (!WinHttpDetectAutoProxyConfigUrl(WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A,
                                       &url)) {
    throw ProxyNotFound(LastErrorInfo());
  }
  std::wstring script = TakeGlobal(url);
  if (script.empty()) throw ProxyNotFound(ErrorInfoFromCode(ERROR_WINHTTP_AUTODETECTION_FAILED));
  return script;
}

// Where the script sends a request for address: a named proxy, or none for DIRECT.
SessionSetup RunScript(const std::wstring& script, const std::wstring& address) {
  UniqueInternet session(WinHttpOpen(HttpUserAgent().c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                     WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) throw ProxyNotFound(LastErrorInfo());
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
  options.lpszAutoConfigUrl = script.c_str();
  WINHTTP_PROXY_INFO info{};
  if (!WinHttpGetProxyForUrl(session.get(), address.c_str(), &options, &info))
    throw ProxyNotFound(LastErrorInfo());
  SessionSetup setup;
  setup.proxy = TakeGlobal(info.lpszProxy);
  setup.bypass = TakeGlobal(info.lpszProxyBypass);
  const bool named = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && !setup.proxy.empty();
  setup.access = named ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY;
  if (!named) setup.proxy.clear();
  return setup;
}

}  // namespace

RunNetwork::RunNetwork() : proxies_(ProxyRoutes(ReadProxySettings())), tls12_(RunsOnWindows7()) {}

void RunNetwork::ProtocolsRefused(const ErrorInfo& error, Logger* log) {
  if (refusalLogged_ || !log) return;
  refusalLogged_ = true;
  log->LOG_YAZ(L"TLS 1.1 and 1.2 refused, the system's own protocols are used; error=" +
               ErrorText(error, L""));
}

std::optional<ProxySettings> ReadProxySettings() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&user)) return std::nullopt;
  ProxySettings settings;
  settings.autoDetect = user.fAutoDetect != FALSE;
  settings.script = TakeGlobal(user.lpszAutoConfigUrl);
  settings.proxy = TakeGlobal(user.lpszProxy);
  settings.bypass = TakeGlobal(user.lpszProxyBypass);
  WINHTTP_PROXY_INFO machine{};
  if (WinHttpGetDefaultProxyConfiguration(&machine)) {
    const bool named = machine.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    const std::wstring proxy = TakeGlobal(machine.lpszProxy);
    const std::wstring bypass = TakeGlobal(machine.lpszProxyBypass);
    if (named) {
      settings.machineProxy = proxy;
      settings.machineBypass = bypass;
    }
  }
  return settings;
}

SessionSetup SessionFor(const ProxyRoute& route, const std::wstring& address, bool tls12, ProxyTry& found) {
  SessionSetup setup;
  switch (route.way) {
    case ProxyWay::kSystem:
      break;
    case ProxyWay::kDirect:
      setup.access = WINHTTP_ACCESS_TYPE_NO_PROXY;
      break;
    case ProxyWay::kNamed:
    case ProxyWay::kMachine:
      setup = {WINHTTP_ACCESS_TYPE_NAMED_PROXY, route.proxy, route.bypass};
      break;
    case ProxyWay::kScript:
    case ProxyWay::kDetect: {
      std::wstring script = route.script;
      if (script.empty()) {
        script = found.detected =
            Within<std::wstring>(kDetectLimitMs, ERROR_WINHTTP_AUTODETECTION_FAILED, DetectScript);
      }
      setup = Within<SessionSetup>(kScriptLimitMs, ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT,
                                   [script, address] { return RunScript(script, address); });
      break;
    }
  }
  found.proxy = setup.proxy;
  setup.tls12 = tls12;
  return setup;
}
