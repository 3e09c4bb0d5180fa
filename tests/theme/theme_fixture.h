#pragma once
// Shared set-up for the visual-style tests: a form at 96 dpi with the program's button.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bind.h"
#include "tests/support/dib.h"
#include "theme/mdXpThemeSupport_detail.h"
#include "toolkit/toolkit.h"

namespace theme_test {

// Records what reaches the error sink, and answers the library's DllGetVersion with a version.
// One scope at a time: the stand-in is a plain function and reads the version from here.
class HookScope {
 public:
  explicit HookScope(DWORD major = 6, DWORD minor = 0) {
    SetVersion(major, minor);
    platform::SetFunctionOverride("DllGetVersion", reinterpret_cast<void*>(&GetVersion));
    mdXpThemeSupport::test_hooks::SetErrorObserver([this](std::string_view routine) { errors.emplace_back(routine); });
  }
  ~HookScope() {
    mdXpThemeSupport::test_hooks::SetErrorObserver({});
    platform::SetFunctionOverride("DllGetVersion", nullptr);
  }
  HookScope(const HookScope&) = delete;
  HookScope& operator=(const HookScope&) = delete;
  static void SetVersion(DWORD major, DWORD minor) {
    major_ = major;
    minor_ = minor;
  }
  std::vector<std::string> errors;

 private:
  static HRESULT CALLBACK GetVersion(DLLVERSIONINFO* info) {
    info->dwMajorVersion = major_;
    info->dwMinorVersion = minor_;
    return S_OK;
  }
  static inline DWORD major_ = 6, minor_ = 0;
};

// A system function replaced by a stand-in for one scope.
class ScopedOverride {
 public:
  template <class Fn>
  ScopedOverride(const char* name, Fn* proc) : name_(name) {
    platform::SetFunctionOverride(name_, reinterpret_cast<void*>(proc));
  }
  ~ScopedOverride() { platform::SetFunctionOverride(name_, nullptr); }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  const char* name_;
};

class ScopedUnavailable {
 public:
  explicit ScopedUnavailable(const char* name) : name_(name) { platform::SetFunctionUnavailable(name_, true); }
  ~ScopedUnavailable() { platform::SetFunctionUnavailable(name_, false); }

 private:
  const char* name_;
};

class ButtonForm : public ::testing::Test {
 protected:
  void SetUp() override {
    toolkit::SetScreenPixelsPerInchOverride(96);
    form = std::make_unique<toolkit::Form>(L"Theme", 6540, 2730);
    form->SetFont(L"Verdana", 6.75, true);
    button = &form->Add<toolkit::CheckBox>(L"Command1", {4320, 330, 2145, 495});
    button->SetStyle(1);
    button->SetCaption(L"Repair Now");
  }
  void TearDown() override {
    form.reset();
    toolkit::SetScreenPixelsPerInchOverride(0);
  }
  std::unique_ptr<toolkit::Form> form;
  toolkit::CheckBox* button = nullptr;
};

// Records the messages that get past the visual-style subclass to the control's own procedure.
// Installed before the subclass, so it sits between the subclass and the control.
class Recorder {
 public:
  struct Entry {
    UINT message;
    WPARAM wParam;
    bool operator==(const Entry&) const = default;
  };
  explicit Recorder(HWND window) : link_(new Link) {
    // The link outlives the recorder: the window may get messages after the test's end.
    link_->log = &log;
    ::SetPropW(window, L"TestRecorder", link_);
    link_->next = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  ~Recorder() { link_->log = nullptr; }
  std::vector<Entry> log;
  bool Saw(UINT message) const {
    for (const auto& e : log)
      if (e.message == message) return true;
    return false;
  }
  // Only the messages of interest, in order.
  std::vector<Entry> Only(std::initializer_list<UINT> messages) const {
    std::vector<Entry> out;
    for (const auto& e : log)
      for (UINT m : messages)
        if (e.message == m) out.push_back(e);
    return out;
  }

 private:
  struct Link {
    WNDPROC next = nullptr;
    std::vector<Entry>* log = nullptr;
  };
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* link = static_cast<Link*>(::GetPropW(window, L"TestRecorder"));
    if (link->log) link->log->push_back({message, wParam});
    return ::CallWindowProcW(link->next, window, message, wParam, lParam);
  }
  Link* link_;
};

inline bool HasUpdate(HWND window) {
  RECT r{};
  return ::GetUpdateRect(window, &r, FALSE) != FALSE;
}

}  // namespace theme_test
