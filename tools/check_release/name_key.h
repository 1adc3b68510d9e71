// File names compared as Windows compares them, without Windows: for the vendor's own check.
#pragma once

#include <string>
#include <string_view>

// The key of a name: "/" as "\" and every character of the Basic Multilingual Plane in the
// simple upper case of Unicode (glibc's C.UTF-8 tables), the rest left alone, as the updater's
// invariant upper case leaves surrogate pairs alone. It may differ from Windows for letters whose
// case mapping the two Unicode tables do not share: letters newer than one of them, and the
// few whose Windows upper case is not Unicode's.
std::wstring PortableFileNameKey(std::wstring_view name);
