// The program's own window as FrmCorvane builds it: every control where its twips put it at
// 96 dpi, in creation order, with the keyboard order, visibility and texts the program gives it.
#include "app/FrmCorvane.h"

#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/registration.h"
#include "platform/contrast.h"
#include "platform/pump.h"
#include "tests/support/dib.h"
#include "tests/support/repair_host.h"
#include "tests/support/win_support.h"

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

using testing_support::OleScope;

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

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  const int n = ::GetWindowTextW(window, text, 256);
  return std::wstring(text, n > 0 ? n : 0);
}

struct NameChange {
  HWND window;
  LONG object, child;
  std::wstring text;  // the window's text when the event arrived
};
std::vector<NameChange> g_nameChanges;

void CALLBACK OnNameChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
  g_nameChanges.push_back({window, object, child, TextOf(window)});
}

TEST(FrmCorvaneWindow, TheBarsPictureBoxCarriesItsCaptionAndAnnouncesEachChange) {
  OleScope ole;
  corvane::FrmCorvane window;
  window.Show();
  const toolkit::Form& form = window.Form();
  const HWND box = form.Find(L"Picture1")->hWnd();
  ASSERT_TRUE(box);
  EXPECT_EQ(TextOf(box), L"");  // no caption before the first line
  // The link picture is named as the link label reads.
  EXPECT_EQ(TextOf(form.Find(L"Image2")->hWnd()), L"Follow Hollisk on Facebook");

  g_nameChanges.clear();
  // Out of context: delivered through this thread's queue, which the run pumps.
  const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                               &OnNameChange, ::GetCurrentProcessId(), ::GetCurrentThreadId(),
                                               WINEVENT_OUTOFCONTEXT);
  ASSERT_TRUE(hook);
  // The window's own host, with every line's start left out: the bar and the picture box meet a
  // whole run in milliseconds.
  corvane::FrmCorvaneRepairHost windowHost(window);
  testing_support::TestRepairHost host(&windowHost, nullptr);
  corvane::RepairRun(host);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  ::UnhookWinEvent(hook);

  EXPECT_EQ(host.ran.size(), 232u);
  EXPECT_EQ(form.Find(L"Label2")->Caption(),
            L"Registering: Done - 116 registered. Ctrl+C copies the details.");
  EXPECT_EQ(TextOf(box), L"116/116 100 %");
  // One announcement per line, for the box's client object, each after its caption was set.
  std::vector<std::wstring> texts;
  for (const auto& change : g_nameChanges) {
    if (change.window != box) continue;
    EXPECT_EQ(change.object, OBJID_CLIENT);
    EXPECT_EQ(change.child, CHILDID_SELF);
    texts.push_back(change.text);
  }
  ASSERT_EQ(texts.size(), corvane::RegistrationList().size());
  EXPECT_EQ(texts.front(), L"1/116 01 %");
  EXPECT_EQ(texts[57], L"58/116 50 %");
  EXPECT_EQ(texts.back(), L"116/116 100 %");
}

// High contrast and four system colours of the test's own, for as long as it lives.
class ContrastScope {
 public:
  ContrastScope() { platform::SetHighContrastOverride(true); }
  ~ContrastScope() {
    platform::SetHighContrastOverride(std::nullopt);
    for (int index : {COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_WINDOW, COLOR_WINDOWTEXT})
      platform::SetSystemColorOverride(index, std::nullopt);
  }
  void Colors(COLORREF highlight, COLORREF highlightText, COLORREF window, COLORREF windowText) {
    platform::SetSystemColorOverride(COLOR_HIGHLIGHT, highlight);
    platform::SetSystemColorOverride(COLOR_HIGHLIGHTTEXT, highlightText);
    platform::SetSystemColorOverride(COLOR_WINDOW, window);
    platform::SetSystemColorOverride(COLOR_WINDOWTEXT, windowText);
  }
};

// The bar's last frame, from its back buffer (the screen may be shared with other programs).
testing_support::Dib LastFrame(const corvane::FrmCorvane& window) {
  testing_support::Dib dib(419, 12);
  window.Progress()->BackBuffer().Draw(dib.dc(), 0, 0, 419, 12, 0, 0);
  return dib;
}

TEST(FrmCorvaneWindow, InHighContrastTheBarTakesTheSystemsColoursAndFollowsTheirChanges) {
  OleScope ole;
  ContrastScope contrast;
  const COLORREF highlight = RGB(10, 200, 30), highlightText = RGB(250, 240, 5), back = RGB(40, 50, 60),
                 text = RGB(230, 120, 210);
  contrast.Colors(highlight, highlightText, back, text);
  corvane::FrmCorvane window;
  window.Show();
  ASSERT_TRUE(window.Progress());
  corvane::FrmCorvaneRepairHost host(window);
  ASSERT_TRUE(host.SetBarValue(50));

  // 419 x 12 with a one-pixel border: the inner rectangle is (1, 1, 418, 11) and half of its 417
  // pixels, 208.5, ends the bar at x = 210 (halves to even).
  auto frame = LastFrame(window);
  EXPECT_EQ(frame.Count(highlight, RECT{1, 1, 210, 11}), 209 * 10);
  EXPECT_EQ(frame.Count(back, RECT{210, 1, 418, 11}), 208 * 10);
  EXPECT_EQ(frame.Count(RGB(0, 0, 255)), 0);

  // The caption in the window's text colour beside the bar and the selected text's over it.
  ASSERT_TRUE(host.SetBarText(L"58/116 50 %"));
  frame = LastFrame(window);
  EXPECT_GT(frame.Count(highlightText, RECT{1, 1, 210, 11}), 5);
  EXPECT_GT(frame.Count(text, RECT{210, 1, 418, 11}), 5);
  EXPECT_EQ(frame.Count(text, RECT{1, 1, 210, 11}), 0);
  EXPECT_EQ(frame.Count(highlightText, RECT{210, 1, 418, 11}), 0);
  ASSERT_TRUE(host.SetBarText(L""));

  // The colours change while it runs: the form hears of it and the bar repaints.
  const COLORREF highlight2 = RGB(200, 10, 90), back2 = RGB(5, 6, 7);
  contrast.Colors(highlight2, highlightText, back2, text);
  EXPECT_EQ(LastFrame(window).Count(highlight), 209 * 10) << "not before it is told";
  ::SendMessageW(window.Form().hWnd(), WM_SYSCOLORCHANGE, 0, 0);
  frame = LastFrame(window);
  EXPECT_EQ(frame.Count(highlight2, RECT{1, 1, 210, 11}), 209 * 10);
  EXPECT_EQ(frame.Count(back2, RECT{210, 1, 418, 11}), 208 * 10);

  // High contrast off again: the bar's own blue on white.
  platform::SetHighContrastOverride(false);
  ::SendMessageW(window.Form().hWnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  frame = LastFrame(window);
  EXPECT_EQ(frame.Count(RGB(0, 0, 255), RECT{1, 1, 210, 11}), 209 * 10);
  EXPECT_EQ(frame.Count(RGB(255, 255, 255), RECT{210, 1, 418, 11}), 208 * 10);
}

// The clipboard's Unicode text, or nothing.
std::optional<std::wstring> ClipboardText() {
  if (!::OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::wstring> text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(::GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  ::GlobalUnlock(memory);
  ::SetClipboardData(CF_UNICODETEXT, memory);
  ::CloseClipboard();
}

// Ctrl+C pressed while `target` has the focus: the key as the system queues it, with the Ctrl key
// down in this thread's keyboard state, taken by the message-pump step.
void PressCtrlC(HWND target) {
  ::SetFocus(target);
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  ::PostMessageW(target, WM_KEYDOWN, 'C', 0x002E0001);
  ::PostMessageW(target, WM_KEYUP, 'C', 0xC02E0001);
  platform::PumpMessages();
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
}

TEST(FrmCorvaneWindow, CtrlCCopiesTheLastRunsReportWhereverTheFocusIs) {
  OleScope ole;
  corvane::FrmCorvane window;
  window.Show();
  const toolkit::Form& form = window.Form();
  const HWND button = form.Find(L"Command1")->hWnd();
  const HWND box = form.Find(L"Picture1")->hWnd();

  // Before any run has finished there is nothing to copy: the clipboard keeps what it had.
  SetClipboardText(L"the user's own");
  PressCtrlC(button);
  EXPECT_EQ(ClipboardText(), L"the user's own");

  corvane::FrmCorvaneRepairHost windowHost(window);
  testing_support::TestRepairHost host(&windowHost, nullptr);
  host.answer = [](const std::wstring& line, bool) {
    return line.find(L"msado15.dll") != std::wstring::npos ? corvane::StartResult::ExitedWith(0)
                                                           : corvane::StartResult::ExitedWith(3);
  };
  corvane::RepairRun(host);
  const std::wstring summary = L"Registering: Done - 2 registered, 114 not on this PC.";
  EXPECT_EQ(form.Find(L"Label2")->Caption(), summary + L" Ctrl+C copies the details.");
  ASSERT_TRUE(window.LastReport().starts_with(summary + L"\r\n1\tnot on this PC\t3\t3\tregsvr32 msjet40.dll /s\r\n"));

  for (const HWND focus : {button, box}) {
    SetClipboardText(L"");
    PressCtrlC(focus);
    EXPECT_EQ(::GetFocus(), focus);
    EXPECT_EQ(ClipboardText(), window.LastReport());
  }
  // Ctrl alone with another key copies nothing; C alone neither.
  SetClipboardText(L"kept");
  ::PostMessageW(button, WM_KEYDOWN, 'C', 0x002E0001);
  platform::PumpMessages();
  EXPECT_EQ(ClipboardText(), L"kept");
}

}  // namespace
