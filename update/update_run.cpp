#include "update/update_run.h"

#include <variant>

#include "install/file_name_rule.h"
#include "net/file_address.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "update/run_texts.h"

namespace {

class UpdateRun {
 public:
  UpdateRun(const std::wstring& baseUrl, const std::wstring& programFolder, const std::wstring& stagingFolder,
            UpdateRunWindow& window, Logger& log, UpdateServices& services)
      : baseUrl_(baseUrl),
        programFolder_(programFolder),
        stagingFolder_(stagingFolder.empty() ? programFolder : stagingFolder),
        window_(window),
        log_(log),
        source_(services),
        folder_(services),
        programs_(services) {}

  // Every slot fetched and checked in order while the shop's program keeps running; only then
  // are its copies closed and all files placed together. A failed file ends the run where it
  // failed, with nothing closed and nothing changed.
  void Run(const std::array<std::wstring, 5>& files) {
    stage_ = L"start update timer";
    log_.LOG_YAZ(L"Update started; baseUrl=" + VisibleText(baseUrl_));
    window_.StopRunTimer();
    window_.SetProgress(0);
    if (!CheckRelease(files) || !ReleaseFitsOnDisk(files)) return;
    for (const std::wstring& slot : files) {
      if (!FetchSlot(TrimSpaces(slot))) return;
    }
    if (Cancelled()) return;
    if (!staged_.empty() && !PlaceStaged(files)) return;
    Finish();
  }

  // Anything a step raised that no procedure below handled itself.
  void ReportUnexpected(const ErrorInfo& error) noexcept {
    IgnoringFailure([&] {
      const std::wstring report = StageErrorText(stage_, error, L"Güncelleme hatası ");
      IgnoringFailure([&] { window_.StopProgressTimer(); });
      IgnoringFailure([&] { window_.ShowRunStopped(); });
      IgnoringFailure([&] { window_.SetStartEnabled(true); });
      IgnoringFailure(
          [&] { log_.LOG_YAZ(L"Unexpected update error; stage=" + stage_ + L"; details=" + report); });
      IgnoringFailure([&] { ShowMessageBox(report, kProgramTitle, kBoxError); });
    });
  }

 private:
  // A program built with a release key trusts only what the vendor signed: the list first,
  // before any file. False when the release cannot be trusted, which stops the run.
  bool CheckRelease(const std::array<std::wstring, 5>& files) {
    const std::wstring listUrl = URL_OLUSTUR(baseUrl_, kReleaseListName);
    window_.BeginTransfer(std::nullopt);
    try {
      std::optional<VerifiedRelease> verified =
          source_.VerifiedReleaseList(listUrl, URL_OLUSTUR(baseUrl_, kReleaseSignatureName), window_, log_);
      if (!verified) return true;
      log_.LOG_YAZ(L"Release signature verified; url=" + VisibleText(listUrl) + L"; files=" +
                   std::to_wstring(verified->list.size()));
      AcceptRelease(*verified, files);
      release_ = std::move(verified->list);
      verifiedList_ = std::move(verified->listBytes);
      verifiedSignature_ = std::move(verified->signatureBytes);
    } catch (const ReleaseRefused& refused) {
      if (Cancelled()) return false;
      ReportRefusedRelease(listUrl, refused.reason());
      return false;
    }
    return true;
  }

  // Newer than what was begun here, and naming every slot; then kept before any file changes, so
  // that an older list can never follow it and a run cut short can be run again.
  void AcceptRelease(const VerifiedRelease& verified, const std::array<std::wstring, 5>& files) {
    const KeptRelease kept = ReadKeptRelease();
    if (std::optional<std::wstring> refused = ReleaseOrderRefusal(verified, kept))
      throw ReleaseRefused(*refused);
    for (const std::wstring& slot : files) {
      const std::wstring name = TrimSpaces(slot);
      if (!name.empty() && !verified.list.Find(name)) {
        throw ReleaseRefused(L"Dosya imzalı sürüm listesinde yok: " + VisibleText(name));
      }
    }
    const uint64_t number = *verified.list.release();
    log_.LOG_YAZ(L"Release accepted; release=" + std::to_wstring(number) + L"; kept=" +
                 std::to_wstring(kept.number));
    if (number == kept.number && kept.listSha256) return;
    // A folder this user cannot write gets it from the placing copy, which checks the order again.
    if (HandsOverPlacing()) return;
    stage_ = L"keep release number";
    folder_.WriteFileAtomically(KeptReleasePath(), KeptReleaseText(number, verified.listSha256));
    log_.LOG_YAZ(L"Kept release written; path=" + KeptReleasePath() + L"; release=" +
                 std::to_wstring(number) + L"; sha256=" + DigestHex(verified.listSha256));
  }

  // Only a missing kept file counts as no release at all. One that is there but cannot be read
  // (locked, too long, an I/O error) or understood may hold a higher number: the run stops, so an
  // older list never passes and overwrites it.
  KeptRelease ReadKeptRelease() {
    std::wstring problem, shown;
    try {
      const std::optional<std::string> bytes = folder_.ReadSmallFile(KeptReleasePath());
      if (!bytes) return KeptRelease{};
      if (std::optional<KeptRelease> kept = ParseKeptRelease(*bytes)) return *kept;
      problem = L"not in the form release/sha256";
      shown = L"içeriği beklenen biçimde değil";
    } catch (const AppError& error) {
      problem = shown = ErrorText(error.info());
    }
    log_.LOG_YAZ(L"Kept release unreadable, run refused; path=" + KeptReleasePath() + L"; reason=" + problem);
    throw ReleaseRefused(L"Kurulu sürümün kaydı (" + KeptReleasePath() + L") okunamadı: " + shown +
                         L". Daha eski bir sürüm kurulmasın diye güncelleme durduruldu; dosyayı kullanan "
                         L"programı kapatıp yeniden deneyin ya da yazılım firmasına başvurun.");
  }

  std::wstring KeptReleasePath() const { return programFolder_ + L"\\" + kKeptReleaseName; }
  // Where a file waits until it is placed: beside its target, or in the user's staging folder.
  std::wstring StagedPath(const std::wstring& name) const { return stagingFolder_ + L"\\" + name; }
  bool HandsOverPlacing() const { return stagingFolder_ != programFolder_; }

  void ReportRefusedRelease(const std::wstring& listUrl, const std::wstring& reason) {
    const std::wstring status = L"Güncelleme imzası doğrulanamadı.";
    window_.StopProgressTimer();
    window_.ShowRunStopped();
    window_.SetStatus(status);
    window_.SetStartEnabled(true);
    const std::wstring shownUrl = VisibleText(listUrl);
    log_.LOG_YAZ(L"Release signature check failed; url=" + shownUrl + L"; reason=" + reason);
    ShowMessageBox(status + L"\r\n" + shownUrl + L"\r\n" + reason, kProgramTitle, kBoxError);
  }

  // The user closed the window during the run: the file being fetched keeps its old version, and
  // the program ends as closing the window always does, with a line in the log.
  bool Cancelled() {
    if (!window_.CancelRequested()) return false;
    log_.LOG_YAZ(L"Update cancelled by the user; stage=" + stage_);
    programs_.EndProcess();
    return true;
  }

  // One slot; false when its file failed or the run was cancelled. The name goes to the log and the
  // window as it can be shown: a line break or a NUL from the database forges no line, cuts no box.
  bool FetchSlot(const std::wstring& name) {
    if (Cancelled()) return false;
    if (name.empty()) {
      window_.SetStatus(L"İndirilecek dosya yok...");
      return true;
    }
    const std::wstring shown = VisibleText(name);
    stage_ = L"prepare file " + shown;
    log_.LOG_YAZ(L"File selected from database; name=" + shown);
    // A hostile manifest name fails before any request is made, or any file is read.
    const std::optional<std::wstring> refused = FileNameOutsideFolder(name);
    if (!refused && release_ && AlreadyCurrent(name, shown)) return true;
    window_.SetStatus(shown + L" Dosyası indirilmeye başladı...");
    window_.SetSizeText(L"0");
    window_.SetFileName(shown);
    window_.BeginTransfer(shown);
    const std::wstring url = URL_OLUSTUR(baseUrl_, name);
    window_.SetStatus(shown + L" Dosyası indiriliyor...");
    stage_ = L"download file " + shown;

    DownloadResult result{false, 0, refused.value_or(L"")};
    if (!refused) {
      result = release_ ? FetchSmallestForm(name, shown, url)
                        : source_.Download(url, StagedPath(name), window_, log_, std::nullopt);
    }
    if (!result.fetched) {
      if (!Cancelled()) ReportFailedFile(shown, VisibleText(url), result.details);
      return false;
    }
    staged_.push_back({name, static_cast<uint64_t>(result.bytes), result.sha256});
    log_.LOG_YAZ(L"File reported downloaded; name=" + shown + L"; bytes=" + std::to_wstring(result.bytes));
    window_.SetSizeText(SizeText(result.bytes, programs_.ThousandsSeparator()));
    window_.SetStatus(shown + L" Dosyası indirildi...");
    window_.StopProgressTimer();
    window_.SetProgress(100);
    return true;
  }

  // A signed release's file in the smallest form the list offers for the installed one, each form
  // tried once; one that fails is logged and the next tried, the plain file last.
  DownloadResult FetchSmallestForm(const std::wstring& name, const std::wstring& shown,
                                   const std::wstring& url) {
    const std::wstring destination = StagedPath(name);
    const std::wstring installed = programFolder_ + L"\\" + name;
    const ListedFile target = release_->Find(name).value();
    for (const FileForm& form : FormsToFetch(*release_, name, installed_)) {
      if (form.kind == FileFormKind::kPlain)
        return source_.Download(url, destination, window_, log_, target);
      const std::wstring formUrl = URL_OLUSTUR(baseUrl_, form.name);
      DownloadResult result = source_.DownloadForm(formUrl, destination, installed, window_, log_, form, target);
      if (result.fetched) {
        log_.LOG_YAZ(AppliedFormText(form, shown) + L"; bytes=" + std::to_wstring(form.listed.size));
        return result;
      }
      if (window_.CancelRequested()) return result;
      log_.LOG_YAZ(
          (form.kind == FileFormKind::kPatch ? L"Patch failed; name=" : L"Compressed copy failed; name=") +
          shown + L"; reason=" + result.details);
    }
    return DownloadResult{false, 0, L"Dosya imzalı sürüm listesinde yok: " + shown};
  }

  std::wstring AppliedFormText(const FileForm& form, const std::wstring& shown) const {
    if (form.kind == FileFormKind::kCompressed) return L"Compressed copy applied; name=" + shown;
    return L"Patch applied; name=" + shown + L"; from=" + DigestHex(installed_.value()).substr(0, 16);
  }

  // With a signed release, a file that already has the listed size and digest is not fetched.
  // When the list offers patches of it, the installed file's digest is read once for both.
  bool AlreadyCurrent(const std::wstring& name, const std::wstring& shown) {
    const ListedFile listed = release_->Find(name).value();
    const std::wstring path = programFolder_ + L"\\" + name;
    stage_ = L"check file " + shown;
    window_.SetFileName(shown);
    window_.SetStatus(shown + L" Dosyası denetleniyor...");
    installed_.reset();
    if (OffersPatches(*release_, name)) {
      installed_ = folder_.InstalledSha256(path, window_, log_);
      if (installed_ != listed.digest) return false;
    } else if (!folder_.FileIsCurrent(path, listed, window_, log_)) {
      return false;
    }
    log_.LOG_YAZ(L"File already current; name=" + shown + L"; sha256=" + DigestHex(listed.digest));
    window_.SetSizeText(SizeText(static_cast<int64_t>(listed.size), programs_.ThousandsSeparator()));
    window_.SetStatus(shown + L" Dosyası güncel...");
    window_.StopProgressTimer();
    window_.SetProgress(100);
    return true;
  }

  void ReportFailedFile(const std::wstring& name, const std::wstring& url, const std::wstring& details) {
    window_.StopProgressTimer();
    window_.ShowRunStopped();
    window_.SetStatus(name + L" indirilemedi.");
    window_.SetStartEnabled(true);
    log_.LOG_YAZ(L"File download returned failure; name=" + name + L"; url=" + url + L"; details=" + details);
    ShowMessageBox(name + L" indirilemedi.\r\n" + url + L"\r\n" + details, kProgramTitle, kBoxError);
  }

  // A signed release lists every size before the first byte: what is still to come must fit
  // beside the old files, which stay until every new one is here. Staged in the user's folder,
  // every file is copied beside its target as well before it is placed.
  bool ReleaseFitsOnDisk(const std::array<std::wstring, 5>& files) {
    if (!release_) return true;
    stage_ = L"check free space";
    uint64_t needed = 0, listedTotal = 0;
    for (const std::wstring& slot : files) {
      const std::wstring name = TrimSpaces(slot);
      if (name.empty() || FileNameOutsideFolder(name)) continue;
      const uint64_t listed = release_->Find(name).value().size;
      const uint64_t kept = folder_.FileSize(StagedPath(name) + kTemporarySuffix).value_or(0);
      needed += listed > kept ? listed - kept : 0;
      listedTotal += listed;
    }
    if (!FitsOn(stagingFolder_, needed)) return false;
    return !HandsOverPlacing() || FitsOn(programFolder_, listedTotal);
  }

  bool FitsOn(const std::wstring& folder, uint64_t needed) {
    const uint64_t free = folder_.FreeBytes(folder);
    if (needed <= free) return true;
    const std::wstring reason = L"Diskte yeterli yer yok: güncelleme " + std::to_wstring(needed) +
                                L" bayt istiyor, boş yer " + std::to_wstring(free) +
                                L" bayt. Yer açıp yeniden deneyin; hiçbir dosya değişmedi.";
    window_.StopProgressTimer();
    window_.ShowRunStopped();
    window_.SetStatus(L"Diskte yeterli yer yok.");
    window_.SetStartEnabled(true);
    log_.LOG_YAZ(L"Update not started, not enough free space; needed=" + std::to_wstring(needed) +
                 L"; free=" + std::to_wstring(free));
    ShowMessageBox(reason, kProgramTitle, kBoxError);
    return false;
  }

  // Every file is here and checked: only now are the listed programs closed, and every file put
  // in place in one step. False when one could not be placed: the folder is then as it was.
  bool PlaceStaged(const std::array<std::wstring, 5>& files) {
    if (HandsOverPlacing()) return HandOverPlacing(files);
    stage_ = L"close running programs";
    window_.SetStatus(kClosingFilesStatus);
    CloseRunningCopies(files);
    stage_ = L"place files";
    window_.SetStatus(kPlacingFilesStatus);
    try {
      folder_.PlaceFiles(programFolder_, staged_, log_);
      return true;
    } catch (const PlacingFailed& failed) {
      ReportFailedPlacing(failed);
      return false;
    }
  }

  // A copy that could not be closed shows up when its file cannot be placed.
  void CloseRunningCopies(const std::array<std::wstring, 5>& files) {
    for (const ProgramToClose& program : ProgramsToClose(files, programFolder_)) {
      IgnoringFailure([&] { programs_.CloseRunningCopies(program.name, program.file); });
    }
  }

  // Every file is back as it was, so the program that was closed for the update runs again.
  void ReportFailedPlacing(const PlacingFailed& failed) {
    const std::wstring shown = VisibleText(failed.name);
    const std::wstring details = StageErrorText(L"place file " + shown, failed.error);
    window_.StopProgressTimer();
    window_.ShowRunStopped();
    window_.SetStatus(shown + L" yerine konamadı.");
    window_.SetStartEnabled(true);
    log_.LOG_YAZ(L"File placing failed, every file put back; name=" + shown + L"; details=" + details);
    ShowMessageBox(shown + L" yerine konamadı; bütün dosyalar eski hâline döndü.\r\n" + details +
                       L"\r\n\r\nDosyayı kullanan programı kapatıp yeniden deneyin.",
                   kProgramTitle, kBoxError);
    const std::wstring mainProgram = programFolder_ + L"\\" + kMainProgramName;
    IgnoringFailure([&] {
      if (folder_.FileExists(mainProgram)) programs_.StartProgram(mainProgram);
    });
  }

  // The program's folder takes no files from this user: they wait in the staging folder, and a
  // copy of the updater started with the administrator's approval checks them again, closes the
  // programs and places them. Nothing is closed here; the program is started here, as the user.
  bool HandOverPlacing(const std::array<std::wstring, 5>& files) {
    stage_ = L"hand over placing";
    WriteHandOver(files);
    ShowMessageBox(ApprovalNeededText(), kProgramTitle, kBoxInformation);
    window_.SetStatus(kPlacingFilesStatus);
    const std::wstring release = release_ ? std::to_wstring(*release_->release()) : L"unsigned";
    log_.LOG_YAZ(L"Placing copy starting; staged=" + stagingFolder_ + L"; release=" + release);
    const PlacingCopyOutcome outcome = programs_.RunPlacingCopy({stagingFolder_, programFolder_, release}, window_);
    if (const uint32_t* code = std::get_if<uint32_t>(&outcome)) {
      log_.LOG_YAZ(L"Placing copy ended; exitCode=" + std::to_wstring(*code));
      if (*code == static_cast<uint32_t>(ElevatedExit::placed)) return true;
      // Programs it closed start again once its files are back, or when one would not close.
      const bool closed = *code == static_cast<uint32_t>(ElevatedExit::placingRolledBack) ||
                          *code == static_cast<uint32_t>(ElevatedExit::programsStillRunning);
      ReportFailedHandOver(L"Dosyalar yerine konamadı.", ElevatedExitText(*code), kBoxError, closed);
      return false;
    }
    const ErrorInfo& error = std::get<ErrorInfo>(outcome);
    log_.LOG_YAZ(L"Placing copy not started; error=" + ErrorText(error, L""));
    if (error.number == kApprovalRefused) {
      ReportFailedHandOver(L"Yönetici onayı verilmedi.",
                           L"Yönetici onayı verilmedi; hiçbir dosya değişmedi ve programınız açık. İndirilen "
                           L"dosyalar saklandı: bir sonraki güncellemede yeniden indirilmeyecek.",
                           kBoxWarning, false);
      return false;
    }
    ReportFailedHandOver(L"Dosyalar yerine konamadı.",
                         L"Yönetici onayıyla çalışacak kopya başlatılamadı; hiçbir dosya değişmedi.\r\n" +
                             ErrorText(error, L"Hata "),
                         kBoxError, false);
    return false;
  }

  std::wstring ApprovalNeededText() const {
    return L"Program klasörüne yalnızca bu bilgisayarın yöneticisi yazabilir:\r\n" + programFolder_ +
           L"\r\n\r\nYeni dosyalar indirildi ve denetlendi. Onları yerine koymak için Windows şimdi "
           L"yönetici onayı isteyecek. Onay verirseniz açık programlar kapatılır, dosyalar yerine konur ve "
           L"program yeniden başlar; vermezseniz hiçbir şey değişmez.";
  }

  // What the placing copy reads: the staged files with the digests computed here and, for a
  // signed release, the list and signature verified here, which it verifies once more.
  void WriteHandOver(const std::array<std::wstring, 5>& files) {
    HandOver handOver;
    handOver.keyed = release_.has_value();
    for (const std::wstring& slot : files) {
      if (!TrimSpaces(slot).empty()) handOver.slots.push_back(slot);
    }
    for (const StagedFile& file : staged_) handOver.files.push_back({file.name, file.size, file.sha256});
    if (handOver.keyed) {
      folder_.WriteFileAtomically(StagedPath(kHandedListName), verifiedList_);
      folder_.WriteFileAtomically(StagedPath(kHandedSignatureName), verifiedSignature_);
    }
    folder_.WriteFileAtomically(StagedPath(kHandOverName), HandOverText(handOver));
  }

  // Nothing changed unless the placing copy closed programs: they then start again.
  void ReportFailedHandOver(const std::wstring& status, const std::wstring& text, unsigned style,
                            bool restartProgram) {
    window_.StopProgressTimer();
    window_.ShowRunStopped();
    window_.SetStatus(status);
    window_.SetStartEnabled(true);
    ShowMessageBox(text, kProgramTitle, style);
    const std::wstring mainProgram = programFolder_ + L"\\" + kMainProgramName;
    IgnoringFailure([&] {
      if (restartProgram && folder_.FileExists(mainProgram)) programs_.StartProgram(mainProgram);
    });
  }

  void Finish() {
    window_.SetStatus(L"Tüm dosyalarınız güncellendi.");
    window_.ShowRunCompleted();
    ShowMessageBox(L"Güncelleme tamamlandı! Programınız yeniden başlayacak.", kProgramTitle, kBoxInformation);
    const std::wstring mainProgram = programFolder_ + L"\\" + kMainProgramName;
    if (folder_.FileExists(mainProgram)) StartMainProgram(mainProgram);
    programs_.EndProcess();
  }

  // The files are in place whatever happens now: a program that does not start (it needs
  // elevation, a scanner blocks it) is told as such, and the run still ends as completed.
  void StartMainProgram(const std::wstring& path) {
    try {
      programs_.StartProgram(path);
    } catch (const AppError& error) {
      log_.LOG_YAZ(L"Main program could not be started; path=" + path + L"; error=" +
                   ErrorText(error.info()));
      ShowMessageBox(
          L"Dosyalarınız güncellendi, ancak program başlatılamadı. Programı kendiniz açmayı "
          L"deneyin.\r\n" +
              path + L"\r\n" + ErrorText(error.info()),
          kProgramTitle, kBoxWarning);
    }
  }

  const std::wstring& baseUrl_;
  const std::wstring& programFolder_;
  const std::wstring stagingFolder_;  // the program's folder itself unless this user cannot write it
  UpdateRunWindow& window_;
  Logger& log_;
  ReleaseSource& source_;
  FolderFiles& folder_;
  ProgramControl& programs_;
  std::wstring stage_;
  std::optional<ReleaseList> release_;  // the verified list of a signed release
  std::string verifiedList_, verifiedSignature_;  // its bytes, for a placing copy
  std::vector<StagedFile> staged_;      // fetched and checked, waiting to be placed
  std::optional<Sha256Digest> installed_;  // the current file's installed digest, when it was read
};

}  // namespace

void RunUpdate(const std::wstring& baseUrl, const std::array<std::wstring, 5>& files,
               const std::wstring& programFolder, UpdateRunWindow& window, Logger& log,
               UpdateServices& services, const std::wstring& stagingFolder) {
  UpdateRun run(baseUrl, programFolder, stagingFolder, window, log, services);
  try {
    services.RunStarting();
    run.Run(files);
  } catch (...) {
    run.ReportUnexpected(CurrentErrorInfo());
  }
}
