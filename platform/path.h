// Paths as plain text: the parts on either side of the last separator ("\" or "/").
#pragma once

#include <string>
#include <string_view>

// Everything before the last separator; empty when there is none.
std::wstring FolderOf(std::wstring_view path);

// Everything after the last separator; the whole path when there is none.
std::wstring FileNameOf(std::wstring_view path);
