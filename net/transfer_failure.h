// One transfer that did not end well, whatever ended it: how it ended, the platform's number and
// text, and the reason shown to the user when it has one of its own.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "platform/error.h"

enum class TransferEnd {
  kFinal,             // no retry mends it: a bad address, a certificate, a failing disk
  kRefused,           // the answer or the body is not the file; its reason is shown as it is
  kPassing,           // the line failed through every retry; what arrived stays for the next press
  kCancelled,         // the user asked to close the window
  kUpdaterKeptAside,  // the new updater could not take the old one's name and stays beside it
};

// Not an AppError: no handler of a platform failure on the way (a proxy's, a retry's) may take a
// cancel or a refusal for one.
class TransferFailure : public std::exception {
 public:
  // A platform failure. stage, when given, is the step it belongs to, whatever step is under way.
  TransferFailure(TransferEnd end, ErrorInfo error, std::wstring stage = {});
  // A failure whose reason is shown as it is: a Turkish text, or a status line.
  static TransferFailure Shown(TransferEnd end, std::wstring reason);
  static TransferFailure Cancelled();

  TransferEnd end() const { return end_; }
  const ErrorInfo& info() const { return info_; }
  int32_t number() const { return info_.number; }
  const char* what() const noexcept override { return "TransferFailure"; }
  // The reason shown as it is; empty when the platform's error is the reason.
  const std::wstring& shown() const { return shown_; }
  // The step it belongs to whatever step is under way; empty for that one.
  const std::wstring& stage() const { return stage_; }
  // What the user is shown and the log is told: the reason, or "<stage>: Error <n>: <text>".
  std::wstring Details(const std::wstring& stageUnderWay) const;
  // A passing failure's last attempt, as it failed.
  std::exception_ptr last() const { return last_; }
  TransferFailure& WithLast(std::exception_ptr last);

 private:
  TransferEnd end_;
  ErrorInfo info_;
  std::wstring shown_;
  std::wstring stage_;
  std::exception_ptr last_;
};

// Inside a catch (...): what is being thrown, as a transfer failure. A platform error is final;
// anything else (memory running out, all that can be left) is the final failure otherwise.
TransferFailure CurrentTransferFailure(const ErrorInfo& otherwise);

// A passing failure's last attempt as an E, when it failed as one.
template <typename E>
std::optional<E> LastFailureAs(const TransferFailure& failure) {
  try {
    if (failure.last()) std::rethrow_exception(failure.last());
  } catch (const E& last) {
    return last;
  } catch (...) {
  }
  return std::nullopt;
}
