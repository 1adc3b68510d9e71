#include "net/body_reader.h"

#include <algorithm>
#include <memory>

#include "net/transfer_failure.h"

namespace {

// What one read asks for at most: a fast line fills it, a slow one returns what it has.
constexpr uint32_t kReadSize = 256 * 1024;

[[noreturn]] void TooLarge(size_t limit) {
  throw TransferFailure::Shown(TransferEnd::kRefused,
                               std::to_wstring(limit >> 20) + L" MiB sınırını aşıyor.");
}

}  // namespace

BodyCutShort::BodyCutShort(uint64_t received, uint64_t declared)
    : AppError(kErrorInvalidServerResponse, L"The response body ended after " + std::to_wstring(received) +
                                                L" of " + std::to_wstring(declared) + L" bytes."),
      received_(received),
      declared_(declared) {}

std::optional<std::wstring> StatusRefusal(uint32_t status, std::wstring_view reason) {
  if (status >= 200 && status < 300) return std::nullopt;
  const std::wstring text = L"HTTP " + std::to_wstring(status) + L" " + std::wstring(reason);
  if (status != 407) return text;
  return text +
         L": Ağdaki vekil sunucu (proxy) kullanıcı adı ve parola istiyor; güncelleyici parola "
         L"veremez. Ağ yöneticinizden bu güncelleme adresine parolasız izin vermesini isteyin.";
}

uint64_t ReadBody(BodySource& source, BodySink& sink, const BodyProgress& progress) {
  const std::optional<uint64_t> declared = source.DeclaredLength();
  const std::unique_ptr<unsigned char[]> piece = std::make_unique<unsigned char[]>(kReadSize);
  uint64_t received = 0;
  if (progress) progress(received, declared);
  while (const uint32_t got = source.Read(piece.get(), kReadSize)) {
    sink.Write(piece.get(), got);
    received += got;
    if (progress) progress(received, declared);
  }
  // Wine's WinHTTP, and a server that closes early, end a cut body like a whole one: only the
  // count tells them apart.
  if (declared && received != *declared) throw BodyCutShort(received, *declared);
  sink.End();
  return received;
}

void MemorySink::Begin(uint64_t offset, std::optional<uint64_t> declaredLength) {
  bytes_.resize(std::min<uint64_t>(offset, bytes_.size()));
  if (declaredLength && *declaredLength > limit_ - bytes_.size()) TooLarge(limit_);
}

void MemorySink::Write(const unsigned char* data, size_t size) {
  if (size > limit_ - bytes_.size()) TooLarge(limit_);
  bytes_.append(reinterpret_cast<const char*>(data), size);
}
