// The window frmindir as it is designed: every element's place in twips, its texts, colours,
// frame and alignment, and the conversion of twips to pixels at a given DPI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Colours as 0xRRGGBB.
using Rgb = uint32_t;

enum class ElementKind { kPanel, kPicture, kLabel, kButton, kProgressBar, kShape };
enum class ElementParent { kWindow, kPanel };
enum class TextAlign { kLeft, kCenter, kRight };
enum class PictureId { kNone, kStrip, kIllustration, kWordmark, kFolder };

// The elements that are windows of their own, by the design's names; an index into the window's
// controls, so that a misspelt name fails to compile instead of giving a null window.
enum class ControlId {
  Picture1,
  lblsurukle,
  Label1,
  ProgressBar1,
  cmdbaslat,
  cmdKapat,
  lbldurum,
  lblad,
  lblkalan,
  Label2,
  lblAciklama,
};
inline constexpr size_t kControlCount = 11;

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const PixelRect&) const = default;
};

struct Element {
  std::wstring_view name;
  std::optional<ControlId> control;  // none: painted by its parent
  ElementKind kind;
  ElementParent parent;
  TwipsRect rect;
  std::wstring_view text;
  Rgb foreColor = 0;
  bool transparent = true;  // paints no background of its own
  Rgb backColor = 0;        // when not transparent
  bool frame = false;       // flat one-pixel frame
  TextAlign align = TextAlign::kLeft;
  PictureId picture = PictureId::kNone;
  int tabIndex = -1;  // -1: no place in the tab order
};

// The colours of an owner-drawn button.
struct ButtonColors {
  Rgb face;
  Rgb faceHover;  // while the pointer is over the button
  Rgb text;
  Rgb border;
};

inline constexpr std::wstring_view kDesignCaption = L"Zefra iNDiR Ovantis";
inline constexpr TwipsRect kWindowClientTwips{0, 0, 8760, 6930};
// The system's window background colour, looked up when the panel is painted.
inline constexpr Rgb kSystemWindowBackground = 0x80000005;
inline constexpr std::wstring_view kPreferredFontFace = L"MS Sans Serif";
inline constexpr int kFontWeight = 700;
inline constexpr int kFontCharset = 162;  // Turkish

// Elements whose parent is the window or the panel, from the top of the stacking order down.
std::span<const Element> WindowElements();
std::span<const Element> PanelElements();

// Any element by its name; null when there is none.
const Element* FindElement(std::wstring_view name);
// The element of a control.
const Element& ElementOf(ControlId control);

// The colours of cmdbaslat or cmdKapat (those of cmdKapat for any other control).
ButtonColors ButtonColorsOf(ControlId button);

// The elements that take the keyboard focus, in tab order: the buttons and the panel.
std::vector<ControlId> TabStopControls();

// 15 twips make a pixel at 96 DPI; halves round up.
int TwipsToPixels(int twips, unsigned dpi);

// A rectangle converted by its edges, so that elements that meet in twips meet in pixels.
PixelRect ToPixels(const TwipsRect& rect, unsigned dpi);

// The height in pixels of the 8.25-point window font at the DPI.
int FontHeightPixels(unsigned dpi);
