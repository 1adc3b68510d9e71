#include "app/window_font_win.h"

#include "app/layout.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Loaded by name: Windows 7 and 8 lack the function, and a static import would stop the
// program from starting there.
GetDpiForWindowFn DpiForWindowFunction() {
  static const GetDpiForWindowFn function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return function;
}

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
  const ScopedWindowDc screen(nullptr);
  if (!screen) return std::wstring(kPreferredFontFace);
  for (const wchar_t* face : kCandidates) {
    if (FaceExistsWithTurkishLetters(screen.get(), face)) return face;
  }
  return std::wstring(kPreferredFontFace);
}

}  // namespace

unsigned WindowDpi(HWND window) {
  if (GetDpiForWindowFn function = DpiForWindowFunction(); function && window) {
    if (const UINT dpi = function(window); dpi > 0) return dpi;
  }
  const ScopedWindowDc screen(nullptr);
  const int pixels = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return pixels > 0 ? static_cast<unsigned>(pixels) : 96;
}

const std::wstring& WindowFontFace() {
  static const std::wstring face = ChooseFace();
  return face;
}

UniqueFont CreateWindowFont(unsigned dpi) {
  return UniqueFont(CreateFontW(-FontHeightPixels(dpi), 0, 0, 0, kFontWeight, FALSE, FALSE, FALSE,
                                kFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, WindowFontFace().c_str()));
}
