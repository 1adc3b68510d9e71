// The placing journal: what the updater is about to put in place, written before the first old
// file leaves, so that a start after a power cut or a killed process can finish the placing or
// undo it. Names are relative to the program's folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trust/release_trust.h"

// Beside the updater, in its reserved ".indir-" family; a start acts on it before anything else.
inline constexpr wchar_t kPlacingJournalName[] = L"Zefra INDIR.indir-journal";

struct PlacedFile {
  std::wstring target;    // the listed name, e.g. "bin\VunoRapor.dll"
  std::wstring staged;    // the checked new file, e.g. "bin\VunoRapor.dll.download"
  std::wstring setAside;  // where the old file steps aside while the new one moves in
  bool hadOld = false;    // whether a file stood under the target's name when the journal was written
  uint64_t size = 0;
  Sha256Digest sha256{};  // of the new file, computed while it arrived
  bool operator==(const PlacedFile&) const = default;
};

using PlacingJournal = std::vector<PlacedFile>;

// UTF-8 text: a first line naming the form, one line per file, a last line "end".
std::string PlacingJournalText(const PlacingJournal& journal);

// The journal back, strictly; none for anything this updater did not write whole (a cut file, a
// bad digest, an empty or repeated name, a name with a control character).
std::optional<PlacingJournal> ParsePlacingJournal(std::string_view text);
