// The title test of closing running copies, apart from how titles are read and upper-cased.
#pragma once

#include <string_view>

// The text of the application event-log entry written before each attempt to end a process.
inline constexpr wchar_t kKillWarningText[] = L"Warning...killing orphan process...";

// Characters of the title buffer, its terminating NUL included: at most 255 title characters.
inline constexpr int kTitleBufferLength = 256;

// True when the upper-cased title carries the upper-cased target anywhere. A blank target
// matches nothing: it is contained in every title, the updater's own included.
inline bool TitleHasTarget(std::wstring_view upperTitle, std::wstring_view upperTarget) {
  if (upperTarget.find_first_not_of(L" \t\r\n") == std::wstring_view::npos) return false;
  return upperTitle.find(upperTarget) != std::wstring_view::npos;
}
