#include "platform/pump.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/unique.h"

namespace {

std::vector<UINT> g_seen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message >= WM_APP) {
    g_seen.push_back(message);
    if (message == WM_APP + 1) ::PostMessageW(window, WM_APP + 9, 0, 0);  // posted from inside the step
    return 0;
  }
  return ::DefWindowProcW(window, message, w, l);
}

platform::unique_hwnd MakeWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CorvanePumpTest";
  ::RegisterClassW(&wc);
  return platform::unique_hwnd(::CreateWindowW(L"CorvanePumpTest", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                               nullptr, wc.hInstance, nullptr));
}

TEST(PumpMessages, DispatchesEveryPendingMessageThenReturns) {
  auto window = MakeWindow();
  ASSERT_TRUE(window) << "needs a display";
  platform::PumpMessages();
  g_seen.clear();
  ::PostMessageW(window.get(), WM_APP + 1, 0, 0);
  ::PostMessageW(window.get(), WM_APP + 2, 0, 0);
  platform::PumpMessages();
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_APP + 1, WM_APP + 2, WM_APP + 9}));
  g_seen.clear();
  platform::PumpMessages();
  EXPECT_TRUE(g_seen.empty());
}

TEST(PumpMessages, LeavesAQuitRequestForTheThreadsLoop) {
  auto window = MakeWindow();
  ASSERT_TRUE(window);
  platform::PumpMessages();
  g_seen.clear();
  ::PostQuitMessage(7);
  platform::PumpMessages();
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
