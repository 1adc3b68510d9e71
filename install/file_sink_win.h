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

#include "net/body_reader.h"
#include "net/transfer_failure.h"
#include "platform/error.h"
#include "platform/scoped_win.h"
#include "trust/background_sha256_win.h"
#include "trust/release_list.h"

// A failure of the file itself (creating, reading, writing, flushing), as opposed to one of the
// body's source, is a final TransferFailure of this stage, whatever step is under way.
inline constexpr wchar_t kStageWriteTemporary[] = L"write response to temporary file";

class FileSink final : public BodySink {
 public:
  // listed: the file as a signed release lists it, its size and SHA-256. A response that declares
  // another size, or a body that runs past it, is refused (TransferFailure), one that ends short
  // of it is a cut (BodyCutShort). The digest is computed as the body streams, listed or not. keptBytes: the
  // length of a part an earlier run left at path, for Begin to continue; 0 when there is none to
  // keep. afterWrite is called each time a buffer has gone to the file (tests hold the download
  // there).
  FileSink(std::wstring path, const std::optional<ListedFile>& listed, uint64_t keptBytes,
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
  // After End: the file's SHA-256.
  const Sha256Digest& Digest() const;
  // After End, for a listed file: its SHA-256 when that is the listed one; otherwise the file is
  // refused (TransferFailure).
  Sha256Digest VerifiedDigest() const;
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
  std::optional<uint64_t> exactSize_;
  std::optional<Sha256Digest> listedDigest_;
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
