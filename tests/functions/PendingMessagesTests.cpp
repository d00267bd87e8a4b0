#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ostream>

#include "PendingMessages.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// Time moves only when the loop says a step took it, and every look is counted.
struct FakeClock {
  using duration = nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<FakeClock>;
  static constexpr bool is_steady = true;

  static time_point now() {
    ++reads;
    return time_point(elapsed);
  }

  inline static duration elapsed{};
  inline static long long reads = 0;
};

// When the pump last ran, and the longest wait between two runs so far.
struct Passes {
  inline static int count = 0;
  inline static nanoseconds last{};
  inline static nanoseconds longestGap{};

  static void Record() {
    if (count > 0) longestGap = std::max(longestGap, FakeClock::elapsed - last);
    last = FakeClock::elapsed;
    ++count;
  }
};

// Runs `quickSteps` steps of 20 ns, then `steps` of `stepTime`, and keeps
// account of the passes made during the second stretch only.
void RunSteps(long long quickSteps, nanoseconds stepTime, long long steps) {
  FakeClock::elapsed = nanoseconds(0);
  FakeClock::reads = 0;
  BasicPendingMessagesPacer<FakeClock> pacer;
  SetPendingMessagesHandler(nullptr);
  for (long long i = 0; i < quickSteps; ++i) {
    FakeClock::elapsed += nanoseconds(20);
    pacer.Step();
  }
  Passes::count = 0;
  Passes::longestGap = nanoseconds(0);
  SetPendingMessagesHandler(Passes::Record);
  for (long long i = 0; i < steps; ++i) {
    FakeClock::elapsed += stepTime;
    pacer.Step();
  }
  SetPendingMessagesHandler(nullptr);
  // The wait since the last pass counts too, or a pacer that stopped would pass.
  if (Passes::count > 0) Passes::longestGap = std::max(Passes::longestGap, FakeClock::elapsed - Passes::last);
}

struct PaceCase {
  const char* name;
  long long quickSteps;  // 20 ns each, before the stretch that is judged
  nanoseconds stepTime;
  long long steps;
  nanoseconds longestGap;  // the interval plus what one read late may add
};

void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }

class PendingMessagesPacerTest : public testing::TestWithParam<PaceCase> {};

TEST_P(PendingMessagesPacerTest, LetsMessagesThroughEveryIntervalWhateverThePace) {
  const PaceCase& c = GetParam();
  RunSteps(c.quickSteps, c.stepTime, c.steps);
  ASSERT_GE(Passes::count, 2);
  EXPECT_LE(Passes::longestGap.count(), c.longestGap.count());
}

INSTANTIATE_TEST_SUITE_P(
    Paces, PendingMessagesPacerTest,
    testing::Values(
        PaceCase{"QuickSteps", 0, nanoseconds(20), 2500000, microseconds(11250)},
        PaceCase{"SteadySteps", 0, microseconds(200), 250, microseconds(11250)},
        PaceCase{"SlowSteps", 0, milliseconds(3), 50, milliseconds(13)},
        // Once reads come far apart, the pacer looks at every step again.
        PaceCase{"SlowAfterQuick", 1000000, milliseconds(3), 100, milliseconds(13)}),
    [](const testing::TestParamInfo<PaceCase>& info) { return info.param.name; });

TEST(PendingMessagesPacerTest, ReadsTheClockRarelyWhenStepsAreQuick) {
  const long long steps = 2500000;
  RunSteps(0, nanoseconds(20), steps);
  EXPECT_LE(FakeClock::reads * 8, steps);
}

}  // namespace
