#include "install/file_sink_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/path.h"
#include "platform/win_error_win.h"

namespace {

// Full buffers go to disk and to the hashing thread: few large writes and hand-overs, however
// small the pieces that the network delivers.
constexpr size_t kBufferSize = 256 * 1024;

[[noreturn]] void ThrowFileError(ErrorInfo error = LastErrorInfo()) {
  throw TransferFailure(TransferEnd::kFinal, std::move(error), kStageWriteTemporary);
}

[[noreturn]] void Refuse(std::wstring reason) {
  throw TransferFailure::Shown(TransferEnd::kRefused, std::move(reason));
}

// "24,3 MB": what a user reads in Explorer, with the Turkish decimal comma.
std::wstring Megabytes(uint64_t bytes) {
  const uint64_t tenths = (bytes * 10 + (1 << 19)) >> 20;
  return std::to_wstring(tenths / 10) + L"," + std::to_wstring(tenths % 10) + L" MB";
}

// The bytes the user may still write on the disk that holds path's folder; none when unknown.
std::optional<uint64_t> FreeSpaceFor(const std::wstring& path) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(FolderOf(path).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

// A write that failed because the disk is full: Windows says 112 or 39; Wine says 29, which only
// a disk without room for the piece explains.
bool DiskFull(const ErrorInfo& error, const std::wstring& path, size_t wanted) {
  if (error.number == ERROR_DISK_FULL || error.number == ERROR_HANDLE_DISK_FULL) return true;
  const std::optional<uint64_t> free = FreeSpaceFor(path);
  return error.number == ERROR_WRITE_FAULT && free && *free < wanted;
}

[[noreturn]] void ThrowWriteError(ErrorInfo error, const std::wstring& path, size_t wanted) {
  if (DiskFull(error, path, wanted)) {
    Refuse(
        L"Program klasörünün diskinde yer kalmadı; dosyanın eski sürümü yerinde duruyor. "
        L"Diskte yer açıp yeniden deneyin (" +
        ErrorText(error) + L").");
  }
  ThrowFileError(std::move(error));
}

}  // namespace

FileSink::FileSink(std::wstring path, const std::optional<ListedFile>& listed, uint64_t keptBytes,
                   std::function<void()> afterWrite)
    : path_(std::move(path)),
      exactSize_(listed ? std::optional<uint64_t>(listed->size) : std::nullopt),
      listedDigest_(listed ? std::optional<Sha256Digest>(listed->digest) : std::nullopt),
      afterWrite_(std::move(afterWrite)),
      count_(keptBytes) {
  buffers_[0] = std::make_unique<unsigned char[]>(kBufferSize);
  buffers_[1] = std::make_unique<unsigned char[]>(kBufferSize);
  hasher_.emplace();
}

FileSink::~FileSink() { Abandon(); }

// The part is opened when the first body begins, so a refused response leaves no file behind.
void FileSink::Begin(uint64_t offset, std::optional<uint64_t> declaredLength) {
  if (declaredLength) RefuseWhatCannotFit(offset, *declaredLength);
  if (!file_) Open(offset > 0);
  if (offset == 0) {
    Empty();
    return;
  }
  if (offset != count_ || filled_ != 0) {
    ThrowFileError(ErrorInfo{ERROR_INVALID_DATA, L"The part holds " + std::to_wstring(count_) +
                                                     L" bytes, not the " + std::to_wstring(offset) +
                                                     L" that the response continues."});
  }
  HashKeptBytes(offset);
  MoveTo(offset);
}

// Before the first byte: a length other than the listed one, or one the disk has no room for,
// leaves the disk as it was. What the file holds beyond the offset goes, so it counts as room.
void FileSink::RefuseWhatCannotFit(uint64_t offset, uint64_t declaredLength) const {
  if (exactSize_ && offset + declaredLength != *exactSize_) {
    Refuse(L"Sunucunun bildirdiği uzunluk (" + std::to_wstring(offset + declaredLength) +
           L" bayt) imzalı sürüm listesindeki boyuttan (" + std::to_wstring(*exactSize_) + L" bayt) farklı.");
  }
  const std::optional<uint64_t> free = FreeSpaceFor(path_);
  const uint64_t freed = count_ > offset ? count_ - offset : 0;
  if (free && declaredLength > *free + freed) {
    Refuse(L"Diskte yer yok: dosyanın " + Megabytes(declaredLength) + L" yere ihtiyacı var, program " +
           L"klasörünün diskinde " + Megabytes(*free) + L" boş. Diskte yer açıp yeniden deneyin.");
  }
}

void FileSink::Open(bool keepExisting) {
  file_.reset(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          keepExisting ? OPEN_EXISTING : CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) ThrowFileError();
  if (!keepExisting) count_ = 0;
  DWORD got = 0;
  if (count_ > 0 && !ReadFile(file_.get(), head_.data(), static_cast<DWORD>(head_.size()), &got, nullptr)) {
    ThrowFileError();
  }
}

// The whole file again: nothing of what was kept may stay in the file or in the digest.
void FileSink::Empty() {
  MoveTo(0);
  if (!SetEndOfFile(file_.get())) ThrowFileError();
  count_ = hashed_ = 0;
  filled_ = 0;
  turn_ = 0;
  head_ = {};
  hasher_.reset();
  hasher_.emplace();
}

// A part kept from an earlier run is hashed from disk before the body continues it, so the
// digest still covers the whole file.
void FileSink::HashKeptBytes(uint64_t upTo) {
  if (!hasher_ || hashed_ >= upTo) return;
  MoveTo(hashed_);
  while (hashed_ < upTo) {
    unsigned char* buffer = buffers_[turn_].get();
    const DWORD want = static_cast<DWORD>(std::min<uint64_t>(kBufferSize, upTo - hashed_));
    DWORD got = 0;
    if (!ReadFile(file_.get(), buffer, want, &got, nullptr)) ThrowFileError();
    if (got == 0) ThrowFileError(ErrorInfoFromCode(ERROR_HANDLE_EOF));
    hasher_->Add(buffer, got);
    turn_ = 1 - turn_;
    hashed_ += got;
  }
}

void FileSink::HashKeptPart() {
  if (count_ == 0 || !hasher_) return;
  if (!file_) Open(true);
  HashKeptBytes(count_);
}

void FileSink::MoveTo(uint64_t offset) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN)) ThrowFileError();
}

void FileSink::Write(const unsigned char* data, size_t size) {
  // Stopped here, so no endless body ever fills the disk.
  if (exactSize_ && (count_ > *exactSize_ || size > *exactSize_ - count_)) {
    Refuse(L"Sunucu imzalı sürüm listesindeki boyuttan (" + std::to_wstring(*exactSize_) +
           L" bayt) uzun bir yanıt gönderiyor; indirme durduruldu.");
  }
  for (size_t i = 0; i < size && count_ + i < head_.size(); ++i) head_[count_ + i] = data[i];
  count_ += size;
  while (size > 0) {
    const size_t taken = std::min(size, kBufferSize - filled_);
    std::memcpy(buffers_[turn_].get() + filled_, data, taken);
    filled_ += taken;
    data += taken;
    size -= taken;
    if (filled_ == kBufferSize) Flush();
  }
}

void FileSink::End() {
  if (exactSize_ && count_ < *exactSize_) throw BodyCutShort(count_, *exactSize_);
  Flush();
  if (hasher_) digest_ = hasher_->Finish();
}

uint64_t FileSink::Keep() {
  if (file_) Flush();
  return count_;
}

uint64_t FileSink::KeepForLaterRun() {
  const uint64_t kept = Keep();
  if (file_ && !FlushFileBuffers(file_.get())) ThrowWriteError(LastErrorInfo(), path_, 1);
  return kept;
}

void FileSink::Flush() {
  if (filled_ == 0) return;
  const unsigned char* data = buffers_[turn_].get();
  DWORD written = 0;
  if (!WriteFile(file_.get(), data, static_cast<DWORD>(filled_), &written, nullptr)) {
    ThrowWriteError(LastErrorInfo(), path_, filled_);
  }
  if (written != filled_) ThrowWriteError(ErrorInfoFromCode(ERROR_WRITE_FAULT), path_, filled_);
  if (hasher_) {
    hasher_->Add(data, filled_);
    hashed_ += filled_;
    turn_ = 1 - turn_;
  }
  filled_ = 0;
  if (afterWrite_) afterWrite_();
}

int64_t FileSink::Close() {
  if (!FlushFileBuffers(file_.get())) ThrowWriteError(LastErrorInfo(), path_, 1);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_.get(), &size)) ThrowFileError();
  if (!CloseHandle(file_.release())) ThrowFileError();
  return size.QuadPart;
}

void FileSink::Abandon() noexcept { file_.reset(); }

// The file must be the one the vendor signed: listed, with the very same digest.
const Sha256Digest& FileSink::Digest() const {
  if (!digest_) throw AppError(ErrorInfoFromCode(ERROR_INVALID_FUNCTION));
  return *digest_;
}

Sha256Digest FileSink::VerifiedDigest() const {
  if (!listedDigest_ || !digest_) throw AppError(ErrorInfoFromCode(ERROR_INVALID_FUNCTION));
  if (*listedDigest_ != *digest_) {
    // The heads of both digests tell the vendor which file arrived, without filling the box.
    Refuse(L"Dosyanın SHA-256 özeti imzalı sürüm listesindekiyle uyuşmuyor (liste: " +
           DigestHex(*listedDigest_).substr(0, 16) + L"…, gelen: " + DigestHex(*digest_).substr(0, 16) +
           L"…).");
  }
  return *digest_;
}
