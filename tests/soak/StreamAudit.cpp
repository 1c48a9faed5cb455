#include "tests/soak/StreamAudit.h"

namespace e14::testing {

namespace {
int NumberOf(const int16_t* frame) { return (static_cast<uint16_t>(frame[0]) >> 5) & 0x7FF; }
}  // namespace

bool StreamAudit::Whole(const int16_t* frame, int64_t at, std::string& what) const {
  const int number = NumberOf(frame);
  for (int c = 0; c < channels_; ++c) {
    if (static_cast<uint16_t>(frame[c]) != static_cast<uint16_t>((number << 5) | (c & 0x1F))) {
      what = "taken frame " + std::to_string(at) + " is torn at position " + std::to_string(c);
      return false;
    }
  }
  return true;
}

bool StreamAudit::Take(const int16_t* data, int32_t frames, const StreamCounterValues& before,
                       const StreamCounterValues& after, std::string& what) {
  if (frames <= 0) return true;
  const bool countsHeld = before.FramesDropped == after.FramesDropped &&
                          before.FramesDiscarded == after.FramesDiscarded && after.Restarts == 0;
  if (countsHeld) {
    // Frames are numbered from the start of the recording; the pattern keeps 11 bits.
    const int64_t first = taken_ + after.FramesDropped + after.FramesDiscarded;
    if (NumberOf(data) != static_cast<int>(first & 0x7FF)) {
      what = "take at frame " + std::to_string(taken_) + " starts with number " + std::to_string(NumberOf(data)) +
             ", but " + std::to_string(after.FramesDropped) + " dropped and " +
             std::to_string(after.FramesDiscarded) + " discarded frames put it at " + std::to_string(first & 0x7FF);
      return false;
    }
    ++placed_;
    if (after.FramesDropped > droppedAtLastPlace_) ++placedAfterDrops_;
    droppedAtLastPlace_ = after.FramesDropped;
  }
  for (int32_t f = 0; f < frames; ++f) {
    const int16_t* frame = data + static_cast<size_t>(f) * channels_;
    if (!Whole(frame, taken_ + f, what)) return false;
    if (f > 0 && NumberOf(frame) != ((NumberOf(frame - channels_) + 1) & 0x7FF)) {
      what = "taken frame " + std::to_string(taken_ + f) + " does not follow the one before it in its take";
      return false;
    }
  }
  taken_ += frames;
  return true;
}

}  // namespace e14::testing
