// What a host can check of the frame ring from outside: the positions the
// accessors report, whole and ordered frames of the simulator's test
// pattern, and a host buffer that shows any write past the size given.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/mTypes3.h"

namespace e14::fuzz {

// 1 <= ReadPos <= AllocKadrs once allocated, 0 <= WritePos <= AllocKadrs,
// 0 <= CountKadrs <= AllocKadrs; before any allocation the reset positions.
void CheckRing(const FrameRing& ring);

// Frames taken from a recording of the test pattern: sample c of frame f is
// ((f mod 2048) << 5) | (c mod 32), except at positions whose channel is the
// zero-calibration input (differential 16..31), which read 0.
class FrameTracker {
 public:
  // A recording started: frames count from 0 again and nothing is taken yet.
  // Only fast recordings carry the pattern; `zero` marks the positions that
  // read the zero-calibration input.
  void Started(bool patterned, std::vector<bool> zero);
  // A start that failed, before or after resetting the ring: the counters no
  // longer describe what was taken since the last start.
  void Unaccountable() { accountable_ = false; }
  // One take of `frames` frames of `channels` samples. Each frame must be
  // whole and follow the one before it in the take; the first follows the
  // last of the previous take unless the driver lost frames in between.
  // `lostBefore` and `lostAfter` are the driver's total of frames dropped or
  // discarded and restarts, read just before and just after this take.
  void Taken(const int16_t* data, int32_t frames, int32_t channels, int64_t lostBefore,
             int64_t lostAfter);
  int64_t TakenFrames() const { return taken_; }
  bool Accountable() const { return accountable_; }

 private:
  bool patterned_ = false;
  std::vector<bool> zero_;
  bool accountable_ = false;
  int64_t taken_ = 0;
  int next_ = -1;  // number the next frame must carry; -1 when unknown
  int64_t lostBeforeLastTake_ = 0;
};

// A host buffer of `size` samples (none for a negative size) between guard
// words; Intact() tells whether anything outside its first `written`
// samples changed.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(int32_t size);
  int16_t* Data() { return words_.data() + kGuard; }
  bool Intact(int32_t written) const;

 private:
  static constexpr size_t kGuard = 16;
  static constexpr int16_t kFill = 0x5A5A;
  std::vector<int16_t> words_;
};

}  // namespace e14::fuzz
