// The program's window moved to a monitor of another density (WM_DPICHANGED, sent here as Windows
// would: Wine never sends it): the bar paints to its new right edge and the icons follow.
#include "app/FrmCorvane.h"

#include <ole2.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/outcome.h"
#include "core/units.h"
#include "tests/support/win_support.h"

namespace {

using testing_support::OleScope;

std::int32_t Px(std::int32_t twips, int dpi) { return corvane::TwipsToPixels(twips, dpi).value(); }

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) return SIZE{0, 0};
  BITMAP bm{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  const SIZE size{bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return size;
}

SIZE WindowIcon(HWND window, WPARAM which) {
  return IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, which, 0)));
}

// The picture box's pixels as they are on the screen, row `y`.
std::vector<COLORREF> Row(HWND box, int width, int height, int y) {
  std::vector<COLORREF> row;
  HDC screen = ::GetDC(box);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  for (int x = 0; x < width; ++x) row.push_back(::GetPixel(memory, x, y));
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(box, screen);
  return row;
}

RECT Suggested(HWND window, int dpi) {
  RECT frame{}, client{};
  ::GetWindowRect(window, &frame);
  ::GetClientRect(window, &client);
  // Near the screen's corner: at 192 dpi the window is most of a 1024-pixel screen wide, and pixels
  // off the screen read back black.
  return RECT{8, 8, 8 + Px(6540, dpi) + (frame.right - frame.left) - client.right,
              8 + Px(2730, dpi) + (frame.bottom - frame.top) - client.bottom};
}

TEST(FrmCorvaneDpi, TheBarPaintsToItsNewEdgeAndTheIconsFollow) {
  OleScope ole;
  corvane::FrmCorvane window;
  toolkit::Form& form = window.Form();
  ASSERT_EQ(form.PixelsPerInch(), 96) << "this prefix's screen";
  window.Show();
  corvane::FrmCorvaneRepairHost host(window);
  ASSERT_TRUE(host.SetBarValue(100).has_value());  // the whole bar blue
  const HWND box = form.Find(L"Picture1")->hWnd();
  EXPECT_EQ(WindowIcon(form.hWnd(), ICON_BIG).cx, ::GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(WindowIcon(form.hWnd(), ICON_SMALL).cx, ::GetSystemMetrics(SM_CXSMICON));

  const RECT original = [&] {
    RECT r{};
    ::GetWindowRect(form.hWnd(), &r);
    return r;
  }();
  for (int dpi : {144, 192, 96}) {
    RECT suggested = dpi == 96 ? original : Suggested(form.hWnd(), dpi);
    ::SendMessageW(form.hWnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ::RedrawWindow(form.hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT now{};
    ::GetWindowRect(form.hWnd(), &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested)) << dpi;

    // 6285 x 180 twips; the frame is a one-pixel line on each side and blue fills all within.
    RECT client{};
    ::GetClientRect(box, &client);
    const int width = Px(6285, dpi), height = Px(180, dpi);
    ASSERT_EQ(client.right, width) << dpi;
    ASSERT_EQ(client.bottom, height) << dpi;
    const auto row = Row(box, width, height, height / 2);
    int blue = 0;
    for (int x = 1; x < width - 1; ++x) blue += row[static_cast<size_t>(x)] == RGB(0, 0, 255) ? 1 : 0;
    EXPECT_GT(blue, width * 3 / 4) << dpi;  // the caption covers the middle
    EXPECT_EQ(row[2], RGB(0, 0, 255)) << dpi;
    EXPECT_EQ(row[static_cast<size_t>(width - 3)], RGB(0, 0, 255)) << "the new right edge at " << dpi;
    EXPECT_NE(row[static_cast<size_t>(width - 1)], RGB(0, 0, 255)) << "the frame at " << dpi;

    // The icons at this density's sizes (32 and 16 at 96 dots per inch).
    EXPECT_EQ(WindowIcon(form.hWnd(), ICON_BIG).cx, ::MulDiv(::GetSystemMetrics(SM_CXICON), dpi, 96)) << dpi;
    EXPECT_EQ(WindowIcon(form.hWnd(), ICON_SMALL).cx, ::MulDiv(::GetSystemMetrics(SM_CXSMICON), dpi, 96)) << dpi;

    // The status line and the link stay inside the client area.
    RECT link{};
    ::GetWindowRect(form.Find(L"Label4")->hWnd(), &link);
    ::MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&link), 2);
    RECT formClient{};
    ::GetClientRect(form.hWnd(), &formClient);
    EXPECT_LE(link.bottom, formClient.bottom) << dpi;
  }
}

// The status line's longest summary: all five counts, each of two digits (a three-digit count
// leaves the others fewer digits than that).
TEST(FrmCorvaneDpi, TheLongestSummaryFitsTheStatusLineAt96And144Dpi) {
  OleScope ole;
  corvane::FrmCorvane window;
  toolkit::Form& form = window.Form();
  window.Show();
  corvane::FrmCorvaneRepairHost host(window);
  const std::wstring summary = corvane::SummaryStatus({22, 23, 23, 24, 24});
  ASSERT_EQ(summary.size(), 125u) << "the longest there is";
  ASSERT_TRUE(host.SetStatus(summary).has_value());
  const HWND label = form.Find(L"Label2")->hWnd();
  ASSERT_TRUE(label);
  for (int dpi : {96, 144, 96}) {
    RECT suggested = Suggested(form.hWnd(), dpi);
    ::SendMessageW(form.hWnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    ::GetClientRect(label, &client);
    ASSERT_EQ(client.right, Px(4125, dpi));
    ASSERT_EQ(client.bottom, Px(705, dpi));
    // Wrapped at words in the label's width with the label's own font, as the label draws it.
    wchar_t text[512] = {};
    ::GetWindowTextW(label, text, 512);
    EXPECT_EQ(std::wstring(text), summary);
    HDC dc = ::GetDC(label);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, client.right, 0};
    const int height = ::DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    std::printf("at %d dpi the summary takes %d of %d pixels, %d lines\n", dpi, height, static_cast<int>(client.bottom),
                metrics.tmHeight ? height / static_cast<int>(metrics.tmHeight) : 0);
    EXPECT_GT(height, 2 * metrics.tmHeight) << "it wraps: the measure is the label's";
    EXPECT_LE(height, client.bottom) << dpi;
    EXPECT_LE(needed.right, client.right) << dpi;
  }
}

}  // namespace
