// Where the running executable lives.
#pragma once

#include <string>

// The full path of the running executable, in Unicode (folders such as "Masaüstü" stay intact).
std::wstring ExecutablePath();

// The folder that holds the running executable, without a separator at its end.
std::wstring ProgramFolder();

// The folder part of a path: everything before its last backslash or slash.
std::wstring FolderOf(const std::wstring& path);

// The file part of a path: everything after its last backslash or slash.
std::wstring FileNameOf(const std::wstring& path);
