#include "app/caption.h"

std::wstring CaptionWithVersion(std::wstring_view caption, int major, int minor, int revision) {
  return std::wstring(caption) + L" v" + std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
         std::to_wstring(revision);
}
