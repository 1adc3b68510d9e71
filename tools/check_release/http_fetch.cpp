#include "tools/check_release/http_fetch.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

#include "platform/text.h"

namespace {

struct Transfer {
  Fetched result;
  const BodyPieces* pieces;
  uint64_t limit;
};

std::string Trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  return text.substr(start);
}

// The headers of the last response only: a redirect's own are dropped when the next status line comes.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& result = static_cast<Transfer*>(user)->result;
  const std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {
    const size_t code = line.find(' '), text = code == std::string::npos ? code : line.find(' ', code + 1);
    result.reason = text == std::string::npos ? "" : Trimmed(line.substr(text + 1));
    result.contentType = result.contentEncoding = result.etag = result.lastModified = "";
    return size * count;
  }
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return size * count;
  std::string name = line.substr(0, colon);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string value = Trimmed(line.substr(colon + 1));
  if (name == "content-type") result.contentType = value;
  if (name == "content-encoding") result.contentEncoding = value;
  if (name == "etag") result.etag = value;
  if (name == "last-modified") result.lastModified = value;
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer.limit && transfer.result.received + bytes > transfer.limit) {
    transfer.result.tooLarge = true;
    return 0;  // libcurl ends the transfer
  }
  transfer.result.received += bytes;
  if (*transfer.pieces) (*transfer.pieces)(data, bytes);
  return bytes;
}

std::string WireForm(const std::string& address) {
  std::string wire;
  for (const unsigned char c : address) {
    if (c >= 0x80 || c < 0x20 || c == 0x7F) {
      const std::wstring hex = HexText(std::span<const uint8_t>(&c, 1), true);
      wire += '%';
      wire += static_cast<char>(hex[0]);
      wire += static_cast<char>(hex[1]);
    } else {
      wire += static_cast<char>(c);
    }
  }
  return wire;
}

void SetOptions(CURL* curl, const std::string& wire, Transfer& transfer, char* error) {
  curl_easy_setopt(curl, CURLOPT_URL, wire.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  // WinHTTP refuses a redirect from https down to http.
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, wire.rfind("https:", 0) == 0 ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
  // The updater gives up on less than 1 KiB in 60 seconds as well.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1024L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Zefra INDIR check-release");
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
}

}  // namespace

Fetched Fetch(const std::string& address, const BodyPieces& pieces, uint64_t limit) {
  Transfer transfer{Fetched{}, &pieces, limit};
  const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    transfer.result.error = "libcurl could not start a transfer";
    return transfer.result;
  }
  char error[CURL_ERROR_SIZE] = {};
  const std::string wire = WireForm(address);
  SetOptions(curl.get(), wire, transfer, error);
  const CURLcode code = curl_easy_perform(curl.get());
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &transfer.result.status);
  curl_off_t length = -1;
  if (curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
    transfer.result.declared = static_cast<uint64_t>(length);
  if (code != CURLE_OK && !transfer.result.tooLarge)
    transfer.result.error = error[0] ? Trimmed(error) : curl_easy_strerror(code);
  return transfer.result;
}
