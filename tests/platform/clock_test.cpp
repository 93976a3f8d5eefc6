// The two millisecond counts: the coarse one, which the running machine
// reads at its pump, counts the same milliseconds as the exact one, a tick
// behind at most.
#include <gtest/gtest.h>

#include "platform/events.h"

namespace bq::test {
namespace {

TEST(Clock, TheCoarseCountIsTheExactOneATickBehindAtMost) {
  // A tick is 1 to 10 ms by the kernel's setting; 20 leaves room for a
  // descheduled thread between the two reads.
  for (int round = 0; round < 3; ++round) {
    const std::uint64_t coarse = CoarseTickCount64();
    const std::uint64_t exact = TickCount64();
    EXPECT_LE(coarse, exact);
    EXPECT_LT(exact - coarse, 20u);
    const std::uint64_t before = CoarseTickCount64();
    SleepMs(30);
    EXPECT_GE(CoarseTickCount64() - before, 20u);
  }
}

}  // namespace
}  // namespace bq::test
