#include "net/http_request_win.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/text.h"
#include "platform/win_error_win.h"

namespace {

// Wine's WinHTTP passes some socket errors through where Windows reports its own codes.
DWORD AsWinHttpError(DWORD code) {
  switch (code) {
    case WSAETIMEDOUT:
      return ERROR_WINHTTP_TIMEOUT;
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return ERROR_WINHTTP_CONNECTION_ERROR;
    default:
      return code;
  }
}

// Read by the request threads while the window's thread may start a run.
std::atomic<uint64_t> agentRelease{0};

// An address taken apart as the connection and the request need it.
struct RequestTarget {
  std::wstring host;
  INTERNET_PORT port = 0;
  bool secure = false;
  std::wstring target;  // path and query
};

RequestTarget CrackAddress(const std::wstring& address) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  CheckBool(WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts));
  RequestTarget cracked{std::wstring(parts.lpszHostName, parts.dwHostNameLength), parts.nPort,
                        parts.nScheme == INTERNET_SCHEME_HTTPS, L"/"};
  // Path and query lie side by side in the address: take them as one, unchanged.
  if (parts.dwUrlPathLength + parts.dwExtraInfoLength > 0)
    cracked.target.assign(parts.lpszUrlPath, parts.dwUrlPathLength + parts.dwExtraInfoLength);
  // A fragment never goes on the wire. The downloader's addresses carry none: it sends '#' as "%23".
  const size_t fragment = cracked.target.find(L'#');
  if (fragment != std::wstring::npos) cracked.target.erase(fragment);
  return cracked;
}

void SetTimeouts(HINTERNET request, const DownloadTimeouts& timeouts) {
  CheckBool(WinHttpSetTimeouts(request, timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs,
                               timeouts.receiveMs));
  // Waiting for the status line and headers is receiving too: it gets the same limit, not
  // WinHTTP's separate default of 90 s.
  DWORD responseTimeout = static_cast<DWORD>(timeouts.receiveMs);
  CheckBool(WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                             sizeof responseTimeout));
}

}  // namespace

void SetAgentRelease(uint64_t keptRelease) { agentRelease = keptRelease; }

std::wstring HttpUserAgent() {
  const uint64_t release = agentRelease;
  return std::wstring(kHttpUserAgent) + L" Zefra-INDIR/9.8.0.0 (release " +
         (release ? std::to_wstring(release) : std::wstring(L"none")) + L")";
}

HttpRequest::HttpRequest(const std::wstring& address, const DownloadTimeouts& timeouts,
                         const SessionSetup& setup)
    : proxied_(setup.access == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
  const RequestTarget cracked = CrackAddress(address);
  session_.reset(WinHttpOpen(
      HttpUserAgent().c_str(), setup.access, proxied_ ? setup.proxy.c_str() : WINHTTP_NO_PROXY_NAME,
      proxied_ && !setup.bypass.empty() ? setup.bypass.c_str() : WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session_) ThrowLastError();
  if (setup.tls12) {
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    if (!WinHttpSetOption(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
      protocolsRefused_ = LastErrorInfo();
    }
  }
  connection_.reset(WinHttpConnect(session_.get(), cracked.host.c_str(), cracked.port, 0));
  if (!connection_) ThrowLastError();
  DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
  if (cracked.secure) flags |= WINHTTP_FLAG_SECURE;
  request_.reset(WinHttpOpenRequest(connection_.get(), L"GET", cracked.target.c_str(), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request_) ThrowLastError();
  // The file's own bytes: a compressed body would be written as the file.
  AddHeaders(L"Accept-Encoding: identity");
  SetTimeouts(request_.get(), timeouts);
}

void HttpRequest::AddHeaders(const std::wstring& headers) {
  CheckBool(WinHttpAddRequestHeaders(request_.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                     WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE));
}

void HttpRequest::Send() {
  if (!WinHttpSendRequest(request_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                          0) ||
      !WinHttpReceiveResponse(request_.get(), nullptr)) {
    ThrowWin32Error(AsWinHttpError(GetLastError()));
  }
}

bool HttpRequest::ProxyWantsCredentials() const {
  if (!proxied_) return false;
  // The same server and port over plain http: a proxy that wants a password refuses it too.
  UniqueInternet probe(WinHttpOpenRequest(connection_.get(), L"HEAD", L"/", nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  constexpr int kProbeMs = 10000;
  if (!probe || !WinHttpSetTimeouts(probe.get(), kProbeMs, kProbeMs, kProbeMs, kProbeMs) ||
      !WinHttpSendRequest(probe.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(probe.get(), nullptr)) {
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  return WinHttpQueryHeaders(probe.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) &&
         status == 407;
}

uint32_t HttpRequest::Status() const {
  DWORD status = 0;
  DWORD size = sizeof status;
  CheckBool(WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX));
  return status;
}

std::wstring HttpRequest::StatusText() const { return Header(WINHTTP_QUERY_STATUS_TEXT).value_or(L""); }

ResponseHead HttpRequest::Head() const {
  ResponseHead head;
  head.status = Status();
  head.reason = StatusText();
  head.length = DeclaredLength();
  head.contentRange = Header(WINHTTP_QUERY_CONTENT_RANGE).value_or(L"");
  head.etag = Header(WINHTTP_QUERY_ETAG).value_or(L"");
  head.lastModified = Header(WINHTTP_QUERY_LAST_MODIFIED).value_or(L"");
  head.retryAfter = Header(WINHTTP_QUERY_RETRY_AFTER).value_or(L"");
  head.contentEncoding = Header(WINHTTP_QUERY_CONTENT_ENCODING).value_or(L"");
  return head;
}

bool HttpRequest::Chunked() const {
  const std::optional<std::wstring> coding = Header(WINHTTP_QUERY_TRANSFER_ENCODING);
  return coding && AsciiUpper(*coding).find(L"CHUNKED") != std::wstring::npos;
}

std::optional<uint64_t> HttpRequest::DeclaredLength() const {
  if (Chunked()) return std::nullopt;
  const std::optional<std::wstring> text = Header(WINHTTP_QUERY_CONTENT_LENGTH);
  if (!text) return std::nullopt;
  return DecimalValue(TrimSpaces(*text));
}

uint32_t HttpRequest::Read(void* buffer, uint32_t size) {
  // Whatever has arrived, as soon as it has: a read that waited for a whole buffer would leave
  // the window without its messages for seconds on a slow line.
  DWORD available = 0;
  if (!WinHttpQueryDataAvailable(request_.get(), &available)) ThrowWin32Error(AsWinHttpError(GetLastError()));
  if (available == 0) return 0;
  DWORD got = 0;
  if (!WinHttpReadData(request_.get(), buffer, std::min<DWORD>(size, available), &got)) {
    ThrowWin32Error(AsWinHttpError(GetLastError()));
  }
  return got;
}

std::optional<std::wstring> HttpRequest::Header(DWORD query) const {
  DWORD size = 0;
  if (WinHttpQueryHeaders(request_.get(), query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                          &size, WINHTTP_NO_HEADER_INDEX)) {
    return std::wstring();
  }
  const DWORD error = GetLastError();
  if (error == ERROR_WINHTTP_HEADER_NOT_FOUND) return std::nullopt;
  if (error != ERROR_INSUFFICIENT_BUFFER) ThrowWin32Error(error);
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
  CheckBool(WinHttpQueryHeaders(request_.get(), query, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size,
                                WINHTTP_NO_HEADER_INDEX));
  return std::wstring(buffer.data(), size / sizeof(wchar_t));
}
