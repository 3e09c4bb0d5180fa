#include "toolkit/screen.h"

#include <windows.h>

#include <atomic>

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

}  // namespace toolkit
