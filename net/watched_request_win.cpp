#include "net/watched_request_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

#include "net/file_address.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

// How often the waiting thread looks at the clock and the window when nothing happens.
constexpr DWORD kWatchTickMs = 50;

// A stall counts as the time-out it stands in for, so it is retried like one.
constexpr int32_t kStallError = 12002;  // ERROR_WINHTTP_TIMEOUT

// Thrown on the worker into a body given up on, to leave it without touching the sink.
struct Abandoned {};

// The waiting thread is woken for a piece at most this often: a fast line's pieces come far
// closer, and every wake-up costs the worker time on a busy machine.
constexpr uint64_t kPieceWakeMs = 10;

}  // namespace

// What the calls on the worker and the waiting thread share. Every call holds it too, so one
// given up on finishes on what is still there and frees it when it ends.
struct WatchedRequest::Exchange {
  explicit Exchange(std::unique_ptr<HttpRequest> opened) : request(std::move(opened)) {}

  std::unique_ptr<HttpRequest> request;
  UniqueHandle piece;  // set after each piece of a body
  ResponseHead head;   // results live here, never on the waiting thread's stack
  ProxyTry found;
  std::atomic<uint64_t> received{0};
  uint64_t lastWake = 0;  // the worker's own
  // Held while the worker uses the waiting thread's sink; once given up, it never does again.
  std::mutex sinkMutex;
  bool givenUp = false;
};

namespace {

// The waiting thread's sink, as the worker may use it: never after the attempt was given up on.
class GuardedSink final : public BodySink {
 public:
  GuardedSink(BodySink& sink, std::mutex& mutex, const bool& givenUp)
      : sink_(sink), mutex_(mutex), givenUp_(givenUp), canResume_(sink.CanResume()) {}
  void Begin(uint64_t offset, std::optional<uint64_t> declared) override {
    Guarded([&] { sink_.Begin(offset, declared); });
  }
  void Write(const unsigned char* data, size_t size) override {
    Guarded([&] { sink_.Write(data, size); });
  }
  void End() override {
    Guarded([&] { sink_.End(); });
  }
  uint64_t Keep() override {
    uint64_t kept = 0;
    Guarded([&] { kept = sink_.Keep(); });
    return kept;
  }
  bool CanResume() const override { return canResume_; }

 private:
  template <typename Call>
  void Guarded(Call call) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (givenUp_) throw Abandoned();
    call();
  }

  BodySink& sink_;
  std::mutex& mutex_;
  const bool& givenUp_;
  const bool canResume_;
};

}  // namespace

WatchedRequest::WatchedRequest(const std::wstring& address, const AttemptOptions& options)
    : address_(address), options_(options) {
  StartWorker(std::make_unique<HttpRequest>(address, options.timeouts));
}

void WatchedRequest::StartWorker(std::unique_ptr<HttpRequest> request) {
  auto exchange = std::make_shared<Exchange>(std::move(request));
  exchange->piece.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!exchange->piece) ThrowLastError();
  worker_ = std::make_unique<Worker>();
  exchange_ = std::move(exchange);
}

// The worker's call under way ends first, unless it was given up on.
WatchedRequest::~WatchedRequest() = default;

ResponseHead WatchedRequest::Send(uint64_t from, const std::wstring& validator) {
  const std::wstring headers =
      from > 0 ? L"Range: bytes=" + std::to_wstring(from) + L"-\r\nIf-Range: " + validator : L"";
  if (!options_.network) return SendOnce(headers, nullptr, nullptr);
  return SendThroughProxies(
      options_.network->proxies(),
      [&](const ProxyRoute& route, ProxyTry& found) { return SendOnce(headers, &route, &found); },
      options_.log);
}

ResponseHead WatchedRequest::SendOnce(const std::wstring& headers, const ProxyRoute* route, ProxyTry* found) {
  // A way given up for a stall left no worker behind.
  if (!worker_) StartWorker(nullptr);
  watch_.emplace(options_.stall, GetTickCount64());
  std::optional<ProxyRoute> way;
  if (route) way = *route;
  const bool tls12 = options_.network && options_.network->asksForTls12();
  // Only values go to the worker: a call given up on may outlive this object.
  auto call = [way, headers, address = address_, timeouts = options_.timeouts, tls12](Exchange& exchange) {
    exchange.found = ProxyTry{};
    if (way) {
      exchange.request =
          std::make_unique<HttpRequest>(address, timeouts, SessionFor(*way, address, tls12, exchange.found));
    }
    if (!headers.empty()) exchange.request->AddHeaders(headers);
    try {
      exchange.request->Send();
    } catch (const AppError& error) {
      if (error.number() != ERROR_WINHTTP_SECURE_CHANNEL_ERROR || !exchange.request->ProxyWantsCredentials())
        throw;
      exchange.head = ResponseHead{407, L"Proxy Authentication Required"};
      return;
    }
    exchange.head = exchange.request->Head();
  };
  try {
    RunWatched(call);
  } catch (...) {
    Collect(found);
    throw;
  }
  Collect(found);
  watch_->Alive(0, GetTickCount64());
  return exchange_->head;
}

void WatchedRequest::Collect(ProxyTry* found) {
  if (!exchange_) return;
  if (found) *found = exchange_->found;
  const HttpRequest* request = exchange_->request.get();
  if (request && request->protocolsRefused() && options_.network) {
    options_.network->ProtocolsRefused(*request->protocolsRefused(), options_.log);
  }
}

uint64_t WatchedRequest::ReceiveBody(BodySink& sink, const BodyProgress& progress) {
  // Made here, so the worker meets the window thread's sink only through the guard.
  if (!exchange_) throw AppError(ErrorInfoFromCode(ERROR_INVALID_HANDLE));
  auto guarded = std::make_shared<GuardedSink>(sink, exchange_->sinkMutex, exchange_->givenUp);
  RunWatched(
      [guarded](Exchange& exchange) {
        ReadBody(*exchange.request, *guarded, [&exchange](uint64_t received, std::optional<uint64_t>) {
          exchange.received = received;
          const uint64_t now = GetTickCount64();
          if (now - exchange.lastWake < kPieceWakeMs) return;
          exchange.lastWake = now;
          SetEvent(exchange.piece.get());
        });
      },
      progress);
  return exchange_->received;
}

void WatchedRequest::RunWatched(std::function<void(Exchange&)> call, const BodyProgress& progress) {
  if (!worker_) throw AppError(ErrorInfoFromCode(ERROR_INVALID_HANDLE));
  TransferWindow* window = options_.window;
  if (window && window->CancelRequested()) throw TransferFailure::Cancelled();
  worker_->Start([exchange = exchange_, call = std::move(call)] { call(*exchange); });
  const HANDLE events[] = {worker_->ended(), exchange_->piece.get()};
  const DWORD count = progress ? 2 : 1;
  try {
    WaitFor(count, events, progress);
  } catch (...) {
    // Whatever stopped this thread waiting (a stall, a cancel, a failing window), the worker's
    // call is left to end by itself.
    if (worker_) GiveUp();
    throw;
  }
  if (const std::exception_ptr failure = worker_->failure()) std::rethrow_exception(failure);
}

void WatchedRequest::WaitFor(DWORD count, const HANDLE* events, const BodyProgress& progress) {
  TransferWindow* window = options_.window;
  // The body's beginning is told first, whatever the worker has done by the time this thread wakes.
  uint64_t told = 0;
  if (progress) progress(told, std::nullopt);
  for (;;) {
    const DWORD waited =
        window ? MsgWaitForMultipleObjectsEx(count, events, kWatchTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
               : WaitForMultipleObjects(count, events, FALSE, kWatchTickMs);
    if (waited == WAIT_FAILED) ThrowLastError();
    const bool done = waited == WAIT_OBJECT_0;
    // The pieces so far are told on the window's thread, the worker never waiting for it.
    if (progress && exchange_->received != told) {
      told = exchange_->received;
      watch_->Alive(told, GetTickCount64());
      progress(told, std::nullopt);
    }
    if (done) break;
    const bool piece = progress && waited == WAIT_OBJECT_0 + 1;
    if (window && !piece) window->Pump();
    if (window && window->CancelRequested()) throw TransferFailure::Cancelled();
    if (const std::optional<std::wstring> why = watch_->Stalled(GetTickCount64())) {
      throw AppError(kStallError, *why);
    }
  }
}

// The worker may stay in its call for long: it ends on its own and frees what it holds. It does
// not touch the sink again; one of its writes under way is waited for.
void WatchedRequest::GiveUp() {
  {
    const std::lock_guard<std::mutex> sinkLock(exchange_->sinkMutex);
    exchange_->givenUp = true;
  }
  worker_->GiveUp();
  worker_.reset();
  exchange_.reset();
}

bool WaitWatched(uint64_t ms, TransferWindow* window) {
  const uint64_t deadline = GetTickCount64() + ms;
  for (;;) {
    if (window) {
      window->Pump();
      if (window->CancelRequested()) return false;
    }
    const uint64_t now = GetTickCount64();
    if (now >= deadline) return true;
    const DWORD left = static_cast<DWORD>(std::min<uint64_t>(deadline - now, kWatchTickMs));
    if (window) {
      MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } else {
      Sleep(left);
    }
  }
}

WatchedFetchHost::WatchedFetchHost(const std::wstring& url, const AttemptOptions& options)
    : address_(RequestAddress(url)),
      options_(options),
      random_(static_cast<uint32_t>(GetTickCount64() ^ (uint64_t{GetCurrentProcessId()} << 20))) {}

std::unique_ptr<FetchAttempt> WatchedFetchHost::NewAttempt() {
  return std::make_unique<WatchedRequest>(address_, options_);
}

bool WatchedFetchHost::Wait(uint64_t ms) { return WaitWatched(ms, options_.window); }

uint64_t WatchedFetchHost::Now() { return GetTickCount64(); }

double WatchedFetchHost::Jitter() { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }
