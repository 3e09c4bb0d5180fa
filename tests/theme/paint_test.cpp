#include "tests/theme/theme_fixture.h"

#include <uxtheme.h>
#include <vsstyle.h>

#include <array>
#include <cmath>
#include <ostream>

#include "platform/functions.h"
#include "tests/support/win_support.h"
#include "tests/theme/pictures.h"
#include "tests/theme/theme_fixture.h"

// Rectangles compare and print field by field in these tests.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace theme_test {
namespace {

using namespace mdXpThemeSupport;
using testing_support::Dib;

constexpr int kW = 143, kH = 33;
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

// Bounding box of the pixels of one colour; empty when there are none.
RECT BoxOf(const Dib& dib, COLORREF c) {
  RECT box{kW, kH, 0, 0};
  for (int y = 0; y < dib.height(); ++y)
    for (int x = 0; x < dib.width(); ++x)
      if (dib.At(x, y) == c) box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                                    std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
  return box;
}

class Paint : public ButtonForm {
 protected:
  void SetUp() override {
    ButtonForm::SetUp();
    for (int state = 1; state <= 5; ++state) reference[state - 1] = Reference(state, ::GetSysColor(COLOR_BTNFACE));
  }

  // What the style alone draws for a state over a background colour.
  std::vector<COLORREF> Reference(int state, COLORREF under) {
    Dib dib(kW, kH, under);
    HTHEME theme = platform::kOpenThemeData.get()(button->hWnd(), L"BUTTON");
    RECT r{0, 0, kW, kH};
    platform::kDrawThemeBackground.get()(theme, dib.dc(), BP_PUSHBUTTON, state, &r, &r);
    platform::kCloseThemeData.get()(theme);
    return Pixels(dib);
  }
  static std::vector<COLORREF> Pixels(const Dib& dib) {
    std::vector<COLORREF> all;
    for (int y = 0; y < dib.height(); ++y)
      for (int x = 0; x < dib.width(); ++x) all.push_back(dib.At(x, y));
    return all;
  }
  // Pixels away from the caption and the focus rectangle: row 1, column 1, the interior's top-left.
  static std::vector<COLORREF> Signature(const std::vector<COLORREF>& p) {
    std::vector<COLORREF> s;
    for (int x = 0; x < kW; ++x) s.push_back(p[1 * kW + x]);
    for (int y = 0; y < kH; ++y) s.push_back(p[y * kW + 1]);
    s.push_back(p[8 * kW + 10]);
    s.push_back(p[0]);  // a corner
    return s;
  }
  std::unique_ptr<Dib> Draw(COLORREF prefill = kMagenta) {
    auto dib = std::make_unique<Dib>(kW, kH, prefill);
    pvDrawButton(button->hWnd(), dib->dc(), *button);
    return dib;
  }
  // Whether the drawing shows the style's picture of `state` (some styles draw two states alike).
  bool Looks(const Dib& dib, int state) { return Signature(Pixels(dib)) == Signature(reference[state - 1]); }
  // The caption's measured height in the form's font.
  int CaptionHeight(const wchar_t* caption) {
    HFONT font = nullptr;
    form->Font()->get_hFont(&font);
    Dib dib(kW, kH);
    HGDIOBJ old = ::SelectObject(dib.dc(), font);
    RECT r{3, 3, 140, 30};
    ::DrawTextW(dib.dc(), caption, -1, &r, DT_CALCRECT | DT_WORDBREAK);
    ::SelectObject(dib.dc(), old);
    return r.bottom - r.top;
  }
  std::array<std::vector<COLORREF>, 5> reference;
  HookScope hooks;
};

TEST_F(Paint, EachConditionDrawsItsState) {
  // The references differ, so a wrong state cannot pass.
  ASSERT_NE(Signature(reference[PBS_NORMAL - 1]), Signature(reference[PBS_PRESSED - 1]));
  ASSERT_NE(Signature(reference[PBS_NORMAL - 1]), Signature(reference[PBS_HOT - 1]));
  ASSERT_NE(Signature(reference[PBS_NORMAL - 1]), Signature(reference[PBS_DISABLED - 1]));
  ASSERT_NE(Signature(reference[PBS_NORMAL - 1]), Signature(reference[PBS_DEFAULTED - 1]));
  ASSERT_NE(Signature(reference[PBS_HOT - 1]), Signature(reference[PBS_PRESSED - 1]));

  EXPECT_TRUE(Looks(*Draw(), PBS_NORMAL));
  pvSetHot(button->hWnd(), true);
  EXPECT_TRUE(Looks(*Draw(), PBS_HOT));
  button->SetValue(1);
  EXPECT_TRUE(Looks(*Draw(), PBS_HOT));  // hot and down, not being pressed
  pvSetHot(button->hWnd(), false);
  EXPECT_TRUE(Looks(*Draw(), PBS_PRESSED));
  button->SetValue(0);
  ::SendMessageW(button->hWnd(), BM_SETSTATE, TRUE, 0);
  pvSetHot(button->hWnd(), true);
  EXPECT_TRUE(Looks(*Draw(), PBS_PRESSED));  // pushed beats hot
  ::SendMessageW(button->hWnd(), BM_SETSTATE, FALSE, 0);
  pvSetHot(button->hWnd(), false);
  button->SetEnabled(false);
  button->SetValue(1);
  EXPECT_TRUE(Looks(*Draw(), PBS_DISABLED));
  button->SetEnabled(true);
  button->SetValue(0);
  form->Show();
  button->SetFocus();
  EXPECT_TRUE(Looks(*Draw(), PBS_DEFAULTED));
  EXPECT_FALSE(Looks(*Draw(), PBS_NORMAL));
}

TEST_F(Paint, DefaultLookFollowsTheActiveControl) {
  auto& command = form->Add<toolkit::CommandButton>(L"Command2", {0, 0, 1500, 495});
  command.SetStyle(1);
  command.SetDefault(true);
  auto& text = form->Add<toolkit::TextBox>(L"Text1", {0, 600, 1500, 300});
  auto& other = form->Add<toolkit::CommandButton>(L"Command3", {0, 1000, 1500, 495});
  form->Show();
  auto drawCommand = [&](int state) {
    Dib dib(kW, kH, kMagenta);
    pvDrawButton(command.hWnd(), dib.dc(), command);
    return Looks(dib, state);
  };
  ASSERT_EQ(::MoveWindow(command.hWnd(), 0, 0, kW, kH, FALSE), TRUE);
  text.SetFocus();
  EXPECT_TRUE(drawCommand(PBS_DEFAULTED));
  EXPECT_FALSE(drawCommand(PBS_NORMAL));  // a text box holds the focus: the default look stays
  other.SetFocus();
  EXPECT_TRUE(drawCommand(PBS_NORMAL));  // another command button takes it away
  // A check box has no Default: never the default look while the focus is elsewhere.
  text.SetFocus();
  EXPECT_TRUE(Looks(*Draw(), PBS_NORMAL));
}

TEST_F(Paint, CornersTakeTheParentsBackground) {
  const auto dib = Draw();
  // Exactly what the style draws over the form's own background.
  EXPECT_EQ(dib->At(0, 0), reference[0][0]);
  EXPECT_EQ(dib->At(kW - 1, kH - 1), reference[0][kH * kW - 1]);
  EXPECT_EQ(Signature(Pixels(*dib)), Signature(reference[0]));
  EXPECT_EQ(dib->Count(kMagenta), 0);
  EXPECT_TRUE(hooks.errors.empty());
}

HRESULT WINAPI ParentCannotDraw(HWND, HDC, const RECT*) { return E_FAIL; }

TEST_F(Paint, CornersShowBackColorWhenTheParentCannotDraw) {
  ScopedOverride parentFails("DrawThemeParentBackground", &ParentCannotDraw);
  button->SetBackColor(RGB(0, 160, 0));
  auto dib = Draw();
  const auto green = Reference(PBS_NORMAL, RGB(0, 160, 0));
  EXPECT_EQ(dib->At(0, 0), green[0]);
  EXPECT_EQ(Signature(Pixels(*dib)), Signature(green));
  EXPECT_GT(GetGValue(dib->At(0, 0)), GetRValue(dib->At(0, 0)) + 40);
  // A system colour: bit 31 and the index in the low byte.
  button->SetBackColor(toolkit::SystemColor(COLOR_HIGHLIGHT));
  dib = Draw();
  EXPECT_EQ(Signature(Pixels(*dib)), Signature(Reference(PBS_NORMAL, ::GetSysColor(COLOR_HIGHLIGHT))));
  EXPECT_TRUE(hooks.errors.empty());
}

TEST_F(Paint, FocusRectangleOnTheContentRectangle) {
  auto differing = [&](const Dib& dib, const std::vector<COLORREF>& ref, RECT area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) n += dib.At(x, y) != ref[y * kW + x];
    return n;
  };
  button->SetCaption(L"");
  form->Show();
  ::SetFocus(form->hWnd());
  const auto unfocused = Draw();
  EXPECT_EQ(differing(*unfocused, reference[PBS_NORMAL - 1], {0, 0, kW, kH}), 0);
  button->SetFocus();
  const auto dib = Draw();
  const auto& ref = reference[PBS_DEFAULTED - 1];
  // A dotted line on each edge of the content rectangle (3, 3)-(140, 30), nothing else.
  EXPECT_GE(differing(*dib, ref, {3, 3, 140, 4}), 60);
  EXPECT_GE(differing(*dib, ref, {3, 29, 140, 30}), 60);
  EXPECT_GE(differing(*dib, ref, {3, 3, 4, 30}), 12);
  EXPECT_GE(differing(*dib, ref, {139, 3, 140, 30}), 12);
  EXPECT_EQ(differing(*dib, ref, {4, 4, 139, 29}), 0);
  EXPECT_EQ(differing(*dib, ref, {0, 0, kW, 3}), 0);
  EXPECT_EQ(differing(*dib, ref, {0, 30, kW, kH}), 0);
}

TEST_F(Paint, CaptionCentredAcrossStartingNearTheMiddle) {
  const auto dib = Draw();
  const int h = CaptionHeight(L"Repair Now");
  const COLORREF ink = RGB(0, 0, 0);
  const RECT box = BoxOf(*dib, ink);
  ASSERT_LT(box.left, box.right) << "no caption drawn";
  // Top at the nearest integer to (30 - (3 + h)) / 2 + 2, halves to even.
  const double exact = (30.0 - (3 + h)) / 2.0 + 2.0;
  const int top = static_cast<int>(std::nearbyint(exact));
  EXPECT_GE(box.top, top);
  EXPECT_LE(box.bottom, top + h);
  EXPECT_LE(std::abs((box.left + box.right) - (3 + 140)), 3);  // centred across
  EXPECT_GT(box.right - box.left, 40);

  // No caption: nothing but the background.
  button->SetCaption(L"");
  EXPECT_EQ(Pixels(*Draw()), reference[PBS_NORMAL - 1]);
}

TEST_F(Paint, PictureCentredAboveTheCaption) {
  // Top half red, bottom half blue: upside down would show.
  button->SetPicture(BitmapPicture(16, 16, [](int, int y) { return y < 8 ? kRed : kBlue; }));
  auto dib = Draw();
  const int h = CaptionHeight(L"Repair Now");
  const int textTop = 30 - (3 + h) + 1;
  const int y = static_cast<int>(std::nearbyint((textTop - 3 - 16) / 2.0 + 3));
  EXPECT_EQ(BoxOf(*dib, kRed), (RECT{64, y, 80, y + 8}));
  EXPECT_EQ(BoxOf(*dib, kBlue), (RECT{64, y + 8, 80, y + 16}));
  EXPECT_EQ(dib->Count(kRed), 128);

  // Without a caption it is centred in the whole content rectangle: (137-16)/2+3 = 63.5, (27-16)/2+3 = 8.5.
  button->SetCaption(L"");
  dib = Draw();
  EXPECT_EQ(BoxOf(*dib, kRed), (RECT{64, 8, 80, 16}));
  EXPECT_EQ(BoxOf(*dib, kBlue), (RECT{64, 16, 80, 24}));
}

TEST_F(Paint, MaskColourDropsOutOfThePicture) {
  button->SetCaption(L"");
  button->SetPicture(BitmapPicture(16, 16, [](int x, int y) { return x >= 6 && x < 10 && y >= 6 && y < 10 ? kGreen : kRed; }));
  auto dib = Draw();
  EXPECT_EQ(dib->Count(kGreen), 16);
  button->SetMaskColor(kGreen);
  button->SetUseMaskColor(true);
  dib = Draw();
  EXPECT_EQ(dib->Count(kGreen), 0);
  EXPECT_EQ(dib->Count(kRed), 256 - 16);
  EXPECT_EQ(dib->At(64 + 7, 8 + 7), reference[PBS_NORMAL - 1][(8 + 7) * kW + 64 + 7]);
}

TEST_F(Paint, DownPictureWhenDownAndUsable) {
  button->SetCaption(L"");
  button->SetPicture(Solid(16, 16, kRed));
  button->SetDownPicture(Solid(16, 16, kBlue));
  EXPECT_EQ(Draw()->Count(kRed), 256);
  button->SetValue(1);
  auto dib = Draw();
  EXPECT_EQ(dib->Count(kBlue), 256);
  EXPECT_EQ(dib->Count(kRed), 0);
  pvSetHot(button->hWnd(), true);
  EXPECT_EQ(Draw()->Count(kBlue), 256);  // hot and down keeps the down picture
  pvSetHot(button->hWnd(), false);
  button->SetDownPicture(EmptyPicture());  // no handle: not usable
  EXPECT_EQ(Draw()->Count(kRed), 256);
  // A usable down picture draws although Picture is empty.
  button->SetPicture(EmptyPicture());
  button->SetDownPicture(Solid(16, 16, kBlue));
  EXPECT_EQ(Draw()->Count(kBlue), 256);
  button->SetValue(0);
  EXPECT_EQ(Draw()->Count(kBlue), 0);  // up: the empty picture counts as none
}

TEST_F(Paint, DisabledPictureIsEmbossed) {
  button->SetCaption(L"");
  button->SetPicture(Solid(16, 16, kRed));
  button->SetEnabled(false);
  auto dib = Draw();
  const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
  EXPECT_EQ(dib->Count(kRed), 0);
  EXPECT_EQ(BoxOf(*dib, shadow), (RECT{64, 8, 80, 24}));
  EXPECT_EQ(dib->Count(shadow), 256);
  // Its own disabled picture when usable.
  button->SetDisabledPicture(Solid(8, 8, kBlue));
  dib = Draw();
  EXPECT_EQ(dib->Count(shadow, RECT{0, 0, kW, kH}), 64);
  EXPECT_EQ(BoxOf(*dib, shadow), (RECT{68, 12, 76, 20}));
  EXPECT_EQ(dib->Count(kBlue), 0);
}

TEST_F(Paint, AControlWithoutButtonPropertiesReportsAndStillPaints) {
  auto& label = form->Add<toolkit::Label>(L"Label1", {0, 0, 2145, 495});
  Dib dib(kW, kH, kMagenta);
  pvDrawButton(button->hWnd(), dib.dc(), label);
  EXPECT_FALSE(hooks.errors.empty());
  for (const auto& e : hooks.errors) EXPECT_EQ(e, "pvDrawButton");
  EXPECT_EQ(dib.At(10, 8), reference[PBS_NORMAL - 1][8 * kW + 10]);
}

TEST_F(Paint, MissingStyleFunctionsFailTheirStepsOnly) {
  {
    ScopedUnavailable missing("DrawThemeBackground");
    const auto dib = Draw(RGB(9, 9, 9));
    EXPECT_EQ(hooks.errors, (std::vector<std::string>{"pvDrawButton"}));
    // The caption still comes: the steps after the failing one ran.
    EXPECT_GT(dib->Count(RGB(0, 0, 0)), 20);
  }
}

TEST_F(Paint, PaintsLeaveNoGraphicsObjectsBehind) {
  // Each paint makes and frees a region, brushes, memory contexts and work bitmaps.
  button->SetPicture(IconPicture(16, 16, kRed, [](int x, int) { return x < 2; }));
  button->SetUseMaskColor(true);
  button->SetMaskColor(kGreen);
  Dib dib(kW, kH);
  auto paints = [&](int n) {
    for (int i = 0; i < n; ++i) {
      button->SetEnabled(i % 2 == 0);
      pvDrawButton(button->hWnd(), dib.dc(), *button);
      pvRefreshButton(button->hWnd());
    }
  };
  paints(20);  // the system's own caches settle first
  const int before = testing_support::FreeGdiSlots();
  paints(400);
  const int after = testing_support::FreeGdiSlots();
  ASSERT_GT(before, 1000);
  EXPECT_LT(before - after, 50);  // one object kept per paint would be 400
  button->SetEnabled(true);
  dib.Fill(kMagenta);
  pvDrawButton(button->hWnd(), dib.dc(), *button);
  EXPECT_EQ(dib.Count(kRed), 14 * 16);
  EXPECT_TRUE(hooks.errors.empty());
}

TEST(ThemeHelpers, UnitsAndColours) {
  toolkit::SetScreenPixelsPerInchOverride(96);
  EXPECT_EQ(pvHimetricToPixels(1000).value(), 38);
  EXPECT_EQ(pvHimetricToPixels(500).value(), 19);
  toolkit::SetScreenPixelsPerInchOverride(144);
  EXPECT_EQ(pvHimetricToPixels(1000).value(), 57);  // 56.69
  toolkit::SetScreenPixelsPerInchOverride(254);
  EXPECT_EQ(pvHimetricToPixels(25).value(), 2);
  EXPECT_EQ(pvHimetricToPixels(35).value(), 4);
  toolkit::SetScreenPixelsPerInchOverride(0);

  EXPECT_EQ(pvResolveColor(0x8000000F), ::GetSysColor(15));
  EXPECT_EQ(pvResolveColor(0x8000010D), ::GetSysColor(13));  // only the low byte names the colour
  EXPECT_EQ(pvResolveColor(RGB(1, 2, 3)), RGB(1, 2, 3));
}

TEST(ThemeHelpers, RectAndTransparentPictures) {
  HookScope hooks;
  Dib dib(20, 20, RGB(9, 9, 9));
  pvDrawRect(dib.dc(), 2, 3, 4, 5, kRed);
  EXPECT_EQ(BoxOf(dib, kRed), (RECT{2, 3, 6, 8}));
  pvDrawRect(dib.dc(), 0x7FFFFFF0, 0, 100, 5, kBlue);  // the right edge overflows
  EXPECT_EQ(dib.Count(kBlue), 0);
  EXPECT_EQ(hooks.errors, (std::vector<std::string>{"pvDrawRect"}));
  hooks.errors.clear();

  // An icon's own transparent pixels stay transparent with a mask colour.
  dib.Fill(RGB(9, 9, 9));
  auto icon = IconPicture(16, 16, kRed, [](int x, int y) { return x < 4 && y < 4; });
  ASSERT_TRUE(icon);
  pvDrawTransparentPicture(icon.Get(), dib.dc(), 2, 2, 16, 16, kGreen, 0, 0, 0, 0);
  EXPECT_EQ(dib.At(2, 2), RGB(9, 9, 9));
  EXPECT_EQ(dib.At(5, 5), RGB(9, 9, 9));
  EXPECT_EQ(dib.At(6, 6), kRed);
  EXPECT_EQ(dib.Count(kRed), 256 - 16);
  EXPECT_EQ(dib.Count(kGreen), 0);

  // No picture: nothing drawn, nothing reported. No TransparentBlt: the step fails.
  dib.Fill(RGB(9, 9, 9));
  pvDrawTransparentPicture(nullptr, dib.dc(), 0, 0, 16, 16, kGreen, 0, 0, 0, 0);
  pvDrawTransparentPicture(EmptyPicture().Get(), dib.dc(), 0, 0, 16, 16, kGreen, 0, 0, 0, 0);
  {
    ScopedUnavailable missing("TransparentBlt");
    pvDrawTransparentPicture(icon.Get(), dib.dc(), 0, 0, 16, 16, kGreen, 0, 0, 0, 0);
  }
  EXPECT_EQ(dib.Count(RGB(9, 9, 9)), 400);
  EXPECT_EQ(hooks.errors, (std::vector<std::string>{"pvDrawTransparentPicture"}));
}

}  // namespace
}  // namespace theme_test
