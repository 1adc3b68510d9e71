// DOSYA_INDIR: fetches one file over HTTP and puts it in place safely.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "diag/logger.h"
#include "install/self_replace_win.h"
#include "net/http_request_win.h"
#include "net/retry_rules.h"
#include "net/run_network_win.h"
#include "net/stall_watch.h"
#include "net/transfer_window.h"
#include "trust/release_list.h"
#include "update/update_run.h"

// Points at which a test may hold the download, to end the process there.
enum class DownloadPoint {
  kBodyChunkWritten,  // after each full buffer of the body (and the last) has gone to the temporary file
  kBeforeReplace,     // the temporary file is complete, flushed and closed; the destination untouched
};

// Tests only: where a test holds the download, and the faults of the updater's own replace.
struct DownloadSeams {
  std::function<void(DownloadPoint)> reached;
  SelfReplaceSeams selfReplace;
};

struct DownloadOptions {
  DownloadTimeouts timeouts;
  StallLimits stall;
  RetryLimits retry;
  // What the window shows and answers meanwhile; none: nothing shown, nothing to cancel.
  TransferWindow* window = nullptr;
  // The run's way out (proxy, protocols); none: the session as it always was.
  RunNetwork* network = nullptr;
  // The checked file stays beside the destination ("NAME.download") with the record that lets a
  // later press take it without fetching it again, for the run to place with the others.
  bool stageOnly = false;
  DownloadSeams seams;
};

// Fetches url (spaces sent as "%20", '#' as "%23") into destination + ".download", checks it and
// moves it over destination (the running updater's own file is set aside first). A destination
// that Windows would store otherwise than written fails at once, before any request or file
// operation. A line that drops or stalls is tried again, continuing the part already received
// when the server can be trusted to send the same file; a file that fails for such a reason keeps
// its part for the next press. With a listed file (a signed release), the body's SHA-256 is
// computed as it streams and must be the one the verified list gives, or the file is refused
// before the replace. Fetched when the file is in place (staged, with stageOnly), with its size
// and SHA-256; otherwise the details give the reason and the destination is as it was. Every
// step is logged; nothing is thrown.
DownloadResult DOSYA_INDIR(const std::wstring& url, const std::wstring& destination, Logger& log,
                           const DownloadOptions& options = {},
                           const std::optional<ListedFile>& listed = std::nullopt);
