// The updater's own files in the program's folder. Every name whose last extension begins with
// "indir-" belongs to the updater, so no manifest file may carry one; the kinds it makes are
// listed here, each with whether a start clears what an earlier run left behind.
#pragma once

#include <string>
#include <string_view>

#include "install/set_aside_name.h"

// The start of the last extension that marks the updater's own files.
inline constexpr wchar_t kUpdaterFileMark[] = L".indir-";

// Made by the start button to learn whether the folder takes new files, and deleted at once.
inline constexpr wchar_t kWriteProbeSuffix[] = L".indir-probe";

// Beside a part that a later attempt may continue: how to continue it ("VunoRapor.dll.indir-resume").
inline constexpr wchar_t kResumeRecordSuffix[] = L".indir-resume";

// Beside a file while it downloads: the part so far ("VunoRapor.dll.download"). Its name holds
// no "indir-", so the manifest rule refuses it on its own (IsTemporaryFileName).
inline constexpr wchar_t kTemporarySuffix[] = L".download";

// Beside a file, the temporary name of a smaller form of it while that is fetched and decoded
// ("VunoRapor.dll.indir-patch"): the downloader's part and resume record hang off it, so a cut
// patch continues at the next press like any download.
inline constexpr wchar_t kPatchFormSuffix[] = L".indir-patch";
inline constexpr wchar_t kCompressedFormSuffix[] = L".indir-zst";

// The highest signed release begun here, with its list's digest: an older one never follows it.
inline constexpr wchar_t kKeptReleaseName[] = L"Zefra INDIR.indir-release";

struct UpdaterFileKind {
  const wchar_t* suffix;  // begins with kUpdaterFileMark
  bool clearedAtStart;    // a leftover is deleted before anything else touches the folder
};

inline constexpr UpdaterFileKind kUpdaterFileKinds[] = {
    {kSetAsideSuffix, true},
    {kWriteProbeSuffix, true},
    {kResumeRecordSuffix, false},  // a later press continues the part it belongs to
    {kPatchFormSuffix, false},     // a fetched form: continued or deleted by the run that fetches it
    {kCompressedFormSuffix, false},
    {L".indir-release", false},    // kKeptReleaseName
    {L".indir-journal", false},    // the placing journal: a start acts on it first
    // What a write cut short leaves of the two files written whole (WriteFileAtomically).
    {L".indir-release-new", true},
    {L".indir-journal-new", true},
};

// True when one path segment, as Windows resolves it (trailing dots and spaces dropped, letter
// case ignored), has a last extension that begins with "indir-".
bool IsUpdaterFileName(std::wstring_view segment);

// True when one path segment, resolved alike, ends in a suffix the updater gives another file's
// download: a manifest file by such a name would delete or continue that one's part.
bool IsTemporaryFileName(std::wstring_view segment);

// True when a file name, resolved alike, ends in the suffix of a kind that a start clears.
bool IsClearedAtStart(std::wstring_view fileName);

// "Zefra INDIR." + tag + kWriteProbeSuffix; tag as SetAsideTag makes it, unique to one attempt.
std::wstring WriteProbeName(std::wstring_view tag);
