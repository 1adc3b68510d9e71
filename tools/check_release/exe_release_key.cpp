#include "tools/check_release/exe_release_key.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "trust/release_key_id.h"

namespace {

constexpr uint32_t kRcData = 10;  // RT_RCDATA
constexpr uint32_t kSubdirectory = 0x80000000u;

// Little-endian fields at any offset, every read checked against the file's end.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  uint32_t U16(uint64_t at) const { return Get(at, 2); }
  uint32_t U32(uint64_t at) const { return Get(at, 4); }
  std::string_view Slice(uint64_t at, uint64_t size) const {
    if (at > data_.size() || size > data_.size() - at) Bad("a resource lies past the end of the file");
    return data_.substr(at, size);
  }
  [[noreturn]] static void Bad(const std::string& why) {
    throw std::runtime_error("not a Windows program this check can read: " + why);
  }

 private:
  uint32_t Get(uint64_t at, int size) const {
    if (at > data_.size() || static_cast<uint64_t>(size) > data_.size() - at) Bad("the file ends early");
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data_[at + i]);
    return value;
  }
  std::string_view data_;
};

struct Section {
  uint32_t address, size, fileOffset;
};

class Program {
 public:
  explicit Program(std::string_view data) : bytes_(data) {
    if (bytes_.U16(0) != 0x5A4D) Bytes::Bad("no MZ");
    const uint32_t pe = bytes_.U32(0x3C);
    if (bytes_.U32(pe) != 0x00004550) Bytes::Bad("no PE signature");
    const uint32_t sections = bytes_.U16(pe + 6), optionalSize = bytes_.U16(pe + 20);
    const uint64_t optional = pe + 24;
    const uint32_t magic = bytes_.U16(optional);
    if (magic != 0x10B && magic != 0x20B) Bytes::Bad("an unknown optional header");
    const uint64_t directories = optional + (magic == 0x10B ? 96 : 112);
    const uint32_t count = bytes_.U32(directories - 4);
    for (uint64_t s = optional + optionalSize; sections_.size() < sections; s += 40)
      sections_.push_back({bytes_.U32(s + 12), std::max(bytes_.U32(s + 8), bytes_.U32(s + 16)), bytes_.U32(s + 20)});
    if (count > 2) resources_ = bytes_.U32(directories + 2 * 8);
  }

  // The file offset of an address in the loaded image.
  uint64_t Offset(uint64_t address) const {
    for (const Section& section : sections_) {
      if (address >= section.address && address - section.address < section.size)
        return section.fileOffset + (address - section.address);
    }
    Bytes::Bad("an address outside every section");
  }

  // The entry of a resource directory with this number, or the first when any will do.
  std::optional<uint32_t> Entry(uint32_t directory, std::optional<uint32_t> id) const {
    const uint64_t at = Offset(resources_ + directory);
    const uint32_t named = bytes_.U16(at + 12), numbered = bytes_.U16(at + 14);
    for (uint32_t e = 0; e < named + numbered; ++e) {
      const uint64_t entry = at + 16 + 8ull * e;
      const uint32_t name = bytes_.U32(entry);
      if (!(name & kSubdirectory) && (!id || name == *id)) return bytes_.U32(entry + 4);
    }
    return std::nullopt;
  }

  std::optional<std::string> ReleaseKey() const {
    if (resources_ == 0) return std::nullopt;
    std::optional<uint32_t> entry = Entry(0, kRcData);
    if (entry && *entry & kSubdirectory) entry = Entry(*entry & ~kSubdirectory, IDR_RELEASE_KEY);
    if (entry && *entry & kSubdirectory) entry = Entry(*entry & ~kSubdirectory, std::nullopt);
    if (!entry || *entry & kSubdirectory) return std::nullopt;
    const uint64_t data = Offset(resources_ + *entry);
    return std::string(bytes_.Slice(Offset(bytes_.U32(data)), bytes_.U32(data + 4)));
  }

 private:
  Bytes bytes_;
  std::vector<Section> sections_;
  uint32_t resources_ = 0;
};

}  // namespace

std::optional<std::string> ReleaseKeyInProgram(std::string_view program) { return Program(program).ReleaseKey(); }
