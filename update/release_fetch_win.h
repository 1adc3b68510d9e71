// Fetching the vendor's signed release list and its signature, for release trust to check.
#pragma once

#include <string>
#include <string_view>

#include "diag/logger.h"
#include "trust/release_order.h"
#include "update/downloader_win.h"

// Fetches the list and its signature into memory, with the retries, stall watch and cancel of a
// download (options), and has them verified with publicKey. Throws ReleaseRefused with the
// reason when any of it fails, also when the user closed the window meanwhile.
VerifiedRelease FetchVerifiedReleaseList(const std::wstring& listUrl, const std::wstring& signatureUrl,
                                         std::string_view publicKey, Logger& log,
                                         const DownloadOptions& options);
