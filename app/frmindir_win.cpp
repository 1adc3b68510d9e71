// Creation, layout and the messages of the window frmindir.
#include "app/frmindir_win.h"

#include <commctrl.h>

#include "app/flat_button_win.h"
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
  if (element.control == ControlId::lblsurukle)
    style |= SS_NOTIFY | WS_CLIPSIBLINGS;  // takes the mouse for dragging
  return style;
}

std::pair<const wchar_t*, DWORD> ClassAndStyle(const Element& element) {
  switch (element.kind) {
    case ElementKind::kPanel:
      return {kPanelClass, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_CLIPSIBLINGS};
    case ElementKind::kLabel:
      return {L"STATIC", LabelStyle(element)};
    case ElementKind::kButton:
      return {L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_OWNERDRAW};
    case ElementKind::kProgressBar:
      return {PROGRESS_CLASSW, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS};
    case ElementKind::kPicture:
    case ElementKind::kShape:
      break;
  }
  return {nullptr, 0};
}

// The window of a windowed element. Created from the top of the stacking order down, each
// goes to the bottom.
HWND CreateControl(const Element& element, HWND parent, HINSTANCE instance, void* owner) {
  const auto [windowClass, style] = ClassAndStyle(element);
  HWND child = CreateWindowExW(0, windowClass, std::wstring(element.text).c_str(), style, 0, 0, 0, 0, parent,
                               nullptr, instance, owner);
  if (!child) ThrowLastError();
  SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (element.kind == ElementKind::kButton) TrackButtonHover(child);
  if (element.kind == ElementKind::kProgressBar) {
    SendMessageW(child, PBM_SETRANGE32, 0, 100);
    SendMessageW(child, PBM_SETPOS, 0, 0);
  }
  return child;
}

std::span<const Element> ElementsOn(ElementParent parent) {
  return parent == ElementParent::kWindow ? WindowElements() : PanelElements();
}

}  // namespace

frmindir::frmindir(HINSTANCE instance, std::wstring programFolder, Logger& log, unsigned dpi)
    : instance_(instance),
      programFolder_(std::move(programFolder)),
      log_(log),
      fixedDpi_(dpi),
      painter_(instance) {
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

// The panel is the first of the window's elements, so it exists before its own children.
void frmindir::CreateChildren() {
  for (ElementParent which : {ElementParent::kWindow, ElementParent::kPanel}) {
    HWND parent = which == ElementParent::kWindow ? hwnd_ : Control(ControlId::Picture1);
    for (const Element& element : ElementsOn(which)) {
      if (!element.control) continue;  // painted by its parent
      HWND child = CreateControl(element, parent, instance_, this);
      controls_[static_cast<size_t>(*element.control)] = child;
      if (element.kind == ElementKind::kLabel && element.transparent) {
        SetWindowSubclass(child, LabelProc, kLabelSubclassId, reinterpret_cast<DWORD_PTR>(this));
      }
    }
  }
}

void frmindir::ApplyDpi(unsigned dpi) {
  dpi_ = dpi;
  font_ = CreateWindowFont(dpi);
  const PixelRect client = ToPixels(kWindowClientTwips, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, client.width, client.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (size_t index = 0; index < kControlCount; ++index) {
    const PixelRect rect = ToPixels(ElementOf(static_cast<ControlId>(index)).rect, dpi_);
    SetWindowPos(controls_[index], nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(controls_[index], WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  painter_.ScaleTo(dpi_);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void frmindir::Paint(HWND parent, ElementParent which) {
  std::vector<HWND> opaqueChildren;
  for (size_t index = 0; index < kControlCount; ++index) {
    const Element& element = ElementOf(static_cast<ControlId>(index));
    if (element.parent == which && !element.transparent) opaqueChildren.push_back(controls_[index]);
  }
  const ScopedPaint paint(parent);
  painter_.Paint(which, parent, paint.dc(), paint.area(), opaqueChildren);
}

const Element* frmindir::ElementOfWindow(HWND control) const {
  for (size_t index = 0; index < kControlCount; ++index) {
    if (controls_[index] == control) return &ElementOf(static_cast<ControlId>(index));
  }
  return nullptr;
}

HCURSOR frmindir::PointerOver(HWND control) const {
  if (control == Control(ControlId::lblsurukle)) return movePointer_;
  if (control == Control(ControlId::cmdbaslat) || control == Control(ControlId::cmdKapat))
    return handPointer_;
  return nullptr;
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
      RepaintUnder(label, false);
      return result;
    }
    case WM_MOUSEMOVE:
      if (label == self->Control(ControlId::lblsurukle)) self->lblsurukle_MouseMove(wParam);
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
      if (const Element* label = ElementOfWindow(reinterpret_cast<HWND>(lParam))) {
        result = reinterpret_cast<LRESULT>(painter_.LabelColors(*label, reinterpret_cast<HDC>(wParam)));
        return true;
      }
      return false;
    case WM_SETCURSOR:
      if (HCURSOR pointer = PointerOver(reinterpret_cast<HWND>(wParam))) {
        SetCursor(pointer);
        result = TRUE;
        return true;
      }
      return false;
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
    case WM_PAINT:
      Paint(panel, ElementParent::kPanel);
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      DrawFlatButton(item,
                     ButtonColorsOf(item.hwndItem == Control(ControlId::cmdbaslat) ? ControlId::cmdbaslat
                                                                                   : ControlId::cmdKapat));
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (reinterpret_cast<HWND>(lParam) == Control(ControlId::cmdbaslat) && !Busy()) cmdbaslat_Click();
        if (reinterpret_cast<HWND>(lParam) == Control(ControlId::cmdKapat)) cmdKapat_Click();
      }
      return 0;
  }
  return DefWindowProcW(panel, message, wParam, lParam);
}

LRESULT frmindir::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommonChildMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT:
      Paint(hwnd_, ElementParent::kWindow);
      return 0;
    case WM_TIMER:
      // During a run the progress animation goes on, while a second run never starts.
      if (!Busy() && wParam == kRunTimerId) tmrIndir_Timer();
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
