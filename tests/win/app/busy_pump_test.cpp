// A long operation on the window's thread: the window keeps painting and answering the
// system, but takes no input and no close request, and no queued click acts afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "frmindir_fixture.h"

namespace {

void PostClick(HWND button) {
  PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST(WindowBusy, InputAndCloseRequestsAreDroppedWhilePaintGoesOn) {
  TestWindow test;
  int starts = 0;
  test.window.SetStartHandler([&] { ++starts; });
  test.window.Show();
  PumpFor(100);
  {
    frmindir::BusyScope busy(test.window);
    EXPECT_TRUE(test.window.Busy());
    PostClick(test.Control(ControlId::cmdbaslat));
    PostMessageW(test.Control(ControlId::cmdbaslat), WM_KEYDOWN, VK_SPACE, 1);
    PostMessageW(test.Control(ControlId::cmdbaslat), WM_KEYUP, VK_SPACE, 1);
    PostClick(test.Control(ControlId::cmdKapat));
    PostMessageW(test.window.hwnd(), WM_CLOSE, 0, 0);
    InvalidateRect(test.window.hwnd(), nullptr, FALSE);
    test.window.PumpWhileBusy();
    RECT pending;
    EXPECT_FALSE(GetUpdateRect(test.window.hwnd(), &pending, FALSE)) << "paint was not dispatched";
    SendMessageW(test.window.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);

    // Queued after the last pump, just before the operation ends.
    PostClick(test.Control(ControlId::cmdbaslat));
  }
  EXPECT_FALSE(test.window.Busy());
  PumpFor(100);
  EXPECT_EQ(starts, 0);
  EXPECT_EQ(test.endRequests, 0);

  // The same click after the operation acts as usual.
  PostClick(test.Control(ControlId::cmdbaslat));
  PumpFor(100);
  EXPECT_EQ(starts, 1);
}

TEST(WindowBusy, TheWindowKeepsAnsweringOtherThreadsBetweenChunks) {
  TestWindow test;
  test.window.Show();
  std::atomic<bool> answered{false};
  frmindir::BusyScope busy(test.window);
  std::thread other([&] {
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(test.window.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
  });
  // The operation's loop: work, then a pump, as the downloader does between body chunks.
  const DWORD start = GetTickCount();
  while (!answered && GetTickCount() - start < 3000) {
    Sleep(20);
    test.window.PumpWhileBusy();
  }
  other.join();
  EXPECT_TRUE(answered);
}

TEST(WindowBusy, ThePumpDeliversTheProgressTimerButNeverTheRunTimer) {
  TestWindow test;
  int runTicks = 0;
  test.window.SetRunTickHandler([&] { ++runTicks; });
  test.window.Show();
  frmindir::BusyScope busy(test.window);
  test.window.SetRunTimer(20);
  test.window.SetProgressTimer(20);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 500) {
    Sleep(20);
    test.window.PumpWhileBusy();
  }
  test.window.SetProgressTimer(0);
  test.window.SetRunTimer(0);
  EXPECT_GT(test.window.Progress(), 2) << "the animation stood still during the run";
  EXPECT_EQ(runTicks, 0) << "a second run started inside the first";
}

TEST(WindowBusy, AQuitRequestIsKeptForTheMessageLoop) {
  TestWindow test;
  frmindir::BusyScope busy(test.window);
  PostQuitMessage(3);
  test.window.PumpWhileBusy();
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

}  // namespace
