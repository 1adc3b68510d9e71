// The update run: the one tick of tmrIndir that fetches every file of the manifest.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diag/logger.h"
#include "install/elevated_placing.h"
#include "install/placing.h"
#include "install/updater_files.h"
#include "net/transfer_window.h"
#include "trust/release_order.h"
#include "update/file_forms.h"

// What the run needs of the window frmindir. The window implements it; tests use a fake.
// Every call comes from the window's thread, inside the tick.
class UpdateRunWindow : public TransferWindow {
 public:
  virtual void SetStatus(const std::wstring& text) = 0;    // lbldurum, repainted at once
  virtual void SetFileName(const std::wstring& text) = 0;  // lblad
  virtual void SetSizeText(const std::wstring& text) = 0;  // lblkalan
  virtual void SetProgress(int value) = 0;                 // ProgressBar1, 0 to 100
  virtual void SetStartEnabled(bool enabled) = 0;          // cmdbaslat
  virtual void StopRunTimer() = 0;                         // tmrIndir
  virtual void StopProgressTimer() = 0;                    // tmrProgress
  // What the transfers that follow carry: a file, by its name as lblad shows it, or the release
  // list (none). Their progress and retries then come through TransferWindow.
  virtual void BeginTransfer(std::optional<std::wstring> file) = 0;
  // The run stopped on a failed file or an unexpected error; a new run starts at the start button.
  virtual void ShowRunStopped() = 0;
  // Every file is in place: the completion message comes next.
  virtual void ShowRunCompleted() = 0;

 protected:
  ~UpdateRunWindow() = default;
};

// What DOSYA_INDIR tells of one file.
struct DownloadResult {
  bool fetched = false;   // here and checked: in place, or staged beside it for the run to place
  int64_t bytes = 0;      // the file's size
  std::wstring details;   // why not, when not fetched
  Sha256Digest sha256{};  // computed as it arrived
};

// A file fetched and checked beside its target ("NAME.download"), waiting to be placed.
struct StagedFile {
  std::wstring name;  // as the manifest lists it, trimmed
  uint64_t size = 0;
  Sha256Digest sha256{};
};

// Where the run's files come from: the vendor's signed list and each file, over the network.
class ReleaseSource {
 public:
  // A run begins: what was learnt in an earlier run (the way out) is read anew.
  virtual void RunStarting() {}
  // With a release key built in: fetches and verifies the vendor's signed list, or throws
  // ReleaseRefused (also when the user closed the window meanwhile). Without one: fetches nothing
  // and gives no list.
  virtual std::optional<VerifiedRelease> VerifiedReleaseList(const std::wstring& listUrl,
                                                             const std::wstring& signatureUrl,
                                                             TransferWindow& window, Logger& log) = 0;
  // DOSYA_INDIR. For a signed release, listed is what the verified list holds for the file. A
  // download the user cancelled is not placed, with the window's CancelRequested set.
  virtual DownloadResult Download(const std::wstring& url, const std::wstring& destination,
                                  TransferWindow& window, Logger& log,
                                  const std::optional<ListedFile>& listed) = 0;
  // A patch or compressed copy of a listed file (form, at url) fetched like a file into its own
  // temporary file beside destination, then decoded into destination's ".download" (a patch
  // against installed, the file in the program's folder) and checked against target, the file's own listing:
  // staged like a file fetched whole, with the file's size and digest. Not fetched: the details
  // say why, and the form's own files are gone.
  virtual DownloadResult DownloadForm(const std::wstring& url, const std::wstring& destination,
                                      const std::wstring& installed, TransferWindow& window, Logger& log,
                                      const FileForm& form,
                                      const ListedFile& target) = 0;

 protected:
  ~ReleaseSource() = default;
};

// The program's folder as the run reads and writes it. Failures are thrown as AppError.
class FolderFiles {
 public:
  // True when the file at path has the listed size and SHA-256. A file of another size is not
  // read; one of that size is read in pieces, the window pumping its messages between them.
  virtual bool FileIsCurrent(const std::wstring& path, const ListedFile& listed, TransferWindow& window,
                             Logger& log) = 0;
  // The SHA-256 of the file at path, read in pieces as above; none when there is no file or it
  // cannot be read (logged).
  virtual std::optional<Sha256Digest> InstalledSha256(const std::wstring& path, TransferWindow& window,
                                                      Logger& log) = 0;
  // A small file's bytes; none when there is no file.
  virtual std::optional<std::string> ReadSmallFile(const std::wstring& path) = 0;
  // Puts bytes at path so that whenever the process dies it holds the old bytes or the new ones.
  virtual void WriteFileAtomically(const std::wstring& path, const std::string& bytes) = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
  // The file's size; none when there is no file.
  virtual std::optional<uint64_t> FileSize(const std::wstring& path) = 0;
  // The bytes free to this user on the volume that holds folder.
  virtual uint64_t FreeBytes(const std::wstring& folder) = 0;
  // Puts every staged file of programFolder in place at once, the running updater's last. When one
  // cannot be placed, every file is back as before and PlacingFailed is thrown; AppError when even
  // that failed (a start then finishes or undoes it).
  virtual void PlaceFiles(const std::wstring& programFolder, const std::vector<StagedFile>& files,
                          Logger& log) = 0;

 protected:
  ~FolderFiles() = default;
};

// The programs around the run: the main one started, the updater ended, the user's locale.
class ProgramControl {
 public:
  // Starts a program with a normal, focused window and no arguments; does not wait for it.
  // Throws AppError.
  virtual void StartProgram(const std::wstring& path) = 0;
  // Ends the copies of the program named name (its windows' titles carry it) that run programFile,
  // giving each up to two seconds to end. Throws AppError.
  virtual void CloseRunningCopies(const std::wstring& name, const std::wstring& programFile) = 0;
  // Starts the updater's placing copy with the administrator's approval and waits for it while the
  // window keeps painting: its exit code, or why it did not start (1223: the user said "No").
  virtual PlacingCopyOutcome RunPlacingCopy(const ElevatedPlacingRequest& request, TransferWindow& window) = 0;
  // Ends the updater's process at once; a test fake returns instead.
  virtual void EndProcess() = 0;
  // The user locale's thousands separator, for the size text.
  virtual std::wstring ThousandsSeparator() = 0;

 protected:
  ~ProgramControl() = default;
};

// The three as one object, as the Windows side and the tests' fakes give them.
class UpdateServices : public ReleaseSource, public FolderFiles, public ProgramControl {
 protected:
  ~UpdateServices() = default;
};

inline constexpr wchar_t kMainProgramName[] = L"Zefra VUNO.exe";
// Beside the program, the highest signed release whose installation was begun, and its list's
// SHA-256 (trust/release_order.h). Its last extension is the updater's own ".indir-…" family.

// The tick of tmrIndir. Reports every outcome itself (window, message boxes, log) and never
// throws. programFolder has no separator at its end; log is the diagnostic log. stagingFolder,
// when given, is where the files wait when this user cannot write the program's folder: a copy
// started with the administrator's approval then places them.
void RunUpdate(const std::wstring& baseUrl, const std::array<std::wstring, 5>& files,
               const std::wstring& programFolder, UpdateRunWindow& window, Logger& log,
               UpdateServices& services, const std::wstring& stagingFolder = {});
