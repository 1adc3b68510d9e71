// The updater's own checks of a release, run by the vendor before the row is changed.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/check_release/release_crypto.h"
#include "tools/check_release/report.h"
#include "trust/release_order.h"

// What a shop's updater would read from the row.
struct PublishedRow {
  std::wstring baseUrl;               // versite
  std::array<std::wstring, 5> files;  // dosya1..dosya5 as stored
};

// Everything a shop's run would meet, in its order: the names, the signed list when key is given
// (else unsigned: none is asked for) and that it may follow live (what a shop that installed the
// live release keeps), each file fetched once, the release key in a listed updater, then the
// smaller forms the list offers (patches against the earlier releases in patchBases). Findings go
// to report.
void CheckRelease(const PublishedRow& row, const ReleaseKey* key, const KeptRelease& live, Report& report,
                  const std::vector<std::string>& patchBases = {});

// What a shop that installed the signed release at baseUrl keeps; number 0 when that folder has no
// list signed with key, as such a release sets no floor. None, after a finding, when it cannot be
// read.
std::optional<KeptRelease> LiveRelease(const std::wstring& baseUrl, const ReleaseKey& key, Report& report);

// The fingerprint of a release key built into a program, or "none"; key: the one it should carry.
// A program without one, or with another, fails.
void CheckUpdaterKey(const std::wstring& what, std::string_view program, const ReleaseKey* key,
                     Report& report);
