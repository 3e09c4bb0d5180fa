#include "platform/contrast.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace platform {

#ifdef CORVANE_TEST_HOOKS
namespace {
// -1 asks the system, 0 off, 1 on.
std::atomic<int> g_highContrast{-1};
// COLOR_* indexes run below 32; an entry holds the colour with kForced set, 0 asks the system.
constexpr int kColors = 32;
constexpr std::uint64_t kForced = std::uint64_t{1} << 32;
std::array<std::atomic<std::uint64_t>, kColors> g_colors{};
}  // namespace

void SetHighContrastOverride(std::optional<bool> on) noexcept { g_highContrast = on ? (*on ? 1 : 0) : -1; }

void SetSystemColorOverride(int index, std::optional<COLORREF> color) noexcept {
  if (index >= 0 && index < kColors) g_colors[static_cast<size_t>(index)] = color ? kForced | *color : 0;
}
#endif

bool HighContrastOn() noexcept {
#ifdef CORVANE_TEST_HOOKS
  if (const int forced = g_highContrast.load(); forced >= 0) return forced == 1;
#endif
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  if (!::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
  return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF SystemColorValue(int index) noexcept {
#ifdef CORVANE_TEST_HOOKS
  if (index >= 0 && index < kColors) {
    if (const std::uint64_t forced = g_colors[static_cast<size_t>(index)].load(); forced & kForced)
      return static_cast<COLORREF>(forced & 0xFFFFFFFFu);
  }
#endif
  return ::GetSysColor(index);
}

}  // namespace platform
