// The hand-over between the updater running as the user, which fetched and checked the files
// into a folder of its own, and a copy of it started with the administrator's approval that only
// places them: its command line, its exit codes and the user's staging folder.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The switch that makes a start of the updater the placing copy.
inline constexpr std::wstring_view kPlaceStagedSwitch = L"--place-staged";

struct ElevatedPlacingRequest {
  std::wstring stagedFolder;   // where the user's run left NAME.download and the journal
  std::wstring programFolder;  // where the files go
  std::wstring release;        // the release being placed, for the log
};

// The placing copy's exit codes, one table for both sides.
enum class ElevatedExit : uint32_t {
  placed = 0,
  badCommandLine = 2,
  journalUnreadable = 3,
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

// "%LOCALAPPDATA%\Zefra INDIR\<identity>": the identity is the first 8 bytes of the SHA-256 of
// the program folder's full path (upper-cased), as upper-case hex, so each program folder has its own.
std::wstring StagingIdentity(std::span<const uint8_t> folderPathDigest);
std::wstring StagingFolder(std::wstring_view localAppData, std::wstring_view identity);
