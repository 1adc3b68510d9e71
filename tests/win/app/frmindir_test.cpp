// The window as created: every element's class, place, text, colours and state, at 96 and
// 144 DPI; the caption after start-up; keys, pointers, timers, closing and dragging.
#include <gtest/gtest.h>

#include "app/layout.h"
#include "app/resources/resource_ids.h"
#include "app/window_font_win.h"
#include "diag/log_line.h"
#include "frmindir_fixture.h"
#include "platform/encoding_win.h"

namespace {

std::wstring ExpectedClass(ElementKind kind) {
  switch (kind) {
    case ElementKind::kPanel:
      return L"frmindir.Picture1";
    case ElementKind::kLabel:
      return L"Static";
    case ElementKind::kButton:
      return L"Button";
    case ElementKind::kProgressBar:
      return L"msctls_progress32";
    default:
      return L"";
  }
}

void ExpectElementsAt(const TestWindow& test, unsigned dpi) {
  RECT window;
  GetWindowRect(test.window.hwnd(), &window);
  EXPECT_EQ(window.right - window.left, TwipsToPixels(8760, dpi));
  EXPECT_EQ(window.bottom - window.top, TwipsToPixels(6930, dpi));
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      const std::wstring name(element.name);
      HWND child = element.control ? test.Control(*element.control) : nullptr;
      if (element.kind == ElementKind::kPicture || element.kind == ElementKind::kShape) {
        EXPECT_EQ(child, nullptr) << name << " is painted by its parent";
        continue;
      }
      ASSERT_NE(child, nullptr) << name;
      EXPECT_EQ(_wcsicmp(ClassName(child).c_str(), ExpectedClass(element.kind).c_str()), 0) << name;
      EXPECT_EQ(GetParent(child), element.parent == ElementParent::kWindow
                                      ? test.window.hwnd()
                                      : test.Control(ControlId::Picture1));
      const PixelRect want = ToPixels(element.rect, dpi);
      const RECT got = RectInParent(child);
      EXPECT_EQ(got.left, want.left) << name;
      EXPECT_EQ(got.top, want.top) << name;
      EXPECT_EQ(got.right, want.right()) << name;
      EXPECT_EQ(got.bottom, want.bottom()) << name;
      EXPECT_EQ((GetWindowLongW(child, GWL_STYLE) & WS_BORDER) != 0, element.frame) << name;
      EXPECT_TRUE(IsWindowEnabled(child)) << name;
    }
  }
}

TEST(WindowLayout, EveryElementIsARealControlInItsPlaceAt96Dpi) {
  TestWindow test(96);
  ExpectElementsAt(test, 96);
  const RECT start = RectInParent(test.Control(ControlId::cmdbaslat));
  EXPECT_EQ(start.left, 180);
  EXPECT_EQ(start.top, 294);
  EXPECT_EQ(start.right - start.left, 101);
  const LONG style = GetWindowLongW(test.window.hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_NE(GetClassLongPtrW(test.window.hwnd(), GCLP_HICON), 0u);
}

TEST(WindowLayout, At144DpiTheWindowIs876By693WithEverythingInProportion) {
  TestWindow test(144);
  EXPECT_EQ(test.window.Dpi(), 144u);
  ExpectElementsAt(test, 144);
  const RECT start = RectInParent(test.Control(ControlId::cmdbaslat));
  EXPECT_EQ(start.left, 270);
  EXPECT_EQ(start.bottom - start.top, 50);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(test.Control(ControlId::lbldurum), WM_GETFONT, 0, 0)),
             sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -17);
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfCharSet, 162);
}

TEST(WindowLayout, ADpiChangeLaysEverythingOutAgain) {
  TestWindow test(0);  // the system's DPI
  RECT suggested{10, 20, 10 + 876, 20 + 693};
  SendMessageW(test.window.hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(test.window.Dpi(), 144u);
  ExpectElementsAt(test, 144);
  RECT window;
  GetWindowRect(test.window.hwnd(), &window);
  EXPECT_EQ(window.left, 10);
  EXPECT_EQ(window.top, 20);
}

TEST(WindowLayout, StackingOrderIsAsDesigned) {
  TestWindow test;
  // Child windows from the top down; the panel lies over the drag strip and the title.
  auto order = [](HWND parent) {
    std::vector<std::wstring> names;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      names.push_back(WindowText(child).empty() ? ClassName(child) : WindowText(child));
    }
    return names;
  };
  EXPECT_EQ(order(test.window.hwnd()),
            (std::vector<std::wstring>{L"frmindir.Picture1", L"Static", L"YENİ VERSİYON iNDiR"}));
  EXPECT_EQ(order(test.Control(ControlId::Picture1)),
            (std::vector<std::wstring>{L"msctls_progress32", L"&BAŞLAT", L"&KAPAT", L"Hazır !", L"Static",
                                       L"0", L"KB", L"Dosyalar"}));
}

TEST(WindowLayout, TextsAreTheDesignedOnesInUnicode) {
  TestWindow test;
  EXPECT_EQ(test.window.Caption(), L"Zefra iNDiR Ovantis");
  EXPECT_EQ(WindowText(test.Control(ControlId::Label1)), L"YENİ VERSİYON iNDiR");
  EXPECT_EQ(WindowText(test.Control(ControlId::cmdbaslat)), L"&BAŞLAT");
  EXPECT_EQ(WindowText(test.Control(ControlId::cmdKapat)), L"&KAPAT");
  EXPECT_EQ(test.window.StatusText(), L"Hazır !");
  EXPECT_EQ(test.window.FileName(), L"");
  EXPECT_EQ(test.window.SizeText(), L"0");
  EXPECT_EQ(WindowText(test.Control(ControlId::Label2)), L"KB");
  EXPECT_EQ(test.window.Description(), L"Dosyalar");
  EXPECT_EQ(WindowText(test.Control(ControlId::lblsurukle)), L"");
  EXPECT_EQ(test.window.Progress(), 0);
  EXPECT_EQ(SendMessageW(test.Control(ControlId::ProgressBar1), 0x0407 /* PBM_GETRANGE */, FALSE, 0), 100);

  // The font really has the Turkish letters.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(
      dc, reinterpret_cast<HFONT>(SendMessageW(test.Control(ControlId::Label1), WM_GETFONT, 0, 0)));
  WORD glyphs[8] = {};
  const wchar_t letters[] = L"İŞğıÇÖÜ";
  ASSERT_NE(GetGlyphIndicesW(dc, letters, 7, glyphs, GGI_MARK_NONEXISTING_GLYPHS), GDI_ERROR);
  for (int i = 0; i < 7; ++i)
    EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for letter " << i << " in " << ToUtf8(WindowFontFace());
  SelectObject(dc, old);
  DeleteDC(dc);
}

TEST(WindowLayout, LabelsExposeTheirColours) {
  TestWindow test;
  HDC dc = CreateCompatibleDC(nullptr);
  auto colours = [&](ControlId control) {
    HWND label = test.Control(control);
    SetBkMode(dc, OPAQUE);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    LOGBRUSH info{};
    GetObjectW(brush, sizeof(info), &info);
    return std::tuple{GetTextColor(dc), GetBkMode(dc), info.lbStyle, info.lbColor};
  };
  for (ControlId boxed : {ControlId::lblad, ControlId::lblkalan, ControlId::Label2, ControlId::lblAciklama}) {
    const auto [text, mode, style, back] = colours(boxed);
    EXPECT_EQ(text, RGB(0x40, 0x40, 0x40)) << NameOf(boxed);
    EXPECT_EQ(style, static_cast<UINT>(BS_SOLID)) << NameOf(boxed);
    EXPECT_EQ(back, RGB(0xFF, 0xFF, 0xC0)) << NameOf(boxed);
  }
  const auto [statusText, statusMode, statusStyle, statusBack] = colours(ControlId::lbldurum);
  EXPECT_EQ(statusText, RGB(0x40, 0x40, 0x40));
  EXPECT_EQ(statusMode, TRANSPARENT);
  EXPECT_EQ(statusStyle, static_cast<UINT>(BS_NULL));
  const auto [titleText, titleMode, titleStyle, titleBack] = colours(ControlId::Label1);
  EXPECT_EQ(titleText, RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(titleStyle, static_cast<UINT>(BS_NULL));
  DeleteDC(dc);
}

TEST(WindowLayout, StartUpLogsItsFolderAndAppendsTheVersionOnce) {
  RecordedMessageBoxes boxes;
  TestWindow test;
  test.window.Form_Load();
  EXPECT_EQ(test.window.Caption(), L"Zefra iNDiR Ovantis v9.8.0");
  EXPECT_EQ(LogMessagesOf(LogFilePath(test.folder.path())),
            std::vector<std::wstring>{L"Updater started; applicationPath=" +
                                      FromAnsi(ToAnsi(test.folder.path())) + L"; releaseKey=none"});
  EXPECT_TRUE(boxes.shown().empty());
  // Until the settings and manifest steps exist the window keeps its designed texts.
  EXPECT_EQ(test.window.Description(), L"Dosyalar");
  EXPECT_TRUE(test.window.StartEnabled());
}

TEST(WindowLayout, TheWindowsLogWarnsOnceWhenItCannotWrite) {
  RecordedMessageBoxes boxes;
  TestWindow test;
  CreateDirectoryW(LogFilePath(test.folder.path()).c_str(), nullptr);  // a folder where the file should be
  test.window.Form_Load();
  test.log.LOG_YAZ(L"second");
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text.rfind(L"Tanilama logu yazilamadi: Log write error ", 0), 0u);
  EXPECT_TRUE(test.log.LogWarningShown());
  EXPECT_EQ(test.window.Caption(), L"Zefra iNDiR Ovantis v9.8.0")
      << "a failed log line does not stop start-up";
}

TEST(WindowKeys, TabMovesThroughTheButtonsAndThePanelAndAccessKeysPressTheButtons) {
  TestWindow test;
  int starts = 0;
  test.window.SetStartHandler([&] { ++starts; });
  test.window.Show();
  HWND start = test.Control(ControlId::cmdbaslat), close = test.Control(ControlId::cmdKapat),
       panel = test.Control(ControlId::Picture1);
  EXPECT_EQ(GetFocus(), start);
  auto key = [&](UINT message, WPARAM code, LPARAM flags = 0) {
    MSG msg{GetFocus(), message, code, flags | 1};
    return test.window.PreTranslateMessage(msg);
  };
  EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB));
  EXPECT_EQ(GetFocus(), close);
  EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB));
  EXPECT_EQ(GetFocus(), panel);
  EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB));
  EXPECT_EQ(GetFocus(), start);

  EXPECT_FALSE(key(WM_SYSKEYDOWN, 'X', 1 << 29));
  EXPECT_TRUE(key(WM_SYSKEYDOWN, 'B', 1 << 29));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(test.endRequests, 0);
  EXPECT_TRUE(key(WM_SYSKEYDOWN, 'K', 1 << 29));
  EXPECT_EQ(test.endRequests, 1);
  EXPECT_TRUE(key(WM_SYSKEYDOWN, VK_F4, 1 << 29));
  EXPECT_EQ(test.endRequests, 2);

  // A disabled start button is skipped, ignores Alt+B and hands the focus on.
  SetFocus(start);
  test.window.SetStartEnabled(false);
  EXPECT_EQ(GetFocus(), close);
  EXPECT_TRUE(key(WM_SYSKEYDOWN, 'B', 1 << 29));
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB));
  EXPECT_TRUE(key(WM_KEYDOWN, VK_TAB));
  EXPECT_EQ(GetFocus(), close);
}

TEST(WindowKeys, TheFirstFocusIsOnTheCloseButtonWhenStartIsDisabled) {
  TestWindow test;
  test.window.SetStartEnabled(false);
  test.window.Show();
  EXPECT_EQ(GetFocus(), test.Control(ControlId::cmdKapat));
  EXPECT_FALSE(IsWindowEnabled(test.Control(ControlId::cmdbaslat)));
}

TEST(WindowPointers, MovePointerOverTheHeaderAndHandOverTheButtons) {
  TestWindow test;
  HMODULE self = GetModuleHandleW(nullptr);
  auto pointerOver = [&](ControlId over) -> HCURSOR {
    HWND control = test.Control(over);
    SetCursor(nullptr);
    SendMessageW(GetParent(control), WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(pointerOver(ControlId::lblsurukle), LoadCursorW(self, MAKEINTRESOURCEW(IDR_POINTER_MOVE)));
  EXPECT_EQ(pointerOver(ControlId::cmdbaslat), LoadCursorW(self, MAKEINTRESOURCEW(IDR_POINTER_HAND)));
  EXPECT_EQ(pointerOver(ControlId::cmdKapat), LoadCursorW(self, MAKEINTRESOURCEW(IDR_POINTER_HAND)));
  EXPECT_NE(pointerOver(ControlId::lblad), LoadCursorW(self, MAKEINTRESOURCEW(IDR_POINTER_HAND)));
}

TEST(WindowTimers, NeitherTimerTicksWhileTheWindowSitsIdle) {
  TestWindow test;
  int ticks = 0;
  test.window.SetRunTickHandler([&] { ++ticks; });
  test.window.Form_Load();
  test.window.Show();
  PumpFor(1200);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(test.window.Progress(), 0);

  // Given an interval, the run timer ticks; given 0 again, it stops.
  test.window.SetRunTimer(50);
  PumpFor(400);
  EXPECT_GT(ticks, 0);
  test.window.SetRunTimer(0);
  const int stopped = ticks;
  PumpFor(300);
  EXPECT_EQ(ticks, stopped);

  // The progress timer's handler raises the bar by one and wraps to 0 after 100.
  test.window.SetProgress(99);
  test.window.SetProgressTimer(30);
  PumpFor(400);
  test.window.SetProgressTimer(0);
  EXPECT_LT(test.window.Progress(), 20);
}

TEST(WindowClose, EveryWayOfClosingEndsTheProgramWithoutAWordOrALogLine) {
  RecordedMessageBoxes boxes;
  TestWindow test;
  test.window.Show();
  SendMessageW(test.Control(ControlId::cmdKapat), BM_CLICK, 0, 0);
  EXPECT_EQ(test.endRequests, 1);
  PostMessageW(test.window.hwnd(), WM_CLOSE, 0, 0);
  PumpFor(50);
  EXPECT_EQ(test.endRequests, 2);
  SendMessageW(test.window.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(test.endRequests, 3);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_FALSE(FileExists(LogFilePath(test.folder.path())));
}

TEST(WindowDrag, OnlyTheLeftButtonAloneDragsTheHeader) {
  TestWindow test;
  HWND strip = test.Control(ControlId::lblsurukle);
  auto move = [&](WPARAM buttons) { SendMessageW(strip, WM_MOUSEMOVE, buttons, MAKELPARAM(200, 10)); };
  move(0);
  EXPECT_EQ(test.dragRequests, 0);
  move(MK_LBUTTON);
  EXPECT_EQ(test.dragRequests, 1);
  move(MK_LBUTTON | MK_SHIFT | MK_CONTROL);
  EXPECT_EQ(test.dragRequests, 2);
  move(MK_RBUTTON);
  move(MK_LBUTTON | MK_RBUTTON);
  move(MK_LBUTTON | MK_MBUTTON);
  EXPECT_EQ(test.dragRequests, 2);
  // The strip lies over the whole header band, the title included.
  const RECT band = RectInParent(strip);
  const RECT title = RectInParent(test.Control(ControlId::Label1));
  EXPECT_TRUE(band.left <= title.left && band.right >= title.right && band.bottom >= title.bottom);
  EXPECT_NE(GetWindowLongW(strip, GWL_STYLE) & SS_NOTIFY, 0);
}

}  // namespace
