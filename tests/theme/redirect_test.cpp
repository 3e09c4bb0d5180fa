#include "tests/theme/theme_fixture.h"

namespace theme_test {
namespace {

using namespace mdXpThemeSupport;
using testing_support::Dib;

class Redirect : public ButtonForm {
 protected:
  HookScope hooks;  // version 6
};

TEST_F(Redirect, FixThemeSupportAttachesToFramesAndGraphicalButtonsOnly) {
  auto& frame = form->Add<toolkit::Frame>(L"Frame1", {0, 1500, 2000, 1000});
  auto& option = form->Add<toolkit::OptionButton>(L"Option1", {2200, 1500, 1500, 450});
  option.SetStyle(1);
  auto& standard = form->Add<toolkit::CommandButton>(L"Command2", {2200, 2000, 1500, 450});
  auto& graphical = form->Add<toolkit::CommandButton>(L"Command3", {4000, 1500, 1500, 450});
  graphical.SetStyle(1);
  auto& plainCheck = form->Add<toolkit::CheckBox>(L"Check1", {4000, 2000, 1500, 450});
  form->Add<toolkit::Label>(L"Label1", {0, 0, 1000, 300});
  auto& loneFrame = form->Add<toolkit::Frame>(L"Frame2", {0, 2600, 2000, 100});  // compared against

  // Tell the frames apart from their doubles: attach to all but the last control.
  toolkit::ControlCollection none;
  EXPECT_TRUE(FixThemeSupport(none));
  auto& controls = const_cast<toolkit::ControlCollection&>(form->Controls());
  auto last = std::move(controls.back());
  controls.pop_back();
  EXPECT_TRUE(FixThemeSupport(controls));
  controls.push_back(std::move(last));
  EXPECT_TRUE(hooks.errors.empty());

  // A hover marks attached buttons hot; the others never get the property.
  for (toolkit::Control* c : std::initializer_list<toolkit::Control*>{button, &option, &standard, &graphical, &plainCheck})
    ::SendMessageW(c->hWnd(), WM_MOUSEHOVER, 0, 0);
  EXPECT_TRUE(pvIsHot(button->hWnd()));
  EXPECT_TRUE(pvIsHot(option.hWnd()));
  EXPECT_TRUE(pvIsHot(graphical.hWnd()));
  EXPECT_FALSE(pvIsHot(standard.hWnd()));
  EXPECT_FALSE(pvIsHot(plainCheck.hWnd()));
  EXPECT_EQ(::GetPropW(standard.hWnd(), L"Hot"), nullptr);

  // The frame's printing goes past its own procedure, so nothing is drawn.
  Dib attached(100, 40, RGB(9, 9, 9)), plain(100, 40, RGB(9, 9, 9));
  ::MoveWindow(loneFrame.hWnd(), 0, 200, 133, 67, FALSE);
  ::MoveWindow(frame.hWnd(), 0, 100, 133, 67, FALSE);
  ::SendMessageW(frame.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(attached.dc()), PRF_CLIENT);
  ::SendMessageW(loneFrame.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(plain.dc()), PRF_CLIENT);
  EXPECT_EQ(attached.Count(RGB(9, 9, 9)), 4000);
  EXPECT_LT(plain.Count(RGB(9, 9, 9)), 4000);
}

TEST_F(Redirect, Version5AttachesNothing) {
  hooks.SetVersion(5, 82);
  EXPECT_FALSE(FixThemeSupport(form->Controls()));
  ::SendMessageW(button->hWnd(), WM_MOUSEHOVER, 0, 0);
  EXPECT_EQ(::GetPropW(button->hWnd(), L"Hot"), nullptr);
}

TEST_F(Redirect, MissingSubclassServiceFailsEachControlsStep) {
  auto& frame = form->Add<toolkit::Frame>(L"Frame1", {0, 1500, 2000, 1000});
  (void)frame;
  ScopedUnavailable missing("SetWindowSubclass");
  EXPECT_TRUE(FixThemeSupport(form->Controls()));
  EXPECT_EQ(hooks.errors, (std::vector<std::string>{"FixThemeSupport", "FixThemeSupport"}));
}

TEST_F(Redirect, ThemedVisiblePaintNeverReachesTheControl) {
  Recorder recorder(button->hWnd());
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  form->Show();
  recorder.log.clear();
  ::InvalidateRect(button->hWnd(), nullptr, FALSE);
  ::UpdateWindow(button->hWnd());
  EXPECT_FALSE(recorder.Saw(WM_PAINT));
  EXPECT_TRUE(pvIsPainted(button->hWnd()));
  EXPECT_EQ(::SendMessageW(button->hWnd(), WM_PAINT, 0, 0), 0);
  EXPECT_FALSE(recorder.Saw(WM_PAINT));
  EXPECT_FALSE(HasUpdate(button->hWnd()));
  EXPECT_TRUE(hooks.errors.empty());
}

TEST_F(Redirect, HiddenButtonPaintsItself) {
  Recorder recorder(button->hWnd());
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  button->SetVisible(false);
  ::SendMessageW(button->hWnd(), WM_PAINT, 0, 0);
  EXPECT_TRUE(recorder.Saw(WM_PAINT));
  EXPECT_FALSE(pvIsPainted(button->hWnd()));
  EXPECT_EQ(::GetPropW(button->hWnd(), L"Painted"), nullptr);
}

TEST_F(Redirect, HotFollowsHoverLeaveFocusAndPress) {
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  form->Show();
  HWND w = button->hWnd();
  EXPECT_EQ(::GetPropW(w, L"Hot"), nullptr);  // missing until first written
  ::SendMessageW(w, WM_MOUSEHOVER, 0, 0);
  EXPECT_EQ(::GetPropW(w, L"Hot"), reinterpret_cast<HANDLE>(1));
  ::SendMessageW(w, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(::GetPropW(w, L"Hot"), nullptr);  // written as 0, still there
  EXPECT_FALSE(pvIsHot(w));
  ::SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(pvIsHot(w));
  ::SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(pvIsHot(w));
  ::SendMessageW(w, WM_KILLFOCUS, 0, 0);
  EXPECT_FALSE(pvIsHot(w));
}

TEST_F(Redirect, MouseMoveTracksOnlyWhenNotHot) {
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  form->Show();
  HWND w = button->hWnd();
  RECT r{};
  ::GetWindowRect(w, &r);
  auto tracked = [&] {
    TRACKMOUSEEVENT q{sizeof q, TME_QUERY, nullptr, 0};
    ::TrackMouseEvent(&q);
    return q.hwndTrack == w && (q.dwFlags & (TME_HOVER | TME_LEAVE)) == (TME_HOVER | TME_LEAVE);
  };
  auto cancel = [&] {
    TRACKMOUSEEVENT c{sizeof c, TME_CANCEL | TME_HOVER | TME_LEAVE, w, 0};
    ::TrackMouseEvent(&c);
  };
  // The system tracks only while the pointer is over the button. Other test programs share the
  // screen and the pointer: the form goes on top, and a check counts only when the pointer was
  // over the button all along (another program may move it).
  ::SetWindowPos(form->hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  auto pointerOver = [&] {
    POINT at{};
    return ::GetCursorPos(&at) && ::WindowFromPoint(at) == w;
  };
  bool checked = false;
  for (int attempt = 0; attempt < 5 && !checked; ++attempt) {
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    cancel();
    if (!pointerOver()) continue;
    ASSERT_FALSE(tracked());
    ::SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const bool tracking = tracked();
    if (!pointerOver()) continue;
    EXPECT_TRUE(tracking);
    checked = true;
  }
  ASSERT_TRUE(checked) << "the pointer never stayed over the button";
  cancel();
  pvSetHot(w, true);
  ::SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  EXPECT_FALSE(tracked());
}

TEST_F(Redirect, MouseMoveRepaintsUntilFirstThemedPaint) {
  form->Show();  // painted by the control itself before the subclass comes
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  HWND w = button->hWnd();
  ASSERT_FALSE(pvIsPainted(w));
  pvSetHot(w, true);
  ::ValidateRect(w, nullptr);
  ::SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(HasUpdate(w));
  ::UpdateWindow(w);  // the themed paint marks it painted
  EXPECT_TRUE(pvIsPainted(w));
  ::SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(HasUpdate(w));
}

TEST_F(Redirect, RightReleaseRepaintsTheShapeRightPressDoesNot) {
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  form->Show();
  HWND w = button->hWnd();
  ::ValidateRect(w, nullptr);
  ::SendMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(HasUpdate(w));
  ::SendMessageW(w, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  RECT update{};
  EXPECT_TRUE(::GetUpdateRect(w, &update, FALSE));
  EXPECT_EQ(update.right - update.left, 143);  // this style's shape is the whole button
  EXPECT_EQ(update.bottom - update.top, 33);
}

TEST_F(Redirect, FocusAndEnableChangesRunWithRedrawOff) {
  Recorder recorder(button->hWnd());
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  form->Show();
  HWND w = button->hWnd();
  ::ValidateRect(w, nullptr);
  recorder.log.clear();
  ::SendMessageW(w, WM_ENABLE, TRUE, 0);
  using E = Recorder::Entry;
  EXPECT_EQ(recorder.Only({WM_SETREDRAW, WM_ENABLE}),
            (std::vector<E>{{WM_SETREDRAW, FALSE}, {WM_ENABLE, TRUE}, {WM_SETREDRAW, TRUE}}));
  EXPECT_TRUE(HasUpdate(w));

  ::ValidateRect(w, nullptr);
  recorder.log.clear();
  ::SendMessageW(w, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(recorder.Only({WM_SETREDRAW, WM_SETFOCUS}),
            (std::vector<E>{{WM_SETREDRAW, FALSE}, {WM_SETFOCUS, 0}, {WM_SETREDRAW, TRUE}}));
  EXPECT_TRUE(HasUpdate(w));

  // Hidden: no bracketing.
  button->SetVisible(false);
  recorder.log.clear();
  ::SendMessageW(w, WM_ENABLE, TRUE, 0);
  EXPECT_EQ(recorder.Only({WM_SETREDRAW, WM_ENABLE}), (std::vector<E>{{WM_ENABLE, TRUE}}));
}

TEST_F(Redirect, FrameSendsTwoMessagesPastItsOwnProcedure) {
  auto& frame = form->Add<toolkit::Frame>(L"Frame1", {0, 1500, 2000, 1000});
  frame.SetCaption(L"Options");
  Recorder recorder(frame.hWnd());
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  Dib dib(10, 10);
  ::SendMessageW(frame.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()), PRF_CLIENT);
  ::SendMessageW(frame.hWnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(::SendMessageW(frame.hWnd(), WM_GETTEXTLENGTH, 0, 0), 7);
  EXPECT_FALSE(recorder.Saw(WM_PRINTCLIENT));
  EXPECT_FALSE(recorder.Saw(WM_MOUSELEAVE));
  EXPECT_TRUE(recorder.Saw(WM_GETTEXTLENGTH));
}

TEST_F(Redirect, WithoutDefaultProcessingNothingIsSubclassed) {
  // A subclass that could not pass messages on would leave a dead button: no click, no text.
  auto& frame = form->Add<toolkit::Frame>(L"Frame1", {0, 1500, 2000, 1000});
  frame.SetCaption(L"Options");
  Recorder buttonRecorder(button->hWnd());
  Recorder frameRecorder(frame.hWnd());
  {
    ScopedUnavailable missing("DefSubclassProc");
    ASSERT_TRUE(FixThemeSupport(form->Controls()));
  }
  EXPECT_EQ(hooks.errors, (std::vector<std::string>{"FixThemeSupport", "FixThemeSupport"}));
  // The button's own procedure paints it and answers everything, the frame's as well.
  form->Show();
  ::InvalidateRect(button->hWnd(), nullptr, TRUE);
  ::UpdateWindow(button->hWnd());
  EXPECT_TRUE(buttonRecorder.Saw(WM_PAINT));
  Dib dib(10, 10);
  ::SendMessageW(frame.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()), PRF_CLIENT);
  EXPECT_TRUE(frameRecorder.Saw(WM_PRINTCLIENT));
  EXPECT_EQ(::SendMessageW(button->hWnd(), WM_GETTEXTLENGTH, 0, 0), 10);
  EXPECT_EQ(::SendMessageW(frame.hWnd(), WM_GETTEXTLENGTH, 0, 0), 7);
}

TEST_F(Redirect, MissingDefaultProcessingAnswersZero) {
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  EXPECT_EQ(::SendMessageW(button->hWnd(), WM_GETTEXTLENGTH, 0, 0), 10);
  {
    ScopedUnavailable missing("DefSubclassProc");
    EXPECT_EQ(::SendMessageW(button->hWnd(), WM_GETTEXTLENGTH, 0, 0), 0);
  }
  EXPECT_EQ(hooks.errors, (std::vector<std::string>{"pvRedirectButton"}));
}

}  // namespace
}  // namespace theme_test
