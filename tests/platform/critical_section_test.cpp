#include "platform/critical_section.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace platform {
namespace {

// Whether another thread can take the lock just now.
bool FreeForAnotherThread(CriticalSection& section) {
  bool taken = false;
  std::thread([&] {
    taken = section.try_lock();
    if (taken) section.unlock();
  }).join();
  return taken;
}

TEST(CriticalSection, HeldByAGuardUntilItEnds) {
  CriticalSection section;
  EXPECT_TRUE(FreeForAnotherThread(section));
  {
    std::lock_guard guard(section);
    EXPECT_FALSE(FreeForAnotherThread(section));
  }
  EXPECT_TRUE(FreeForAnotherThread(section));
}

}  // namespace
}  // namespace platform
