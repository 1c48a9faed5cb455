// Checks every take of a recording of the simulator's test pattern (sample c
// of frame f holds ((f mod 2048) << 5) | (c mod 32)) against what the driver
// says it lost.
//
// Frames leave the ring only at its oldest end: taken, dropped to overflow or
// discarded at a restart. So the first frame of a take is frame number
// taken + dropped + discarded of the recording, whenever the driver's counts
// did not move while the take ran (no frame is dropped during a take, so the
// counts read just before and just after it then hold at its start). That
// pins every gap to exactly the frames the driver reported lost.
#pragma once

#include <cstdint>
#include <string>

#include "driver/StreamCounters.h"

namespace e14::testing {

class StreamAudit {
 public:
  explicit StreamAudit(int channels) : channels_(channels) {}

  // One take of `frames` frames; `before` and `after` are the driver's
  // counters read just before and just after the call that took them.
  // False at the first fault, with `what` saying why.
  bool Take(const int16_t* data, int32_t frames, const StreamCounterValues& before,
            const StreamCounterValues& after, std::string& what);

  int64_t Taken() const { return taken_; }
  // Takes whose first frame was checked to be exactly where the counts put it,
  // and of those, the ones that followed frames dropped since the last check.
  int64_t PlacedTakes() const { return placed_; }
  int64_t PlacedAfterDrops() const { return placedAfterDrops_; }

 private:
  bool Whole(const int16_t* frame, int64_t at, std::string& what) const;

  int channels_;
  int64_t taken_ = 0;
  int64_t placed_ = 0;
  int64_t placedAfterDrops_ = 0;
  int64_t droppedAtLastPlace_ = 0;
};

}  // namespace e14::testing
