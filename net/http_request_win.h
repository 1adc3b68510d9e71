// One synchronous HTTP GET through WinHTTP, as the downloader, the release files and the
// benchmark use it.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <optional>
#include <string>

#include "net/body_reader.h"
#include "net/response.h"
#include "platform/scoped_win.h"

struct DownloadTimeouts {
  int resolveMs = 30000;
  int connectMs = 30000;
  int sendMs = 30000;
  int receiveMs = 120000;
};

// How a request's session goes out; by default as it always did, through the machine's WinHTTP
// proxy when one is set.
struct SessionSetup {
  DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
  std::wstring proxy;  // with WINHTTP_ACCESS_TYPE_NAMED_PROXY
  std::wstring bypass;
  bool tls12 = false;  // ask for TLS 1.0 to 1.2 (Windows 7)
};

// What the scripting request object sends, so the vendor's server sees the client it always saw.
inline constexpr wchar_t kHttpUserAgent[] = L"Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";

// Every request names after that text this updater and the release its folder keeps (0: none),
// so that the vendor's access logs show which shops took which release; set as a run starts.
void SetAgentRelease(uint64_t keptRelease);
// kHttpUserAgent + " Zefra-INDIR/9.8.0.0 (release N)", N the kept release or "none".
std::wstring HttpUserAgent();

struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { WinHttpCloseHandle(h); }
};
using UniqueInternet = UniqueResource<InternetHandleTraits>;

// Every failing call throws AppError with the WinHTTP or Win32 code and its text.
class HttpRequest final : public BodySource {
 public:
  // Opens a GET for the address exactly as given: WinHTTP neither escapes nor unescapes it.
  // https keeps the platform's certificate checks; redirects follow WinHTTP's default policy.
  // The proxy goes in at the session: Wine ignores WINHTTP_OPTION_PROXY.
  HttpRequest(const std::wstring& address, const DownloadTimeouts& timeouts, const SessionSetup& setup = {});

  // Why the session took no TLS 1.2 when asked to; none when it did or was not asked.
  const std::optional<ErrorInfo>& protocolsRefused() const { return protocolsRefused_; }

  // Request headers to send along ("Name: value" lines joined by CR LF), before Send.
  void AddHeaders(const std::wstring& headers);

  // Sends the request and waits for the status line and headers.
  void Send();

  // After an https request through a named proxy failed: whether that proxy answers 407 to a
  // plain request for the same server. Wine reports a 407 to CONNECT as 12157, not as a status.
  bool ProxyWantsCredentials() const;

  uint32_t Status() const;
  std::wstring StatusText() const;
  // What the retries judge the response by.
  ResponseHead Head() const;
  bool Chunked() const;
  // The Content-Length the server declared, when it declared one and the body is not chunked.
  std::optional<uint64_t> DeclaredLength() const override;

  // Up to size bytes of the body, as soon as any have arrived; 0 at its end.
  uint32_t Read(void* buffer, uint32_t size) override;

  // A response header by its WINHTTP_QUERY_ number; none when the response has none.
  std::optional<std::wstring> Header(DWORD query) const;

 private:
  std::optional<ErrorInfo> protocolsRefused_;
  bool proxied_ = false;
  UniqueInternet session_;
  UniqueInternet connection_;
  UniqueInternet request_;
};
