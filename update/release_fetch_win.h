// Fetching the vendor's signed release list and its signature, for release trust to check.
#pragma once

#include <string>
#include <string_view>

#include "trust/release_order.h"
#include "update/http_request_win.h"

// Fetches the list and its signature into memory (same request, time-outs and checks as a
// download) and has them verified with publicKey. Throws ReleaseRefused with the reason when any
// of it fails.
VerifiedRelease FetchVerifiedReleaseList(const std::wstring& listUrl, const std::wstring& signatureUrl,
                                         std::string_view publicKey, const DownloadTimeouts& timeouts);
