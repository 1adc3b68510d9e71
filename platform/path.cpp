#include "platform/path.h"

std::wstring FolderOf(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, separator));
}

std::wstring FileNameOf(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/");
  return std::wstring(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
}
