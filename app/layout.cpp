#include "app/layout.h"

#include <algorithm>
#include <array>

namespace {

using enum ElementKind;
constexpr Rgb kNoColor = 0;
constexpr Rgb kBoxBack = 0xFFFFC0;
constexpr Rgb kBoxText = 0x404040;

// ElementSpec fields: name, kind, parent, rect, text, fore, transparent, back, frame, align,
// picture, tab index.
constexpr std::array kWindowElements = {
    ElementSpec{L"Picture1",
                kPanel,
                ElementParent::kWindow,
                {0, 630, 8775, 5655},
                L"",
                kNoColor,
                false,
                kSystemWindowBackground,
                true,
                TextAlign::kLeft,
                PictureId::kNone,
                3},
    ElementSpec{L"Image5",
                kPicture,
                ElementParent::kWindow,
                {3510, 6300, 1800, 615},
                L"",
                kNoColor,
                true,
                kNoColor,
                false,
                TextAlign::kLeft,
                PictureId::kWordmark,
                -1},
    ElementSpec{L"Image3",
                kPicture,
                ElementParent::kWindow,
                {0, 6270, 8775, 660},
                L"",
                kNoColor,
                true,
                kNoColor,
                false,
                TextAlign::kLeft,
                PictureId::kStrip,
                -1},
    ElementSpec{L"lblsurukle",
                kLabel,
                ElementParent::kWindow,
                {0, 0, 8775, 645},
                L"",
                kNoColor,
                true,
                kNoColor,
                true,
                TextAlign::kLeft,
                PictureId::kNone,
                2},
    ElementSpec{L"Label1",
                kLabel,
                ElementParent::kWindow,
                {1170, 210, 6555, 255},
                L"YENİ VERSİYON iNDiR",
                0xFFFFFF,
                true,
                kNoColor,
                false,
                TextAlign::kCenter,
                PictureId::kNone,
                9},
    ElementSpec{L"Image4",
                kPicture,
                ElementParent::kWindow,
                {0, 0, 8775, 630},
                L"",
                kNoColor,
                true,
                kNoColor,
                false,
                TextAlign::kLeft,
                PictureId::kStrip,
                -1},
};

constexpr std::array kPanelElements = {
    ElementSpec{L"ProgressBar1",
                kProgressBar,
                ElementParent::kPanel,
                {660, 2070, 7395, 255},
                L"",
                kNoColor,
                false,
                kNoColor,
                false,
                TextAlign::kLeft,
                PictureId::kNone,
                4},
    ElementSpec{L"cmdbaslat",
                kButton,
                ElementParent::kPanel,
                {2700, 4410, 1515, 495},
                L"&BAŞLAT",
                0xFFFFFF,
                false,
                0x57AFF7,
                false,
                TextAlign::kCenter,
                PictureId::kNone,
                0},
    ElementSpec{L"cmdKapat",
                kButton,
                ElementParent::kPanel,
                {4500, 4410, 1515, 495},
                L"&KAPAT",
                0xFFFFFF,
                false,
                0x808080,
                false,
                TextAlign::kCenter,
                PictureId::kNone,
                1},
    ElementSpec{L"lbldurum",
                kLabel,
                ElementParent::kPanel,
                {210, 5250, 8295, 285},
                L"Hazır !",
                kBoxText,
                true,
                kNoColor,
                false,
                TextAlign::kCenter,
                PictureId::kNone,
                10},
    ElementSpec{L"Shape1",
                kShape,
                ElementParent::kPanel,
                {-30, 5100, 8805, 555},
                L"",
                kNoColor,
                false,
                0xE0E0E0,
                false,
                TextAlign::kLeft,
                PictureId::kNone,
                -1},
    ElementSpec{L"Image6",
                kPicture,
                ElementParent::kPanel,
                {2460, 120, 4500, 1500},
                L"",
                kNoColor,
                true,
                kNoColor,
                false,
                TextAlign::kLeft,
                PictureId::kIllustration,
                -1},
    ElementSpec{L"lblad",
                kLabel,
                ElementParent::kPanel,
                {1020, 1710, 5355, 255},
                L"",
                kBoxText,
                false,
                kBoxBack,
                true,
                TextAlign::kLeft,
                PictureId::kNone,
                8},
    ElementSpec{L"lblkalan",
                kLabel,
                ElementParent::kPanel,
                {6450, 1710, 1245, 255},
                L"0",
                kBoxText,
                false,
                kBoxBack,
                true,
                TextAlign::kRight,
                PictureId::kNone,
                7},
    ElementSpec{L"Image1",
                kPicture,
                ElementParent::kPanel,
                {660, 1710, 300, 300},
                L"",
                kNoColor,
                true,
                kNoColor,
                false,
                TextAlign::kLeft,
                PictureId::kFolder,
                -1},
    ElementSpec{L"Label2",
                kLabel,
                ElementParent::kPanel,
                {7740, 1710, 315, 255},
                L"KB",
                kBoxText,
                false,
                kBoxBack,
                true,
                TextAlign::kRight,
                PictureId::kNone,
                6},
    ElementSpec{L"lblAciklama",
                kLabel,
                ElementParent::kPanel,
                {660, 2460, 7395, 1815},
                L"Dosyalar",
                kBoxText,
                false,
                kBoxBack,
                true,
                TextAlign::kCenter,
                PictureId::kNone,
                5},
};

// Floor division that also rounds negative numbers down.
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::span<const ElementSpec> WindowElements() { return kWindowElements; }
std::span<const ElementSpec> PanelElements() { return kPanelElements; }

const ElementSpec* FindElement(std::wstring_view name) {
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const ElementSpec& element : elements) {
      if (element.name == name) return &element;
    }
  }
  return nullptr;
}

ButtonColors ButtonColorsOf(std::wstring_view name) {
  if (name == L"cmdbaslat") return {0x57AFF7, 0x404040, 0xFFFFFF, 0x003C74};
  return {0x808080, 0x808080, 0xFFFFFF, 0x003C74};
}

std::vector<std::wstring_view> TabStops() {
  std::vector<const ElementSpec*> stops;
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const ElementSpec& element : elements) {
      if (element.kind == kButton || element.kind == kPanel) stops.push_back(&element);
    }
  }
  std::sort(stops.begin(), stops.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  std::vector<std::wstring_view> names;
  for (const ElementSpec* element : stops) names.push_back(element->name);
  return names;
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
