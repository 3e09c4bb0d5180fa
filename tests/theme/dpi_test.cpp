// The themed button's picture on a window moved to a monitor of another density: its size
// follows the window's density, not the screen's.
#include "tests/theme/theme_fixture.h"

#include "tests/theme/pictures.h"

namespace theme_test {
namespace {

using testing_support::Dib;

constexpr COLORREF kMagenta = RGB(255, 0, 255), kRed = RGB(255, 0, 0);

class PictureDpi : public ButtonForm {
 protected:
  // The button drawn at the size its window has now.
  int RedPixels() {
    RECT r{};
    ::GetClientRect(button->hWnd(), &r);
    Dib dib(r.right, r.bottom, kMagenta);
    mdXpThemeSupport::pvDrawButton(button->hWnd(), dib.dc(), *button);
    return dib.Count(kRed);
  }
  void MoveTo(int dpi) {
    RECT frame{};
    ::GetWindowRect(form->hWnd(), &frame);
    ::SendMessageW(form->hWnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
  }
  HookScope hooks;
};

TEST_F(PictureDpi, APictureTakesTheWindowsDensity) {
  button->SetPicture(Solid(16, 16, kRed));  // 423 HIMETRIC square: 16 pixels at 96 dpi
  EXPECT_EQ(RedPixels(), 16 * 16);
  MoveTo(192);  // the screen stays at 96
  ASSERT_EQ(toolkit::ScreenPixelsPerInch(), 96);
  EXPECT_EQ(RedPixels(), 32 * 32);
  MoveTo(144);
  EXPECT_EQ(RedPixels(), 24 * 24);
  MoveTo(96);
  EXPECT_EQ(RedPixels(), 16 * 16);
  EXPECT_TRUE(hooks.errors.empty());
}

TEST(ThemeDpiHelpers, HimetricAtAGivenDensity) {
  toolkit::SetScreenPixelsPerInchOverride(96);
  EXPECT_EQ(mdXpThemeSupport::pvHimetricToPixels(1000, 144).value(), 57);  // 56.69
  EXPECT_EQ(mdXpThemeSupport::pvHimetricToPixels(1000, 0).value(), 38);    // the screen's
  toolkit::SetScreenPixelsPerInchOverride(0);
}

}  // namespace
}  // namespace theme_test
