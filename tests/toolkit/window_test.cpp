// The one window base: binding, the failure barrier, control IDs and the end of a window.
#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace toolkit {
namespace {

std::vector<std::pair<HWND, UINT>> g_failures;
void RecordFailure(HWND window, UINT message) noexcept { g_failures.emplace_back(window, message); }

class WindowBase : public ::testing::Test {
 protected:
  void SetUp() override {
    SetScreenPixelsPerInchOverride(96);
    g_failures.clear();
    previous_ = SetFailureHook(&RecordFailure);
  }
  void TearDown() override {
    SetFailureHook(previous_);
    SetScreenPixelsPerInchOverride(0);
  }
  FailureHook previous_ = nullptr;
  Form form{L"Window base", 6540, 2730};
};

TEST_F(WindowBase, AFailingHandlerIsReportedAndTheReleaseIsHandledOnce) {
  auto& check = form.Add<CheckBox>(L"Command1", {4320, 330, 2145, 495});
  form.Show();
  int events = 0;
  check.OnMouseUp = [&](int, int, int, int) {
    ++events;
    throw std::runtime_error("handler failed");
  };
  ::SendMessageW(check.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
  ::SendMessageW(check.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
  // Reported once, with its window and message; the box toggled once (a second release handled
  // by the button itself would leave it as it was, or toggle it back).
  EXPECT_EQ(events, 1);
  ASSERT_EQ(g_failures.size(), 1u);
  EXPECT_EQ(g_failures[0], std::make_pair(check.hWnd(), static_cast<UINT>(WM_LBUTTONUP)));
  EXPECT_EQ(check.Value(), 1);

  // A failure before the window's own handling: the message still gets it.
  form.OnQueryUnload = [](bool&, UnloadMode) { throw std::runtime_error("query failed"); };
  form.OnUnload = [] {};  // no quit message for the tests after this one
  const HWND window = form.hWnd();
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(g_failures.size(), 2u);
  EXPECT_EQ(g_failures[1], std::make_pair(window, static_cast<UINT>(WM_CLOSE)));
  EXPECT_FALSE(form.hWnd()) << "DefWindowProc's WM_CLOSE destroys the window";
}

// A "system" class of the test's own: its procedure counts what reaches it under the subclass.
int g_reachedClass = 0;
LRESULT CALLBACK CountingClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++g_reachedClass;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

class Throwing final : public Window {
 public:
  Throwing() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CountingClassProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CorvaneTestCounting";
    ::RegisterClassExW(&wc);
    CreateBound(0, L"CorvaneTestCounting", L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0, true);
  }
  bool afterOwnHandling = true;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_APP) return DefaultHandling(message, wParam, lParam);
    if (afterOwnHandling) DefaultHandling(message, wParam, lParam);
    throw std::runtime_error("handler failed");
  }
};

TEST_F(WindowBase, TheWindowsOwnHandlingRunsExactlyOnceWhateverTheHandlerThrows) {
  Throwing window;
  ASSERT_TRUE(window.hWnd());
  g_reachedClass = 0;
  ::SendMessageW(window.hWnd(), WM_APP, 0, 0);
  EXPECT_EQ(g_reachedClass, 1);
  window.afterOwnHandling = false;
  ::SendMessageW(window.hWnd(), WM_APP, 0, 0);
  EXPECT_EQ(g_reachedClass, 2);
  EXPECT_EQ(g_failures.size(), 2u);
}

TEST_F(WindowBase, EnterAndEscapeNeverClickAControl) {
  // Created first, the label would have had ID 1, IDOK.
  auto& label = form.Add<Label>(L"Label1", {330, 2460, 2340, 180});
  auto& image = form.Add<Image>(L"Image1", {60, 2430, 240, 240});
  auto& check = form.Add<CheckBox>(L"Command1", {4320, 330, 2145, 495});
  check.SetTabIndex(0);
  form.Show();
  int clicks = 0;
  label.OnClick = [&] { ++clicks; };
  image.OnClick = [&] { ++clicks; };
  EXPECT_EQ(::GetDlgCtrlID(label.hWnd()), static_cast<int>(kFirstControlId));
  EXPECT_EQ(::GetDlgCtrlID(image.hWnd()), static_cast<int>(kFirstControlId) + 1);
  EXPECT_EQ(::GetDlgCtrlID(check.hWnd()), static_cast<int>(kFirstControlId) + 2);

  for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
    MSG message{};
    message.hwnd = check.hWnd();
    message.message = WM_KEYDOWN;
    message.wParam = key;
    message.lParam = 0x00010001;
    ::IsDialogMessageW(form.hWnd(), &message);
    message.message = WM_CHAR;
    message.wParam = key == VK_RETURN ? L'\r' : 0x1B;
    ::IsDialogMessageW(form.hWnd(), &message);
  }
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(check.Value(), 0);
  // A click of the mouse still reaches both.
  for (const HWND w : {label.hWnd(), image.hWnd()}) {
    ::SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
  EXPECT_EQ(clicks, 2);
}

TEST_F(WindowBase, AControlWhoseWindowIsGoneHoldsNoHandle) {
  auto& label = form.Add<Label>(L"Label1", {330, 2460, 2340, 180});
  auto& list = form.Add<ListBox>(L"List1", {0, 1500, 1500, 600});
  auto& picture = form.Add<PictureBox>(L"Picture1", {4000, 1000, 1500, 300});
  const HWND labelWindow = label.hWnd();
  ASSERT_TRUE(labelWindow);
  ::DestroyWindow(labelWindow);
  EXPECT_EQ(label.hWnd(), nullptr);
  EXPECT_EQ(label.Caption(), std::optional<std::wstring>(L""));  // not read through a dead handle
  // The form's end takes every child window with it.
  const HWND listWindow = list.hWnd();
  const HWND pictureWindow = picture.hWnd();
  form.OnUnload = [] {};
  ::DestroyWindow(form.hWnd());
  EXPECT_EQ(form.hWnd(), nullptr);
  EXPECT_EQ(list.hWnd(), nullptr);
  EXPECT_EQ(picture.hWnd(), nullptr);
  EXPECT_FALSE(::IsWindow(listWindow));
  EXPECT_FALSE(::IsWindow(pictureWindow));
}

TEST(WindowEnd, AControlDestroyedWithItsObjectLeavesNoWindow) {
  SetScreenPixelsPerInchOverride(96);
  HWND label = nullptr;
  HWND form = nullptr;
  {
    Form owner(L"Window end", 3000, 1500);
    form = owner.hWnd();
    label = owner.Add<Label>(L"Label1", {0, 0, 1500, 300}).hWnd();
    ASSERT_TRUE(::IsWindow(label));
  }
  EXPECT_FALSE(::IsWindow(label));
  EXPECT_FALSE(::IsWindow(form));
  SetScreenPixelsPerInchOverride(0);
}

}  // namespace
}  // namespace toolkit
