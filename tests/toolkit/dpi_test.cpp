// A form moved to a monitor of another density: Windows sends WM_DPICHANGED with the new density
// and a suggested frame. Wine never sends it, so the test does, as Windows would.
#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/units.h"
#include "platform/bind.h"
#include "platform/unique.h"

namespace toolkit {
namespace {

struct Sample {
  const wchar_t* name;
  TwipsRect twips;
};

// The program's window's design: odd twips, so that halves and rounding show.
constexpr std::int32_t kClientW = 6540, kClientH = 2730;
const Sample kSample[] = {
    {L"Picture1", {120, 90, 6285, 180}},   {L"Text2", {30, 720, 255, 270}},
    {L"List1", {1410, 390, 2865, 570}},    {L"Command1", {4320, 330, 2145, 495}},
    {L"Label4", {330, 2460, 2340, 180}},   {L"Label2", {60, 300, 4125, 705}},
    {L"Label1", {90, 1080, 6375, 1365}},
};

std::int32_t Px(std::int32_t twips, int dpi) { return corvane::TwipsToPixels(twips, dpi).value(); }

RECT Expected(const TwipsRect& t, int dpi) {
  const int left = Px(t.left, dpi), top = Px(t.top, dpi);
  return RECT{left, top, left + Px(t.width, dpi), top + Px(t.height, dpi)};
}

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

RECT InForm(const Form& form, HWND child) {
  RECT r = WindowRect(child);
  ::MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

::testing::AssertionResult Same(const RECT& actual, const RECT& expected) {
  if (::EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "{" << actual.left << ", " << actual.top << ", " << actual.right << ", "
                                       << actual.bottom << "} instead of {" << expected.left << ", " << expected.top
                                       << ", " << expected.right << ", " << expected.bottom << "}";
}

LONG FontHeight(HFONT font) {
  LOGFONTW lf{};
  if (!::GetObjectW(font, sizeof lf, &lf)) return 0;
  return lf.lfHeight;
}

HFONT FormFontHandle(const Form& form) {
  HFONT handle = nullptr;
  if (auto font = form.Font()) font->get_hFont(&handle);
  return handle;
}

class FormDpi : public ::testing::Test {
 protected:
  void SetUp() override {
    ::OleInitialize(nullptr);
    SetScreenPixelsPerInchOverride(96);
    form_ = std::make_unique<Form>(L"dpi", kClientW, kClientH);
    ASSERT_TRUE(form_->SetFont(L"Verdana", 6.75, true));
    form_->Add<PictureBox>(kSample[0].name, kSample[0].twips).SetTabIndex(5);
    form_->Add<TextBox>(kSample[1].name, kSample[1].twips).SetVisible(false);
    form_->Add<ListBox>(kSample[2].name, kSample[2].twips).SetVisible(false);
    auto& button = form_->Add<CheckBox>(kSample[3].name, kSample[3].twips);
    button.SetStyle(1);
    button.SetCaption(L"Repair Now");
    button.SetTabIndex(0);
    form_->Add<Label>(kSample[4].name, kSample[4].twips).SetCaption(L"Follow Hollisk on Facebook");
    form_->Add<Label>(kSample[5].name, kSample[5].twips).SetCaption(L"Registering: ");
    form_->Add<Label>(kSample[6].name, kSample[6].twips).SetCaption(L"A description over several lines.");
    form_->Show();
  }
  void TearDown() override {
    form_.reset();
    SetScreenPixelsPerInchOverride(0);
    ::OleUninitialize();
  }

  // What Windows suggests when the frame's parts keep their size (as under Wine): the client area
  // at the new density inside the frame the window has now, from `at`.
  RECT Suggested(int dpi, POINT at) const {
    RECT frame = WindowRect(form_->hWnd()), client{};
    ::GetClientRect(form_->hWnd(), &client);
    const int w = Px(kClientW, dpi) + (frame.right - frame.left) - client.right;
    const int h = Px(kClientH, dpi) + (frame.bottom - frame.top) - client.bottom;
    return RECT{at.x, at.y, at.x + w, at.y + h};
  }

  void SendDpi(int dpi, const RECT& suggested) {
    RECT copy = suggested;
    ::SendMessageW(form_->hWnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&copy));
  }

  void ExpectLaidOutAt(int dpi) {
    EXPECT_EQ(form_->PixelsPerInch(), dpi);
    RECT client{};
    ::GetClientRect(form_->hWnd(), &client);
    EXPECT_TRUE(Same(client, RECT{0, 0, Px(kClientW, dpi), Px(kClientH, dpi)})) << "client area at " << dpi;
    ASSERT_EQ(form_->Controls().size(), std::size(kSample));
    for (size_t i = 0; i < std::size(kSample); ++i) {
      const Control& control = *form_->Controls()[i];
      EXPECT_TRUE(Same(InForm(*form_, control.hWnd()), Expected(kSample[i].twips, dpi)))
          << kSample[i].name << " at " << dpi;
      EXPECT_EQ(form_->TwipsOf(control)->width, kSample[i].twips.width);
    }
  }

  void ExpectFontAt(int dpi) {
    const HFONT handle = FormFontHandle(*form_);
    ASSERT_NE(handle, nullptr);
    // 6.75 points at `dpi`: 6.75 * dpi / 72 pixels of character height (13.5 at 144, which OLE
    // may take either way).
    const double exact = 6.75 * dpi / 72.0;
    const LONG height = -FontHeight(handle);
    EXPECT_GE(height, static_cast<LONG>(std::floor(exact))) << dpi;
    EXPECT_LE(height, static_cast<LONG>(std::ceil(exact))) << dpi;
    LOGFONTW lf{};
    ::GetObjectW(handle, sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, 700);
    // The object tells the size of the font it made: 6.75 points where that is whole pixels.
    CY size{};
    form_->Font()->get_Size(&size);
    EXPECT_EQ(size.int64 * dpi, height * 72 * 10000) << "the realized size at " << dpi;
    if (dpi != 144) {
      EXPECT_EQ(size.int64, 67500) << dpi;
    }
    // Every control that shows text carries it; the picture box keeps the font object itself.
    for (const auto& control : form_->Controls()) {
      if (control->Kind() == ControlKind::PictureBox) {
        EXPECT_EQ(control->Font().value().Get(), form_->Font().Get());
        continue;
      }
      EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(control->hWnd(), WM_GETFONT, 0, 0)), handle)
          << control->Name() << " at " << dpi;
    }
  }

  std::unique_ptr<Form> form_;
};

TEST_F(FormDpi, EachDensityTakesTheSuggestedFrameAndLaysOutFromTwips) {
  ExpectLaidOutAt(96);
  ExpectFontAt(96);
  EXPECT_EQ(FontHeight(FormFontHandle(*form_)), -9);
  const RECT original = WindowRect(form_->hWnd());
  std::vector<RECT> controls;
  for (const auto& control : form_->Controls()) controls.push_back(InForm(*form_, control->hWnd()));

  for (int dpi : {144, 192}) {
    const RECT suggested = Suggested(dpi, POINT{original.left - 40, original.top - 20});
    SendDpi(dpi, suggested);
    EXPECT_TRUE(Same(WindowRect(form_->hWnd()), suggested)) << "the window at " << dpi;
    ExpectLaidOutAt(dpi);
    ExpectFontAt(dpi);
  }
  EXPECT_EQ(FontHeight(FormFontHandle(*form_)), -18);  // 6.75 points at 192 dpi

  // Back at 96: exactly as before.
  SendDpi(96, original);
  EXPECT_TRUE(Same(WindowRect(form_->hWnd()), original));
  ExpectLaidOutAt(96);
  ExpectFontAt(96);
  EXPECT_EQ(FontHeight(FormFontHandle(*form_)), -9);
  for (size_t i = 0; i < controls.size(); ++i)
    EXPECT_TRUE(Same(InForm(*form_, form_->Controls()[i]->hWnd()), controls[i])) << kSample[i].name;
}

TEST_F(FormDpi, AScaledFrameIsCorrectedToTheTwipsFromItsTopLeftCorner) {
  // Windows scales the whole frame by the ratio of the densities; the client area it would give
  // is not the twips at the new density (here the frame's parts did not grow, and twips round).
  const RECT original = WindowRect(form_->hWnd());
  const int w = original.right - original.left, h = original.bottom - original.top;
  const RECT scaled{original.left, original.top, original.left + w * 3 / 2, original.top + h * 3 / 2};
  SendDpi(144, scaled);
  const RECT now = WindowRect(form_->hWnd());
  EXPECT_EQ(now.left, scaled.left);
  EXPECT_EQ(now.top, scaled.top);
  EXPECT_TRUE(Same(now, Suggested(144, POINT{scaled.left, scaled.top})));
  ExpectLaidOutAt(144);
  ExpectFontAt(144);
}

TEST_F(FormDpi, ControlsAddedAfterAChangeUseTheNewDensity) {
  const RECT original = WindowRect(form_->hWnd());
  SendDpi(192, Suggested(192, POINT{original.left, original.top}));
  const TwipsRect twips{150, 150, 1500, 300};
  auto& label = form_->Add<Label>(L"Late", twips);
  EXPECT_TRUE(Same(InForm(*form_, label.hWnd()), Expected(twips, 192)));
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(label.hWnd(), WM_GETFONT, 0, 0)), FormFontHandle(*form_));
}

TEST_F(FormDpi, AMessageWithoutADensityChangesNothing) {
  const RECT original = WindowRect(form_->hWnd());
  ::SendMessageW(form_->hWnd(), WM_DPICHANGED, 0, 0);
  EXPECT_TRUE(Same(WindowRect(form_->hWnd()), original));
  ExpectLaidOutAt(96);
}

TEST(FormDpiStart, WithoutGetDpiForWindowTheScreensDensity) {
  platform::SetFunctionUnavailable("GetDpiForWindow", true);
  Form form(L"x", 6000, 2400);
  RECT client{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_EQ(form.PixelsPerInch(), ScreenPixelsPerInch());
  EXPECT_EQ(client.right, Px(6000, ScreenPixelsPerInch()));
  platform::SetFunctionUnavailable("GetDpiForWindow", false);
  EXPECT_EQ(WindowPixelsPerInch(form.hWnd()), ScreenPixelsPerInch()) << "this prefix's";
}

UINT WINAPI On144DpiMonitor(HWND) { return 144; }

TEST(FormDpiStart, AWindowOnAMonitorOfItsOwnDensityIsLaidOutAtIt) {
  // The system's density is this prefix's (96); Windows says the window's monitor is at 144.
  ASSERT_EQ(ScreenPixelsPerInch(), 96);
  platform::SetFunctionOverride("GetDpiForWindow", reinterpret_cast<void*>(&On144DpiMonitor));
  Form form(L"x", kClientW, kClientH);
  platform::SetFunctionOverride("GetDpiForWindow", nullptr);
  EXPECT_EQ(form.PixelsPerInch(), 144);
  RECT client{}, frame{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_TRUE(Same(client, RECT{0, 0, 654, 273}));
  auto& box = form.Add<PictureBox>(L"Picture1", {120, 90, 6285, 180});
  EXPECT_TRUE(Same(InForm(form, box.hWnd()), Expected({120, 90, 6285, 180}, 144)));
  ASSERT_TRUE(form.SetFont(L"Verdana", 6.75, true));
  const LONG height = -FontHeight(FormFontHandle(form));  // 9 at 96
  EXPECT_TRUE(height == 13 || height == 14) << height << ": 13.5 pixels, either way";
  // Still centred on the screen.
  ::GetWindowRect(form.hWnd(), &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) - ::GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - ::GetSystemMetrics(SM_CYSCREEN)), 1);
}

TEST(FormDpiStart, MetricsAtADensity) {
  EXPECT_EQ(SystemMetricAt(SM_CXICON, ScreenPixelsPerInch()), ::GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(SystemMetricAt(SM_CXICON, 2 * ScreenPixelsPerInch()), 2 * ::GetSystemMetrics(SM_CXICON));
  platform::SetFunctionUnavailable("GetSystemMetricsForDpi", true);
  EXPECT_EQ(SystemMetricAt(SM_CXSMICON, 3 * ScreenPixelsPerInch() / 2), 3 * ::GetSystemMetrics(SM_CXSMICON) / 2);
  platform::SetFunctionUnavailable("GetSystemMetricsForDpi", false);
}

}  // namespace
}  // namespace toolkit
