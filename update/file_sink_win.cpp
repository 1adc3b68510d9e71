#include "update/file_sink_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win_error_win.h"

namespace {

// Full buffers go to disk and to the hashing thread: few large writes and hand-overs, however
// small the pieces that the network delivers.
constexpr size_t kBufferSize = 256 * 1024;

[[noreturn]] void ThrowFileError() { throw FileSinkError(LastErrorInfo()); }

}  // namespace

FileSink::FileSink(std::wstring path, bool withDigest, std::function<void()> afterWrite)
    : path_(std::move(path)), afterWrite_(std::move(afterWrite)) {
  buffers_[0] = std::make_unique<unsigned char[]>(kBufferSize);
  if (withDigest) {
    buffers_[1] = std::make_unique<unsigned char[]>(kBufferSize);
    hasher_.emplace();
  }
}

FileSink::~FileSink() { Abandon(); }

void FileSink::Begin(std::optional<uint64_t>) {
  file_.reset(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) ThrowFileError();
}

void FileSink::Write(const unsigned char* data, size_t size) {
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
  Flush();
  if (hasher_) digest_ = hasher_->Finish();
}

void FileSink::Flush() {
  if (filled_ == 0) return;
  const unsigned char* data = buffers_[turn_].get();
  DWORD written = 0;
  if (!WriteFile(file_.get(), data, static_cast<DWORD>(filled_), &written, nullptr)) ThrowFileError();
  if (written != filled_) throw FileSinkError(ErrorInfoFromCode(ERROR_WRITE_FAULT));
  if (hasher_) {
    hasher_->Add(data, filled_);
    turn_ = 1 - turn_;
  }
  filled_ = 0;
  if (afterWrite_) afterWrite_();
}

int64_t FileSink::Close() {
  if (!FlushFileBuffers(file_.get())) ThrowFileError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_.get(), &size)) ThrowFileError();
  if (!CloseHandle(file_.release())) ThrowFileError();
  return size.QuadPart;
}

void FileSink::Abandon() noexcept { file_.reset(); }
