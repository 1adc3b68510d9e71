#include "update/watched_request_win.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

// How often the waiting thread looks at the clock and the window when nothing happens.
constexpr DWORD kWatchTickMs = 50;
constexpr uint32_t kReadSize = 256 * 1024;

// A stall counts as the time-out it stands in for, so it is retried like one.
constexpr int32_t kStallError = 12002;  // ERROR_WINHTTP_TIMEOUT

}  // namespace

// What the worker thread and the waiting thread share. The worker holds it too, so a call given
// up on finishes on what is still there and frees it when it ends.
struct WatchedRequest::Worker {
  explicit Worker(std::unique_ptr<HttpRequest> opened) : request(std::move(opened)) {}

  std::unique_ptr<HttpRequest> request;
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void(Worker&)> call;  // the call to make next
  bool stop = false;
  UniqueHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::exception_ptr failure;
  // Results live here, never on the waiting thread's stack, which may be gone by then.
  ResponseHead head;
  std::optional<uint64_t> declared;
  ProxyTry found;
  std::vector<unsigned char> piece = std::vector<unsigned char>(kReadSize);
  uint32_t got = 0;
  std::thread thread;

  static void Run(std::shared_ptr<Worker> self) {
    std::unique_lock<std::mutex> lock(self->mutex);
    for (;;) {
      self->wake.wait(lock, [&] { return self->call || self->stop; });
      if (!self->call) return;
      std::function<void(Worker&)> call = std::move(self->call);
      self->call = nullptr;
      lock.unlock();
      std::exception_ptr failure;
      try {
        call(*self);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      self->failure = failure;
      SetEvent(self->done.get());
    }
  }
};

WatchedRequest::WatchedRequest(const std::wstring& address, const AttemptOptions& options)
    : address_(address), options_(options) {
  StartWorker(std::make_unique<HttpRequest>(address, options.timeouts));
}

void WatchedRequest::StartWorker(std::unique_ptr<HttpRequest> request) {
  auto worker = std::make_shared<Worker>(std::move(request));
  if (!worker->done) ThrowLastError();
  worker->thread = std::thread(Worker::Run, worker);
  worker_ = std::move(worker);
}

WatchedRequest::~WatchedRequest() {
  if (!worker_) return;
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->stop = true;
  }
  worker_->wake.notify_all();
  worker_->thread.join();
}

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
  auto call = [way, headers, address = address_, timeouts = options_.timeouts, tls12](Worker& worker) {
    worker.found = ProxyTry{};
    if (way) {
      worker.request =
          std::make_unique<HttpRequest>(address, timeouts, SessionFor(*way, address, tls12, worker.found));
    }
    if (!headers.empty()) worker.request->AddHeaders(headers);
    try {
      worker.request->Send();
    } catch (const AppError& error) {
      if (error.number() != ERROR_WINHTTP_SECURE_CHANNEL_ERROR || !worker.request->ProxyWantsCredentials())
        throw;
      worker.head = ResponseHead{407, L"Proxy Authentication Required"};
      worker.declared.reset();
      return;
    }
    worker.head = worker.request->Head();
    worker.declared = worker.request->DeclaredLength();
  };
  try {
    RunWatched(call);
  } catch (...) {
    Collect(found);
    throw;
  }
  Collect(found);
  watch_->Alive(0, GetTickCount64());
  return worker_->head;
}

void WatchedRequest::Collect(ProxyTry* found) {
  if (!worker_) return;
  if (found) *found = worker_->found;
  const HttpRequest* request = worker_->request.get();
  if (request && request->protocolsRefused() && options_.network) {
    options_.network->ProtocolsRefused(*request->protocolsRefused(), options_.log);
  }
}

std::optional<uint64_t> WatchedRequest::DeclaredLength() const { return worker_->declared; }

uint32_t WatchedRequest::Read(void* buffer, uint32_t size) {
  const uint32_t wanted = std::min(size, kReadSize);
  RunWatched([wanted](Worker& worker) { worker.got = worker.request->Read(worker.piece.data(), wanted); });
  std::memcpy(buffer, worker_->piece.data(), worker_->got);
  bodyBytes_ += worker_->got;
  watch_->Alive(bodyBytes_, GetTickCount64());
  return worker_->got;
}

void WatchedRequest::RunWatched(std::function<void(Worker&)> call) {
  if (!worker_) throw AppError(ErrorInfoFromCode(ERROR_INVALID_HANDLE));
  TransferWindow* window = options_.window;
  // A close asked for while the last piece was shown stops the transfer before the next call.
  if (window && window->CancelRequested()) throw TransferCancelled();
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->call = std::move(call);
  }
  worker_->wake.notify_all();
  const HANDLE done = worker_->done.get();
  for (;;) {
    const DWORD waited =
        window ? MsgWaitForMultipleObjectsEx(1, &done, kWatchTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
               : WaitForSingleObject(done, kWatchTickMs);
    if (waited == WAIT_OBJECT_0) break;
    if (waited == WAIT_FAILED) ThrowLastError();
    if (window) window->Pump();
    if (window && window->CancelRequested()) {
      GiveUp();
      throw TransferCancelled();
    }
    if (const std::optional<std::wstring> why = watch_->Stalled(GetTickCount64())) {
      GiveUp();
      throw AppError(kStallError, *why);
    }
  }
  if (worker_->failure) std::rethrow_exception(worker_->failure);
}

// The worker may stay in its call for long: it ends on its own and frees what it holds.
void WatchedRequest::GiveUp() {
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->stop = true;
  }
  worker_->thread.detach();
  worker_.reset();
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
