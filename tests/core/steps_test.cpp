#include "core/steps.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using Told = std::vector<std::pair<std::string, StepFault>>;

auto Recorder(Told& told) {
  return [&told](const std::string& step, StepFault fault) { told.emplace_back(step, fault); };
}

TEST(Steps, AFailedStepIsToldWithItsNameAndTheJobGoesOn) {
  Told told;
  Steps steps(Recorder(told));
  EXPECT_EQ(steps.Take(std::string("count"), StepResult<int>(7)), std::optional<int>(7));
  EXPECT_EQ(steps.Take(std::string("item"), StepResult<int>(std::unexpected(StepFault::OutOfRange))), std::nullopt);
  EXPECT_TRUE(steps.Check(std::string("status"), StepResult<>()));
  EXPECT_FALSE(steps.Check(std::string("bar"), StepResult<>(std::unexpected(StepFault::Unavailable))));
  EXPECT_EQ(told, (Told{{"item", StepFault::OutOfRange}, {"bar", StepFault::Unavailable}}));
}

TEST(Steps, AStepThatAnswersFalseOrThrowsHasFailed) {
  Told told;
  Steps steps(Recorder(told));
  EXPECT_TRUE(steps.Run(std::string("draw"), [] { return true; }));
  EXPECT_FALSE(steps.Run(std::string("draw"), [] { return false; }));
  EXPECT_FALSE(steps.Run(std::string("paint"), []() -> bool { throw std::runtime_error("no"); }));
  EXPECT_EQ(told, (Told{{"draw", StepFault::Failed}, {"paint", StepFault::Failed}}));

  // A sink that throws ends there.
  Steps throwing([](const std::string&, StepFault) { throw std::runtime_error("sink"); });
  EXPECT_FALSE(throwing.Run(std::string("x"), [] { return false; }));
  EXPECT_EQ(throwing.Take(std::string("y"), StepResult<int>(std::unexpected(StepFault::Failed))), std::nullopt);
}

}  // namespace
}  // namespace corvane
