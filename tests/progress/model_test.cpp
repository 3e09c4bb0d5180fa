#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/progress/cProgressBar.h"
#include "progress_support.h"

namespace corvane {
namespace {

using progress_test::Canvas;
using progress_test::CountingSurface;
using progress_test::TestWindow;

// A picture object that cannot give its handle, as a broken or released picture would.
class BrokenPicture : public IPicture {
 public:
  explicit BrokenPicture(HRESULT failure) : failure_(failure) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IPicture) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE*) override { return failure_; }
  HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Type(SHORT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Render(HDC, LONG, LONG, LONG, LONG, OLE_XPOS_HIMETRIC, OLE_YPOS_HIMETRIC,
                                   OLE_XSIZE_HIMETRIC, OLE_YSIZE_HIMETRIC, LPCRECT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_CurDC(HDC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM, BOOL, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Attributes(DWORD*) override { return E_NOTIMPL; }

 private:
  HRESULT failure_;
  ULONG refs_ = 1;
};

TEST(ProgressModel, DefaultsAfterConstruction) {
  cProgressBar bar;
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Value(), 0);
  EXPECT_EQ(bar.Percent(), 0.0);
  EXPECT_FALSE(bar.ShowText());
  EXPECT_EQ(bar.BorderStyle(), BorderSunken);
  EXPECT_EQ(bar.Appearance(), AppearanceThin3D);
  EXPECT_EQ(bar.Text(), L"");
  EXPECT_EQ(bar.Tag(), L"");
  EXPECT_EQ(bar.DrawObject(), nullptr);
  EXPECT_EQ(bar.BackColor(), 0xFFFFFFFFu);
  EXPECT_EQ(bar.ForeColor(), 0u);
  EXPECT_EQ(bar.BarColor(), 0xFFFFFFFFu);
  EXPECT_EQ(bar.BarForeColor(), 0x00FFFFFFu);
  EXPECT_EQ(bar.BarPictureMode(), PictureTile);
  EXPECT_EQ(bar.BackPictureMode(), PictureTile);
  EXPECT_EQ(bar.TextAlignX(), AlignCenter);
  EXPECT_EQ(bar.TextAlignY(), AlignMiddle);
  EXPECT_FALSE(bar.Segments());
  EXPECT_FALSE(bar.XpStyle());
  EXPECT_FALSE(bar.BackBuffer().HasSurface());
  ASSERT_TRUE(bar.Font());
  // The font object reports the face it realised; the logical font it made asks for Tahoma at
  // 8 points (11 pixels at 96 dots per inch).
  HFONT font = nullptr;
  ASSERT_EQ(bar.Font()->get_hFont(&font), S_OK);
  LOGFONTW lf{};
  ASSERT_EQ(::GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  EXPECT_EQ(lf.lfHeight, -::MulDiv(8, 96, 72)) << "8 points at 96 dpi";
}

TEST(ProgressModel, PercentClampsButValueKeepsWhatWasStored) {
  cProgressBar bar;
  bar.SetValue(150);
  EXPECT_EQ(bar.Percent(), 100.0);
  EXPECT_EQ(bar.Value(), 150);
  bar.SetValue(-5);
  EXPECT_EQ(bar.Percent(), 0.0);
  EXPECT_EQ(bar.Value(), -5);
  bar.SetMax(3);
  bar.SetValue(1);
  EXPECT_DOUBLE_EQ(*bar.Percent(), 100.0 / 3.0);
  // Min, Max and Value are stored independently.
  bar.SetMin(10);
  bar.SetMax(0);
  bar.SetValue(5);
  EXPECT_EQ(bar.Min(), 10);
  EXPECT_EQ(bar.Max(), 0);
  EXPECT_EQ(bar.Percent(), 50.0);
  bar.SetValue(0);
  EXPECT_EQ(bar.Percent(), 100.0);
  bar.SetMax(10);
  EXPECT_EQ(bar.Percent().error(), ArithError::DivideByZero);
  EXPECT_EQ(bar.Value(), 0);
  bar.SetMin(INT32_MIN);
  bar.SetMax(INT32_MAX);
  EXPECT_EQ(bar.Percent().error(), ArithError::Overflow);
}

TEST(ProgressModel, EverySetterButTagRepaintsExactlyOnce) {
  TestWindow window(60, 10);
  ASSERT_NE(window.get(), nullptr);
  Canvas canvas(60, 10);
  auto surface = std::make_shared<CountingSurface>(window.get(), canvas.dc());
  cProgressBar bar;
  bar.SetDrawObject(surface);
  EXPECT_EQ(surface->paints(), 1);
  EXPECT_EQ(bar.DrawObject(), surface);
  auto pic = progress_test::BitmapPicture(4, 4, [](int, int) { return RGB(1, 2, 3); });

  const std::vector<std::pair<const char*, std::function<void()>>> setters = {
      {"Segments", [&] { bar.SetSegments(true); }},
      {"XpStyle", [&] { bar.SetXpStyle(false); }},
      {"Text", [&] { bar.SetText(L"x"); }},
      {"TextAlignX", [&] { bar.SetTextAlignX(AlignRight); }},
      {"TextAlignY", [&] { bar.SetTextAlignY(AlignBottom); }},
      {"ShowText", [&] { bar.SetShowText(true); }},
      {"Min", [&] { bar.SetMin(0); }},
      {"Max", [&] { bar.SetMax(100); }},
      {"Value", [&] { bar.SetValue(50); }},
      {"Value unchanged", [&] { bar.SetValue(50); }},
      {"BorderStyle", [&] { bar.SetBorderStyle(BorderRaised); }},
      {"Appearance", [&] { bar.SetAppearance(Appearance3D); }},
      {"DrawObject", [&] { bar.SetDrawObject(surface); }},
      {"BackColor", [&] { bar.SetBackColor(RGB(1, 1, 1)); }},
      {"ForeColor", [&] { bar.SetForeColor(RGB(2, 2, 2)); }},
      {"Font", [&] { bar.SetFont(bar.Font()); }},
      {"BarColor", [&] { bar.SetBarColor(RGB(3, 3, 3)); }},
      {"BarForeColor", [&] { bar.SetBarForeColor(RGB(4, 4, 4)); }},
      {"BarPicture", [&] { EXPECT_TRUE(bar.SetBarPicture(pic.Get())); }},
      {"BarPicture none", [&] { EXPECT_TRUE(bar.SetBarPicture(nullptr)); }},
      {"BarPictureMode", [&] { bar.SetBarPictureMode(PictureStretch); }},
      {"BackPictureMode", [&] { bar.SetBackPictureMode(PictureStretch); }},
      {"Picture", [&] { EXPECT_TRUE(bar.SetPicture(pic.Get())); }},
      {"Picture none", [&] { EXPECT_TRUE(bar.SetPicture(nullptr)); }},
  };
  for (const auto& [name, set] : setters) {
    surface->reset();
    set();
    EXPECT_EQ(surface->paints(), 1) << name;
  }
  surface->reset();
  bar.SetTag(L"kept");
  EXPECT_EQ(surface->paints(), 0);
  EXPECT_EQ(bar.Tag(), L"kept");
  // Setters store even when the frame cannot be drawn.
  bar.SetMax(50);
  bar.SetMin(50);
  EXPECT_EQ(bar.Min(), 50);
  EXPECT_EQ(surface->paints(), 2);
}

TEST(ProgressModel, APictureCopyErrorReachesTheCallerWithoutARepaint) {
  TestWindow window(40, 10);
  Canvas canvas(40, 10);
  auto surface = std::make_shared<CountingSurface>(window.get(), canvas.dc());
  cProgressBar bar;
  bar.SetDrawObject(surface);
  BrokenPicture broken(E_UNEXPECTED);
  surface->reset();
  EXPECT_EQ(bar.SetPicture(&broken).error(), E_UNEXPECTED);
  EXPECT_EQ(bar.SetBarPicture(&broken).error(), E_UNEXPECTED);
  EXPECT_EQ(surface->paints(), 0);
  // The bar still paints afterwards (the failed surface holds nothing and is passed over).
  bar.SetBackColor(RGB(9, 99, 199));
  EXPECT_EQ(canvas.At(20, 5), RGB(9, 99, 199));
}

TEST(ProgressModel, NothingIsDrawnWithoutADrawObject) {
  cProgressBar bar;
  bar.SetBackColor(RGB(1, 2, 3));
  bar.SetValue(10);
  bar.Draw();
  EXPECT_FALSE(bar.BackBuffer().HasSurface());
}

TEST(ProgressModel, TranslateColor) {
  EXPECT_EQ(cProgressBar::pvTranslateColor(RGB(10, 20, 30), nullptr), RGB(10, 20, 30));
  EXPECT_EQ(cProgressBar::pvTranslateColor(0x80000000u | COLOR_WINDOW, nullptr), ::GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(cProgressBar::pvTranslateColor(0x80000000u | COLOR_BTNSHADOW, nullptr), ::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(cProgressBar::pvTranslateColor(0x80000063u, nullptr), CLR_INVALID);
  EXPECT_EQ(cProgressBar::pvTranslateColor(0x7F000000u, nullptr), CLR_INVALID);
  EXPECT_EQ(cProgressBar::pvTranslateColor(0xFFFFFFFFu, nullptr), CLR_INVALID);
}

}  // namespace
}  // namespace corvane
