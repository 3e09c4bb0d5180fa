#pragma once
// The controls of a form. Each is a real window. Properties are read by name with X() and written
// with SetX(v); a property that a kind of control does not have reads as absent (std::nullopt).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/geometry.h"
#include "platform/com.h"
#include "platform/unique.h"
#include "toolkit/ole.h"
#include "toolkit/window.h"

namespace toolkit {

class Form;

enum class ControlKind { PictureBox, Label, ListBox, TextBox, CheckBox, Image, Frame, CommandButton, OptionButton };

using corvane::TwipsRect;

enum class MousePointer { Default = 0, Custom = 99 };

// Mouse buttons and shift keys as mouse events report them.
inline constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

// A picture property: absent for kinds without it; present but null for "no picture".
using PictureProperty = std::optional<platform::ComPtr<IPicture>>;

// Control IDs start above the dialog IDs (IDOK 1 to IDCONTINUE 11): Enter and Esc, which the
// dialog navigation turns into IDOK and IDCANCEL, can never click a control.
inline constexpr UINT_PTR kFirstControlId = 1000;

class Control : public Window {
 public:
  ~Control() override = default;

  ControlKind Kind() const noexcept { return kind_; }
  const std::wstring& Name() const noexcept { return name_; }
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

  // What a screen reader says for the control: its window text. A change is announced for the
  // control's client object; setting the same text again announces nothing.
  void SetAccessibleName(const std::wstring& name) noexcept;
  std::wstring AccessibleName() const;

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
  // A notification the control sent its form (WM_COMMAND), handed back to the control.
  virtual void OnNotify(WORD /*code*/) {}
  // The form's font, given to every control when it is made or changed: kept, and set on the
  // window.
  virtual void OnFormFont(IFont* font);

 protected:
  Control(ControlKind kind, Form& parent, std::wstring name);
  // Makes the window: a system class (`systemClass`) is subclassed, ours use Window::Procedure.
  bool CreateControlWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text,
                           const RECT& pixels, bool systemClass);
  void ApplyFont(IFont* font) noexcept;
  const platform::ComPtr<IFont>& FormFont() const noexcept { return font_; }
  void KeepFormFont(IFont* font) noexcept { font_ = font; }
  void Repaint() noexcept;
  HBRUSH SolidBrush(OleColor color) noexcept;
  // Registers one of our window classes once per process; its procedure is Window::Procedure.
  static const wchar_t* Registered(const wchar_t* name, UINT style) noexcept;

 private:
  ControlKind kind_;
  Form* parent_;
  std::wstring name_;
  platform::ComPtr<IFont> font_;
  bool visible_ = true;
  std::optional<int> tabIndex_;
  MousePointer pointer_ = MousePointer::Default;
  HCURSOR mouseIcon_ = nullptr;
  platform::unique_hbrush brush_;  // the colour it was made for is brushColor_
  OleColor brushColor_ = 0;
};

}  // namespace toolkit
