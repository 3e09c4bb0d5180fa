// The program's own terminate handler: the runtime's lines with the exception's type as the
// compiler recorded it, and the end by abort (exit code 3).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>

namespace {

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

[[noreturn]] void TerminateWhileHandling(void (*thrower)()) {
  try {
    thrower();
  } catch (...) {
    std::terminate();
  }
  std::terminate();
}

TEST(TerminateDeathTest, NamesAStandardExceptionAndItsMessage) {
  EXPECT_EXIT(TerminateWhileHandling([] { throw std::runtime_error("the bar's font"); }), testing::ExitedWithCode(3),
              HasSubstr("terminate called after throwing an instance of 'St13runtime_error'\n"
                        "  what():  the bar's font\n"));
}

TEST(TerminateDeathTest, NamesAnyOtherTypeWithoutAMessage) {
  EXPECT_EXIT(TerminateWhileHandling([] { throw 42; }), testing::ExitedWithCode(3),
              AllOf(HasSubstr("terminate called after throwing an instance of 'i'\n"), Not(HasSubstr("what()"))));
}

TEST(TerminateDeathTest, SaysWhenNoExceptionIsActive) {
  EXPECT_EXIT(std::terminate(), testing::ExitedWithCode(3),
              HasSubstr("terminate called without an active exception\n"));
}

}  // namespace
