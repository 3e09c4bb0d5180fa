#pragma once
// Visual-style support: starts the common controls, tells whether visual styles apply, and gives
// graphical-style buttons the visual style's look by subclassing their windows. With common
// controls before version 6 it stands aside and every control keeps its classic drawing.
#include <windows.h>

#include "toolkit/form.h"

namespace mdXpThemeSupport {

// Start-up, once per process: with common controls 6 loads the shell library, then initialises
// the common controls. False when a step failed; the flag then stays unset.
bool InitThemeSupport();
bool IsComCtl6Loaded();
// Attaches the subclasses to a form's frames and graphical-style buttons; false (nothing
// attached) without common controls 6.
bool FixThemeSupport(const toolkit::ControlCollection& controls);

}  // namespace mdXpThemeSupport
