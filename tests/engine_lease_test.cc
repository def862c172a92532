// The engine's hand-over between the panel and a worker: when the panel waits for it, and when it
// may call the lease off instead.
#include "engine_lease.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using std::chrono::milliseconds;

// Takes the engine back on a thread of its own: true when that returned within `limit`. A lease
// still out then is given back, so that the thread always ends.
bool takenBackWithin(EngineLease& lease, milliseconds limit) {
  auto taking = std::async(std::launch::async, [&lease] { lease.takeBack(); });
  if (taking.wait_for(limit) == std::future_status::ready) {
    return true;
  }
  lease.giveBack();
  taking.wait();
  return false;
}

TEST(EngineLease, IsCalledOffAtOnceWhileItsWorkerAwaitsADeviceAndIsThenNeverEntered) {
  EngineLease lease;
  lease.awaitDevice();
  EXPECT_TRUE(takenBackWithin(lease, milliseconds(5000)));
  EXPECT_FALSE(lease.enterEngine());
}

TEST(EngineLease, StaysWithAWorkerInTheEngineOrNotYetAwaitingADeviceUntilGivenBack) {
  EngineLease inEngine;
  inEngine.awaitDevice();
  ASSERT_TRUE(inEngine.enterEngine());
  EXPECT_FALSE(takenBackWithin(inEngine, milliseconds(100)));

  EngineLease starting;
  EXPECT_FALSE(takenBackWithin(starting, milliseconds(100)));

  EngineLease givenBack;
  givenBack.awaitDevice();
  ASSERT_TRUE(givenBack.enterEngine());
  givenBack.giveBack();
  EXPECT_TRUE(takenBackWithin(givenBack, milliseconds(5000)));
  EXPECT_FALSE(givenBack.enterEngine());
}

}  // namespace
