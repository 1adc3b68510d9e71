// One request whose blocking WinHTTP calls run on a thread of their own, while the window's
// thread waits for them with its messages handled, watching for a stall and for the user's
// cancel. The body streams into its sink on that thread as fast as it arrives; the window's
// thread is told of each piece, never in its way. A call given up on is left to end by itself,
// and nothing of the attempt, the sink least of all, is touched by it again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "diag/logger.h"
#include "net/http_request_win.h"
#include "net/retrying_fetch.h"
#include "net/run_network_win.h"
#include "net/stall_watch.h"
#include "net/transfer_window.h"
#include "platform/worker_win.h"

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
  uint64_t ReceiveBody(BodySink& sink, const BodyProgress& progress) override;

 private:
  struct Exchange;

  // One send, through the route when there is one; found: what the route's way out told.
  ResponseHead SendOnce(const std::wstring& headers, const ProxyRoute* route, ProxyTry* found);
  // What the last call on the worker learnt, once it has ended.
  void Collect(ProxyTry* found);
  void StartWorker(std::unique_ptr<HttpRequest> request);
  // Runs call on the worker and waits for it, telling progress of each piece; throws what it
  // threw, a stall or a cancel.
  void RunWatched(std::function<void(Exchange&)> call, const BodyProgress& progress = {});
  // Waits for the worker's call to end; throws a stall, a cancel and what the window throws.
  void WaitFor(DWORD count, const HANDLE* events, const BodyProgress& progress);
  void GiveUp();

  const std::wstring address_;
  const AttemptOptions& options_;
  std::shared_ptr<Exchange> exchange_;
  std::unique_ptr<Worker> worker_;  // after the exchange: it ends its call before the exchange goes
  std::optional<StallWatch> watch_;
};

// Waits ms on the window's thread with its messages handled; false as soon as the user has asked
// to close the window. Without a window it only waits.
bool WaitWatched(uint64_t ms, TransferWindow* window);

// The attempts at one file's address, each a WatchedRequest, with the waits between them taken
// as the window lets: what every fetch needs of its host. What a fetch tells of its attempts is
// the deriving class's.
class WatchedFetchHost : public FetchHost {
 public:
  // url: as it comes; each request goes out with its wire form (RequestAddress).
  WatchedFetchHost(const std::wstring& url, const AttemptOptions& options);

  std::unique_ptr<FetchAttempt> NewAttempt() override;
  bool Wait(uint64_t ms) override;
  uint64_t Now() override;
  double Jitter() override;

 protected:
  ~WatchedFetchHost() = default;
  // The address as it goes on the wire.
  const std::wstring& address() const { return address_; }

 private:
  const std::wstring address_;
  const AttemptOptions options_;
  std::mt19937 random_;
};
