// End-to-end tests: the driver's core with both device back-ends, loading
// the stand-in vendor libraries from the test's own folder, against
// simulated modules configured per test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "backend/DeviceBackend.h"
#include "driver/E14_140.h"
#include "driver/mE14_x40.h"
#include "sim/SimControl.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FreshThread.h"

namespace e14::testing {

// Each test starts from the default world, paced at the module's own speed.
class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetDriverSettings();
    InstallDeviceBackends();
    Configure("{}");
  }

  static void Configure(const std::string& json) {
    ASSERT_EQ(SimConfigure(json.c_str()), 1) << SimConfigError();
  }
};

// The engine of the back-end the driver selected, for its block figures.
inline const AcquisitionEngine& Engine() {
  return dynamic_cast<const DeviceBackend&>(*BackendAt(State().Backend)).Engine();
}

// Waits until `done` holds, for at most `most`; whether it holds.
template <typename Done>
bool Within(std::chrono::milliseconds most, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + most;
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return done();
}

// Opens the module and starts recording `table` at `rate`.
inline void StartRecording(E14_140& driver, const std::vector<int16_t>& table, float rate) {
  ASSERT_TRUE(driver.IADC3_Test()) << driver.IADC3_LastError();
  driver.IADC3_InputChannels(table);
  driver.IADC3_Rate(rate);
  ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
}

// Checks the stand-in's test pattern: sample c of frame f holds
// ((f mod 2048) << 5) | (c mod 32). Frames must follow each other unless
// `next` is set to -1 (unknown: after a restart the stream goes on elsewhere).
struct PatternChecker {
  int channels;
  int next = -1;
  int64_t seen = 0;
  int64_t restarts = 0;  // of the ring, when TakeAll last looked

  // Fails the test, and returns false, at the first frame out of order or torn.
  bool Check(const int16_t* frames, int32_t count) {
    for (int32_t f = 0; f < count; ++f, ++seen) {
      const int16_t* frame = frames + static_cast<size_t>(f) * channels;
      const int number = (static_cast<uint16_t>(frame[0]) >> 5) & 0x7FF;
      if (next >= 0 && number != next) {
        ADD_FAILURE() << "frame " << seen << " is number " << number << ", expected " << next;
        return false;
      }
      for (int c = 0; c < channels; ++c) {
        if (static_cast<uint16_t>(frame[c]) != static_cast<uint16_t>((number << 5) | (c & 0x1F))) {
          ADD_FAILURE() << "frame " << seen << " torn at position " << c;
          return false;
        }
      }
      next = (number + 1) & 0x7FF;
    }
    return true;
  }
};

// Takes everything unread through GetData (an odd buffer size), checking
// each frame; returns the frames taken. A restart of the ring (counted in
// the checker) lets the stream go on from another frame.
inline int64_t TakeAll(E14_140& driver, PatternChecker& checker) {
  std::vector<int16_t> buffer(static_cast<size_t>(checker.channels) * 4099);
  for (int64_t taken = 0;;) {
    const int64_t restarts = driver.RecordingCounters().Restarts;
    if (restarts != checker.restarts) checker.next = -1;
    checker.restarts = restarts;
    int32_t size = static_cast<int32_t>(buffer.size()), unread = 0;
    const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
    checker.Check(buffer.data(), frames);
    taken += frames;
    if (frames == 0) return taken;
  }
}

// Every frame the recording published was taken, dropped to overflow or
// discarded at a restart.
inline void ExpectAllAccountedFor(E14_140& driver, int64_t taken) {
  const StreamCounterValues c = driver.RecordingCounters();
  EXPECT_EQ(c.FramesDelivered, taken + c.FramesDropped + c.FramesDiscarded);
}

}  // namespace e14::testing
