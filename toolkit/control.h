#pragma once
// The controls of a form. Each is a real window. Properties are read by name with X() and written
// with SetX(v); a property that a kind of control does not have reads as absent (std::nullopt).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/com.h"
#include "platform/unique.h"
#include "toolkit/ole.h"

namespace toolkit {

class Form;

enum class ControlKind { PictureBox, Label, ListBox, TextBox, CheckBox, Image, Frame, CommandButton, OptionButton };

// Position and size in twips, in the form's client area.
struct TwipsRect {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
};

enum class MousePointer { Default = 0, Custom = 99 };

// Mouse buttons and shift keys as mouse events report them.
inline constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

// A picture property: absent for kinds without it; present but null for "no picture".
using PictureProperty = std::optional<platform::ComPtr<IPicture>>;

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  ControlKind Kind() const noexcept { return kind_; }
  const std::wstring& Name() const noexcept { return name_; }
  HWND hWnd() const noexcept { return window_; }
  Form* Parent() const noexcept { return parent_; }

  bool Enabled() const noexcept;
  void SetEnabled(bool enabled) noexcept;
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible) noexcept;
  // Lower indexes come first in the keyboard order; absent for kinds that never take the focus.
  virtual std::optional<int> TabIndex() const { return tabIndex_; }
  void SetTabIndex(int index) noexcept { tabIndex_ = index; }
  virtual bool CanTakeFocus() const noexcept { return false; }
  void SetFocus() noexcept;

  MousePointer GetMousePointer() const noexcept { return pointer_; }
  void SetMousePointer(MousePointer pointer) noexcept { pointer_ = pointer; }
  // The custom pointer's cursor; the caller keeps it alive (shared cursors need no owner).
  void SetMouseIcon(HCURSOR cursor) noexcept { mouseIcon_ = cursor; }
  HCURSOR MouseIcon() const noexcept { return mouseIcon_; }

  // Properties read by name; absent where the kind has none.
  virtual std::optional<int> Style() const { return std::nullopt; }
  virtual std::optional<int> Value() const { return std::nullopt; }
  virtual std::optional<int> Default() const { return std::nullopt; }  // true reads -1
  virtual std::optional<std::wstring> Caption() const { return std::nullopt; }
  virtual std::optional<platform::ComPtr<IFont>> Font() const { return std::nullopt; }
  virtual PictureProperty Picture() const { return std::nullopt; }
  virtual PictureProperty DownPicture() const { return std::nullopt; }
  virtual PictureProperty DisabledPicture() const { return std::nullopt; }
  virtual std::optional<OleColor> BackColor() const { return std::nullopt; }
  virtual std::optional<OleColor> ForeColor() const { return std::nullopt; }
  virtual std::optional<bool> UseMaskColor() const { return std::nullopt; }
  virtual std::optional<OleColor> MaskColor() const { return std::nullopt; }

  // Window colours for WM_CTLCOLOR*: the brush to paint with, null to let Windows choose.
  virtual HBRUSH Colors(HDC dc) noexcept;

 protected:
  Control(ControlKind kind, Form& parent, std::wstring name);
  // Makes the window; `subclass` routes its messages through OnMessage first.
  bool CreateControlWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text,
                           const RECT& pixels, bool subclass);
  void ApplyFont(IFont* font) noexcept;
  // A message to a subclassed window; return true with `result` set to consume it.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void Repaint() noexcept;
  HBRUSH SolidBrush(OleColor color) noexcept;

  friend class Form;
  virtual void OnFormFont(IFont* font);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  ControlKind kind_;
  Form* parent_;
  std::wstring name_;
  HWND window_ = nullptr;
  WNDPROC original_ = nullptr;
  bool visible_ = true;
  std::optional<int> tabIndex_;
  MousePointer pointer_ = MousePointer::Default;
  HCURSOR mouseIcon_ = nullptr;
  platform::unique_hbrush brush_;  // the colour it was made for is brushColor_
  OleColor brushColor_ = 0;
  bool destroyed_ = false;
};

}  // namespace toolkit
