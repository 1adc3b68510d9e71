// Fetching one file over a line that drops, stalls or is refused for a moment: attempts until
// one brings the whole body, each continuing what the earlier ones brought when the server can
// be trusted to send the same file (If-Range), never splicing two versions of it.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "net/body_reader.h"
#include "net/response.h"
#include "net/retry_rules.h"
#include "net/transfer_failure.h"
#include "platform/error.h"

// One request and the body of its response.
class FetchAttempt {
 public:
  virtual ~FetchAttempt() = default;
  // Sends the request, with "Range: bytes=<from>-" and "If-Range: <validator>" when from > 0,
  // and waits for the head. Throws AppError (a stall too) and a cancel (TransferFailure).
  virtual ResponseHead Send(uint64_t from, const std::wstring& validator) = 0;
  // The body into a sink already begun, through ReadBody; its count. Throws as ReadBody does,
  // a stall and a cancel too.
  virtual uint64_t ReceiveBody(BodySink& sink, const BodyProgress& progress) = 0;
};

enum class FetchStep { kCreateRequest, kSend, kReadBody };

// What the attempts need of their surroundings.
class FetchHost {
 public:
  // A new request; throws AppError for an address that no attempt can reach (a final failure).
  virtual std::unique_ptr<FetchAttempt> NewAttempt() = 0;
  virtual void Step(FetchStep) {}
  virtual void Response(const ResponseHead&) {}
  // The point from which later requests may continue the file, as soon as it is known, or none
  // once it is lost; kept beside the part, a later press can continue too.
  virtual void Resumable(const std::optional<ResumePoint>&) {}
  virtual void Retrying(const RetryNotice&) {}
  // The file's bytes so far, and its whole length when known.
  virtual void Progress(uint64_t, std::optional<uint64_t>) {}
  // Waits ms with the window's messages handled; false when the user asked to close meanwhile.
  virtual bool Wait(uint64_t ms) = 0;
  virtual uint64_t Now() = 0;   // milliseconds, never going back
  virtual double Jitter() = 0;  // a fresh random number in [0, 1)

 protected:
  ~FetchHost() = default;
};

// Fetches the whole file into sink, which may hold a part that kept says how to continue.
// Returns the file's length. Throws TransferFailure: a refused status, a passing failure that
// outlasted the retries (its last attempt's failure in last()), a cancel; and the AppError of a
// final failure and what the sink throws.
uint64_t FetchWithRetries(FetchHost& host, BodySink& sink, const RetryLimits& limits,
                          std::optional<ResumePoint> kept = std::nullopt);
