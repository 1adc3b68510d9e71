// The window caption with the program's version appended at start-up.
#pragma once

#include <string>
#include <string_view>

// caption + " v" + major.minor.revision, each number in plain decimal ("9.8.0", never "9.08.0").
inline std::wstring CaptionWithVersion(std::wstring_view caption, int major, int minor, int revision) {
  return std::wstring(caption) + L" v" + std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
         std::to_wstring(revision);
}
