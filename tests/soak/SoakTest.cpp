// Long recordings at the module's full sample rate with a host that takes
// frames in random amounts at random moments and now and then stalls long
// enough for the ring to overflow. Frames leave the ring only at its oldest
// end (taken, dropped to overflow or discarded at a restart), so a take
// during which those counts did not move starts at frame number taken +
// dropped + discarded: every gap must be exactly what the driver reported
// lost, and at the end every delivered frame is accounted for.
// E14_SOAK_SECONDS sets how long each recording runs (default 30 s, at four
// times the module's real speed).
#include <cstdlib>
#include <random>

#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

struct Plan { std::vector<int16_t> table; float rate; };

class Soak : public EndToEnd, public ::testing::WithParamInterface<Plan> {};

TEST_P(Soak, EveryGapIsExactlyWhatTheDriverReportedLost) {
  constexpr double kSpeedUp = 4.0;
  SimSetSpeedUp(kSpeedUp);
  const double seconds = std::getenv("E14_SOAK_SECONDS") ? std::atof(std::getenv("E14_SOAK_SECONDS")) : 0.0;
  InFreshThread([soak = Seconds(seconds > 0.0 ? seconds : 30.0)] {
    const Plan& plan = GetParam();
    const int channels = static_cast<int>(plan.table.size());
    E14_140 driver;
    StartRecording(driver, plan.table, plan.rate);
    const int32_t ringFrames = driver.IADC3_InputSizeKadrs();
    const double fillSeconds = ringFrames / (driver.IADC3_Rate() * kSpeedUp);
    std::mt19937 random(20240611);
    const auto uniform = [&](double low, double high) { return std::uniform_real_distribution(low, high)(random); };
    std::vector<int16_t> buffer(static_cast<size_t>(ringFrames + 1) * channels);
    PatternChecker checker{channels};
    int64_t taken = 0, placedAfterDrops = 0, droppedWhenPlaced = 0;
    // One take, through GetData with room for `capacity` samples or through
    // InputData; the frames taken, or -1 once the test has failed.
    const auto take = [&](int32_t capacity, bool inputData) {
      const StreamCounterValues before = driver.RecordingCounters();
      int32_t size = capacity, unread = 0, frames = 0;
      const int16_t* data = buffer.data();
      FrameArray array;
      if (inputData) {
        array = driver.IADC3_InputData();
        frames = array.Frames - 1;
        data = array.Samples.data() + channels;
      } else {
        frames = driver.IADC3_GetData(buffer.data(), size, unread);
        EXPECT_EQ(size, frames * channels);
      }
      const StreamCounterValues after = driver.RecordingCounters();
      if (frames > 0 && before.FramesDropped == after.FramesDropped &&
          before.FramesDiscarded == after.FramesDiscarded && after.Restarts == 0) {
        // The pattern numbers the frames of the recording in 11 bits.
        const int64_t first = taken + after.FramesDropped + after.FramesDiscarded;
        EXPECT_EQ((static_cast<uint16_t>(data[0]) >> 5) & 0x7FF, first & 0x7FF) << "the take at frame " << taken;
        if (after.FramesDropped > droppedWhenPlaced) ++placedAfterDrops;
        droppedWhenPlaced = after.FramesDropped;
      }
      checker.next = -1;  // each take is placed on its own
      checker.Check(data, frames);
      taken += frames;
      return HasFailure() ? -1 : frames;
    };

    const auto end = Clock::now() + soak;
    auto nextStall = Clock::now() + Seconds(uniform(1.0, 3.0));
    while (Clock::now() < end && !HasFailure()) {
      if (Clock::now() >= nextStall) {
        // Longer than the ring lasts: the oldest frames must go.
        std::this_thread::sleep_for(Seconds(fillSeconds * uniform(1.2, 2.5)));
        nextStall = Clock::now() + Seconds(uniform(1.0, 3.0));
      }
      // Room for part of a frame, a few frames, or much of the ring; any size.
      const int32_t limits[] = {channels * 3, 4096, static_cast<int32_t>(buffer.size())};
      const int action = static_cast<int>(random() % 10);
      if (action < 6) take(static_cast<int32_t>(uniform(0.0, limits[action % 3])), action == 5);
      if (action >= 6) std::this_thread::sleep_for(Seconds(fillSeconds * uniform(0.0, 0.05)));
    }
    driver.IADC3_StopRecord();
    while (take(static_cast<int32_t>(buffer.size()), false) > 0) continue;
    ExpectAllAccountedFor(driver, taken);
    // The run did what it is for: overflow happened, and takes after it were placed exactly.
    const StreamCounterValues c = driver.RecordingCounters();
    EXPECT_GT(c.FramesDropped, 0);
    EXPECT_GT(placedAfterDrops, 0);
    EXPECT_GT(taken, c.FramesDelivered / 4);
  });
}

// Inputs 0..15 twice over for 32 channels: differential 16..31 is the
// zero-calibration input, which reads 0 instead of the pattern.
INSTANTIATE_TEST_SUITE_P(FullRate, Soak,
                         ::testing::Values(Plan{{0}, 200000.0f},
                                           Plan{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4,
                                                 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
                                                6250.0f}));

}  // namespace
}  // namespace e14::testing
