// Letter case as the system itself folds it, whatever the user's locale, and the file-name key
// that follows from it.
#pragma once

#include <string>
#include <string_view>

// The invariant locale's simple upper case: "i" becomes "I" in a Turkish system too, as the file
// system and an ASCII program name expect. Throws AppError when the system refuses.
std::wstring InvariantUpper(std::wstring_view text);

// Two names are one file on Windows when these are equal: letter case ignored as the file system
// folds it, "/" and "\" alike.
std::wstring WindowsFileNameKey(std::wstring_view name);
