#include "app/window_font_win.h"

#include "app/layout.h"

namespace {

struct FaceSearch {
  const wchar_t* face;
  bool found = false;
};

int CALLBACK OnFontFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
  auto* search = reinterpret_cast<FaceSearch*>(param);
  // The system may answer with a substitute under another name: only the face itself counts.
  if (_wcsicmp(font->lfFaceName, search->face) == 0) {
    search->found = true;
    return 0;
  }
  return 1;
}

bool FaceExistsWithTurkishLetters(HDC dc, const wchar_t* face) {
  LOGFONTW query{};
  query.lfCharSet = kFontCharset;
  lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
  FaceSearch search{face};
  EnumFontFamiliesExW(dc, &query, OnFontFamily, reinterpret_cast<LPARAM>(&search), 0);
  return search.found;
}

std::wstring ChooseFace() {
  static const wchar_t* const kCandidates[] = {L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma",
                                               L"Arial",         L"Liberation Sans",      L"DejaVu Sans"};
  std::wstring chosen = std::wstring(kPreferredFontFace);
  if (HDC screen = GetDC(nullptr)) {
    for (const wchar_t* face : kCandidates) {
      if (FaceExistsWithTurkishLetters(screen, face)) {
        chosen = face;
        break;
      }
    }
    ReleaseDC(nullptr, screen);
  }
  return chosen;
}

}  // namespace

const std::wstring& WindowFontFace() {
  static const std::wstring face = ChooseFace();
  return face;
}

UniqueGdiObject CreateWindowFont(unsigned dpi) {
  return UniqueGdiObject(CreateFontW(-FontHeightPixels(dpi), 0, 0, 0, kFontWeight, FALSE, FALSE, FALSE,
                                     kFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, WindowFontFace().c_str()));
}
