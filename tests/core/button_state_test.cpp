#include "core/button_state.h"

#include <gtest/gtest.h>

namespace corvane::button {
namespace {

Look Of(bool enabled, bool hot, bool pushed, bool down, bool focused, bool isDefault) {
  return ChooseLook({enabled, hot, pushed, down, focused, isDefault});
}

void ExpectLook(const Look& look, ThemeState state, PictureSlot slot) {
  EXPECT_EQ(look.state, state);
  EXPECT_EQ(look.preferred, slot);
}

TEST(ChooseLook, EachRowOfTheTable) {
  ExpectLook(Of(false, false, false, false, false, false), ThemeState::Disabled, PictureSlot::DisabledPicture);
  ExpectLook(Of(true, true, false, false, false, false), ThemeState::Hot, PictureSlot::Picture);
  ExpectLook(Of(true, true, false, true, false, false), ThemeState::Hot, PictureSlot::DownPicture);
  ExpectLook(Of(true, false, false, true, false, false), ThemeState::Pressed, PictureSlot::DownPicture);
  ExpectLook(Of(true, false, true, false, false, false), ThemeState::Pressed, PictureSlot::DownPicture);
  ExpectLook(Of(true, false, false, false, true, false), ThemeState::Defaulted, PictureSlot::Picture);
  ExpectLook(Of(true, false, false, false, false, true), ThemeState::Defaulted, PictureSlot::Picture);
  ExpectLook(Of(true, false, false, false, false, false), ThemeState::Normal, PictureSlot::Picture);
}

TEST(ChooseLook, FirstRowThatAppliesWins) {
  // Disabled beats everything else.
  ExpectLook(Of(false, true, true, true, true, true), ThemeState::Disabled, PictureSlot::DisabledPicture);
  // Hot and pushed is not hot: being pressed wins.
  ExpectLook(Of(true, true, true, false, false, false), ThemeState::Pressed, PictureSlot::DownPicture);
  ExpectLook(Of(true, true, true, true, true, true), ThemeState::Pressed, PictureSlot::DownPicture);
  // Hot beats down, focus and default.
  ExpectLook(Of(true, true, false, false, true, true), ThemeState::Hot, PictureSlot::Picture);
  // Down beats focus and default.
  ExpectLook(Of(true, false, false, true, true, true), ThemeState::Pressed, PictureSlot::DownPicture);
  ExpectLook(Of(true, false, false, false, true, true), ThemeState::Defaulted, PictureSlot::Picture);
}

TEST(ChooseLook, StateNumbersAreTheStylesOwn) {
  EXPECT_EQ(static_cast<int>(ThemeState::Normal), 1);
  EXPECT_EQ(static_cast<int>(ThemeState::Hot), 2);
  EXPECT_EQ(static_cast<int>(ThemeState::Pressed), 3);
  EXPECT_EQ(static_cast<int>(ThemeState::Disabled), 4);
  EXPECT_EQ(static_cast<int>(ThemeState::Defaulted), 5);
}

TEST(ResolveDefaultLook, OwnPropertyWhenFocusIsHere) {
  EXPECT_TRUE(ResolveDefaultLook(-1, true, -1));
  EXPECT_TRUE(ResolveDefaultLook(1, true, 0));
  EXPECT_FALSE(ResolveDefaultLook(0, true, -1));
  // Check boxes and option buttons have no Default: never the default look by themselves.
  EXPECT_FALSE(ResolveDefaultLook(std::nullopt, true, std::nullopt));
  EXPECT_FALSE(ResolveDefaultLook(std::nullopt, false, std::nullopt));
}

TEST(ResolveDefaultLook, AnotherCommandButtonHoldingTheFocusTakesItAway) {
  // The active control is a command button, default or not.
  EXPECT_FALSE(ResolveDefaultLook(-1, false, 0));
  EXPECT_FALSE(ResolveDefaultLook(-1, false, -1));
  // Focus outside the program while this button is still the active control.
  EXPECT_FALSE(ResolveDefaultLook(-1, false, -1));
}

TEST(ResolveDefaultLook, ActiveControlWithoutDefaultKeepsIt) {
  // A text box or list box holds the focus, or there is no active control.
  EXPECT_TRUE(ResolveDefaultLook(-1, false, std::nullopt));
  EXPECT_FALSE(ResolveDefaultLook(0, false, std::nullopt));
  // A positive reading is not "not greater than zero": the button keeps its own value.
  EXPECT_TRUE(ResolveDefaultLook(-1, false, 1));
}

}  // namespace
}  // namespace corvane::button
