#include "install/placing_folder_win.h"

#include <windows.h>

#include "install/folder_files_win.h"
#include "install/mdl_fso_win.h"
#include "install/set_aside_name.h"
#include "platform/path.h"

namespace {

// Far above any list of five files; a larger file is none this updater wrote.
constexpr size_t kJournalLimit = 64 * 1024;

}  // namespace

std::optional<Sha256Digest> WindowsPlacingFolder::Digest(const std::wstring& name) {
  return FileSha256(PathOf(name), [] {});
}

bool WindowsPlacingFolder::Exists(const std::wstring& name) { return mdlFSO::FileExists(PathOf(name)); }

void WindowsPlacingFolder::Move(const std::wstring& from, const std::wstring& to) {
  Step();
  mdlFSO::MoveFileOver(PathOf(from), PathOf(to));
}

void WindowsPlacingFolder::Remove(const std::wstring& name) {
  Step();
  if (Exists(name)) mdlFSO::DeleteFileForced(PathOf(name));
}

void WindowsPlacingFolder::WriteJournal(const std::string& text) {
  Step();
  WriteFileAtomically(PathOf(kPlacingJournalName), text);
}

std::optional<std::string> WindowsPlacingFolder::ReadJournal() {
  return ReadSmallFile(PathOf(kPlacingJournalName), kJournalLimit);
}

void WindowsPlacingFolder::RemoveJournal() { Remove(kPlacingJournalName); }

bool WindowsPlacingFolder::IsRunningUpdater(const std::wstring& name) {
  return ::IsRunningUpdater(PathOf(name));
}

void WindowsPlacingFolder::ReplaceRunningUpdater(const PlacedFile& file) {
  Step();
  SelfReplaceSeams seams;
  seams.setAsideTag = tag_;
  ::ReplaceRunningUpdater(PathOf(file.staged), PathOf(file.target), log_, seams);
}

PlacedFile PlacedFileFor(const std::wstring& programFolder, const std::wstring& name, uint64_t size,
                         const Sha256Digest& sha256, const std::wstring& setAsideTag) {
  const std::wstring folder = FolderOf(name);
  const std::wstring setAside = SetAsideName(FileNameOf(name), setAsideTag);
  return PlacedFile{name,
                    name + L".download",
                    folder.empty() ? setAside : folder + L"\\" + setAside,
                    mdlFSO::FileExists(programFolder + L"\\" + name),
                    size,
                    sha256};
}
