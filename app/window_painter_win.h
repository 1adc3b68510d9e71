// What the window frmindir and its panel paint themselves: the pictures, decoded once from the
// program's resources and scaled to the DPI, the shape, and the colours of the labels.
#pragma once

#include <windows.h>

#include <map>
#include <span>

#include "app/layout.h"
#include "app/resample.h"
#include "platform/scoped_win.h"

// Decodes an RCDATA resource to premultiplied 32-bit pixels; a GIF's transparent colour
// becomes fully transparent. Throws AppError when the resource is missing or undecodable.
PixelImage DecodePictureResource(HMODULE module, int resourceId);

// A transparent label cannot wipe its old text: its parent repaints what lies beneath it,
// then the label draws the new text on top.
void RepaintUnder(HWND label, bool now);

class WindowPainter {
 public:
  // Decodes each picture once; a picture that cannot be decoded is left out of the window.
  explicit WindowPainter(HMODULE resources);

  // Stretches every picture smoothly to its element's rectangle at the DPI.
  void ScaleTo(unsigned dpi);

  // Paints the elements of the window or of the panel into the area of parent, bottom first,
  // leaving the opaque child windows alone.
  void Paint(ElementParent which, HWND parent, HDC dc, const RECT& area,
             std::span<const HWND> opaqueChildren);

  // Sets the label's text colour and background for WM_CTLCOLORSTATIC; returns its brush.
  HBRUSH LabelColors(const Element& label, HDC dc);

 private:
  void PaintInto(HDC buffer, HDC dc, std::span<const Element> elements);

  unsigned dpi_ = 96;
  std::map<PictureId, PixelImage> decoded_;
  std::map<const Element*, UniqueBitmap> scaled_;  // per picture element, at dpi_
  std::map<Rgb, UniqueBrush> brushes_;
};
