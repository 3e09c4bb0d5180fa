#pragma once
// A top-level window with a fixed single border and a close box, laid out in twips.
#include <windows.h>

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique.h"
#include "toolkit/control.h"

namespace toolkit {

using ControlCollection = std::vector<std::unique_ptr<Control>>;

// Why the form is asked to close.
enum class UnloadMode { ControlMenu = 0, Code = 1, WindowsSession = 2, TaskManager = 3 };

class Form : public Window {
 public:
  // The client area's size in twips; the window is created hidden and centred on the screen.
  Form(const std::wstring& caption, std::int32_t clientWidthTwips, std::int32_t clientHeightTwips);
  ~Form() override;

  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption) noexcept;
#ifdef CORVANE_TEST_HOOKS
  // Test builds: the caller's icons, which the caller keeps alive.
  void SetIcon(HICON big, HICON small = nullptr) noexcept;
#endif
  // The window's icons from an icon resource of `module`, loaded at the sizes of the window's
  // density and loaded again whenever that changes; the form owns them.
  void SetIconResource(HINSTANCE module, int resourceId) noexcept;
  // One font for the form and every control, made now at the window's density and given to each
  // control; when the density changes the same font object is scaled to it and given again.
  bool SetFont(const std::wstring& face, double points, bool bold);
  platform::ComPtr<IFont> Font() const { return font_; }
  OleColor BackColor() const noexcept { return kButtonFace; }

  // Adds a control at a position and size in twips; controls keep their order of creation.
  template <std::derived_from<Control> T>
  T& Add(std::wstring name, const TwipsRect& twips) {
    auto control = std::make_unique<T>(*this, std::move(name), ToPixels(twips));
    T& result = *control;
    Adopt(std::move(control), twips);
    return result;
  }
  const ControlCollection& Controls() const noexcept { return controls_; }
#ifdef CORVANE_TEST_HOOKS
  // Test builds: a control by its name.
  Control* Find(const std::wstring& name) const noexcept;
#endif
  Control* FromWindow(HWND window) const noexcept;

  // The control that holds the focus, or held it when the form was last active; null when none.
  Control* ActiveControl() const noexcept;

#ifdef CORVANE_TEST_HOOKS
  // Test builds: a control's place in twips, as it was added; null for a control of another form.
  const TwipsRect* TwipsOf(const Control& control) const noexcept;
#endif

  // Twips to pixels with the window's density (round half to even).
  RECT ToPixels(const TwipsRect& twips) const noexcept;
  // The density the window is laid out at: its monitor's (the system's where Windows cannot
  // tell), then the one each WM_DPICHANGED brings.
  std::int32_t PixelsPerInch() const noexcept { return pixelsPerInch_; }
  // The client area's size in pixels at that density.
  SIZE ClientPixels() const noexcept;

  // Runs the load event once, then shows the window modeless and gives the focus to the first
  // control in tab order.
  void Show();
#ifdef CORVANE_TEST_HOOKS
  // Test builds: asks the form to close as its close box would (the query-unload event may cancel).
  void Close() noexcept;
#endif

  std::function<void()> OnLoad;
  std::function<void(bool& cancel, UnloadMode mode)> OnQueryUnload;
  // After the window is gone; the default ends the message loop.
  std::function<void()> OnUnload;
  // The user changed a system setting or the system colours (high contrast, say).
  std::function<void()> OnSettingChange;
  // The user pressed Ctrl+C, wherever the focus is in the form.
  std::function<void()> OnCopy;

  // Processes messages until WM_QUIT, with keyboard navigation between controls; answers its code.
  static int RunMessageLoop();

  static const wchar_t* WindowClass() noexcept;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Adopt(std::unique_ptr<Control> control, const TwipsRect& twips);
  // Sizes the frame so that the client area is ClientPixels(), its top-left corner at `at`.
  void FitFrameToClient(POINT at) noexcept;
  void LoadIcons() noexcept;
  void ScaleFont() noexcept;
  void ArrangeTabOrder() noexcept;
  bool QueryUnload(UnloadMode mode);

  // The messages a form handles itself; each answers whether it consumed the message.
  std::optional<LRESULT> OnControlColor(HDC dc, HWND control);
  void OnCommand(WORD id, WORD code, HWND control);
  bool OnSetCursor(HWND under, WORD hitTest);
  bool OnActivate(WORD state);
  void OnClose();
  void OnEndSession(bool ending);
  void OnDestroy();
  void OnDpiChanged(std::int32_t pixelsPerInch, const RECT* suggested);

  ControlCollection controls_;
  std::vector<TwipsRect> twips_;  // each control's, in the order of controls_
  std::int32_t clientWidthTwips_ = 0, clientHeightTwips_ = 0;
  platform::ComPtr<IFont> font_;
  std::int32_t pixelsPerInch_ = 96;
  HINSTANCE iconModule_ = nullptr;
  int iconId_ = 0;
  platform::unique_hicon bigIcon_, smallIcon_;
  bool loaded_ = false;
  HWND lastFocus_ = nullptr;
  bool closing_ = false;
  static constexpr WORD kCopyCommand = 0xE122;  // the command id Windows programs give Copy
  platform::unique_haccel accelerators_;
};

}  // namespace toolkit
