// The one font of the window's labels and buttons.
#pragma once

#include <windows.h>

#include <string>

#include "platform/scoped_win.h"

// "MS Sans Serif" where it exists with Turkish letters, else the first plain sans-serif face
// that does ("Microsoft Sans Serif", "Tahoma", "Arial", ...). Looked up once.
const std::wstring& WindowFontFace();

// Bold, 8.25 points at the DPI, Turkish character set.
UniqueGdiObject CreateWindowFont(unsigned dpi);
