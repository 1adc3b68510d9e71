// The window's pictures: JPEG and GIF resources decoded by the platform's imaging component.
#pragma once

#include <windows.h>

#include "app/resample.h"
#include "platform/scoped_win.h"

// Decodes an RCDATA resource to premultiplied 32-bit pixels; a GIF's transparent colour
// becomes fully transparent. Throws AppError when the resource is missing or undecodable.
PixelImage DecodePictureResource(HMODULE module, int resourceId);

// A 32-bit top-down DIB section holding the pixels, for BitBlt.
UniqueGdiObject MakeBitmap(const PixelImage& image);
