// The built program carries its icon, pointers, pictures, version and manifest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/window_painter_win.h"
#include "app/resources/resource_ids.h"
#include "platform/path.h"
#include "platform/program_folder_win.h"
#include "test_support.h"

namespace {

#pragma pack(push, 2)
struct GroupEntry {  // one image of an icon or pointer group resource
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

class ProgramResources : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring program = FolderOf(FolderOf(ExecutablePath())) + L"\\Zefra INDIR.exe";
    module_ =
        LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "cannot open the program's resources";
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  std::string Bytes(const wchar_t* type, const wchar_t* name) const {
    HRSRC found = FindResourceW(module_, name, type);
    if (!found) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return std::string(data, SizeofResource(module_, found));
  }
  std::vector<GroupEntry> Group(const wchar_t* type, int id) const {
    const std::string data = Bytes(type, MAKEINTRESOURCEW(id));
    if (data.size() < sizeof(GroupHeader)) return {};
    GroupHeader header;
    std::memcpy(&header, data.data(), sizeof(header));
    std::vector<GroupEntry> entries(header.count);
    if (data.size() < sizeof(header) + header.count * sizeof(GroupEntry)) return {};
    std::memcpy(entries.data(), data.data() + sizeof(header), header.count * sizeof(GroupEntry));
    return entries;
  }

  HMODULE module_ = nullptr;
};

BOOL CALLBACK FirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  *reinterpret_cast<LPWSTR*>(param) = name;
  return FALSE;
}

TEST_F(ProgramResources, TheFirstIconGroupIsTheProgramIconWithItsTwentyThreeImages) {
  LPWSTR first = nullptr;
  EnumResourceNamesW(module_, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, FirstName,
                     reinterpret_cast<LONG_PTR>(&first));
  EXPECT_TRUE(IS_INTRESOURCE(first) && reinterpret_cast<ULONG_PTR>(first) == IDI_ZEFRA_APP);

  const std::vector<GroupEntry> images = Group(MAKEINTRESOURCEW(14), IDI_ZEFRA_APP);
  ASSERT_EQ(images.size(), 23u);
  std::vector<std::pair<int, int>> found;  // (bits per pixel, pixels)
  for (const GroupEntry& image : images) {
    const int size = image.width == 0 ? 256 : image.width;
    found.push_back({image.bitCount, size});
    const std::string data = Bytes(MAKEINTRESOURCEW(3) /* RT_ICON */, MAKEINTRESOURCEW(image.id));
    ASSERT_GE(data.size(), 8u);
    const bool png = data.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
    EXPECT_EQ(png, size == 256) << size << " pixels at " << image.bitCount << " bits";
  }
  std::vector<std::pair<int, int>> expected;
  for (int size : {48, 32, 16}) expected.push_back({1, size});
  for (int bits : {4, 8}) {
    for (int size : {256, 48, 32, 24, 16}) expected.push_back({bits, size});
  }
  for (int size : {256, 128, 96, 80, 72, 64, 48, 32, 24, 16}) expected.push_back({32, size});
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
}

TEST_F(ProgramResources, BothPointersAreMonochrome32By32WithTheirHotSpots) {
  struct Pointer {
    int id;
    WORD x, y;
  };
  for (const Pointer& pointer : {Pointer{IDR_POINTER_HAND, 4, 0}, Pointer{IDR_POINTER_MOVE, 14, 14}}) {
    const std::vector<GroupEntry> images = Group(MAKEINTRESOURCEW(12) /* RT_GROUP_CURSOR */, pointer.id);
    ASSERT_EQ(images.size(), 1u) << pointer.id;
    // In a pointer group the first four bytes are the width and the doubled height, as words.
    WORD width, height;
    std::memcpy(&width, &images[0].width, 2);
    std::memcpy(&height, &images[0].colours, 2);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 64);
    EXPECT_EQ(images[0].bitCount, 1);
    const std::string data = Bytes(MAKEINTRESOURCEW(1) /* RT_CURSOR */, MAKEINTRESOURCEW(images[0].id));
    ASSERT_GE(data.size(), 4u);
    WORD hotSpot[2];
    std::memcpy(hotSpot, data.data(), 4);
    EXPECT_EQ(hotSpot[0], pointer.x) << pointer.id;
    EXPECT_EQ(hotSpot[1], pointer.y) << pointer.id;
  }
}

TEST_F(ProgramResources, ThePicturesDecodeToTheirSizes) {
  struct Picture {
    int id;
    const char* signature;
    int width, height;
  };
  for (const Picture& picture : {Picture{IDR_PICTURE_STRIP, "\xFF\xD8\xFF", 13, 36},
                                 Picture{IDR_PICTURE_ILLUSTRATION, "\xFF\xD8\xFF", 300, 100},
                                 Picture{IDR_PICTURE_WORDMARK, "\xFF\xD8\xFF", 120, 41},
                                 Picture{IDR_PICTURE_FOLDER, "GIF8", 20, 20}}) {
    const std::string data = Bytes(MAKEINTRESOURCEW(10) /* RT_RCDATA */, MAKEINTRESOURCEW(picture.id));
    EXPECT_EQ(data.compare(0, std::strlen(picture.signature), picture.signature), 0) << picture.id;
    const PixelImage image = DecodePictureResource(module_, picture.id);
    EXPECT_EQ(image.width, picture.width) << picture.id;
    EXPECT_EQ(image.height, picture.height) << picture.id;
    const bool anyTransparent = std::any_of(image.pixels.begin(), image.pixels.end(),
                                            [](uint32_t pixel) { return (pixel >> 24) == 0; });
    EXPECT_EQ(anyTransparent, picture.id == IDR_PICTURE_FOLDER) << picture.id;
  }
}

TEST_F(ProgramResources, VersionAndManifest) {
  const std::string version = Bytes(MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(version.empty());
  std::vector<char> copy(version.begin(), version.end());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, (9u << 16) | 8u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\StringFileInfo\\041F04B0\\FileVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, L"9.08");
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\StringFileInfo\\041F04B0\\FileDescription",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, L"Update App for Carpet Cleaning Application");

  const std::string manifest = Bytes(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  // No prompt at start and no file virtualization: approval is asked only to place files.
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

}  // namespace
