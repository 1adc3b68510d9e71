// The updater as one piece: the window frmindir with the module mdlset, start-up's settings,
// connection and manifest steps, the start button and the update run attached to it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/frmindir_views_win.h"
#include "app/frmindir_win.h"
#include "app/start_button.h"
#include "settings/mdlset.h"
#include "trust/release_key_win.h"
#include "update/update_run.h"
#include "update/update_services_win.h"

// What the program takes from the system; tests put their own in place.
struct UpdaterParts {
  ConnectionFactory createConnection;   // cnBaglanti (ODBC when empty)
  UpdateServices* services = nullptr;   // downloads, program start, process end (Windows when null)
  TerminateTaskFunction terminateTask;  // mdlTask's TerminateTask when empty
  FolderWriteCheck checkFolder;         // the write probe when empty
  StagingFolderFor stagingFolder;       // the user's under local application data when empty
  // The raw key releases must be signed with: the one built in, if any. The run checks with it
  // (unless services are given) and the first log line names it.
  std::optional<std::string> releaseKey = ReleaseKeyFromResources();
};

class UpdaterWindow final : public frmindir {
 public:
  UpdaterWindow(HINSTANCE instance, std::wstring programFolder, Logger& log, UpdaterParts parts = {},
                unsigned dpi = 0);

  const Mdlset& mdl() const { return mdl_; }

 protected:
  // XML_AYARAL, then the connection with its one fallback and OVN_AYARLA; when no connection
  // can be made at all, the user has been told and the program ends, the window unseen.
  void LoadSettingsAndManifest() override;

 private:
  void StartPressed();
  void RunTick();

  Mdlset mdl_;
  FrmindirViews views_;
  WindowsUpdateServices windowsServices_;
  UpdateServices& services_;
  TerminateTaskFunction terminateTask_;
  FolderWriteCheck checkFolder_;
  StagingFolderFor stagingFolderFor_;
  std::wstring stagingFolder_;  // where the pressed run stages its files; empty: beside them
};
