#include "install/placing.h"

#include <algorithm>

#include "platform/text.h"

namespace {

std::wstring Shown(const std::wstring& name) { return VisibleText(name); }

// The old file steps aside and the new one takes its name.
void PlaceOne(const PlacedFile& file, PlacingFolder& folder, Logger& log) {
  if (folder.IsRunningUpdater(file.target)) {
    folder.ReplaceRunningUpdater(file);
  } else {
    if (file.hadOld && folder.Exists(file.target)) folder.Move(file.target, file.setAside);
    folder.Move(file.staged, file.target);
  }
  log.LOG_YAZ(L"File placed; name=" + Shown(file.target) + L"; bytes=" + std::to_wstring(file.size));
}

// Back as before the placing: the new file returns to its staged name (a later press need not
// fetch it again), the old one to its own.
void UndoOne(const PlacedFile& file, PlacingFolder& folder, Logger& log) {
  const bool oldAside = folder.Exists(file.setAside);
  if ((oldAside || !file.hadOld) && folder.Digest(file.target) == file.sha256) {
    folder.Move(file.target, file.staged);
  }
  if (oldAside) folder.Move(file.setAside, file.target);
  log.LOG_YAZ(L"File placing undone; name=" + Shown(file.target));
}

// The old files go before the journal: until it goes, a start still knows every name. One that
// cannot go now (the running updater's) is cleared by the next start.
void Finish(const PlacingJournal& journal, PlacingFolder& folder) {
  for (const PlacedFile& file : journal) IgnoringFailure([&] { folder.Remove(file.setAside); });
  folder.RemoveJournal();
}

bool IsPlaced(const PlacedFile& file, PlacingFolder& folder) {
  return folder.Digest(file.target) == file.sha256;
}

bool IsReady(const PlacedFile& file, PlacingFolder& folder) {
  return folder.Digest(file.staged) == file.sha256;
}

void CompleteInterrupted(const PlacingJournal& journal, PlacingFolder& folder) {
  for (const PlacedFile& file : journal) {
    if (IsPlaced(file, folder)) continue;
    if (file.hadOld && folder.Exists(file.target) && !folder.Exists(file.setAside)) {
      folder.Move(file.target, file.setAside);
    }
    folder.Move(file.staged, file.target);
  }
}

}  // namespace

void PlaceFiles(PlacingJournal journal, PlacingFolder& folder, Logger& log) {
  // A journal still here is one the start could not act on: the old files it names stay safe.
  if (folder.ReadJournal()) {
    throw PlacingFailed{kPlacingJournalName, {183, L"Cannot create a file when that file already exists."}};
  }
  // The running updater goes last: once it has moved, nothing is left to undo before it.
  std::stable_partition(journal.begin(), journal.end(),
                        [&](const PlacedFile& file) { return !folder.IsRunningUpdater(file.target); });
  folder.WriteJournal(PlacingJournalText(journal));
  log.LOG_YAZ(L"Placing journal written; path=" + std::wstring(kPlacingJournalName) + L"; files=" +
              std::to_wstring(journal.size()));
  size_t placed = 0;
  try {
    for (; placed < journal.size(); ++placed) PlaceOne(journal[placed], folder, log);
  } catch (const AppError& error) {
    const PlacingFailed failed{journal[placed].target, error.info()};
    log.LOG_YAZ(L"File could not be placed; name=" + Shown(failed.name) + L"; error=" +
                ErrorText(error.info(), L""));
    for (size_t undo = placed + 1; undo-- > 0;) UndoOne(journal[undo], folder, log);
    folder.RemoveJournal();
    throw failed;
  }
  Finish(journal, folder);
  log.LOG_YAZ(L"Placing complete; files=" + std::to_wstring(journal.size()));
}

Recovery RecoverInterruptedPlacing(PlacingFolder& folder, Logger& log) {
  const std::optional<std::string> text = folder.ReadJournal();
  if (!text) return Recovery::kNothing;
  const std::optional<PlacingJournal> journal = ParsePlacingJournal(*text);
  if (!journal) {
    log.LOG_YAZ(L"Placing journal unreadable, left in place; path=" + std::wstring(kPlacingJournalName));
    return Recovery::kUnreadable;
  }
  const bool allNew = std::all_of(journal->begin(), journal->end(), [&](const PlacedFile& file) {
    return IsPlaced(file, folder) || IsReady(file, folder);
  });
  if (allNew) {
    CompleteInterrupted(*journal, folder);
  } else {
    for (auto file = journal->rbegin(); file != journal->rend(); ++file) UndoOne(*file, folder, log);
  }
  Finish(*journal, folder);
  log.LOG_YAZ(std::wstring(allNew ? L"Interrupted update completed" : L"Interrupted update rolled back") +
              L"; files=" + std::to_wstring(journal->size()));
  return allNew ? Recovery::kCompleted : Recovery::kRolledBack;
}
