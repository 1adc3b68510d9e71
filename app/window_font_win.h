// The DPI the window's twips are converted at, and the one font of its labels and buttons.
#pragma once

#include <windows.h>

#include <string>

#include "platform/scoped_win.h"

// The window's own DPI where the system reports it per window (Windows 10 and later),
// otherwise the screen's; 96 when neither can be read.
unsigned WindowDpi(HWND window);

// "MS Sans Serif" where it exists with Turkish letters, else the first plain sans-serif face
// that does ("Microsoft Sans Serif", "Tahoma", "Arial", ...). Looked up once.
const std::wstring& WindowFontFace();

// Bold, 8.25 points at the DPI, Turkish character set.
UniqueFont CreateWindowFont(unsigned dpi);
