// The program's own window as FrmCorvane builds it: every control where its twips put it at
// 96 dpi, in creation order, with the keyboard order, visibility and texts the program gives it.
#include "app/FrmCorvane.h"

#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Placed {
  const wchar_t* name;
  RECT at96;  // in the form's client area
  bool visible;
};

// Twips from the window's design, at 15 twips a pixel.
constexpr Placed kWindow[] = {
    {L"Picture1", {8, 6, 8 + 419, 6 + 12}, true},       // 120, 90, 6285, 180
    {L"Text2", {2, 48, 2 + 17, 48 + 18}, false},        // 30, 720, 255, 270
    {L"List1", {94, 26, 94 + 191, 26 + 38}, false},     // 1410, 390, 2865, 570
    {L"Command1", {288, 22, 288 + 143, 22 + 33}, true}, // 4320, 330, 2145, 495
    {L"Image2", {4, 162, 4 + 16, 162 + 16}, true},      // 60, 2430, 240, 240
    {L"Label4", {22, 164, 22 + 156, 164 + 12}, true},   // 330, 2460, 2340, 180
    {L"Label2", {4, 20, 4 + 275, 20 + 47}, true},       // 60, 300, 4125, 705
    {L"Label1", {6, 72, 6 + 425, 72 + 91}, true},       // 90, 1080, 6375, 1365
};

class OleScope {
 public:
  OleScope() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleScope() {
    if (ok_) ::OleUninitialize();
  }

 private:
  bool ok_;
};

TEST(FrmCorvaneWindow, EveryControlWhereTheDesignPutsItAt96Dpi) {
  OleScope ole;
  corvane::FrmCorvane window;
  const toolkit::Form& form = window.Form();
  ASSERT_TRUE(form.hWnd());
  ASSERT_EQ(form.PixelsPerInch(), 96) << "this prefix's screen";
  EXPECT_EQ(form.Caption(), L"Corvane & MS Jet - By Hollisk");
  RECT client{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_EQ(client.right, 436);  // 6540 twips
  EXPECT_EQ(client.bottom, 182);  // 2730 twips

  ASSERT_EQ(form.Controls().size(), std::size(kWindow));
  window.Show();
  for (size_t i = 0; i < std::size(kWindow); ++i) {
    const toolkit::Control& control = *form.Controls()[i];
    const Placed& expected = kWindow[i];
    EXPECT_EQ(control.Name(), expected.name);
    RECT r{};
    ::GetWindowRect(control.hWnd(), &r);
    ::MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, expected.at96.left) << expected.name;
    EXPECT_EQ(r.top, expected.at96.top) << expected.name;
    EXPECT_EQ(r.right, expected.at96.right) << expected.name;
    EXPECT_EQ(r.bottom, expected.at96.bottom) << expected.name;
    EXPECT_EQ(::IsWindowVisible(control.hWnd()) != FALSE, expected.visible) << expected.name;
  }

  // The button holds the focus; the keyboard goes on to the picture box and back.
  const HWND button = form.Find(L"Command1")->hWnd();
  EXPECT_EQ(::GetFocus(), button);
  EXPECT_EQ(::GetNextDlgTabItem(form.hWnd(), button, FALSE), form.Find(L"Picture1")->hWnd());
  EXPECT_EQ(form.Find(L"Command1")->Caption(), L"Repair Now");
  EXPECT_EQ(form.Find(L"Label2")->Caption(), L"Registering: ");
  EXPECT_EQ(form.Find(L"Label4")->Caption(), L"Follow Hollisk on Facebook");
}

}  // namespace
