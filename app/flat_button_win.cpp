#include "app/flat_button_win.h"

#include <commctrl.h>

#include <string>

#include "platform/scoped_win.h"

namespace {

constexpr wchar_t kHoverProperty[] = L"ZefraButtonHover";
constexpr UINT_PTR kHoverSubclassId = 1;

void SetHovered(HWND button, bool hovered) {
  if (IsButtonHovered(button) == hovered) return;
  if (hovered) {
    SetPropW(button, kHoverProperty, reinterpret_cast<HANDLE>(1));
  } else {
    RemovePropW(button, kHoverProperty);
  }
  InvalidateRect(button, nullptr, FALSE);
}

LRESULT CALLBACK HoverProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!IsButtonHovered(button)) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, button, 0};
        TrackMouseEvent(&track);
        SetHovered(button, true);
      }
      break;
    case WM_MOUSELEAVE:
      SetHovered(button, false);
      break;
    case WM_NCDESTROY:
      RemovePropW(button, kHoverProperty);
      RemoveWindowSubclass(button, HoverProc, kHoverSubclassId);
      break;
  }
  return DefSubclassProc(button, message, wParam, lParam);
}

// Halfway between two colours: the caption of a disabled button fades into its face.
COLORREF Blend(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
             (GetBValue(a) + GetBValue(b)) / 2);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

COLORREF ToColorref(Rgb rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void TrackButtonHover(HWND button) { SetWindowSubclass(button, HoverProc, kHoverSubclassId, 0); }

bool IsButtonHovered(HWND button) { return GetPropW(button, kHoverProperty) != nullptr; }

void DrawFlatButton(const DRAWITEMSTRUCT& item, const ButtonColors& colors) {
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool hovered = !disabled && IsButtonHovered(item.hwndItem);
  const COLORREF face = ToColorref(hovered ? colors.faceHover : colors.face);

  FillRect(dc, &rect, UniqueBrush(CreateSolidBrush(face)).get());
  FrameRect(dc, &rect, UniqueBrush(CreateSolidBrush(ToColorref(colors.border))).get());

  RECT textRect = rect;
  if (item.itemState & ODS_SELECTED) OffsetRect(&textRect, 1, 1);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? Blend(ToColorref(colors.text), face) : ToColorref(colors.text));
  const UINT prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  const std::wstring caption = WindowText(item.hwndItem);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textRect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);

  if (item.itemState & ODS_FOCUS) {
    RECT focus = rect;
    InflateRect(&focus, -3, -3);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focus);
  }
}
