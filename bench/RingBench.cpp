// Times the two ways of taking frames from the ring (GetData into the host's
// buffer, InputData into a new host array) against a plain memcpy of the
// same bytes from the same ring memory, and against a well-known
// lock-free single-producer queue moving the same samples, all measured in
// the same run; prints memcpy's speed and the others' ratios to it (1.0 = as
// fast as memcpy). The contenders run in turns, several rounds, and each
// keeps its best round, so that a busy machine slows them alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <boost/lockfree/spsc_queue.hpp>

#include "bench/StepTimer.h"
#include "driver/mTypes3.h"

namespace {

using e14::bench::BestTimePerStep;
constexpr std::chrono::milliseconds kSpan(100);
constexpr int kRounds = 5;
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

  const std::vector<int16_t> table{0, 1, 2, 3};
  std::printf("%8s %7s %9s %9s %9s %9s %7s\n", "take", "memcpy", "TakeData", "InputData", "InputData", "InputData",
              "spsc");
  std::printf("%8s %7s %9s %9s %9s %9s %7s\n", "", "GB/s", "", "kept", "freed", "reused", "");
  for (size_t bytes = 1024; bytes <= (size_t{4} << 20); bytes *= 4) {
    const int32_t frames = static_cast<int32_t>(bytes / frameBytes);
    const int32_t blocks = kRingFrames / frames;
    auto slot = [&](int64_t step) { return static_cast<int32_t>(step % blocks) * frames + 1; };
    auto publish = [&](int64_t step) {
      const int32_t first = slot(step);
      ring.ReserveBlock(first, frames);
      ring.PublishBlock(first, frames);
    };
    // InputData hands the host a new array per take, filled without being
    // cleared first, as the COM face fills the host's SAFEARRAY. Who pays
    // for that array depends on the host: a script host keeps its previous
    // array until the new one is assigned ("kept"), a client that frees each
    // array before its next take lets the allocator reuse it ("freed"), and
    // "reused" is the ring's own cost with the allocator out of the picture.
    std::unique_ptr<int16_t[]> array;
    const auto keptArray = [&array](int32_t channels, int32_t arrayFrames) {
      array.reset(new int16_t[static_cast<size_t>(channels) * static_cast<size_t>(arrayFrames)]);
      return array.get();
    };
    const auto freedArray = [&array, &keptArray](int32_t channels, int32_t arrayFrames) {
      array.reset();
      return keptArray(channels, arrayFrames);
    };
    std::vector<int16_t> reused(host.size() + kChannels);
    const auto reusedArray = [&reused](int32_t, int32_t) { return reused.data(); };
    auto inputData = [&](const e14::FrameArrayMemory& memory) {
      return [&, memory](int64_t step) {
        publish(step);
        if (ring.TakeInputData(table, memory) != frames) std::abort();
      };
    };
    const size_t samples = bytes / sizeof(int16_t);
    const std::vector<std::function<void(int64_t)>> steps{
        [&](int64_t step) {
          const int32_t first = slot(step);
          std::memcpy(host.data(), ring.Data() + static_cast<size_t>(first - 1) * kChannels, bytes);
        },
        [&](int64_t step) {
          publish(step);
          int32_t size = static_cast<int32_t>(host.size()), unread = 0;
          ring.TakeData(host.data(), size, unread);
        },
        inputData(keptArray),
        inputData(freedArray),
        inputData(reusedArray),
        [&](int64_t step) {
          const int32_t first = slot(step);
          queue.push(ring.Data() + static_cast<size_t>(first - 1) * kChannels, samples);
          if (queue.pop(host.data(), samples) != samples) std::abort();
        },
    };
    const std::vector<double> best = BestTimePerStep(steps, kSpan, kRounds, 16);
    std::printf("%6zu K %7.2f", bytes / 1024, static_cast<double>(bytes) / 1e9 / best[0]);
    for (size_t i = 1; i < best.size(); ++i) std::printf(" %8.2fx", best[0] / best[i]);
    std::printf("\n");
  }
  return 0;
}
