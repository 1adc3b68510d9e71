#include "install/set_aside_name.h"

#include "platform/text.h"

std::wstring SetAsideTag(uint32_t processId, uint64_t time100ns) {
  uint8_t bigEndian[8];
  for (int i = 0; i < 8; ++i) bigEndian[i] = static_cast<uint8_t>(time100ns >> (56 - 8 * i));
  return std::to_wstring(processId) + L"-" + HexText(bigEndian, true);
}

std::wstring SetAsideName(std::wstring_view fileName, std::wstring_view tag) {
  return std::wstring(fileName) + L"." + std::wstring(tag) + kSetAsideSuffix;
}

bool IsSetAsideName(std::wstring_view segment) {
  const size_t end = segment.find_last_not_of(L". ");
  if (end == std::wstring_view::npos) return false;
  const std::wstring_view suffix = kSetAsideSuffix;
  const std::wstring_view resolved = segment.substr(0, end + 1);
  return resolved.size() >= suffix.size() &&
         AsciiUpper(resolved.substr(resolved.size() - suffix.size())) == AsciiUpper(suffix);
}
