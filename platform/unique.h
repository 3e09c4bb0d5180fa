#pragma once
// One owner template, many one-line kinds: each kind names its invalid value and its
// release function. Releasing keeps the thread's last error, so a caller can still quote it.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace platform {

template <class T, class Traits>
class unique_any {
 public:
  using pointer = T;

  unique_any() noexcept = default;
  explicit unique_any(T value) noexcept : value_(value) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

  T release() noexcept { return std::exchange(value_, Traits::invalid()); }

  void reset(T value = Traits::invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::invalid()) {
      const DWORD lastError = ::GetLastError();
      Traits::close(old);
      ::SetLastError(lastError);
    }
  }

  // For out-parameters: releases what is held and hands out the slot.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::invalid();
};

template <class T, void (*Close)(T) noexcept, T Invalid = T{}>
struct close_traits {
  static constexpr T invalid() noexcept { return Invalid; }
  static void close(T value) noexcept { Close(value); }
};

namespace detail {
inline void close_handle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void delete_dc(HDC h) noexcept { ::DeleteDC(h); }
template <class T>
inline void delete_object(T h) noexcept { ::DeleteObject(h); }
inline void destroy_icon(HICON h) noexcept { ::DestroyIcon(h); }
inline void destroy_window(HWND h) noexcept { ::DestroyWindow(h); }
inline void free_cotaskmem(void* p) noexcept { ::CoTaskMemFree(p); }
inline void close_key(HKEY h) noexcept { ::RegCloseKey(h); }
inline void destroy_accelerators(HACCEL h) noexcept { ::DestroyAcceleratorTable(h); }
inline void free_global(HGLOBAL h) noexcept { ::GlobalFree(h); }
}  // namespace detail

template <class T>
using unique_gdi = unique_any<T, close_traits<T, &detail::delete_object<T>>>;

using unique_handle = unique_any<HANDLE, close_traits<HANDLE, &detail::close_handle>>;
using unique_hdc = unique_any<HDC, close_traits<HDC, &detail::delete_dc>>;
using unique_hbrush = unique_gdi<HBRUSH>;
using unique_hpen = unique_gdi<HPEN>;
using unique_hbitmap = unique_gdi<HBITMAP>;
using unique_hfont = unique_gdi<HFONT>;
using unique_hrgn = unique_gdi<HRGN>;
using unique_hicon = unique_any<HICON, close_traits<HICON, &detail::destroy_icon>>;
using unique_hwnd = unique_any<HWND, close_traits<HWND, &detail::destroy_window>>;
using unique_hkey = unique_any<HKEY, close_traits<HKEY, &detail::close_key>>;
using unique_haccel = unique_any<HACCEL, close_traits<HACCEL, &detail::destroy_accelerators>>;
using unique_hglobal = unique_any<HGLOBAL, close_traits<HGLOBAL, &detail::free_global>>;
// CoTaskMemFree accepts null, and the folder lookup frees whatever the shell left.
using unique_cotaskmem = unique_any<void*, close_traits<void*, &detail::free_cotaskmem>>;

// GetDC / ReleaseDC.
class window_dc {
 public:
  explicit window_dc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  window_dc(const window_dc&) = delete;
  window_dc& operator=(const window_dc&) = delete;
  ~window_dc() {
    if (dc_) {
      const DWORD lastError = ::GetLastError();
      ::ReleaseDC(window_, dc_);
      ::SetLastError(lastError);
    }
  }
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint / EndPaint.
class paint_dc {
 public:
  explicit paint_dc(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
  paint_dc(const paint_dc&) = delete;
  paint_dc& operator=(const paint_dc&) = delete;
  ~paint_dc() { ::EndPaint(window_, &ps_); }
  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& info() const noexcept { return ps_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

// SelectObject, undone by selecting the previous object back.
class select_object {
 public:
  select_object() noexcept = default;
  select_object(HDC dc, HGDIOBJ object) noexcept : dc_(dc) {
    if (dc && object) previous_ = ::SelectObject(dc, object);
    if (previous_ == HGDI_ERROR) previous_ = nullptr;
  }
  select_object(const select_object&) = delete;
  select_object& operator=(const select_object&) = delete;
  select_object(select_object&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  select_object& operator=(select_object&& other) noexcept {
    if (this != &other) {
      restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~select_object() { restore(); }

  // True when the object went into the context.
  explicit operator bool() const noexcept { return previous_ != nullptr; }

  void restore() noexcept {
    if (dc_ && previous_) ::SelectObject(dc_, previous_);
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace platform
