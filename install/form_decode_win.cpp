#include "install/form_decode_win.h"

#include <windows.h>

#include <optional>
#include <span>
#include <string_view>

#include "install/zstd_decode.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"
#include "trust/cng_win.h"

namespace {

// A view of a mapped file, unmapped when it goes.
class MappedView {
 public:
  MappedView(HANDLE file, uint64_t size, bool writable) : size_(static_cast<size_t>(size)) {
    if (size == 0) return;  // an empty file cannot be mapped and needs no view
    mapping_.reset(CreateFileMappingW(file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                                      static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), nullptr));
    if (!mapping_) ThrowLastError();
    view_ =
        static_cast<char*>(MapViewOfFile(mapping_.get(), writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, 0));
    if (!view_) ThrowLastError();
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;
  ~MappedView() {
    if (view_) UnmapViewOfFile(view_);
  }

  char* data() const { return view_; }
  size_t size() const { return size_; }
  std::string_view bytes() const { return view_ ? std::string_view(view_, size_) : std::string_view(); }
  void Flush() const {
    if (view_) CheckBool(FlushViewOfFile(view_, 0));
  }

 private:
  UniqueHandle mapping_;
  char* view_ = nullptr;
  size_t size_;
};

UniqueFile OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  UniqueFile file(
      CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowLastError();
  return file;
}

uint64_t SizeOf(const UniqueFile& file) {
  LARGE_INTEGER size{};
  CheckBool(GetFileSizeEx(file.get(), &size));
  return static_cast<uint64_t>(size.QuadPart);
}

// A file mapped read-only, shared with whoever else reads or runs it.
struct ReadOnlyFile {
  explicit ReadOnlyFile(const std::wstring& path)
      : file(OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING)),
        view(file.get(), SizeOf(file), false) {}
  UniqueFile file;
  MappedView view;
};

}  // namespace

DecodedFile DecodeFormFile(const std::wstring& formPath, const std::wstring& referencePath,
                           const std::wstring& outputPath, uint64_t size) {
  if (size > SIZE_MAX / 2) return {L"the listed size does not fit in memory", {}};
  const ReadOnlyFile form(formPath);
  std::optional<ReadOnlyFile> reference;
  if (!referencePath.empty()) reference.emplace(referencePath);
  DecodedFile decoded;
  {
    const UniqueFile output = OpenFile(outputPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    const MappedView view(output.get(), size, true);
    const ZstdDecoded result = DecodeZstdFrame(form.view.bytes(), std::span<char>(view.data(), view.size()),
                                               reference ? reference->view.bytes() : std::string_view());
    if (!result.ok()) return {std::wstring(result.error.begin(), result.error.end()), {}};
    if (result.written != size)
      return {L"decoded " + std::to_wstring(result.written) + L" bytes, listed " + std::to_wstring(size), {}};
    view.Flush();
    decoded.sha256 = Sha256Of(view.bytes());
    CheckBool(FlushFileBuffers(output.get()));
  }
  return decoded;
}
