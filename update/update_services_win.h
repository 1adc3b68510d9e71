// The platform services of the update run on Windows.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "trust/release_key_win.h"
#include "update/downloader_win.h"
#include "update/release_fetch_win.h"
#include "update/update_run.h"

// TerminateTask of mdlTask, or a stand-in that counts the calls: the name searched for in window
// titles, and the slot's file in the program's folder, which only its own running copies hold.
using TerminateTaskFunction = std::function<bool(const std::wstring& name, const std::wstring& programFile)>;

class WindowsUpdateServices : public UpdateServices {
 public:
  // releaseKey: the raw P-256 point that releases must be signed with; by default the one built
  // into the program, if any.
  explicit WindowsUpdateServices(DownloadOptions options = {},
                                 std::optional<std::string> releaseKey = ReleaseKeyFromResources())
      : options_(std::move(options)), releaseKey_(std::move(releaseKey)) {}

  // Reads the user's proxy settings anew: the run's first answer chooses the way out again.
  void RunStarting() override;
  std::optional<VerifiedRelease> VerifiedReleaseList(const std::wstring& listUrl,
                                                     const std::wstring& signatureUrl,
                                                     TransferWindow& window, Logger& log) override;
  // DOSYA_INDIR, logging through the window, showing it the body's progress and the retries,
  // letting it repaint and the user close it while the download waits.
  DownloadResult Download(const std::wstring& url, const std::wstring& destination, TransferWindow& window,
                          Logger& log, const std::optional<ListedFile>& listed) override;
  // The form fetched by DOSYA_INDIR beside the file under its ".indir-" name, decoded into the
  // file's ".download" and checked; the form's own files deleted unless the user stopped it.
  DownloadResult DownloadForm(const std::wstring& url, const std::wstring& destination,
                              const std::wstring& installed, TransferWindow& window, Logger& log,
                              const FileForm& form, const ListedFile& target) override;
  std::optional<Sha256Digest> InstalledSha256(const std::wstring& path, TransferWindow& window,
                                              Logger& log) override;
  // A file that cannot be read is logged and counts as not current: the download then tells why.
  bool FileIsCurrent(const std::wstring& path, const ListedFile& listed, TransferWindow& window,
                     Logger& log) override;
  std::optional<std::string> ReadSmallFile(const std::wstring& path) override;
  void WriteFileAtomically(const std::wstring& path, const std::string& bytes) override;
  bool FileExists(const std::wstring& path) override;
  std::optional<uint64_t> FileSize(const std::wstring& path) override;
  uint64_t FreeBytes(const std::wstring& folder) override;
  // Writes the journal, places every file and removes what let a later press take them.
  void PlaceFiles(const std::wstring& programFolder, const std::vector<StagedFile>& files,
                  Logger& log) override;
  // From an elevated updater through the desktop's shell, so the program runs as the user.
  void StartProgram(const std::wstring& path) override;
  // This executable with the "runas" verb, owned by the thread's active window.
  PlacingCopyOutcome RunPlacingCopy(const ElevatedPlacingRequest& request, TransferWindow& window) override;
  void CloseRunningCopies(const std::wstring& name, const std::wstring& programFile) override;
  // What closes the running copies: mdlTask's TerminateTask unless set.
  void SetTerminateTask(TerminateTaskFunction terminateTask) { terminateTask_ = std::move(terminateTask); }
  void EndProcess() override;
  std::wstring ThousandsSeparator() override;

 private:
  // The download options with the run's way out, read at the run's first request if not before.
  DownloadOptions OptionsFor(TransferWindow& transfer);

  DownloadOptions options_;
  std::optional<RunNetwork> network_;
  std::optional<std::string> releaseKey_;
  TerminateTaskFunction terminateTask_;
};
