// Putting a whole release in place at once: every checked new file moves in, the old ones step
// aside, and whenever the process dies a journal lets the next start finish or undo it, so the
// folder never holds a mix of old and new files.
#pragma once

#include <optional>
#include <string>

#include "diag/logger.h"
#include "install/placing_journal.h"
#include "platform/error.h"

// What the placing does to the program's folder; names are relative to it. Failures are thrown
// as AppError.
class PlacingFolder {
 public:
  // The file's SHA-256; none when there is no file.
  virtual std::optional<Sha256Digest> Digest(const std::wstring& name) = 0;
  virtual bool Exists(const std::wstring& name) = 0;
  // One rename with write-through, over a file already there; waits out a brief sharing lock.
  virtual void Move(const std::wstring& from, const std::wstring& to) = 0;
  // Deletes the file if it is there.
  virtual void Remove(const std::wstring& name) = 0;
  // The journal, whole or not at all: written aside, flushed, then renamed into place.
  virtual void WriteJournal(const std::string& text) = 0;
  // None when there is no journal.
  virtual std::optional<std::string> ReadJournal() = 0;
  virtual void RemoveJournal() = 0;
  // The running updater's own file: set aside under file.setAside and replaced by file.staged,
  // putting the old one back itself when the new one cannot move in.
  virtual bool IsRunningUpdater(const std::wstring& name) = 0;
  virtual void ReplaceRunningUpdater(const PlacedFile& file) = 0;

 protected:
  ~PlacingFolder() = default;
};

// A file could not be put in place; every file placed before it is back as it was.
struct PlacingFailed {
  std::wstring name;
  ErrorInfo error;
};

// Writes the journal, then places every file, the running updater's last; on success removes the
// journal and the old files. A journal already there (one a start could not act on) refuses the
// placing before anything moves. Throws PlacingFailed once what it placed is undone, or AppError when
// even the undo failed (the journal then stays for the next start).
void PlaceFiles(PlacingJournal journal, PlacingFolder& folder, Logger& log);

enum class Recovery {
  kNothing,     // no journal: the last placing ended
  kCompleted,   // every new file was there: the placing is finished
  kRolledBack,  // one was missing: every old file is back
  kUnreadable,  // a journal this updater cannot read: left where it is, nothing touched
};

// At start, before anything else touches the folder: acts on a journal an interrupted placing
// left. Throws AppError when a step fails (the journal stays, the next start tries again).
Recovery RecoverInterruptedPlacing(PlacingFolder& folder, Logger& log);
