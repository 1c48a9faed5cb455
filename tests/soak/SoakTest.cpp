// Long recordings at the module's full sample rate with a host that takes
// frames in random amounts at random moments and now and then stalls long
// enough for the ring to overflow. Every frame taken is checked, every gap
// must be exactly what the ring reported dropped, and at the end every
// delivered frame is accounted for. E14_SOAK_SECONDS sets how long each
// recording runs (default 30 s, at four times the module's real speed).
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "backend/DeviceBackend.h"
#include "driver/E14_140.h"
#include "driver/mE14_x40.h"
#include "sim/SimControl.h"
#include "tests/soak/StreamAudit.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FreshThread.h"

namespace e14::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr double kSpeedUp = 4.0;

double SoakSeconds() {
  const char* text = std::getenv("E14_SOAK_SECONDS");
  const double seconds = text != nullptr ? std::atof(text) : 0.0;
  return seconds > 0.0 ? seconds : 30.0;
}

struct Plan {
  const char* name;
  std::vector<int16_t> table;
  float rate;
};

class Host {
 public:
  Host(E14_140& driver, int channels, int32_t ringFrames, double framesPerSecond)
      : driver_(driver),
        channels_(channels),
        audit_(channels),
        buffer_(static_cast<size_t>(ringFrames) * channels + channels),
        fillTime_(ringFrames / framesPerSecond) {}

  // Takes frames until the deadline; false at the first fault.
  bool Run(Clock::time_point deadline) {
    auto nextStall = Clock::now() + Between(1.0, 3.0);
    while (Clock::now() < deadline) {
      if (Clock::now() >= nextStall) {
        // Longer than the ring lasts: the oldest frames must go.
        Pause(fillTime_ * Uniform(1.2, 2.5));
        nextStall = Clock::now() + Between(1.0, 3.0);
      }
      const int action = std::uniform_int_distribution<int>(0, 9)(random_);
      if (action < 5 && !GetData()) return false;
      if (action == 5 && !InputData()) return false;
      if (action > 5) Pause(fillTime_ * Uniform(0.0, 0.05));
    }
    return true;
  }

  // Takes whatever is still unread.
  bool Drain() {
    int32_t frames = 0;
    do {
      if (!Take(static_cast<int32_t>(buffer_.size()), frames)) return false;
    } while (frames > 0);
    return true;
  }

  const StreamAudit& Audit() const { return audit_; }
  const std::string& What() const { return what_; }

 private:
  double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
  Clock::duration Between(double low, double high) {
    return std::chrono::duration_cast<Clock::duration>(Seconds(Uniform(low, high)));
  }
  static void Pause(double seconds) { std::this_thread::sleep_for(Seconds(seconds)); }

  bool GetData() {
    // Room for part of a frame, a few frames, or much of the ring; any size.
    const int32_t most = static_cast<int32_t>(buffer_.size());
    const int32_t limits[] = {channels_ * 3, 4096, most};
    const int32_t limit = std::min(limits[std::uniform_int_distribution<int>(0, 2)(random_)], most);
    int32_t frames = 0;
    return Take(std::uniform_int_distribution<int32_t>(0, limit)(random_), frames);
  }

  bool Take(int32_t capacity, int32_t& frames) {
    int32_t size = capacity, unread = 0;
    const StreamCounterValues before = driver_.RecordingCounters();
    frames = driver_.IADC3_GetData(buffer_.data(), size, unread);
    const StreamCounterValues after = driver_.RecordingCounters();
    if (size != frames * channels_ || size > capacity) {
      what_ = "GetData reported " + std::to_string(size) + " samples for " + std::to_string(frames) + " frames";
      return false;
    }
    return audit_.Take(buffer_.data(), frames, before, after, what_);
  }

  bool InputData() {
    const StreamCounterValues before = driver_.RecordingCounters();
    const FrameArray array = driver_.IADC3_InputData();
    const StreamCounterValues after = driver_.RecordingCounters();
    if (array.Channels != channels_) {
      what_ = "InputData gave " + std::to_string(array.Channels) + " channels";
      return false;
    }
    return audit_.Take(array.Samples.data() + channels_, array.Frames - 1, before, after, what_);
  }

  E14_140& driver_;
  int channels_;
  StreamAudit audit_;
  std::vector<int16_t> buffer_;
  double fillTime_;
  std::mt19937 random_{20240611};
  std::string what_;
};

void Soak(const Plan& plan) {
  E14_140 driver;
  ASSERT_TRUE(driver.IADC3_Test());
  driver.IADC3_InputChannels(plan.table);
  driver.IADC3_Rate(plan.rate);
  ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
  const int channels = static_cast<int>(plan.table.size());
  const double rate = driver.IADC3_Rate();
  ASSERT_NEAR(rate, plan.rate, plan.rate * 0.01);
  Host host(driver, channels, driver.IADC3_InputSizeKadrs(), rate * kSpeedUp);

  const auto start = Clock::now();
  const bool ran = host.Run(start + std::chrono::duration_cast<Clock::duration>(Seconds(SoakSeconds())));
  driver.IADC3_StopRecord();
  ASSERT_TRUE(ran) << host.What();

  const StreamCounterValues c = driver.RecordingCounters();
  const int64_t unread = State().AdcInput.Ring.CountAvailableKadrs();
  EXPECT_EQ(c.FramesDelivered, host.Audit().Taken() + unread + c.FramesDropped + c.FramesDiscarded);
  ASSERT_TRUE(host.Drain()) << host.What();
  EXPECT_EQ(c.FramesDelivered, host.Audit().Taken() + c.FramesDropped + c.FramesDiscarded);
  EXPECT_EQ(State().AdcInput.Ring.CountAvailableKadrs(), 0);

  // The run did what it is for: overflow happened, and takes after it were placed exactly.
  EXPECT_GT(c.FramesDropped, 0);
  EXPECT_GT(host.Audit().PlacedAfterDrops(), 0);
  EXPECT_GT(host.Audit().Taken(), c.FramesDelivered / 4);

  const double seconds = Seconds(Clock::now() - start).count();
  std::cout << plan.name << ": " << seconds << " s, " << c.FramesDelivered << " frames delivered ("
            << static_cast<double>(c.FramesDelivered) / seconds / kSpeedUp << " per module second), " << host.Audit().Taken()
            << " taken, " << c.FramesDropped << " dropped in " << c.BlocksDropped << " runs, "
            << c.FramesDiscarded << " discarded, " << c.Restarts << " restarts, " << c.ReadTimeouts
            << " read timeouts; " << host.Audit().PlacedTakes() << " takes placed exactly, "
            << host.Audit().PlacedAfterDrops() << " of them after drops\n";
}

// The default simulated module: revision B, 200 kS/s at most.
class SoakRecording : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetDriverSettings();
    InstallDeviceBackends();
    ASSERT_EQ(SimConfigure("{}"), 1) << SimConfigError();
    SimSetSpeedUp(kSpeedUp);
  }
  void TearDown() override { SimSetSpeedUp(1.0); }
};

TEST_F(SoakRecording, OneChannelAtTheFullRate) {
  InFreshThread([] { Soak({"1 channel at 200 kHz", {0}, 200000.0f}); });
}

TEST_F(SoakRecording, ThirtyTwoChannelsAtTheFullSampleRate) {
  // Inputs 0..15 in turn: differential 16..31 is the zero-calibration input,
  // which reads 0 instead of the pattern.
  std::vector<int16_t> table;
  for (int16_t c = 0; c < 32; ++c) table.push_back(c % 16);
  InFreshThread([&table] { Soak({"32 channels at 6250 Hz", table, 6250.0f}); });
}

}  // namespace
}  // namespace e14::testing
