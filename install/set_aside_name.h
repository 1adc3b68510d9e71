// The names under which the running updater's own file is set aside while a new one takes its
// place. No manifest file may carry such a name, and the next start deletes every file that does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Ends every set-aside name. Not an executable's ending, so nobody starts an old updater by a
// double click, and longer than three letters, so no 8.3 short name can ever match it.
inline constexpr wchar_t kSetAsideSuffix[] = L".indir-old";

// Unique to one process at one instant: the process id and the time in 100 ns steps.
std::wstring SetAsideTag(uint32_t processId, uint64_t time100ns);

// fileName + "." + tag + kSetAsideSuffix, e.g. "Zefra INDIR.exe.1234-01DB2A40C5E3F000.indir-old".
std::wstring SetAsideName(std::wstring_view fileName, std::wstring_view tag);

// True when one path segment names a set-aside file as Windows resolves it: trailing dots and
// spaces are dropped, and letter case does not count.
bool IsSetAsideName(std::wstring_view segment);
