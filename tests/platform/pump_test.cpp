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

// A top-level window holding two push buttons, as a form holds its controls; each button counts
// what the dialog navigation asks of it and the Tab keys that reach it undigested.
struct TwoButtons {
  platform::unique_hwnd top;
  HWND first = nullptr, second = nullptr;
};

int g_dialogCodeQueries = 0, g_tabKeysDispatched = 0;
WNDPROC g_buttonProc = nullptr;

LRESULT CALLBACK CountingButtonProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_GETDLGCODE) ++g_dialogCodeQueries;
  if (message == WM_KEYDOWN && w == VK_TAB) ++g_tabKeysDispatched;
  return ::CallWindowProcW(g_buttonProc, window, message, w, l);
}

TwoButtons MakeTwoButtons(DWORD exStyle) {
  MakeWindow();  // registers the class
  TwoButtons w;
  w.top.reset(::CreateWindowExW(exStyle, L"CorvanePumpTest", L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
  if (!w.top) return w;
  for (HWND* button : {&w.first, &w.second}) {
    *button = ::CreateWindowW(L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                              button == &w.first ? 0 : 100, 0, 90, 30, w.top.get(), nullptr, nullptr, nullptr);
    g_buttonProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(*button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingButtonProc)));
  }
  return w;
}

void PostTab(HWND to) {
  g_dialogCodeQueries = g_tabKeysDispatched = 0;
  ::PostMessageW(to, WM_KEYDOWN, VK_TAB, 0x000F0001);
  platform::PumpMessages();
}

// Runs `body` on a thread of its own in a desktop of its own: the focus is the desktop's
// foreground, which a window of another program on the shared one could take at any moment.
struct DesktopCall {
  void (*body)();
  bool ran = false;
};

DWORD WINAPI RunOnPrivateDesktop(void* p) {
  auto* call = static_cast<DesktopCall*>(p);
  wchar_t name[64];
  ::wsprintfW(name, L"corvane-pump-%lu", ::GetCurrentProcessId());
  HDESK desk = ::CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desk || !::SetThreadDesktop(desk)) return 1;
  call->body();
  call->ran = true;
  return 0;  // the desktop goes with the process
}

// Runs `body` on a thread of its own in a desktop of its own: the focus follows the desktop's
// foreground, which a window of another program on the shared desktop could take at any moment.
void OnPrivateDesktop(void (*body)()) {
  DesktopCall call{body};
  platform::unique_handle worker(::CreateThread(nullptr, 0, &RunOnPrivateDesktop, &call, 0, nullptr));
  ASSERT_TRUE(worker);
  ::WaitForSingleObject(worker.get(), INFINITE);
  ASSERT_TRUE(call.ran) << "no desktop of its own";
}

TEST(PumpMessages, TabMovesTheFocusBetweenAFormsControls) {
  OnPrivateDesktop([] {
    TwoButtons form = MakeTwoButtons(WS_EX_CONTROLPARENT);
    ASSERT_TRUE(form.top && form.first && form.second);
    ::SetForegroundWindow(form.top.get());
    platform::PumpMessages();
    ::SetFocus(form.first);
    ASSERT_EQ(::GetFocus(), form.first);
    PostTab(form.first);
    EXPECT_EQ(::GetFocus(), form.second);
    EXPECT_GE(g_dialogCodeQueries, 1) << "the navigation asked the control what it takes";
    EXPECT_EQ(g_tabKeysDispatched, 0);
    PostTab(form.second);
    EXPECT_EQ(::GetFocus(), form.first) << "round to the first";
  });
}

TEST(PumpMessages, AWindowWithoutControlParentGetsItsKeysAsTheyCome) {
  OnPrivateDesktop([] {
    TwoButtons plain = MakeTwoButtons(0);
    ASSERT_TRUE(plain.top && plain.first);
    ::SetForegroundWindow(plain.top.get());
    platform::PumpMessages();
    ::SetFocus(plain.first);
    PostTab(plain.first);
    EXPECT_EQ(::GetFocus(), plain.first);
    EXPECT_EQ(g_dialogCodeQueries, 0);
    EXPECT_EQ(g_tabKeysDispatched, 1);
  });
}

}  // namespace
