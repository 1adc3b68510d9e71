// The one reader of a response body: from a source (the HTTP request) into a sink (a file, or
// memory), counting what came against what the response declared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

// Where a body comes from: the request once its headers have arrived.
class BodySource {
 public:
  // The length the response declared, when it declared one.
  virtual std::optional<uint64_t> DeclaredLength() const = 0;
  // Up to size bytes of the body, as soon as any have arrived; 0 at its end. Throws AppError.
  virtual uint32_t Read(void* buffer, uint32_t size) = 0;

 protected:
  ~BodySource() = default;
};

// Where a file's bodies go, piece by piece: one response's, or several that continue each other.
class BodySink {
 public:
  // Before a response's first byte: where its body begins in the file (0 replaces whatever the
  // sink holds; anything else is what Keep() said) and the length it declared, which a sink may
  // refuse here.
  virtual void Begin(uint64_t offset, std::optional<uint64_t> declaredLength) = 0;
  // The next piece, as it arrived; its bytes are the sink's to copy, not to keep.
  virtual void Write(const unsigned char* data, size_t size) = 0;
  // The whole file has arrived.
  virtual void End() = 0;
  // After a response that ended early: the bytes the sink holds of the file, each one handed to
  // where it lives, for the next response to continue.
  virtual uint64_t Keep() = 0;
  // False for a sink that starts over with every response.
  virtual bool CanResume() const = 0;

 protected:
  ~BodySink() = default;
};

// Told the bytes of the body so far and the declared length: once with 0 as the body begins,
// then after every piece, so that a window can show them and repaint during a long body.
using BodyProgress = std::function<void(uint64_t received, std::optional<uint64_t> declared)>;

// WinHTTP's number for an answer that is not what the protocol promised.
inline constexpr int32_t kErrorInvalidServerResponse = 12152;  // ERROR_WINHTTP_INVALID_SERVER_RESPONSE

// A body that ended before the length its response declared: a cut, never a file.
class BodyCutShort : public AppError {
 public:
  BodyCutShort(uint64_t received, uint64_t declared);
  uint64_t received() const { return received_; }
  uint64_t declared() const { return declared_; }

 private:
  uint64_t received_;
  uint64_t declared_;
};

// "HTTP 404 Not Found" when the status is not a success (2xx); none when it is. A proxy's 407
// also tells the user that the updater has no password to give it.
std::optional<std::wstring> StatusRefusal(uint32_t status, std::wstring_view reason);

// Reads the whole body from source into a sink already begun, each piece as soon as it has
// arrived. Returns the count; throws BodyCutShort when it falls short of the declared length,
// and whatever the source or the sink throws.
uint64_t ReadBody(BodySource& source, BodySink& sink, const BodyProgress& progress = {});

// The body in memory, up to a limit: for small files such as a release list. A longer one is
// refused (TransferFailure): "1 MiB sınırını aşıyor."
class MemorySink final : public BodySink {
 public:
  explicit MemorySink(size_t limit) : limit_(limit) {}
  void Begin(uint64_t offset, std::optional<uint64_t> declaredLength) override;
  void Write(const unsigned char* data, size_t size) override;
  void End() override {}
  uint64_t Keep() override { return bytes_.size(); }
  // The files it holds are small: each response brings them whole.
  bool CanResume() const override { return false; }
  std::string& bytes() { return bytes_; }

 private:
  size_t limit_;
  std::string bytes_;
};
