// The smaller forms of a release's files (compressed copies and patches), checked as a shop's
// updater will use them: fetched, decoded with its decoder, compared with the file they stand for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/check_release/report.h"
#include "trust/release_list.h"

// Each compressed copy NAME.zst and patch NAME.patch-H.zst that the signed list (listText, already
// verified and parsed into list) names beside NAME, fetched from baseUrl, decoded and compared
// with NAME's listed size and SHA-256. A patch's older file is taken from the first of patchBases
// (earlier releases: folders or URLs) whose file NAME has the SHA-256 H; a patch without one is
// named as not checked.
void CheckForms(const std::wstring& baseUrl, const ReleaseList& list, std::string_view listText,
                const std::vector<std::string>& patchBases, Report& report);
