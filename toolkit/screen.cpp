#include "toolkit/screen.h"

#include <windows.h>

#include <atomic>

#include "platform/unique.h"

namespace toolkit {
namespace {
std::atomic<std::int32_t> g_override{0};
}

std::int32_t ScreenPixelsPerInch() noexcept {
  if (const auto forced = g_override.load()) return forced;
  platform::window_dc screen(nullptr);
  const int ppi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return ppi > 0 ? ppi : 96;
}

void SetScreenPixelsPerInchOverride(std::int32_t pixelsPerInch) noexcept { g_override = pixelsPerInch; }

}  // namespace toolkit
