// The flat owner-drawn buttons of the window: face, one-pixel frame, caption with its access
// key, focus cue, a hover face while the pointer is over the button, and a disabled look.
#pragma once

#include <windows.h>

#include "app/layout.h"

// Makes the button follow the pointer (hover on, hover off when it leaves) and redraw.
void TrackButtonHover(HWND button);

// Whether the pointer is over the button now, as far as the button has been told.
bool IsButtonHovered(HWND button);

// Draws the button for WM_DRAWITEM in the given colours.
void DrawFlatButton(const DRAWITEMSTRUCT& item, const ButtonColors& colors);

COLORREF ToColorref(Rgb rgb);
