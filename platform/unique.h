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
  explicit operator bool() const noexcept { return Traits::valid(value_); }

  T release() noexcept { return std::exchange(value_, Traits::invalid()); }

  void reset(T value = Traits::invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (Traits::valid(old)) {
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

 protected:
  // For kinds whose value is a record (a context with its window, say).
  const T& held() const noexcept { return value_; }

 private:
  T value_ = Traits::invalid();
};

template <class T, void (*Close)(T) noexcept, T Invalid = T{}>
struct close_traits {
  static constexpr T invalid() noexcept { return Invalid; }
  static constexpr bool valid(T value) noexcept { return value != Invalid; }
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

// Paired calls: each owner holds what its undo needs, and holds nothing (undoes nothing) when
// the first call failed.
namespace detail {
struct window_dc_value {
  HWND window = nullptr;
  HDC dc = nullptr;
};
struct window_dc_traits {
  static constexpr window_dc_value invalid() noexcept { return {}; }
  static bool valid(const window_dc_value& v) noexcept { return v.dc != nullptr; }
  static void close(const window_dc_value& v) noexcept { ::ReleaseDC(v.window, v.dc); }
};

struct paint_value {
  HWND window = nullptr;
  PAINTSTRUCT ps{};
};
struct paint_traits {
  static constexpr paint_value invalid() noexcept { return {}; }
  static bool valid(const paint_value& v) noexcept { return v.ps.hdc != nullptr; }
  static void close(const paint_value& v) noexcept { ::EndPaint(v.window, &v.ps); }
};

struct selection_value {
  HDC dc = nullptr;
  HGDIOBJ previous = nullptr;
};
struct selection_traits {
  static constexpr selection_value invalid() noexcept { return {}; }
  static bool valid(const selection_value& v) noexcept { return v.dc != nullptr && v.previous != nullptr; }
  static void close(const selection_value& v) noexcept { ::SelectObject(v.dc, v.previous); }
};
}  // namespace detail

// GetDC / ReleaseDC.
class window_dc : public unique_any<detail::window_dc_value, detail::window_dc_traits> {
 public:
  explicit window_dc(HWND window) noexcept : unique_any(detail::window_dc_value{window, ::GetDC(window)}) {}
  HDC get() const noexcept { return held().dc; }
};

// BeginPaint / EndPaint; a paint that did not begin is not ended.
class paint_dc : public unique_any<detail::paint_value, detail::paint_traits> {
 public:
  explicit paint_dc(HWND window) noexcept : unique_any(Begin(window)) {}
  HDC get() const noexcept { return held().ps.hdc; }
  const PAINTSTRUCT& info() const noexcept { return held().ps; }

 private:
  static detail::paint_value Begin(HWND window) noexcept {
    detail::paint_value value{window, {}};
    value.ps.hdc = ::BeginPaint(window, &value.ps);
    return value;
  }
};

// SelectObject, undone by selecting the previous object back.
class select_object : public unique_any<detail::selection_value, detail::selection_traits> {
 public:
  select_object() noexcept = default;
  select_object(HDC dc, HGDIOBJ object) noexcept : unique_any(Select(dc, object)) {}

  // True (operator bool) when the object went into the context; restore() undoes it early.
  void restore() noexcept { reset(); }

 private:
  static detail::selection_value Select(HDC dc, HGDIOBJ object) noexcept {
    HGDIOBJ previous = dc && object ? ::SelectObject(dc, object) : nullptr;
    if (previous == HGDI_ERROR) previous = nullptr;
    return {dc, previous};
  }
};

}  // namespace platform
