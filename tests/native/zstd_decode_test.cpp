// The forms a release offers, decoded with zstd's decoder: inputs made by the vendor's own zstd.
#include "install/zstd_decode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// An older and a newer file of a few hundred KiB that differ in places, and their forms.
struct Forms {
  std::string oldFile, newFile, copy, patch;
};

const Forms& MadeForms() {
  static const Forms forms = [] {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zefra_zstd_decode_test";
    std::filesystem::create_directories(folder);
    std::mt19937 random(27);
    Forms made;
    for (int k = 0; k < 40000; ++k) made.oldFile += "word" + std::to_string(random() % 5000) + " ";
    made.newFile = made.oldFile;
    for (int k = 0; k < 20; ++k) made.newFile.replace(random() % made.newFile.size(), 6, "CHANGE");
    std::ofstream(folder / "old", std::ios::binary) << made.oldFile;
    std::ofstream(folder / "new", std::ios::binary) << made.newFile;
    const std::string in = "'" + folder.string() + "/";
    EXPECT_EQ(std::system(("zstd -q -f -19 " + in + "new' -o " + in + "copy'").c_str()), 0);
    const std::string patch = "zstd -q -f -19 --patch-from=" + in + "old' " + in + "new' -o " + in + "patch'";
    EXPECT_EQ(std::system(patch.c_str()), 0);
    made.copy = Read(folder / "copy");
    made.patch = Read(folder / "patch");
    std::filesystem::remove_all(folder);
    return made;
  }();
  return forms;
}

TEST(ZstdDecode, DecodesWhatTheVendorsZstdWroteAndRefusesTheRest) {
  const Forms& f = MadeForms();
  ASSERT_FALSE(f.patch.empty());
  std::string wrongReference = f.oldFile;
  wrongReference[wrongReference.size() / 2] ^= 1;
  const struct {
    const char* row;
    std::string frame, reference;
    size_t capacity;
    const char* error;  // empty: decodes to the newer file
  } cases[] = {
      {"compressed copy", f.copy, "", f.newFile.size(), ""},
      {"patch with its reference", f.patch, f.oldFile, f.newFile.size(), ""},
      {"patch with a changed reference", f.patch, wrongReference, f.newFile.size(),
       "Restored data doesn't match checksum"},
      {"patch without its reference", f.patch, "", f.newFile.size(), "Data corruption detected"},
      {"truncated", f.copy.substr(0, f.copy.size() - 9), "", f.newFile.size(), "Src size is incorrect"},
      {"two frames", f.copy + f.copy, "", 2 * f.newFile.size(), "bytes after the end of the frame"},
      {"one byte over the listed size", f.copy, "", f.newFile.size() - 1, "Destination buffer is too small"},
      {"a window beyond the listed size", f.patch, f.oldFile.substr(0, 900), 1000,
       "Frame requires too much memory for decoding"},
  };
  for (const auto& c : cases) {
    std::string output(c.capacity, '\0');
    const ZstdDecoded decoded = DecodeZstdFrame(c.frame, output, c.reference);
    EXPECT_EQ(decoded.error, c.error) << c.row;
    if (*c.error == '\0') {
      EXPECT_TRUE(decoded.written == f.newFile.size() && output == f.newFile) << c.row;
    }
  }
}

}  // namespace
