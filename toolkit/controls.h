#pragma once
// The kinds of control a form holds.
#include <vector>

#include "toolkit/control.h"

namespace toolkit {

// A window with its own device context, for drawing by its owner in the paint event.
class PictureBox final : public Control {
 public:
  PictureBox(Form& parent, std::wstring name, const RECT& pixels);
  HDC hDC() const noexcept;  // the client area's own context, kept for the window's life
  std::function<void()> OnPaint;

  std::optional<platform::ComPtr<IFont>> Font() const override { return FormFont(); }
  std::optional<OleColor> BackColor() const override { return backColor_; }
  void SetBackColor(OleColor color) noexcept;
  PictureProperty Picture() const override { return picture_; }
  void SetPicture(platform::ComPtr<IPicture> picture) noexcept;
  bool CanTakeFocus() const noexcept override { return true; }
  // The role a screen reader gives the box (ROLE_SYSTEM_*), for an owner that draws a control of
  // its own in it; false where the system cannot annotate it. Taken back when the window goes.
  bool SetAccessibleRole(LONG role) noexcept;
  // Kept for the owner's drawing; the window itself draws no text.
  void OnFormFont(IFont* font) override { KeepFormFont(font); }

  static const wchar_t* WindowClass() noexcept;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnPaintMessage();
  platform::ComPtr<IPicture> picture_;
  OleColor backColor_ = kButtonFace;
  bool roleAnnotated_ = false;
};

enum class Alignment { Left = 0, Right = 1, Center = 2 };

// A click as a link wants it, the same for every kind: a left press and a release on the
// control, the mouse captured in between so that a release elsewhere is seen and ends nothing.
// The second press of a double click (WM_LBUTTONDBLCLK) starts no click of its own, so a double
// click opens once.
class ClickTracker {
 public:
  // True when `message` was a left-button message, handled here; runs `onClick` when it
  // completed a click.
  bool Handle(HWND window, UINT message, LPARAM lParam, const std::function<void()>& onClick);

 private:
  bool pressed_ = false;
};

// Static text, wrapped at words within its width.
class Label final : public Control {
 public:
  Label(Form& parent, std::wstring name, const RECT& pixels);
  std::optional<std::wstring> Caption() const override;
  void SetCaption(const std::wstring& caption) noexcept;
  Alignment GetAlignment() const noexcept { return alignment_; }
  void SetAlignment(Alignment alignment) noexcept;
  std::optional<OleColor> ForeColor() const override { return foreColor_; }
  void SetForeColor(OleColor color) noexcept;
  std::optional<OleColor> BackColor() const override { return backColor_; }
  void SetBackColor(OleColor color) noexcept;
  std::optional<platform::ComPtr<IFont>> Font() const override { return FormFont(); }
  std::function<void()> OnClick;

  HBRUSH Colors(HDC dc) noexcept override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  ClickTracker click_;
  Alignment alignment_ = Alignment::Left;
  OleColor foreColor_ = kButtonText;
  OleColor backColor_ = kButtonFace;
};

class ListBox final : public Control {
 public:
  ListBox(Form& parent, std::wstring name, const RECT& pixels);
  void AddItem(const std::wstring& item) noexcept;
  void Clear() noexcept;
  int ListCount() const noexcept;
  std::wstring List(int index) const;  // empty text outside the list
  std::optional<OleColor> BackColor() const override { return kWindowBackground; }
  std::optional<platform::ComPtr<IFont>> Font() const override { return FormFont(); }
  bool CanTakeFocus() const noexcept override { return true; }
};

class TextBox final : public Control {
 public:
  TextBox(Form& parent, std::wstring name, const RECT& pixels);
  std::wstring Text() const;
  void SetText(const std::wstring& text) noexcept;
  std::optional<OleColor> BackColor() const override { return kWindowBackground; }
  std::optional<platform::ComPtr<IFont>> Font() const override { return FormFont(); }
  bool CanTakeFocus() const noexcept override { return true; }
};

// A picture shown at its own size; its transparent pixels show the form behind it.
class Image final : public Control {
 public:
  Image(Form& parent, std::wstring name, const RECT& pixels);
  PictureProperty Picture() const override { return picture_; }
  void SetPicture(platform::ComPtr<IPicture> picture) noexcept;
  std::function<void()> OnClick;
  std::optional<int> TabIndex() const override { return std::nullopt; }

  // Paints the image into `dc` (the window's client coordinates); WM_PAINT and WM_PRINTCLIENT share it.
  void PaintContent(HDC dc) noexcept;
  // No text to show.
  void OnFormFont(IFont*) override {}
  static const wchar_t* WindowClass() noexcept;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  platform::ComPtr<IPicture> picture_;
  ClickTracker click_;
};

// What the button kinds share: caption, pictures, colours, mouse-up.
class ButtonBase : public Control {
 public:
  std::optional<int> Style() const override { return style_; }
  std::optional<std::wstring> Caption() const override;
  void SetCaption(const std::wstring& caption) noexcept;
  std::optional<platform::ComPtr<IFont>> Font() const override { return FormFont(); }
  PictureProperty Picture() const override { return picture_; }
  PictureProperty DownPicture() const override { return downPicture_; }
  PictureProperty DisabledPicture() const override { return disabledPicture_; }
  void SetPicture(platform::ComPtr<IPicture> p) noexcept { picture_ = std::move(p); Repaint(); }
  void SetDownPicture(platform::ComPtr<IPicture> p) noexcept { downPicture_ = std::move(p); Repaint(); }
  void SetDisabledPicture(platform::ComPtr<IPicture> p) noexcept { disabledPicture_ = std::move(p); Repaint(); }
  std::optional<OleColor> BackColor() const override { return backColor_; }
  void SetBackColor(OleColor color) noexcept { backColor_ = color; Repaint(); }
  std::optional<bool> UseMaskColor() const override { return useMaskColor_; }
  void SetUseMaskColor(bool use) noexcept { useMaskColor_ = use; Repaint(); }
  std::optional<OleColor> MaskColor() const override { return maskColor_; }
  void SetMaskColor(OleColor color) noexcept { maskColor_ = color; Repaint(); }
  bool CanTakeFocus() const noexcept override { return true; }

  // Fires after the control has handled the release itself (a check box has toggled by then).
  // x and y in twips from the control's top-left corner.
  std::function<void(int button, int shift, int x, int y)> OnMouseUp;
  std::function<void(int button, int shift, int x, int y)> OnMouseDown;

 protected:
  ButtonBase(ControlKind kind, Form& parent, std::wstring name, const RECT& pixels, DWORD buttonStyle);
  // 0 standard, 1 graphical; the kinds decide what graphical means for their window style.
  void ApplyStyle(int style, DWORD graphicalBits) noexcept;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  int style_ = 0;
  platform::ComPtr<IPicture> picture_, downPicture_, disabledPicture_;
  OleColor backColor_ = kButtonFace;
  bool useMaskColor_ = false;
  OleColor maskColor_ = 0xC0C0C0;  // light grey, the usual mask of button pictures
};

// A two-state check box; in graphical style (1) it looks like a push button that stays down.
class CheckBox final : public ButtonBase {
 public:
  CheckBox(Form& parent, std::wstring name, const RECT& pixels);
  void SetStyle(int style) noexcept { ApplyStyle(style, BS_PUSHLIKE); }
  std::optional<int> Value() const override;  // 0 unchecked, 1 checked, 2 grayed
  void SetValue(int value) noexcept;
};

class CommandButton final : public ButtonBase {
 public:
  CommandButton(Form& parent, std::wstring name, const RECT& pixels);
  void SetStyle(int style) noexcept { ApplyStyle(style, 0); }
  std::optional<int> Value() const override;  // -1 while pressed
  std::optional<int> Default() const override { return default_ ? -1 : 0; }
  void SetDefault(bool isDefault) noexcept;

 private:
  bool default_ = false;
};

class OptionButton final : public ButtonBase {
 public:
  OptionButton(Form& parent, std::wstring name, const RECT& pixels);
  void SetStyle(int style) noexcept { ApplyStyle(style, BS_PUSHLIKE); }
  std::optional<int> Value() const override;  // -1 selected, 0 not
  void SetValue(bool selected) noexcept;
};

// A group box around other controls.
class Frame final : public Control {
 public:
  Frame(Form& parent, std::wstring name, const RECT& pixels);
  std::optional<std::wstring> Caption() const override;
  void SetCaption(const std::wstring& caption) noexcept;
  std::optional<platform::ComPtr<IFont>> Font() const override { return FormFont(); }
  std::optional<OleColor> BackColor() const override { return kButtonFace; }
};

}  // namespace toolkit
