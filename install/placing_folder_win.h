// The placing on Windows: renames with write-through in the program's folder, the journal beside
// the updater, the running updater's own file through its self-replace.
#pragma once

#include <functional>
#include <string>

#include "install/placing.h"
#include "install/self_replace_win.h"

class WindowsPlacingFolder final : public PlacingFolder {
 public:
  // beforeStep: tests only, called before every step that changes the folder, so that a test can
  // end the process there.
  WindowsPlacingFolder(std::wstring programFolder, Logger& log, std::function<void()> beforeStep = {})
      : folder_(std::move(programFolder)), log_(log), beforeStep_(std::move(beforeStep)) {}

  // The part of every set-aside name of one placing; one placing, one tag.
  const std::wstring& setAsideTag() const { return tag_; }

  std::optional<Sha256Digest> Digest(const std::wstring& name) override;
  bool Exists(const std::wstring& name) override;
  void Move(const std::wstring& from, const std::wstring& to) override;
  void Remove(const std::wstring& name) override;
  void WriteJournal(const std::string& text) override;
  std::optional<std::string> ReadJournal() override;
  void RemoveJournal() override;
  bool IsRunningUpdater(const std::wstring& name) override;
  void ReplaceRunningUpdater(const PlacedFile& file) override;

 private:
  std::wstring PathOf(const std::wstring& name) const { return folder_ + L"\\" + name; }
  void Step() const {
    if (beforeStep_) beforeStep_();
  }

  std::wstring folder_;
  Logger& log_;
  std::function<void()> beforeStep_;
  std::wstring tag_ = NewSetAsideTag();
};

// The entry of one checked file: staged as NAME.download beside its target, the old file to step
// aside under a set-aside name of the placing's tag.
PlacedFile PlacedFileFor(const std::wstring& programFolder, const std::wstring& name, uint64_t size,
                         const Sha256Digest& sha256, const std::wstring& setAsideTag);
