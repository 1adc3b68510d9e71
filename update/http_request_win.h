// One synchronous HTTP GET through WinHTTP, as the downloader, the release files and the
// benchmark use it.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/scoped_win.h"
#include "update/body_reader.h"
#include "update/retrying_fetch.h"

struct DownloadTimeouts {
  int resolveMs = 30000;
  int connectMs = 30000;
  int sendMs = 30000;
  int receiveMs = 120000;
};

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
  HttpRequest(const std::wstring& address, const DownloadTimeouts& timeouts);

  // Request headers to send along ("Name: value" lines joined by CR LF), before Send.
  void AddHeaders(const std::wstring& headers);

  // Sends the request and waits for the status line and headers.
  void Send();

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
  UniqueInternet session_;
  UniqueInternet connection_;
  UniqueInternet request_;
};
