// The vendor's signed release list: the key built into the program, fetching the list and its
// signature, and checking them before any file of the release is fetched.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "update/http_request_win.h"
#include "update/release_list.h"

inline constexpr wchar_t kReleaseListName[] = L"SHA256SUMS";
inline constexpr wchar_t kReleaseSignatureName[] = L"SHA256SUMS.sig";
// Neither file comes near this; a larger answer is no release list.
inline constexpr size_t kReleaseFileLimit = 1024 * 1024;

// The raw point X‖Y of the P-256 public key built in as a resource; none when the program was
// built without a release key.
std::optional<std::string> ReleaseKeyFromResources();

// Fetches the list and its signature into memory (same request, time-outs and status checks as a
// download), verifies the signature with publicKey and reads the list. Throws ReleaseRefused with
// the reason when any of it fails.
ReleaseList FetchVerifiedReleaseList(const std::wstring& listUrl, const std::wstring& signatureUrl,
                                     std::string_view publicKey, const DownloadTimeouts& timeouts);

// Two names are one file on Windows when these are equal: letter case ignored, "/" and "\" alike.
std::wstring WindowsFileNameKey(std::wstring_view name);
