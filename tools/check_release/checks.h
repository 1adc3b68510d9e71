// The updater's own checks of a release, run by the vendor before the row is changed.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/check_release/release_crypto.h"
#include "tools/check_release/report.h"

// What a shop's updater would read from the row.
struct PublishedRow {
  std::wstring baseUrl;               // versite
  std::array<std::wstring, 5> files;  // dosya1..dosya5 as stored
};

// Everything a shop's run would meet, in its order: the names, the signed list when key is given
// (else unsigned: none is asked for), each file fetched once, then the smaller forms the list
// offers (patches against the earlier releases in patchBases). Findings go to report.
void CheckRelease(const PublishedRow& row, const ReleaseKey* key, Report& report,
                  const std::vector<std::string>& patchBases = {});
