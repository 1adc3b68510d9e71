#include "net/transfer_failure.h"

namespace {

constexpr int32_t kErrorCancelled = 1223;  // ERROR_CANCELLED

}  // namespace

TransferFailure::TransferFailure(TransferEnd end, ErrorInfo error, std::wstring stage)
    : end_(end), info_(std::move(error)), stage_(std::move(stage)) {}

TransferFailure TransferFailure::Shown(TransferEnd end, std::wstring reason) {
  TransferFailure failure(end, ErrorInfo{0, reason});
  failure.shown_ = std::move(reason);
  return failure;
}

TransferFailure TransferFailure::Cancelled() {
  const std::wstring reason = L"İndirme kullanıcının isteğiyle durduruldu.";
  TransferFailure failure(TransferEnd::kCancelled, ErrorInfo{kErrorCancelled, reason});
  failure.shown_ = reason;
  return failure;
}

std::wstring TransferFailure::Details(const std::wstring& stageUnderWay) const {
  if (!shown_.empty()) return shown_;
  return StageErrorText(stage_.empty() ? stageUnderWay : stage_, info());
}

TransferFailure& TransferFailure::WithLast(std::exception_ptr last) {
  last_ = std::move(last);
  return *this;
}

TransferFailure CurrentTransferFailure(const ErrorInfo& otherwise) {
  try {
    throw;
  } catch (const TransferFailure& failure) {
    return failure;
  } catch (const AppError& error) {
    return TransferFailure(TransferEnd::kFinal, error.info());
  } catch (...) {
    return TransferFailure(TransferEnd::kFinal, otherwise);
  }
}
