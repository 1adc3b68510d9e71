#include "app/layout.h"

#include <algorithm>
#include <array>

namespace {

using enum ElementKind;
constexpr Rgb kBoxBack = 0xFFFFC0;
constexpr Rgb kBoxText = 0x404040;

constexpr ElementParent kOnWindow = ElementParent::kWindow;
constexpr ElementParent kOnPanel = ElementParent::kPanel;
using enum TextAlign;
using enum PictureId;

// clang-format off
constexpr std::array kWindowElements = {
    Element{.name = L"Picture1", .control = ControlId::Picture1, .kind = kPanel, .parent = kOnWindow, .rect = {0, 630, 8775, 5655},
                .transparent = false, .backColor = kSystemWindowBackground, .frame = true, .tabIndex = 3},
    Element{.name = L"Image5", .kind = kPicture, .parent = kOnWindow, .rect = {3510, 6300, 1800, 615},
                .picture = kWordmark},
    Element{.name = L"Image3", .kind = kPicture, .parent = kOnWindow, .rect = {0, 6270, 8775, 660},
                .picture = kStrip},
    Element{.name = L"lblsurukle", .control = ControlId::lblsurukle, .kind = kLabel, .parent = kOnWindow, .rect = {0, 0, 8775, 645},
                .frame = true, .tabIndex = 2},
    Element{.name = L"Label1", .control = ControlId::Label1, .kind = kLabel, .parent = kOnWindow, .rect = {1170, 210, 6555, 255},
                .text = L"YENİ VERSİYON iNDiR", .foreColor = 0xFFFFFF, .align = kCenter, .tabIndex = 9},
    Element{.name = L"Image4", .kind = kPicture, .parent = kOnWindow, .rect = {0, 0, 8775, 630},
                .picture = kStrip},
};

constexpr std::array kPanelElements = {
    Element{.name = L"ProgressBar1", .control = ControlId::ProgressBar1, .kind = kProgressBar, .parent = kOnPanel, .rect = {660, 2070, 7395, 255},
                .transparent = false, .tabIndex = 4},
    Element{.name = L"cmdbaslat", .control = ControlId::cmdbaslat, .kind = kButton, .parent = kOnPanel, .rect = {2700, 4410, 1515, 495},
                .text = L"&BAŞLAT", .foreColor = 0xFFFFFF, .transparent = false, .backColor = 0x57AFF7,
                .align = kCenter, .tabIndex = 0},
    Element{.name = L"cmdKapat", .control = ControlId::cmdKapat, .kind = kButton, .parent = kOnPanel, .rect = {4500, 4410, 1515, 495},
                .text = L"&KAPAT", .foreColor = 0xFFFFFF, .transparent = false, .backColor = 0x808080,
                .align = kCenter, .tabIndex = 1},
    Element{.name = L"lbldurum", .control = ControlId::lbldurum, .kind = kLabel, .parent = kOnPanel, .rect = {210, 5250, 8295, 285},
                .text = L"Hazır !", .foreColor = kBoxText, .align = kCenter, .tabIndex = 10},
    Element{.name = L"Shape1", .kind = kShape, .parent = kOnPanel, .rect = {-30, 5100, 8805, 555},
                .transparent = false, .backColor = 0xE0E0E0},
    Element{.name = L"Image6", .kind = kPicture, .parent = kOnPanel, .rect = {2460, 120, 4500, 1500},
                .picture = kIllustration},
    Element{.name = L"lblad", .control = ControlId::lblad, .kind = kLabel, .parent = kOnPanel, .rect = {1020, 1710, 5355, 255},
                .foreColor = kBoxText, .transparent = false, .backColor = kBoxBack, .frame = true, .tabIndex = 8},
    Element{.name = L"lblkalan", .control = ControlId::lblkalan, .kind = kLabel, .parent = kOnPanel, .rect = {6450, 1710, 1245, 255},
                .text = L"0", .foreColor = kBoxText, .transparent = false, .backColor = kBoxBack, .frame = true,
                .align = kRight, .tabIndex = 7},
    Element{.name = L"Image1", .kind = kPicture, .parent = kOnPanel, .rect = {660, 1710, 300, 300},
                .picture = kFolder},
    Element{.name = L"Label2", .control = ControlId::Label2, .kind = kLabel, .parent = kOnPanel, .rect = {7740, 1710, 315, 255},
                .text = L"KB", .foreColor = kBoxText, .transparent = false, .backColor = kBoxBack, .frame = true,
                .align = kRight, .tabIndex = 6},
    Element{.name = L"lblAciklama", .control = ControlId::lblAciklama, .kind = kLabel, .parent = kOnPanel, .rect = {660, 2460, 7395, 1815},
                .text = L"Dosyalar", .foreColor = kBoxText, .transparent = false, .backColor = kBoxBack,
                .frame = true, .align = kCenter, .tabIndex = 5},
};
// clang-format on

// Floor division that also rounds negative numbers down.
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::span<const Element> WindowElements() { return kWindowElements; }
std::span<const Element> PanelElements() { return kPanelElements; }

const Element* FindElement(std::wstring_view name) {
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      if (element.name == name) return &element;
    }
  }
  return nullptr;
}

const Element& ElementOf(ControlId control) {
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      if (element.control == control) return element;
    }
  }
  return kWindowElements.front();  // not reached: every control has its element
}

namespace {

std::vector<const Element*> TabStopElements() {
  std::vector<const Element*> stops;
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      if (element.kind == kButton || element.kind == kPanel) stops.push_back(&element);
    }
  }
  std::sort(stops.begin(), stops.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  return stops;
}

}  // namespace

ButtonColors ButtonColorsOf(ControlId button) {
  if (button == ControlId::cmdbaslat) return {0x57AFF7, 0x404040, 0xFFFFFF, 0x003C74};
  return {0x808080, 0x808080, 0xFFFFFF, 0x003C74};
}

std::vector<ControlId> TabStopControls() {
  std::vector<ControlId> controls;
  for (const Element* element : TabStopElements()) controls.push_back(*element->control);
  return controls;
}

int TwipsToPixels(int twips, unsigned dpi) {
  return static_cast<int>(FloorDiv(int64_t{twips} * dpi + 720, 1440));
}

PixelRect ToPixels(const TwipsRect& rect, unsigned dpi) {
  const int left = TwipsToPixels(rect.left, dpi);
  const int top = TwipsToPixels(rect.top, dpi);
  return {left, top, TwipsToPixels(rect.left + rect.width, dpi) - left,
          TwipsToPixels(rect.top + rect.height, dpi) - top};
}

int FontHeightPixels(unsigned dpi) {
  // 8.25 points of 1/72 inch, in hundredths to stay in whole numbers.
  return static_cast<int>(FloorDiv(int64_t{825} * dpi + 3600, 7200));
}
