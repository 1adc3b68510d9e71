// What to update, as the vendor's manifest record names it.
#pragma once

#include <array>
#include <string>

struct UpdateManifest {
  std::wstring baseUrl;               // the web address the files lie under
  std::array<std::wstring, 5> files;  // slots 1 to 5 at indexes 0 to 4; empty means no file
};
