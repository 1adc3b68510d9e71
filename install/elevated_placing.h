// The hand-over between the updater running as the user, which fetched and checked the files
// into a folder of its own, and a copy of it started with the administrator's approval that only
// places them: its command line, its exit codes and the user's staging folder.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/error.h"
#include "trust/release_trust.h"

// The switch that makes a start of the updater the placing copy.
inline constexpr std::wstring_view kPlaceStagedSwitch = L"--place-staged";

struct ElevatedPlacingRequest {
  std::wstring stagedFolder;   // where the user's run left NAME.download and the hand-over
  std::wstring programFolder;  // where the files go
  std::wstring release;        // the release being placed, for the log
};

// The placing copy's exit codes, one table for both sides.
enum class ElevatedExit : uint32_t {
  placed = 0,
  badCommandLine = 2,
  handOverUnreadable = 3,
  stagedFileChanged = 4,
  placingRolledBack = 5,
  programsStillRunning = 6,
};

// The arguments after the program's own name, each quoted so the platform's parser gives them
// back unchanged.
std::wstring FormatElevatedCommandLine(const ElevatedPlacingRequest& request);

// The arguments of a full command line (the program's name first), split by the platform's rules.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// The request of a placing copy's command line; none when it is not one (no switch) or when it
// is a bad one, told apart by isPlacingCopy.
struct ParsedPlacingCommand {
  bool isPlacingCopy = false;
  std::optional<ElevatedPlacingRequest> request;
};
ParsedPlacingCommand ParseElevatedCommandLine(std::wstring_view commandLine);

// The Turkish line the user's copy shows for a placing copy's exit code.
std::wstring ElevatedExitText(uint32_t exitCode);

// The placing copy's outcome as the user's copy sees it: its exit code, or the error that kept it
// from starting (1223 when the user answered "No" at the prompt).
using PlacingCopyOutcome = std::variant<uint32_t, ErrorInfo>;
inline constexpr int32_t kApprovalRefused = 1223;  // ERROR_CANCELLED

// What the user's copy leaves in the staging folder for the placing copy, beside the staged
// NAME.download files: this list and, for a signed release, the list and signature it verified.
inline constexpr wchar_t kHandOverName[] = L"Zefra INDIR.indir-handover";
inline constexpr wchar_t kHandedListName[] = L"Zefra INDIR.indir-list";
inline constexpr wchar_t kHandedSignatureName[] = L"Zefra INDIR.indir-signature";

struct HandedFile {
  std::wstring name;  // relative to both folders, as the manifest lists it, trimmed
  uint64_t size = 0;
  Sha256Digest sha256{};  // what the user's copy computed; a signed release is checked by its list
  bool operator==(const HandedFile&) const = default;
};

struct HandOver {
  bool keyed = false;               // the signed list and its signature lie beside it
  std::vector<std::wstring> slots;  // the manifest's names as stored: the programs to close
  std::vector<HandedFile> files;    // the files to place
  bool operator==(const HandOver&) const = default;
};

// UTF-8 text: a first line naming the form, "keyed 0|1", "slot NAME" lines, "file HEX SIZE NAME"
// lines, then "end".
std::string HandOverText(const HandOver& handOver);
// The hand-over back, strictly; none for anything else, and for any file name that would leave the
// program's folder (the placing copy runs with the administrator's rights).
std::optional<HandOver> ParseHandOver(std::string_view text);

// "%LOCALAPPDATA%\Zefra INDIR\<identity>": the identity is the first 8 bytes of the SHA-256 of
// the program folder's full path (upper-cased), as upper-case hex, so each program folder has its own.
std::wstring StagingIdentity(std::span<const uint8_t> folderPathDigest);
std::wstring StagingFolder(std::wstring_view localAppData, std::wstring_view identity);
