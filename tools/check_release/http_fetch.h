// One GET through libcurl, as the updater's WinHTTP request makes it: HTTP/1.1, no compression
// asked for, redirects followed but never from https down to http.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct Fetched {
  std::string error;  // the transfer failed (no answer, cut short...): libcurl's reason; else empty
  long status = 0;
  std::string reason;                // the status line's text, "Not Found"
  std::optional<uint64_t> declared;  // Content-Length
  uint64_t received = 0;
  std::string contentType, contentEncoding, etag, lastModified;
  bool tooLarge = false;  // the body went past the limit given and was not read on
};

// Each piece of the body as it arrives.
using BodyPieces = std::function<void(const char* data, size_t size)>;

// address is UTF-8, with spaces and "#" already escaped as the updater sends them; letters beyond
// ASCII go as UTF-8 percent escapes, as WinHTTP sends them. limit bounds the body (0: none).
Fetched Fetch(const std::string& address, const BodyPieces& pieces, uint64_t limit = 0);
