#include "fuzz/RingChecks.h"

#include <algorithm>

#include "fuzz/Check.h"

namespace e14::fuzz {

void CheckRing(const FrameRing& ring) {
  const int32_t alloc = ring.AllocKadrs();
  const int32_t read = ring.ReadPos();
  const int32_t write = ring.WritePos();
  const int32_t count = ring.CountKadrs();
  E14_FUZZ_CHECK(alloc >= 0);
  if (alloc == 0) {
    E14_FUZZ_CHECK(read == 1 && write == 0 && count == 0);
    return;
  }
  E14_FUZZ_CHECK(ring.AllocChannels() >= 1);
  E14_FUZZ_CHECK(read >= 1 && read <= alloc);
  E14_FUZZ_CHECK(write >= 0 && write <= alloc);
  E14_FUZZ_CHECK(count >= 0 && count <= alloc);
}

void FrameTracker::Started(bool patterned, std::vector<bool> zero) {
  patterned_ = patterned;
  zero_ = std::move(zero);
  accountable_ = true;
  taken_ = 0;
  next_ = -1;
  lostBeforeLastTake_ = 0;
}

void FrameTracker::Taken(const int16_t* data, int32_t frames, int32_t channels, int64_t lostBefore,
                         int64_t lostAfter) {
  taken_ += frames;
  if (!patterned_ || frames == 0) return;
  // Nothing lost from before the previous take began to after this one ended:
  // the two runs of frames join.
  if (lostAfter != lostBeforeLastTake_) next_ = -1;
  lostBeforeLastTake_ = lostBefore;
  E14_FUZZ_CHECK(zero_.size() == static_cast<size_t>(channels));
  const auto numbered = std::find(zero_.begin(), zero_.end(), false);
  if (numbered == zero_.end()) return;  // every position reads 0: nothing to follow
  const auto at = numbered - zero_.begin();
  for (int32_t f = 0; f < frames; ++f) {
    const int16_t* frame = data + static_cast<size_t>(f) * channels;
    const int number = (static_cast<uint16_t>(frame[at]) >> 5) & 0x7FF;
    E14_FUZZ_CHECK(next_ < 0 || number == next_);
    for (int32_t c = 0; c < channels; ++c) {
      const auto expected = zero_[c] ? uint16_t{0} : static_cast<uint16_t>((number << 5) | (c & 0x1F));
      E14_FUZZ_CHECK(static_cast<uint16_t>(frame[c]) == expected);
    }
    next_ = (number + 1) & 0x7FF;
  }
}

GuardedBuffer::GuardedBuffer(int32_t size)
    : words_(static_cast<size_t>(std::max(size, 0)) + 2 * kGuard, kFill) {}

bool GuardedBuffer::Intact(int32_t written) const {
  const auto first = words_.begin() + static_cast<std::ptrdiff_t>(kGuard) + std::max(written, 0);
  return std::all_of(words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(kGuard),
                     [](int16_t w) { return w == kFill; }) &&
         std::all_of(first, words_.end(), [](int16_t w) { return w == kFill; });
}

}  // namespace e14::fuzz
