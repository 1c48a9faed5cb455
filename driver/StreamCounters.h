// What happened to the data of the current recording, so that a host can
// account for every frame: frames published to the ring = frames taken +
// frames still unread + frames dropped to overflow + frames discarded when
// the ring restarted after a failed read.
#pragma once

#include <atomic>
#include <cstdint>

namespace e14 {

struct StreamCounterValues {
  int64_t FramesDelivered = 0;
  int64_t BlocksDropped = 0;
  int64_t FramesDropped = 0;
  int64_t ReadTimeouts = 0;
  int64_t ReadFailures = 0;
  int64_t Restarts = 0;
  int64_t FramesDiscarded = 0;
};

struct StreamCounters {
  std::atomic<int64_t> FramesDelivered{0};
  std::atomic<int64_t> ReadTimeouts{0};
  std::atomic<int64_t> ReadFailures{0};
  std::atomic<int64_t> Restarts{0};
  std::atomic<int64_t> FramesDiscarded{0};

  void Clear() {
    FramesDelivered = ReadTimeouts = ReadFailures = Restarts = FramesDiscarded = 0;
  }
};

}  // namespace e14
