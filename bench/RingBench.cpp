// Times the two ways of taking frames from the ring (GetData into the host's
// buffer, InputData into a new host array) against a plain memcpy of the
// same bytes from the same ring memory, and against a well-known
// lock-free single-producer queue moving the same samples, all measured in
// the same run; prints the ratios (speed / memcpy speed; 1.0 = as fast as
// memcpy).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <boost/lockfree/spsc_queue.hpp>

#include "bench/StepTimer.h"
#include "driver/mTypes3.h"

namespace {

using e14::bench::TimePerStep;
constexpr std::chrono::milliseconds kSpan(200);
constexpr int16_t kChannels = 4;
constexpr int32_t kRingFrames = 1 << 20;  // 8 MiB of samples

}  // namespace

int main() {
  e14::FrameRing ring;
  ring.ComputeBufferSize(false, kRingFrames, 0, kChannels);
  std::string error;
  if (!ring.Reset(kChannels, {}, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::vector<int16_t> host(static_cast<size_t>(kRingFrames) * kChannels);
  const size_t frameBytes = kChannels * sizeof(int16_t);

  // Same capacity as the ring; one push and one pop per block, as the
  // acquisition worker and the host would use it.
  boost::lockfree::spsc_queue<int16_t> queue(static_cast<size_t>(kRingFrames) * kChannels);

  std::printf("%10s %12s %14s %14s %12s %10s %10s %10s\n", "take", "memcpy GB/s", "TakeData GB/s",
              "InputData GB/s", "spsc GB/s", "TakeData", "InputData", "spsc");
  for (size_t bytes = 1024; bytes <= (size_t{4} << 20); bytes *= 4) {
    const int32_t frames = static_cast<int32_t>(bytes / frameBytes);
    const int32_t blocks = kRingFrames / frames;
    auto slot = [&](int64_t step) { return static_cast<int32_t>(step % blocks) * frames + 1; };

    const double copy = TimePerStep([&](int64_t step) {
      const int32_t first = slot(step);
      std::memcpy(host.data(), ring.Data() + static_cast<size_t>(first - 1) * kChannels, bytes);
    }, kSpan, 16);
    const double take = TimePerStep([&](int64_t step) {
      const int32_t first = slot(step);
      ring.ReserveBlock(first, frames);
      ring.PublishBlock(first, frames);
      int32_t size = static_cast<int32_t>(host.size()), unread = 0;
      ring.TakeData(host.data(), size, unread);
    }, kSpan, 16);
    const std::vector<int16_t> table{0, 1, 2, 3};
    // As the COM face takes them: a new host array per take, not cleared first.
    std::unique_ptr<int16_t[]> array;
    const auto newArray = [&array](int32_t channels, int32_t arrayFrames) {
      array.reset(new int16_t[static_cast<size_t>(channels) * static_cast<size_t>(arrayFrames)]);
      return array.get();
    };
    const double input = TimePerStep([&](int64_t step) {
      const int32_t first = slot(step);
      ring.ReserveBlock(first, frames);
      ring.PublishBlock(first, frames);
      if (ring.TakeInputData(table, newArray) != frames) std::abort();
    }, kSpan, 16);
    const size_t samples = bytes / sizeof(int16_t);
    const double spsc = TimePerStep([&](int64_t step) {
      const int32_t first = slot(step);
      queue.push(ring.Data() + static_cast<size_t>(first - 1) * kChannels, samples);
      if (queue.pop(host.data(), samples) != samples) std::abort();
    }, kSpan, 16);
    const double gb = static_cast<double>(bytes) / 1e9;
    std::printf("%8zu K %12.2f %14.2f %14.2f %12.2f %9.2fx %9.2fx %9.2fx\n", bytes / 1024, gb / copy, gb / take,
                gb / input, gb / spsc, copy / take, copy / input, copy / spsc);
  }
  return 0;
}
