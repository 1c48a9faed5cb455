// End-to-end tests: the driver's core with both device back-ends, loading
// the stand-in vendor libraries from the test's own folder, against
// simulated modules configured per test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/DeviceBackend.h"
#include "driver/E14_140.h"
#include "driver/mE14_x40.h"
#include "sim/SimControl.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FreshThread.h"

namespace e14::testing {

// Whether the driver reaches the simulated module's memory through the module
// handle: not on Windows, where the handle is a named pipe.
constexpr bool kHandleCarriesMemory = E14_HANDLE_CARRIES_MEMORY;
constexpr const char* kNoMemoryOverPipe =
    "module memory cannot be reached through the simulator's named pipe (sim/README.md)";

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetDriverSettings();
    InstallDeviceBackends();
    Configure("{}");
  }
  void TearDown() override {
    SimSetUnpaced(0);
    SimSetSpeedUp(1.0);
  }

  static void Configure(const std::string& json) {
    ASSERT_EQ(SimConfigure(json.c_str()), 1) << SimConfigError();
  }

  // The back-end the driver selected, for its engine's figures.
  static const DeviceBackend& Selected() {
    return dynamic_cast<const DeviceBackend&>(*BackendAt(State().Backend));
  }
};

// Checks the stand-in's test pattern: sample c of frame f holds
// ((f mod 2048) << 5) | (c mod 32). Frames must follow each other.
class PatternChecker {
 public:
  explicit PatternChecker(int channels) : channels_(channels) {}

  // Returns false at the first frame out of order or torn; `what` says why.
  bool Check(const int16_t* frames, int32_t count, std::string& what) {
    for (int32_t f = 0; f < count; ++f) {
      const int16_t* frame = frames + static_cast<size_t>(f) * channels_;
      const int number = (static_cast<uint16_t>(frame[0]) >> 5) & 0x7FF;
      if (next_ >= 0 && number != next_) {
        what = "frame " + std::to_string(seen_) + " is number " + std::to_string(number) + ", expected " +
               std::to_string(next_);
        return false;
      }
      for (int c = 0; c < channels_; ++c) {
        const uint16_t expected = static_cast<uint16_t>((number << 5) | (c & 0x1F));
        if (static_cast<uint16_t>(frame[c]) != expected) {
          what = "frame " + std::to_string(seen_) + " torn at position " + std::to_string(c);
          return false;
        }
      }
      next_ = (number + 1) & 0x7FF;
      ++seen_;
    }
    return true;
  }
  // Forgets the expected number: after a restart the stream goes on elsewhere.
  void Resync() { next_ = -1; }
  int64_t Seen() const { return seen_; }
  int Channels() const { return channels_; }

 private:
  int channels_;
  int next_ = -1;
  int64_t seen_ = 0;
};

// Takes everything unread through GetData (an odd buffer size), checking
// each frame; returns the frames taken. A restart of the ring (counted in
// restartsSeen) lets the stream go on from another frame.
inline int64_t TakeAll(E14_140& driver, PatternChecker& checker, int64_t& restartsSeen) {
  std::vector<int16_t> buffer(static_cast<size_t>(checker.Channels()) * 4099);
  std::string what;
  int64_t taken = 0;
  for (;;) {
    const int64_t restarts = driver.RecordingCounters().Restarts;
    if (restarts != restartsSeen) checker.Resync();
    restartsSeen = restarts;
    int32_t size = static_cast<int32_t>(buffer.size()), unread = 0;
    const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
    EXPECT_TRUE(checker.Check(buffer.data(), frames, what)) << what;
    taken += frames;
    if (frames == 0) return taken;
  }
}

}  // namespace e14::testing
