// The DPI that the window's twips are converted at.
#pragma once

#include <windows.h>

// The window's own DPI where the system reports it per window (Windows 10 and later),
// otherwise the screen's; 96 when neither can be read.
unsigned WindowDpi(HWND window);
