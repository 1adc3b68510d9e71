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

std::wstring WithoutCredentials(std::wstring_view text) {
  std::wstring out(text);
  // In each entry of a list, a user part ends at '@' and begins after "://", else after the
  // entry's "http=", else at the entry's start; an '@' after a '/' is in a path.
  for (size_t at = out.find(L'@'); at != std::wstring::npos; at = out.find(L'@', at)) {
    const size_t separator = out.find_last_of(L"; \t", at);
    const size_t entry = separator == std::wstring::npos ? 0 : separator + 1;
    const size_t scheme = out.find(L"://", entry);
    // "http=" names a list entry's scheme only before any ':' of a user part.
    const size_t equals = out.find(L'=', entry);
    const bool named = equals < at && equals < out.find(L':', entry);
    const size_t begin = scheme < at ? scheme + 3 : named ? equals + 1 : entry;
    if (out.find(L'/', begin) < at) {
      ++at;
      continue;
    }
    out.erase(begin, at + 1 - begin);
    at = begin;
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
