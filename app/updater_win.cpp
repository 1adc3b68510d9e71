#include "app/updater_win.h"

#include <utility>

#include "app/folder_write_probe_win.h"
#include "app/startup.h"
#include "install/elevated_placing_win.h"
#include "platform/odbc_win.h"
#include "process/mdl_task_win.h"
#include "settings/settings_file_win.h"

UpdaterWindow::UpdaterWindow(HINSTANCE instance, std::wstring programFolder, Logger& log, UpdaterParts parts,
                             unsigned dpi)
    : frmindir(instance, std::move(programFolder), log, dpi),
      mdl_(parts.createConnection ? std::move(parts.createConnection)
                                  : ConnectionFactory(CreateOdbcConnection)),
      views_(*this),
      windowsServices_({}, parts.releaseKey),
      services_(parts.services ? *parts.services : windowsServices_),
      terminateTask_(parts.terminateTask
                         ? std::move(parts.terminateTask)
                         : TerminateTaskFunction([this](const std::wstring& name, const std::wstring& file) {
                             return TerminateTaskAndLog(name, file, this->log());
                           })),
      checkFolder_(parts.checkFolder ? std::move(parts.checkFolder) : FolderWriteCheck(FolderWriteError)),
      stagingFolderFor_(parts.stagingFolder ? std::move(parts.stagingFolder)
                                            : StagingFolderFor(UserStagingFolder)) {
  windowsServices_.SetTerminateTask(terminateTask_);
  SetReleaseKey(std::move(parts.releaseKey));
  SetStartHandler([this] { StartPressed(); });
  SetRunTickHandler([this] { RunTick(); });
}

void UpdaterWindow::LoadSettingsAndManifest() {
  XML_AYARAL(programFolder(), mdl_.settings);
  if (ConnectAndReadManifest(mdl_, views_) == StartupEnd::kEndProgram) EndProgram();
}

void UpdaterWindow::StartPressed() {
  stagingFolder_ =
      StartButtonPressed(mdl_.manifest.files, programFolder(), views_, checkFolder_, stagingFolderFor_);
}

// The tick of tmrIndir: the whole run, with the window taking no input until it stops.
void UpdaterWindow::RunTick() {
  const BusyScope busy(*this);
  RunUpdate(mdl_.manifest.baseUrl, mdl_.manifest.files, programFolder(), views_, log(), services_,
            stagingFolder_);
}
