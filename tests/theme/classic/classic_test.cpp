// Runs in a prefix whose visual style is switched off: the module must stand aside.
#include "tests/theme/theme_fixture.h"

namespace theme_test {
namespace {

using namespace mdXpThemeSupport;

TEST(ClassicLook, NotThemedThoughTheLibraryWorks) {
  EXPECT_FALSE(pvIsThemed());
}

class Classic : public ButtonForm {
 protected:
  HookScope hooks;  // common controls 6 as far as the module knows
};

TEST_F(Classic, ButtonMessagesPassThroughUnchanged) {
  Recorder recorder(button->hWnd());
  ASSERT_TRUE(FixThemeSupport(form->Controls()));
  form->Show();
  HWND w = button->hWnd();
  recorder.log.clear();

  ::InvalidateRect(w, nullptr, FALSE);
  ::UpdateWindow(w);
  EXPECT_TRUE(recorder.Saw(WM_PAINT));  // the control paints itself
  ::SendMessageW(w, WM_MOUSEHOVER, 0, 0);
  ::SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ::SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(::GetPropW(w, L"Hot"), nullptr);
  EXPECT_EQ(::GetPropW(w, L"Painted"), nullptr);
  EXPECT_EQ(button->Value(), 1);  // the click toggled the box as usual

  recorder.log.clear();
  ::SendMessageW(w, WM_ENABLE, TRUE, 0);
  ::SendMessageW(w, WM_SETFOCUS, 0, 0);
  using E = Recorder::Entry;
  EXPECT_EQ(recorder.Only({WM_SETREDRAW, WM_ENABLE, WM_SETFOCUS}),
            (std::vector<E>{{WM_ENABLE, TRUE}, {WM_SETFOCUS, 0}}));

  ::ValidateRect(w, nullptr);
  ::SendMessageW(w, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(HasUpdate(w));  // no repaint request of its own
  EXPECT_EQ(::SendMessageW(w, WM_GETTEXTLENGTH, 0, 0), 10);
  EXPECT_TRUE(hooks.errors.empty());
}

}  // namespace
}  // namespace theme_test
