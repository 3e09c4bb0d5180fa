#pragma once
// The themed push button's decisions, apart from any drawing: which of the five looks a button
// takes and which of its pictures it shows.
#include <cstdint>
#include <optional>

namespace corvane::button {

// The visual style's push-button states, numbered as the style numbers them.
enum class ThemeState : std::int32_t { Normal = 1, Hot = 2, Pressed = 3, Disabled = 4, Defaulted = 5 };

enum class PictureSlot { Picture, DownPicture, DisabledPicture };

// What one paint knows about the button.
struct Facts {
  bool enabled = true;
  bool hot = false;      // the pointer rests on it
  bool pushed = false;   // being pressed right now
  bool down = false;     // its value is set
  bool focused = false;  // it holds the keyboard focus
  bool isDefault = false;
};

struct Look {
  ThemeState state = ThemeState::Normal;
  PictureSlot preferred = PictureSlot::Picture;  // Picture stands in when this one is not usable
};

// The first row that applies: disabled, hot and not pushed, down or pushed, focused or default,
// otherwise normal.
Look ChooseLook(const Facts& facts);

// Whether the button shows its default look.
// ownDefault: the button's own Default property (absent for kinds that have none; true reads -1).
// focusIsThisButton: the keyboard focus is on this button's window.
// activeControlDefault: Default of the form's active control read as a signed integer, absent when
// there is no active control or it has no such property.
bool ResolveDefaultLook(std::optional<std::int32_t> ownDefault, bool focusIsThisButton,
                        std::optional<std::int32_t> activeControlDefault);

}  // namespace corvane::button
