// Fetching one file over a line that drops, stalls or is refused for a moment: attempts until
// one brings the whole body, each continuing what the earlier ones brought when the server can
// be trusted to send the same file (If-Range), never splicing two versions of it.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"
#include "update/body_reader.h"
#include "update/retry_rules.h"

// A response's head, as the attempts judge it.
struct ResponseHead {
  uint32_t status = 0;
  std::wstring reason;
  std::optional<uint64_t> length;  // of this body, when declared (never for a chunked one)
  std::wstring contentRange;
  std::wstring etag;
  std::wstring lastModified;
  std::wstring retryAfter;
  std::wstring contentEncoding;
};

// What lets a later request continue the file: the validator of the response that began it
// (for If-Range) and the file's whole length.
struct ResumePoint {
  std::wstring validator;
  uint64_t total = 0;
  bool operator==(const ResumePoint&) const = default;
};

// One request and the body of its response.
class FetchAttempt {
 public:
  virtual ~FetchAttempt() = default;
  // Sends the request, with "Range: bytes=<from>-" and "If-Range: <validator>" when from > 0,
  // and waits for the head. Throws AppError (a stall too) and TransferCancelled.
  virtual ResponseHead Send(uint64_t from, const std::wstring& validator) = 0;
  // The body into a sink already begun, through ReadBody; its count. Throws as ReadBody does,
  // a stall and TransferCancelled too.
  virtual uint64_t ReceiveBody(BodySink& sink, const BodyProgress& progress) = 0;
};

// The user asked to close the window while the transfer went on.
class TransferCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "TransferCancelled"; }
};

// A status that ends the file: "HTTP 404 Not Found". transient: it was a passing one (503...)
// that stayed through every retry.
class StatusRefused : public std::exception {
 public:
  StatusRefused(std::wstring text, bool transient) : text_(std::move(text)), transient_(transient) {}
  const std::wstring& text() const { return text_; }
  bool transient() const { return transient_; }
  const char* what() const noexcept override { return "StatusRefused"; }

 private:
  std::wstring text_;
  bool transient_;
};

// The retries gave up on a passing failure: the last one is the reason. What arrived stays, so
// a later press continues it.
class RetriesExhausted : public AppError {
 public:
  RetriesExhausted(ErrorInfo last, std::exception_ptr original)
      : AppError(std::move(last)), last_(original) {}
  // The last failure as it was thrown.
  std::exception_ptr last() const { return last_; }

 private:
  std::exception_ptr last_;
};

enum class FetchStep { kCreateRequest, kSend, kReadBody };

// An attempt failed in a way that passes: the next one comes after waitMs.
struct RetryNotice {
  int attempt = 0;  // of the next attempt, from 2 on
  std::wstring reason;
  uint64_t resumeFrom = 0;  // where the next attempt asks to begin; 0 starts over
  uint64_t waitMs = 0;
};

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
// Returns the file's length. Throws StatusRefused, RetriesExhausted, TransferCancelled, the
// AppError of a final failure and what the sink throws.
uint64_t FetchWithRetries(FetchHost& host, BodySink& sink, const RetryLimits& limits,
                          std::optional<ResumePoint> kept = std::nullopt);
