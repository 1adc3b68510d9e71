// Creation, layout and painting of the window frmindir.
#include "app/frmindir_win.h"

#include <commctrl.h>

#include "app/dpi_win.h"
#include "app/flat_button_win.h"
#include "app/picture_win.h"
#include "app/resources/resource_ids.h"
#include "app/taskbar_button_win.h"
#include "app/window_font_win.h"
#include "platform/win_error_win.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

constexpr wchar_t kPanelClass[] = L"frmindir.Picture1";
constexpr UINT_PTR kLabelSubclassId = 1;

int PictureResource(PictureId picture) {
  switch (picture) {
    case PictureId::kStrip:
      return IDR_PICTURE_STRIP;
    case PictureId::kIllustration:
      return IDR_PICTURE_ILLUSTRATION;
    case PictureId::kWordmark:
      return IDR_PICTURE_WORDMARK;
    case PictureId::kFolder:
      return IDR_PICTURE_FOLDER;
    case PictureId::kNone:
      break;
  }
  return 0;
}

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXW existing{sizeof(existing)};
  if (GetClassInfoExW(instance, name, &existing)) return;
  WNDCLASSEXW windowClass{sizeof(windowClass)};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZEFRA_APP));
  windowClass.hIconSm =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZEFRA_APP), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (!RegisterClassExW(&windowClass)) ThrowLastError();
}

DWORD LabelStyle(const Element& element) {
  DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
  style |= element.align == TextAlign::kCenter  ? SS_CENTER
           : element.align == TextAlign::kRight ? SS_RIGHT
                                                : SS_LEFT;
  if (element.frame) style |= WS_BORDER;
  // A transparent label must not be clipped by the transparent drag strip lying over it.
  if (!element.transparent) style |= WS_CLIPSIBLINGS;
  if (element.name == L"lblsurukle") style |= SS_NOTIFY | WS_CLIPSIBLINGS;  // takes the mouse for dragging
  return style;
}

}  // namespace

frmindir::frmindir(HINSTANCE instance, std::wstring programFolder, unsigned dpi)
    : instance_(instance), programFolder_(std::move(programFolder)), fixedDpi_(dpi) {
  endProgram_ = [] { ExitProcess(0); };
  startDrag_ = [this] {
    ReleaseCapture();
    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  };
  RegisterWindowClass(instance_, kFrmindirWindowClass, WindowProc,
                      static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RegisterWindowClass(instance_, kPanelClass, PanelProc, nullptr);
  handPointer_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDR_POINTER_HAND));
  movePointer_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDR_POINTER_MOVE));

  const PixelRect client = ToPixels(kWindowClientTwips, 96);
  hwnd_ = CreateWindowExW(0, kFrmindirWindowClass, std::wstring(kDesignCaption).c_str(),
                          WS_POPUP | WS_CLIPSIBLINGS, 0, 0, client.width, client.height, nullptr, nullptr,
                          instance_, this);
  if (!hwnd_) ThrowLastError();
  try {
    CreateChildren();
    LoadPictures();
    ApplyDpi(fixedDpi_ ? fixedDpi_ : WindowDpi(hwnd_));
  } catch (...) {
    DestroyWindow(hwnd_);  // the destructor does not run for a half-made window
    throw;
  }
  systemTaskbar_ = std::make_unique<SystemTaskbarButton>(hwnd_);
  progress_.SetTaskbar(systemTaskbar_.get());
}

frmindir::~frmindir() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND frmindir::Control(std::wstring_view name) const {
  const auto found = children_.find(name);
  return found == children_.end() ? nullptr : found->second.hwnd;
}

void frmindir::CreateChildren() {
  for (const Element& element : WindowElements()) {
    if (HWND child = CreateChild(element, hwnd_)) children_[element.name] = {&element, child};
  }
  panel_ = Control(L"Picture1");
  for (const Element& element : PanelElements()) {
    if (HWND child = CreateChild(element, panel_)) children_[element.name] = {&element, child};
  }
}

// Creates the element's window, or nothing for the pictures and the shape that the parent
// paints. Created from the top of the stacking order down, each goes to the bottom.
HWND frmindir::CreateChild(const Element& element, HWND parent) {
  const wchar_t* windowClass = nullptr;
  DWORD style = 0;
  switch (element.kind) {
    case ElementKind::kPanel:
      windowClass = kPanelClass;
      style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_CLIPSIBLINGS;
      break;
    case ElementKind::kLabel:
      windowClass = L"STATIC";
      style = LabelStyle(element);
      break;
    case ElementKind::kButton:
      windowClass = L"BUTTON";
      style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_OWNERDRAW;
      break;
    case ElementKind::kProgressBar:
      windowClass = PROGRESS_CLASSW;
      style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
      break;
    case ElementKind::kPicture:
    case ElementKind::kShape:
      return nullptr;
  }
  HWND child = CreateWindowExW(0, windowClass, std::wstring(element.text).c_str(), style, 0, 0, 0, 0, parent,
                               nullptr, instance_, this);
  if (!child) ThrowLastError();
  SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (element.kind == ElementKind::kButton) TrackButtonHover(child);
  if (element.kind == ElementKind::kProgressBar) {
    SendMessageW(child, PBM_SETRANGE32, 0, 100);
    SendMessageW(child, PBM_SETPOS, 0, 0);
  }
  if (element.kind == ElementKind::kLabel && element.transparent) {
    SetWindowSubclass(child, LabelProc, kLabelSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
  return child;
}

void frmindir::ApplyDpi(unsigned dpi) {
  dpi_ = dpi;
  font_ = CreateWindowFont(dpi);
  const PixelRect client = ToPixels(kWindowClientTwips, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, client.width, client.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutChildren();
  ScalePictures();
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void frmindir::LayoutChildren() {
  for (const auto& [name, child] : children_) {
    const PixelRect rect = ToPixels(child.element->rect, dpi_);
    SetWindowPos(child.hwnd, nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(child.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
}

// Decodes each picture once; a picture that cannot be decoded is left out of the window.
void frmindir::LoadPictures() {
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      if (element.kind != ElementKind::kPicture || decoded_.count(element.picture)) continue;
      try {
        decoded_[element.picture] = DecodePictureResource(instance_, PictureResource(element.picture));
      } catch (const AppError&) {
      }
    }
  }
}

// Every picture is stretched smoothly to its element's rectangle at the current DPI.
void frmindir::ScalePictures() {
  scaled_.clear();
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      const auto source = decoded_.find(element.picture);
      if (element.kind != ElementKind::kPicture || source == decoded_.end()) continue;
      const PixelRect rect = ToPixels(element.rect, dpi_);
      PixelImage image = Resample(source->second, rect.width, rect.height);
      const COLORREF under =
          element.parent == ElementParent::kPanel ? GetSysColor(COLOR_WINDOW) : RGB(0, 0, 0);
      CompositeOver(image, (GetRValue(under) << 16) | (GetGValue(under) << 8) | GetBValue(under));
      try {
        scaled_[element.name] = MakeBitmap(image);
      } catch (const AppError&) {
      }
    }
  }
}

// Paints the parent's own elements, bottom first, leaving the opaque child windows alone. The
// picture is made off screen and put on in one piece, so no half-painted state is ever seen.
void frmindir::PaintElements(HWND parent, HDC dc, const RECT& area, std::span<const Element> elements) {
  for (const auto& [name, child] : children_) {
    if (GetParent(child.hwnd) != parent || child.element->transparent) continue;
    RECT rect;
    GetWindowRect(child.hwnd, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  }
  RECT client;
  GetClientRect(parent, &client);
  HDC buffer = CreateCompatibleDC(dc);
  HBITMAP canvas = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ oldCanvas = SelectObject(buffer, canvas);
  FillRect(
      buffer, &client,
      parent == hwnd_ ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : GetSysColorBrush(COLOR_WINDOW));
  HDC picture = CreateCompatibleDC(dc);
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    const PixelRect rect = ToPixels(it->rect, dpi_);
    if (it->kind == ElementKind::kShape) {
      HBRUSH brush = CreateSolidBrush(ToColorref(it->backColor));
      RECT fill{rect.left, rect.top, rect.right(), rect.bottom()};
      FillRect(buffer, &fill, brush);
      DeleteObject(brush);
    } else if (const auto bitmap = scaled_.find(it->name); bitmap != scaled_.end()) {
      HGDIOBJ old = SelectObject(picture, bitmap->second.get());
      BitBlt(buffer, rect.left, rect.top, rect.width, rect.height, picture, 0, 0, SRCCOPY);
      SelectObject(picture, old);
    }
  }
  DeleteDC(picture);
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer, area.left, area.top,
         SRCCOPY);
  SelectObject(buffer, oldCanvas);
  DeleteObject(canvas);
  DeleteDC(buffer);
}

HBRUSH frmindir::LabelColors(HWND label, HDC dc) {
  for (const auto& [name, child] : children_) {
    if (child.hwnd != label) continue;
    SetTextColor(dc, ToColorref(child.element->foreColor));
    if (child.element->transparent) {
      SetBkMode(dc, TRANSPARENT);
      return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ToColorref(child.element->backColor));
    UniqueGdiObject& brush = brushes_[child.element->backColor];
    if (!brush) brush.reset(CreateSolidBrush(ToColorref(child.element->backColor)));
    return static_cast<HBRUSH>(brush.get());
  }
  return nullptr;
}

// A transparent label cannot wipe its old text: its parent repaints what lies beneath it,
// then the label draws the new text on top.
void frmindir::RepaintUnder(HWND label, bool now) {
  HWND parent = GetParent(label);
  RECT rect;
  GetWindowRect(label, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(parent, &rect, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | (now ? RDW_UPDATENOW : 0));
}

LRESULT CALLBACK frmindir::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<frmindir*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<frmindir*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || message == WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return self->HandleWindowMessage(message, wParam, lParam);
}

LRESULT CALLBACK frmindir::PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(panel, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<frmindir*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
  if (!self || message == WM_NCCREATE) return DefWindowProcW(panel, message, wParam, lParam);
  return self->HandlePanelMessage(panel, message, wParam, lParam);
}

LRESULT CALLBACK frmindir::LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
  auto* self = reinterpret_cast<frmindir*>(data);
  switch (message) {
    case WM_SETTEXT: {
      const LRESULT result = DefSubclassProc(label, message, wParam, lParam);
      self->RepaintUnder(label, false);
      return result;
    }
    case WM_MOUSEMOVE:
      if (label == self->Control(L"lblsurukle")) self->lblsurukle_MouseMove(wParam);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(label, LabelProc, kLabelSubclassId);
      break;
  }
  return DefSubclassProc(label, message, wParam, lParam);
}

// What the window and the panel both answer for their children.
bool frmindir::HandleCommonChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = LabelColors(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
        result = reinterpret_cast<LRESULT>(brush);
        return true;
      }
      return false;
    case WM_SETCURSOR: {
      const HWND over = reinterpret_cast<HWND>(wParam);
      HCURSOR pointer = over == Control(L"lblsurukle")                                    ? movePointer_
                        : (over == Control(L"cmdbaslat") || over == Control(L"cmdKapat")) ? handPointer_
                                                                                          : nullptr;
      if (!pointer) return false;
      SetCursor(pointer);
      result = TRUE;
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;  // WM_PAINT paints everything
      return true;
  }
  return false;
}

LRESULT frmindir::HandlePanelMessage(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommonChildMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(panel, &paint);
      PaintElements(panel, dc, paint.rcPaint, PanelElements());
      EndPaint(panel, &paint);
      return 0;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      DrawFlatButton(item,
                     ButtonColorsOf(item.hwndItem == Control(L"cmdbaslat") ? L"cmdbaslat" : L"cmdKapat"));
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (reinterpret_cast<HWND>(lParam) == Control(L"cmdbaslat") && !busy_) cmdbaslat_Click();
        if (reinterpret_cast<HWND>(lParam) == Control(L"cmdKapat")) cmdKapat_Click();
      }
      return 0;
  }
  return DefWindowProcW(panel, message, wParam, lParam);
}

LRESULT frmindir::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommonChildMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      PaintElements(hwnd_, dc, paint.rcPaint, WindowElements());
      EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_TIMER:
      // During a run the progress animation goes on, while a second run never starts.
      if (!busy_ && wParam == kRunTimerId) tmrIndir_Timer();
      if (wParam == kProgressTimerId) tmrProgress_Timer();
      return 0;
    case WM_CLOSE:
      Form_Unload();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        savedFocus_ = GetFocus();
      } else if (savedFocus_ && IsWindow(savedFocus_)) {
        SetFocus(savedFocus_);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      if (!fixedDpi_) {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        ApplyDpi(HIWORD(wParam));
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}
