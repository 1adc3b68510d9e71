// One request whose blocking WinHTTP calls run on a thread of their own, while the window's
// thread waits for them with its messages handled, watching for a stall and for the user's
// cancel. A call given up on is left to end by itself: nothing of the attempt is touched again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "diag/logger.h"
#include "update/http_request_win.h"
#include "update/retrying_fetch.h"
#include "update/run_network_win.h"
#include "update/stall_watch.h"
#include "update/transfer_window.h"

// How an attempt is made and watched.
struct AttemptOptions {
  DownloadTimeouts timeouts;
  StallLimits stall;
  TransferWindow* window = nullptr;  // none: no messages to handle, no cancel
  // The run's proxy settings and protocols; none: the session as it always was.
  RunNetwork* network = nullptr;
  Logger* log = nullptr;  // where the way out and a refused protocol are told
};

class WatchedRequest final : public FetchAttempt {
 public:
  // Opens the request for the address as given; throws AppError as HttpRequest does. With a
  // network, each send goes out the way the run chose, or tries each way until one answers.
  WatchedRequest(const std::wstring& address, const AttemptOptions& options);
  ~WatchedRequest() override;
  WatchedRequest(const WatchedRequest&) = delete;
  WatchedRequest& operator=(const WatchedRequest&) = delete;

  ResponseHead Send(uint64_t from, const std::wstring& validator) override;
  std::optional<uint64_t> DeclaredLength() const override;
  uint32_t Read(void* buffer, uint32_t size) override;

 private:
  struct Worker;

  // One send, through the route when there is one; found: what the route's way out told.
  ResponseHead SendOnce(const std::wstring& headers, const ProxyRoute* route, ProxyTry* found);
  // What the last call on the worker learnt, once it has ended.
  void Collect(ProxyTry* found);
  void StartWorker(std::unique_ptr<HttpRequest> request);
  // Runs call on the worker and waits for it; throws what it threw, a stall or a cancel.
  void RunWatched(std::function<void(Worker&)> call);
  void GiveUp();

  const std::wstring address_;
  const AttemptOptions& options_;
  std::shared_ptr<Worker> worker_;
  std::optional<StallWatch> watch_;
  uint64_t bodyBytes_ = 0;
};

// Waits ms on the window's thread with its messages handled; false as soon as the user has asked
// to close the window. Without a window it only waits.
bool WaitWatched(uint64_t ms, TransferWindow* window);
