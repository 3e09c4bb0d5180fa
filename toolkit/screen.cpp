#include "toolkit/screen.h"

#include <windows.h>

#include <atomic>

#include "platform/functions.h"
#include "platform/unique.h"

namespace toolkit {

#ifdef CORVANE_TEST_HOOKS
namespace {
std::atomic<std::int32_t> g_override{0};
}

void SetScreenPixelsPerInchOverride(std::int32_t pixelsPerInch) noexcept { g_override = pixelsPerInch; }
#endif

std::int32_t ScreenPixelsPerInch() noexcept {
#ifdef CORVANE_TEST_HOOKS
  if (const auto forced = g_override.load()) return forced;
#endif
  platform::window_dc screen(nullptr);
  const int ppi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return ppi > 0 ? ppi : 96;
}

std::int32_t WindowPixelsPerInch(HWND window) noexcept {
#ifdef CORVANE_TEST_HOOKS
  if (const auto forced = g_override.load()) return forced;
#endif
  if (window) {
    if (const auto get = platform::kGetDpiForWindow.get()) {
      if (const UINT dpi = get(window); dpi > 0 && dpi <= 0x7FFF) return static_cast<std::int32_t>(dpi);
    }
  }
  return ScreenPixelsPerInch();
}

int SystemMetricAt(int index, std::int32_t pixelsPerInch) noexcept {
  if (pixelsPerInch > 0) {
    if (const auto forDpi = platform::kGetSystemMetricsForDpi.get()) {
      if (const int value = forDpi(index, static_cast<UINT>(pixelsPerInch)); value > 0) return value;
    }
  }
  // The system's metrics are at the system's density.
  platform::window_dc screen(nullptr);
  const int system = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  const int value = ::GetSystemMetrics(index);
  if (system <= 0 || pixelsPerInch <= 0) return value;
  return ::MulDiv(value, pixelsPerInch, system);
}

}  // namespace toolkit
