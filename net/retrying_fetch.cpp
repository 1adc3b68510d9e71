#include "net/retrying_fetch.h"

#include <algorithm>

#include "platform/text.h"

namespace {

// An attempt that failed in a way another may mend.
struct PassingFailure {
  std::wstring reason;                    // as the log and the notice give it
  std::optional<ErrorInfo> error;         // a platform failure; none for a status
  std::optional<uint64_t> retryAfterMs;   // what the server asked for
  bool atOnce = false;                    // a range the server would not continue: start over now
  std::exception_ptr original = nullptr;  // the platform failure as it was thrown
};

// The file ends where the 200's length or the 206's total says, whatever the framing: a body
// without a declared length, or a chunked one that Wine ends normally when cut, is held to it.
class EndingAt final : public BodySink {
 public:
  EndingAt(BodySink& sink, uint64_t from, std::optional<uint64_t> end) : sink_(sink), at_(from), end_(end) {}
  void Begin(uint64_t offset, std::optional<uint64_t> declared) override { sink_.Begin(offset, declared); }
  void Write(const unsigned char* data, size_t size) override {
    if (end_ && size > *end_ - at_) {
      throw AppError(kErrorInvalidServerResponse,
                     L"The response body runs past the file's end at " + std::to_wstring(*end_) + L" bytes.");
    }
    sink_.Write(data, size);
    at_ += size;
  }
  void End() override {
    if (end_ && at_ < *end_) throw BodyCutShort(at_, *end_);
    sink_.End();
  }
  uint64_t Keep() override { return sink_.Keep(); }
  bool CanResume() const override { return sink_.CanResume(); }

 private:
  BodySink& sink_;
  uint64_t at_;
  std::optional<uint64_t> end_;
};

class RetryingFetch {
 public:
  RetryingFetch(FetchHost& host, BodySink& sink, const RetryLimits& limits, std::optional<ResumePoint> kept)
      : host_(host), sink_(sink), limits_(limits), point_(std::move(kept)) {
    if (!sink_.CanResume()) point_.reset();
    kept_ = point_ ? sink_.Keep() : 0;
    farthest_ = kept_;
  }

  uint64_t Run() {
    uint64_t lastProgressAt = host_.Now();
    int withoutProgress = 0;
    for (int attempt = 1;; ++attempt) {
      std::optional<PassingFailure> passing = Attempt();
      if (!passing) return offset_ + received_;
      const PassingFailure& failure = *passing;
      if (BroughtTheFileFurther()) {
        withoutProgress = 0;
        lastProgressAt = host_.Now();
      } else {
        ++withoutProgress;
      }
      if (withoutProgress >= limits_.attemptsWithoutProgress ||
          host_.Now() - lastProgressAt >= limits_.withoutProgressMs) {
        GiveUp(failure);
      }
      const uint64_t wait =
          failure.atOnce ? 0 : RetryWaitMs(limits_, withoutProgress, failure.retryAfterMs, host_.Jitter());
      host_.Retrying({attempt + 1, failure.reason, ResumeFrom(), wait});
      if (!host_.Wait(wait)) throw TransferFailure::Cancelled();
    }
  }

 private:
  // One request: none when its body completed the file, else the failure another may mend. A
  // platform failure that passes (a reset, a time-out) is one; any other is thrown.
  std::optional<PassingFailure> Attempt() {
    try {
      return Request();
    } catch (const AppError& error) {
      if (!IsTransientError(error.number())) throw;
      return PassingFailure{ErrorText(error.info()), error.info(), std::nullopt, false,
                            std::current_exception()};
    }
  }

  std::optional<PassingFailure> Request() {
    offset_ = ResumeFrom();
    received_ = 0;
    host_.Step(FetchStep::kCreateRequest);
    const std::unique_ptr<FetchAttempt> request = host_.NewAttempt();
    host_.Step(FetchStep::kSend);
    const ResponseHead head = request->Send(offset_, offset_ > 0 ? point_->validator : std::wstring());
    host_.Response(head);
    if (std::optional<PassingFailure> passing = Accept(head)) return passing;
    host_.Step(FetchStep::kReadBody);
    EndingAt ending(sink_, offset_, total_);
    request->ReceiveBody(ending, [&](uint64_t received, std::optional<uint64_t>) {
      received_ = received;
      host_.Progress(offset_ + received, total_);
    });
    return std::nullopt;
  }

  // Begins the sink where the response's body belongs and learns the file's length when it is
  // known; a passing failure when this response cannot be taken, a refusal thrown for a status
  // that ends the file.
  std::optional<PassingFailure> Accept(const ResponseHead& head) {
    total_.reset();
    // Asked for "identity": a compressed body would be written as the file itself.
    const std::wstring coding = TrimSpaces(head.contentEncoding);
    if (head.status >= 200 && head.status < 300 && !coding.empty() && AsciiUpper(coding) != L"IDENTITY") {
      throw TransferFailure::Shown(TransferEnd::kRefused,
                                   L"Sunucu dosyayı sıkıştırılmış olarak gönderdi (Content-Encoding: " +
                                       VisibleText(coding) +
                                       L"); güncelleyici bunu dosya olarak kaydetmez. "
                                       L"Yazılım firmasına bildirin.");
    }
    if (head.status == 206) return AcceptRange(head);
    if (head.status >= 200 && head.status < 300) {
      total_ = AcceptWhole(head);
      return std::nullopt;
    }
    const std::wstring text = StatusRefusal(head.status, head.reason).value_or(L"");
    if (head.status == 416 && offset_ > 0) {
      StartOver();
      return PassingFailure{text, std::nullopt, std::nullopt, true};
    }
    if (IsTransientStatus(head.status))
      return PassingFailure{text, std::nullopt, RetryAfterMs(head.retryAfter)};
    throw TransferFailure::Shown(TransferEnd::kRefused, text);
  }

  // The whole file again: whether it changed or the server ignores ranges, what was kept goes.
  std::optional<uint64_t> AcceptWhole(const ResponseHead& head) {
    const std::optional<ResumePoint> before = point_;
    StartOver();
    offset_ = 0;
    // Emptied before a new point is kept, so no part of the old file ever lies under it.
    sink_.Begin(0, head.length);
    const std::wstring validator = IfRangeValidator(head.etag, head.lastModified);
    if (sink_.CanResume() && !validator.empty() && head.length) {
      const ResumePoint point{validator, *head.length};
      // Another file than the one before: its bytes count from nothing.
      if (before && !(point == *before)) farthest_ = 0;
      Learn(point);
    }
    return head.length;
  }

  std::optional<PassingFailure> AcceptRange(const ResponseHead& head) {
    const std::optional<ContentRange> range = ParseContentRange(head.contentRange);
    if (!Continues(range, head)) {
      const std::wstring reason = L"HTTP 206 with Content-Range \"" + head.contentRange +
                                  L"\" that does not continue " + std::to_wstring(offset_) + L" bytes kept";
      StartOver();
      return PassingFailure{reason, std::nullopt, std::nullopt, true};
    }
    sink_.Begin(offset_, head.length);
    const std::wstring validator = IfRangeValidator(head.etag, head.lastModified);
    if (!point_ && sink_.CanResume() && !validator.empty()) Learn({validator, *range->total});
    total_ = range->total;
    return std::nullopt;
  }

  // A range continues the file when it starts where the kept part ends, runs to the end of a
  // file as long as the one the part came from, and carries no other strong validator, nor
  // another date when the part is known by its date.
  bool Continues(const std::optional<ContentRange>& range, const ResponseHead& head) const {
    if (!range || range->first != offset_ || !range->total || range->last + 1 != *range->total) return false;
    if (head.length && *head.length != range->last - range->first + 1) return false;
    if (!point_) return offset_ == 0;
    const std::wstring strong = IfRangeValidator(head.etag, L"");
    const bool otherTag =
        point_->validator.starts_with(L"\"") && !strong.empty() && strong != point_->validator;
    const bool otherDate = !point_->validator.starts_with(L"\"") && !head.lastModified.empty() &&
                           head.lastModified != point_->validator;
    return *range->total == point_->total && !otherTag && !otherDate;
  }

  void StartOver() {
    if (point_ || kept_ > 0) host_.Resumable(std::nullopt);
    point_.reset();
    kept_ = 0;
  }

  void Learn(const ResumePoint& point) {
    point_ = point;
    host_.Resumable(point_);
  }

  uint64_t ResumeFrom() const { return point_ ? kept_ : 0; }

  // New bytes are those that take the file farther than any attempt before: a part that goes
  // on grows with each, one that starts over counts only once it passes where it was.
  bool BroughtTheFileFurther() {
    if (sink_.CanResume()) kept_ = sink_.Keep();
    const uint64_t reach = offset_ + received_;
    const bool further = reach > farthest_;
    farthest_ = std::max(farthest_, reach);
    return further;
  }

  [[noreturn]] void GiveUp(const PassingFailure& failure) {
    if (failure.error)
      throw TransferFailure(TransferEnd::kPassing, *failure.error).WithLast(failure.original);
    throw TransferFailure::Shown(TransferEnd::kPassing, failure.reason);
  }

  FetchHost& host_;
  BodySink& sink_;
  const RetryLimits& limits_;
  std::optional<ResumePoint> point_;
  uint64_t kept_ = 0;              // what the sink holds of the file
  uint64_t offset_ = 0;            // where the current response's body begins in the file
  uint64_t received_ = 0;          // of the current response's body
  std::optional<uint64_t> total_;  // the file's length, as the current response tells it
  uint64_t farthest_ = 0;
};

}  // namespace

uint64_t FetchWithRetries(FetchHost& host, BodySink& sink, const RetryLimits& limits,
                          std::optional<ResumePoint> kept) {
  return RetryingFetch(host, sink, limits, std::move(kept)).Run();
}
