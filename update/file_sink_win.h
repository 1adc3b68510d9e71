// A file's bodies into its part on disk as they arrive, with its SHA-256 computed alongside when
// asked: one response's body, or several that continue each other, also across presses of the
// start button.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/scoped_win.h"
#include "trust/background_sha256_win.h"
#include "update/body_reader.h"

// A failure of the file itself (creating, reading, writing, flushing), as opposed to one of the
// body's source.
class FileSinkError : public AppError {
 public:
  explicit FileSinkError(ErrorInfo info) : AppError(std::move(info)) {}
};

class FileSink final : public BodySink {
 public:
  // keptBytes: the length of a part an earlier run left at path, for Begin to continue; 0 when
  // there is none to keep. exactSize: the file's length when it is known beforehand (a signed
  // release lists it): a response that declares another, or a body that runs past it, is refused
  // (BodyRefused), and one that ends short of it is a cut (BodyCutShort). afterWrite is called
  // each time a buffer has gone to the file (tests hold the download there).
  FileSink(std::wstring path, bool withDigest, uint64_t keptBytes, std::optional<uint64_t> exactSize = {},
           std::function<void()> afterWrite = {});
  ~FileSink();

  void Begin(uint64_t offset, std::optional<uint64_t> declaredLength) override;
  void Write(const unsigned char* data, size_t size) override;
  void End() override;
  uint64_t Keep() override;
  bool CanResume() const override { return true; }

  // The kept part's bytes into the digest before the first response, so Begin finds them done: a
  // caller may run it on a thread of its own, touching the sink in no other way meanwhile.
  void HashKeptPart();

  // The first two bytes of the file, zeros where it is shorter.
  const std::array<unsigned char, 2>& head() const { return head_; }
  // The file's SHA-256, after End, when asked for.
  const std::optional<Sha256Digest>& digest() const { return digest_; }
  // Everything on disk, then the file closed: a rename after this never meets a torn file.
  // Returns the file's size.
  int64_t Close();
  // What Keep() keeps, on the disk itself: a part that a later run may continue must hold its
  // bytes even after a power cut, when what was still in the system's cache reads back as zeros.
  uint64_t KeepForLaterRun();
  // Closes the file without a flush, ignoring failures: the failure path.
  void Abandon() noexcept;

 private:
  void RefuseWhatCannotFit(uint64_t offset, uint64_t declaredLength) const;
  void Open(bool keepExisting);
  void Empty();
  void HashKeptBytes(uint64_t upTo);
  void Flush();
  void MoveTo(uint64_t offset);

  std::wstring path_;
  bool withDigest_;
  std::optional<uint64_t> exactSize_;
  std::function<void()> afterWrite_;
  UniqueFile file_;
  // While the hashing thread reads one buffer, the next bytes gather in the other.
  std::unique_ptr<unsigned char[]> buffers_[2];
  int turn_ = 0;
  size_t filled_ = 0;
  uint64_t count_ = 0;   // the bytes the sink holds: on disk, then filled_ more in the buffer
  uint64_t hashed_ = 0;  // of those, the ones handed to the hasher
  std::array<unsigned char, 2> head_{};
  std::optional<BackgroundSha256> hasher_;  // after the buffers: it finishes with them before they go
  std::optional<Sha256Digest> digest_;
};
