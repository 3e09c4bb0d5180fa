#pragma once
// The user's display choices that a self-painted control must follow: high contrast, and the
// system colours it asks for.
#include <windows.h>

#include <optional>

namespace platform {

// Whether high contrast is on (SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON); off when the
// system cannot say.
bool HighContrastOn() noexcept;

// The system colour `index` (COLOR_*) as an RGB value, as GetSysColor gives it.
COLORREF SystemColorValue(int index) noexcept;

#ifdef CORVANE_TEST_HOOKS
// Test builds: high contrast as given instead of the system's answer (Wine always answers off);
// nullopt asks the system again.
void SetHighContrastOverride(std::optional<bool> on) noexcept;
// Test builds: `color` for the system colour `index`, without touching the session's colours;
// nullopt gives the system's back.
void SetSystemColorOverride(int index, std::optional<COLORREF> color) noexcept;
#endif

}  // namespace platform
