#include "core/button_state.h"

namespace corvane::button {

Look ChooseLook(const Facts& f) {
  if (!f.enabled) return {ThemeState::Disabled, PictureSlot::DisabledPicture};
  if (f.hot && !f.pushed) return {ThemeState::Hot, f.down ? PictureSlot::DownPicture : PictureSlot::Picture};
  if (f.down || f.pushed) return {ThemeState::Pressed, PictureSlot::DownPicture};
  if (f.focused || f.isDefault) return {ThemeState::Defaulted, PictureSlot::Picture};
  return {ThemeState::Normal, PictureSlot::Picture};
}

bool ResolveDefaultLook(std::optional<std::int32_t> ownDefault, bool focusIsThisButton,
                        std::optional<std::int32_t> activeControlDefault) {
  bool isDefault = ownDefault.value_or(0) != 0;
  // Any active control that offers a Default state (true reads -1) takes the default look away
  // while the focus is not on this button.
  if (!focusIsThisButton && activeControlDefault && *activeControlDefault <= 0) isDefault = false;
  return isDefault;
}

}  // namespace corvane::button
