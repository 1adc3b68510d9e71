// The attempts at one file over a bad line, against a scripted server: what each request asks,
// what is kept, how long each wait is, and when the retries give up. Then the stall watch, the
// retry rules and the record that lets a later press continue a part.
#include "net/retrying_fetch.h"

#include <gtest/gtest.h>

#include <deque>

#include "net/resume_record.h"
#include "net/stall_watch.h"

namespace {

const std::string kFile(1000, 'f');

// One scripted response: its head, the body it sends, and how it ends.
struct Answer {
  uint32_t status = 200;
  std::string etag = "\"v1\"";
  std::string contentRange;
  std::string body = kFile;  // what arrives before the end
  int32_t endError = 0;      // the body ends with this error instead of its end
  int32_t sendError = 0;     // no head at all: the request fails with this error
  std::string retryAfter;
  size_t declared = 0;  // the length the head declares; 0: the body's own, kNoLength: none
  std::string lastModified;
  std::string contentEncoding;
};
constexpr size_t kNoLength = ~size_t{0};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class ScriptedServer final : public FetchHost {
 public:
  class Attempt final : public FetchAttempt, public BodySource {
   public:
    Attempt(ScriptedServer& server, Answer answer) : server_(server), answer_(std::move(answer)) {}
    ResponseHead Send(uint64_t from, const std::wstring& validator) override {
      server_.requests.push_back(std::to_wstring(from) + L" " + validator);
      if (answer_.sendError) throw AppError(answer_.sendError, L"refused");
      return {answer_.status,           L"Reason",
              DeclaredLength(),         Wide(answer_.contentRange),
              Wide(answer_.etag),       Wide(answer_.lastModified),
              Wide(answer_.retryAfter), Wide(answer_.contentEncoding)};
    }
    uint64_t ReceiveBody(BodySink& sink, const BodyProgress& progress) override {
      return ReadBody(*this, sink, progress);
    }
    std::optional<uint64_t> DeclaredLength() const override {
      if (answer_.declared == kNoLength) return std::nullopt;
      return answer_.declared ? answer_.declared : answer_.body.size();
    }
    uint32_t Read(void* buffer, uint32_t size) override {
      const size_t n = std::min<size_t>(size, answer_.body.size() - at_);
      if (n == 0 && answer_.endError) throw AppError(answer_.endError, L"reset");
      std::copy_n(answer_.body.data() + at_, n, static_cast<char*>(buffer));
      at_ += n;
      return static_cast<uint32_t>(n);
    }

   private:
    ScriptedServer& server_;
    Answer answer_;
    size_t at_ = 0;
  };

  std::unique_ptr<FetchAttempt> NewAttempt() override {
    Answer next = answers.empty() ? Answer{} : answers.front();
    if (!answers.empty()) answers.pop_front();
    return std::make_unique<Attempt>(*this, next);
  }
  void Resumable(const std::optional<ResumePoint>& point) override { kept = point; }
  void Retrying(const RetryNotice& notice) override {
    retries.push_back(std::to_wstring(notice.resumeFrom) + L" " + std::to_wstring(notice.waitMs) + L" " +
                      notice.reason);
  }
  bool Wait(uint64_t ms) override {
    now += ms;
    return !cancelAtWait;
  }
  uint64_t Now() override { return now += 1; }
  double Jitter() override { return 0.5; }  // the middle of every spread

  std::deque<Answer> answers;
  std::vector<std::wstring> requests, retries;
  std::optional<ResumePoint> kept;
  uint64_t now = 0;
  bool cancelAtWait = false;
};

// The file as a resumable part on disk would hold it.
class PartInMemory final : public BodySink {
 public:
  void Begin(uint64_t offset, std::optional<uint64_t>) override {
    ASSERT_TRUE(offset == 0 || offset == bytes.size()) << "spliced at " << offset;
    bytes.resize(offset);
  }
  void Write(const unsigned char* data, size_t size) override {
    bytes.append(reinterpret_cast<const char*>(data), size);
  }
  void End() override {}
  uint64_t Keep() override { return bytes.size(); }
  bool CanResume() const override { return true; }
  std::string bytes;
};

// A whole file's answer whose line drops after at bytes.
Answer Cut(size_t at, const std::string& etag = "\"v1\"") {
  return {200, etag, "", kFile.substr(0, at), 12030, 0, "", kFile.size()};
}
// The rest of the file from a byte on; its line drops at cutAt when that comes before the end.
Answer Rest(size_t from, size_t cutAt = kFile.size()) {
  Answer rest{206, "\"v1\"", "bytes " + std::to_string(from) + "-999/1000", kFile.substr(from, cutAt - from)};
  if (cutAt < kFile.size()) rest.endError = 12030;
  rest.declared = kFile.size() - from;
  return rest;
}
// The same answer known only by a weak tag and a date.
Answer Dated(Answer answer, const char* date) {
  answer.etag = "W/\"w\"";
  answer.lastModified = date;
  return answer;
}
// The same body with no length declared, ending as if it were whole.
Answer Unframed(Answer answer) {
  answer.declared = kNoLength;
  answer.endError = 0;
  return answer;
}

TEST(RetryingFetch, EachAnswerSequenceEndsInTheWholeFileOrTheRightRefusal) {
  const std::wstring v1 = L"\"v1\"", reset = L" 0 Error 12030: reset";
  const Answer refused{0, "", "", "", 0, 12029};
  const struct {
    const char* what;
    std::vector<Answer> answers;
    std::vector<std::wstring> requests;  // "from validator"
    std::vector<std::wstring> retries;   // "resumeFrom waitMs reason"
    const char* outcome;                 // "whole", "refused", "exhausted", "cancelled"
    size_t keeps = kFile.size();         // what the part holds at the end
    size_t earlier = 0;                  // what an earlier press kept, with its record
    bool cancelAtWait = false;
  } cases[] = {
      // clang-format off
      {"a reset after new bytes is continued at once, twice", {Cut(300), Rest(300, 600), Rest(600)},
       {L"0 ", L"300 " + v1, L"600 " + v1}, {L"300" + reset, L"600" + reset}, "whole"},
      {"a changed file starts over", {Cut(300), {200, "\"v2\""}}, {L"0 ", L"300 " + v1}, {L"300" + reset},
       "whole"},
      {"a range that does not continue starts over at once", {Cut(300), Rest(200), {}},
       {L"0 ", L"300 " + v1, L"0 "},
       {L"300" + reset, L"0 0 HTTP 206 with Content-Range \"bytes 200-999/1000\" that does not continue 300 "
                        L"bytes kept"}, "whole"},
      {"416 starts over at once", {Cut(300), {416}, {}}, {L"0 ", L"300 " + v1, L"0 "},
       {L"300" + reset, L"0 0 HTTP 416 Reason"}, "whole"},
      {"no validator: every retry starts over", {Cut(300, ""), {200, ""}}, {L"0 ", L"0 "}, {L"0" + reset},
       "whole"},
      {"503 waits its Retry-After", {{503, "", "", "", 0, 0, "3"}, {}}, {L"0 ", L"0 "},
       {L"0 3000 HTTP 503 Reason"}, "whole"},
      {"404 is final", {{404}}, {L"0 "}, {}, "refused", 0},
      {"a compressed answer is final", {{200, "", "", "", 0, 0, "", 0, "", "gzip"}}, {L"0 "}, {}, "refused", 0},
      {"a certificate failure is final", {{200, "", "", "", 0, 12175}}, {L"0 "}, {}, "refused", 0},
      {"five attempts without a new byte give up, the waits doubling", std::vector<Answer>(5, refused),
       {L"0 ", L"0 ", L"0 ", L"0 ", L"0 "}, {L"0 1000 Error 12029: refused", L"0 2000 Error 12029: refused",
                                             L"0 4000 Error 12029: refused", L"0 8000 Error 12029: refused"},
       "exhausted", 0},
      {"a 206 without a length that ends early is a cut, continued", {Cut(300), Unframed(Rest(300, 600)), Rest(600)},
       {L"0 ", L"300 " + v1, L"600 " + v1},
       {L"300" + reset, L"600 0 Error 12152: The response body ended after 600 of 1000 bytes."}, "whole"},
      {"a 206 of another date than If-Range's starts over at once",
       {Dated(Cut(300), "Mon, 07 Dec 2026 10:00:00 GMT"), Dated(Rest(300), "Tue, 08 Dec 2026 10:00:00 GMT"), {}},
       {L"0 ", L"300 Mon, 07 Dec 2026 10:00:00 GMT", L"0 "},
       {L"300" + reset, L"0 0 HTTP 206 with Content-Range \"bytes 300-999/1000\" that does not continue 300 "
                        L"bytes kept"}, "whole"},
      {"an earlier press's part is continued", {Rest(400)}, {L"400 " + v1}, {}, "whole", 1000, 400},
      {"a cancel in a wait ends it, keeping the part", {Cut(300)}, {L"0 "}, {L"300" + reset}, "cancelled",
       300, 0, true},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server;
    server.answers.assign(c.answers.begin(), c.answers.end());
    server.cancelAtWait = c.cancelAtWait;
    PartInMemory part;
    part.bytes = kFile.substr(0, c.earlier);
    const auto record = c.earlier ? std::optional(ResumePoint{v1, kFile.size()}) : std::nullopt;
    std::string outcome = "whole";
    try {
      EXPECT_EQ(FetchWithRetries(server, part, RetryLimits{}, record), kFile.size());
    } catch (const TransferFailure& failure) {
      outcome = failure.end() == TransferEnd::kCancelled                            ? "cancelled"
                : failure.end() == TransferEnd::kPassing && failure.shown().empty() ? "exhausted"
                                                                                    : "refused";
      if (outcome == "exhausted") {
        EXPECT_EQ(failure.number(), 12029);
      }
    } catch (const AppError&) {
      outcome = "refused";
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(part.bytes, kFile.substr(0, c.keeps));
    EXPECT_EQ(server.requests, c.requests);
    EXPECT_EQ(server.retries, c.retries);
  }
}

// A record from another address, or torn, gives nothing to continue.
TEST(ResumeRecord, BelongsToItsAddressAndIsRefusedTorn) {
  const std::string record = ResumeRecordText(L"http://h/a b.dll", {L"\"v1\"", 1000});
  EXPECT_EQ(ParseResumeRecord(record, L"http://h/a b.dll"), (ResumePoint{L"\"v1\"", 1000}));
  EXPECT_FALSE(ParseResumeRecord(record, L"http://h/other.dll"));
  EXPECT_FALSE(ParseResumeRecord(record.substr(0, record.size() - 4), L"http://h/a b.dll"));
}

TEST(StallWatch, SilenceAndATrickleStallAnAttemptButASlowSteadyLineDoesNot) {
  const StallLimits limits{30000, 60000, 1024};
  StallWatch headers(limits, 0);
  EXPECT_FALSE(headers.Stalled(29999));
  EXPECT_TRUE(headers.Stalled(30000)) << "no response headers for 30 s";

  // A byte every 20 s defeats a per-read time-out, not the window; 1200 bytes a minute pass it.
  for (const auto& [step, bytes, stalledFrom] : {std::tuple{20000u, 1u, 60000u}, {10000u, 200u, ~0u}}) {
    StallWatch watch(limits, 0);
    watch.Alive(0, 0);
    for (uint64_t t = step; t <= 300000; t += step) {
      watch.Alive(t / step * bytes, t);
      EXPECT_EQ(watch.Stalled(t).has_value(), t >= stalledFrom) << step << " " << t;
    }
  }
}

TEST(RetryRules, WhatPassesWhatWaitsAndWhatARangeMustSay) {
  for (const uint32_t status : {408u, 429u, 500u, 502u, 503u, 504u}) EXPECT_TRUE(IsTransientStatus(status));
  for (const uint32_t status : {400u, 401u, 403u, 404u, 410u, 501u}) EXPECT_FALSE(IsTransientStatus(status));
  for (const int32_t code : {12002, 12007, 12029, 12030, 12152}) EXPECT_TRUE(IsTransientError(code));
  for (const int32_t code : {12157, 12175, 12006, 12156, 112, 5}) EXPECT_FALSE(IsTransientError(code));

  const RetryLimits limits;
  EXPECT_EQ(RetryWaitMs(limits, 6, std::nullopt, 0.5), 30000u) << "at most 30 s";
  EXPECT_EQ(RetryWaitMs(limits, 1, std::nullopt, 0.0), 750u) << "spread by a quarter";
  EXPECT_EQ(RetryWaitMs(limits, 1, uint64_t{90000}, 0.5), 60000u) << "Retry-After up to 60 s";
  EXPECT_EQ(RetryAfterMs(L" 7 "), 7000u);
  EXPECT_FALSE(RetryAfterMs(L"Wed, 21 Oct 2026 07:28:00 GMT"));

  EXPECT_EQ(ParseContentRange(L"bytes 300-999/1000")->total, 1000u);
  for (const wchar_t* bad :
       {L"bytes 300-999/999", L"bytes 9-3/10", L"items 0-1/2", L"bytes 1-2", L"bytes -1/5"}) {
    EXPECT_FALSE(ParseContentRange(bad)) << bad;
  }
  EXPECT_EQ(IfRangeValidator(L"\"abc\"", L"Tue, 01 Dec 2026 10:00:00 GMT"), L"\"abc\"");
  EXPECT_EQ(IfRangeValidator(L"W/\"abc\"", L"Tue, 01 Dec 2026 10:00:00 GMT"),
            L"Tue, 01 Dec 2026 10:00:00 GMT");
  EXPECT_EQ(IfRangeValidator(L"W/\"abc\"", L""), L"");
}

}  // namespace
