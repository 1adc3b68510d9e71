#include "net/proxy_choice.h"

#include <algorithm>
#include <exception>

std::vector<ProxyRoute> ProxyRoutes(const std::optional<ProxySettings>& settings) {
  if (!settings) return {{ProxyWay::kSystem}};
  std::vector<ProxyRoute> routes;
  if (!settings->script.empty()) routes.push_back({ProxyWay::kScript, settings->script});
  if (settings->autoDetect) routes.push_back({ProxyWay::kDetect});
  if (!settings->proxy.empty()) routes.push_back({ProxyWay::kNamed, L"", settings->proxy, settings->bypass});
  if (!settings->machineProxy.empty()) {
    routes.push_back({ProxyWay::kMachine, L"", settings->machineProxy, settings->machineBypass});
  }
  routes.push_back({ProxyWay::kDirect});
  return routes;
}

namespace {

bool IsSeparator(wchar_t c) { return c == L';' || c == L' ' || c == L'\t'; }
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// Past an entry's "http=" and "scheme://", where a user part would begin; url: a "://" was there.
size_t UserPartStart(std::wstring_view entry, bool& url) {
  size_t at = 0;
  while (at < entry.size() && IsLetter(entry[at])) ++at;
  size_t begin = at > 0 && at < entry.size() && entry[at] == L'=' ? at + 1 : 0;
  at = begin;
  while (at < entry.size() && (IsLetter(entry[at]) || (entry[at] >= L'0' && entry[at] <= L'9'))) ++at;
  url = at > begin && entry.substr(at, 3) == L"://";
  return url ? at + 3 : begin;
}

// The next entry of a list: after a separator, where "name=" or "scheme://" begins one. A
// password may hold separators itself, so nothing else splits an entry.
size_t NextEntry(std::wstring_view text, size_t from) {
  for (size_t at = from + 1; at < text.size(); ++at) {
    if (!IsSeparator(text[at - 1]) || IsSeparator(text[at])) continue;
    bool url = false;
    if (UserPartStart(text.substr(at), url) > 0) return at;
  }
  return text.size();
}

}  // namespace

std::wstring WithoutCredentials(std::wstring_view text) {
  std::wstring out;
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = NextEntry(text, begin);
    const std::wstring_view entry = text.substr(begin, end - begin);
    bool url = false;
    const size_t user = UserPartStart(entry, url);
    const size_t first = entry.find(L'@', user);
    // The user part runs to the authority's last '@', whatever it holds; in a URL an '@' after
    // the path's first '/' is the path's.
    const size_t path = url && first != std::wstring::npos ? entry.find(L'/', first) : std::wstring::npos;
    const size_t last =
        first == std::wstring::npos ? first : entry.rfind(L'@', path == std::wstring::npos ? path : path - 1);
    out += last == std::wstring::npos
               ? std::wstring(entry)
               : std::wstring(entry.substr(0, user)) + std::wstring(entry.substr(last + 1));
    begin = end;
  }
  return out;
}

namespace {

std::wstring ProxyPart(std::wstring_view proxy) {
  return L"; proxy=" + (proxy.empty() ? std::wstring(L"none") : WithoutCredentials(proxy));
}

}  // namespace

std::wstring ProxyRouteText(const ProxyRoute& route, std::wstring_view proxy) {
  const std::wstring script = L"; script=" + WithoutCredentials(route.script);
  const std::wstring bypass = route.bypass.empty() ? L"" : L"; bypass=" + route.bypass;
  switch (route.way) {
    case ProxyWay::kScript:
      return L"via=script" + script + ProxyPart(proxy);
    case ProxyWay::kDetect:
      return L"via=detect" + script + ProxyPart(proxy);
    case ProxyWay::kNamed:
      return L"via=named" + ProxyPart(route.proxy) + bypass;
    case ProxyWay::kMachine:
      return L"via=machine" + ProxyPart(route.proxy) + bypass;
    case ProxyWay::kDirect:
      return L"via=direct";
    case ProxyWay::kSystem:
      break;
  }
  return L"via=system default (the user's proxy settings could not be read)";
}

std::vector<ProxyRoute> ProxyChoice::Candidates() const {
  if (chosen_) return {*chosen_};
  return routes_;
}

bool ProxyChoice::Answered(const ProxyRoute& route) {
  if (chosen_) return false;
  chosen_ = route;
  return true;
}

void ProxyChoice::NotFound(ProxyWay way) {
  // The chosen route stays: a later failure of it is the run's to retry.
  if (chosen_) return;
  std::erase_if(routes_, [way](const ProxyRoute& route) { return route.way == way; });
}

void ProxyChoice::Detected(const std::wstring& script) {
  for (ProxyRoute& route : routes_) {
    if (route.way == ProxyWay::kDetect) route.script = script;
  }
  if (chosen_ && chosen_->way == ProxyWay::kDetect) chosen_->script = script;
}

ResponseHead SendThroughProxies(ProxyChoice& choice, const ProxySend& send, Logger* log) {
  const std::vector<ProxyRoute> candidates = choice.Candidates();
  std::exception_ptr reported;
  std::exception_ptr last;
  for (size_t i = 0; i < candidates.size(); ++i) {
    ProxyRoute route = candidates[i];
    ProxyTry found;
    std::wstring error;
    try {
      const ResponseHead head = send(route, found);
      if (!found.detected.empty()) choice.Detected(route.script = found.detected);
      if (choice.Answered(route) && log) log->LOG_YAZ(L"Proxy used; " + ProxyRouteText(route, found.proxy));
      return head;
    } catch (const ProxyNotFound& failure) {
      choice.NotFound(route.way);
      error = ErrorText(failure.info(), L"");
      last = std::current_exception();
    } catch (const AppError& failure) {
      error = ErrorText(failure.info(), L"");
      last = std::current_exception();
      if (!reported) reported = last;
    }
    if (!found.detected.empty()) choice.Detected(route.script = found.detected);
    // One route alone fails as it always did; the log tells only of a way given up for another.
    if (log && i + 1 < candidates.size()) {
      log->LOG_YAZ(L"Proxy way failed, trying the next; " + ProxyRouteText(route, found.proxy) + L"; error=" +
                   error);
    }
  }
  std::rethrow_exception(reported ? reported : last);
}

bool AsksForTls12(unsigned major, unsigned minor) { return major == 6 && minor == 1; }
