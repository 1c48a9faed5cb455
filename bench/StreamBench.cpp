// Recording figures against the simulated module, each printed beside the
// baseline it is judged by, all measured in the same run:
//   headroom  the highest pace (as a multiple of the module's 200 kS/s) that
//             the worker, the ring and a host taking frames with GetData carry
//             without losing a frame;
//   CPU       process CPU time over wall time while recording at 200 kS/s;
//   latency   from the moment the module had a block's first sample to the
//             moment the host could take it, p50/p99, against the block period;
//   stop      IADC3_StopRecord until the worker is gone;
//   open      IADC3_Test on a fresh driver state.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "backend/DeviceBackend.h"
#include "driver/E14_140.h"
#include "driver/mE14_x40.h"
#include "sim/SimControl.h"

namespace {

using Clock = std::chrono::steady_clock;
using e14::E14_140;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Each measurement runs on its own thread: a fresh driver state, as a new host would have.
template <typename Body>
void Fresh(Body body) {
  std::thread(body).join();
}

struct Run {
  int64_t taken = 0;
  int64_t lost = 0;
  double seconds = 0;
};

// Records for `seconds`, taking frames with GetData every `pollUs`.
Run Record(E14_140& driver, double seconds, int pollUs = 200) {
  Run run;
  std::vector<int16_t> buffer(1 << 20);
  if (!driver.IADC3_StartRecord()) {
    std::fprintf(stderr, "start failed: %s\n", driver.IADC3_LastError().c_str());
    std::exit(1);
  }
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    int32_t size = static_cast<int32_t>(buffer.size()), unread = 0;
    const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
    run.taken += frames;
    if (frames == 0) std::this_thread::sleep_for(std::chrono::microseconds(pollUs));
  }
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  driver.IADC3_StopRecord();
  const auto counters = driver.RecordingCounters();
  run.lost = counters.FramesDropped + counters.FramesDiscarded;
  return run;
}

// A host streaming this fast asks for a ring of 2^21 frames (10 ms at the
// top pace); the default 32768 would fill between two of its polls.
constexpr int32_t kHeadroomRing = 1 << 21;

void Headroom() {
  double best = 0;
  for (double speedUp : {50.0, 100.0, 200.0, 400.0, 600.0, 800.0, 1200.0, 1600.0}) {
    SimSetSpeedUp(speedUp);
    Run run;
    Fresh([&] {
      E14_140 driver;
      driver.IADC3_Test();
      driver.IADC3_InputChannels({0});
      driver.IADC3_Rate(200000.0f);
      driver.IADC3_InputSizeData(kHeadroomRing);
      run = Record(driver, 1.0);
    });
    const double rate = static_cast<double>(run.taken) / run.seconds;
    const bool kept = run.lost == 0 && rate > 0.9 * 200000.0 * speedUp;
    std::printf("  pace %6.0fx: %8.1f MS/s taken, %lld frames lost%s\n", speedUp, rate / 1e6,
                static_cast<long long>(run.lost), kept ? "" : "  <- limit");
    if (!kept) break;
    best = std::max(best, rate);
  }
  SimSetSpeedUp(1.0);
  std::printf("headroom: %.1f MS/s taken without a lost frame = %.0f x the module's 200 kS/s\n", best / 1e6,
              best / 200000.0);
}

void CpuShare(const std::vector<int16_t>& table, float rate, const char* what) {
  Fresh([&] {
    E14_140 driver;
    driver.IADC3_Test();
    driver.IADC3_InputChannels(table);
    driver.IADC3_Rate(rate);
    const double cpu0 = CpuSeconds();
    const Run run = Record(driver, 3.0, 20000);  // a host that looks every 20 ms
    const double cpu = CpuSeconds() - cpu0;
    std::printf("CPU at 200 kS/s, %s: %.2f%% of one core (process, simulator included), %lld lost\n",
                what, 100.0 * cpu / run.seconds, static_cast<long long>(run.lost));
  });
}

void Latency() {
  Fresh([] {
    E14_140 driver;
    driver.IADC3_Test();
    driver.IADC3_InputChannels({0});
    driver.IADC3_Rate(200000.0f);
    if (!driver.IADC3_StartRecord()) std::exit(1);
    const auto* backend = dynamic_cast<const e14::DeviceBackend*>(e14::BackendAt(e14::State().Backend));
    const int32_t block = backend->Engine().KadrsPerRequest();
    const double blockMs = block / 200.0;
    std::vector<int16_t> buffer(1 << 20);
    std::vector<double> latencies;
    int64_t index = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(3)) {
      int32_t size = static_cast<int32_t>(buffer.size()), unread = 0;
      const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
      if (frames > 0) {
        const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
        // The first frame of each block waited longest: measure those.
        for (int64_t f = index; f < index + frames; ++f)
          if (f % block == 0) latencies.push_back(static_cast<double>(now - SimFrameTimeNs(0, static_cast<uint64_t>(f))) / 1e6);
        index += frames;
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    }
    driver.IADC3_StopRecord();
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) return;
    const double p50 = latencies[latencies.size() / 2];
    const double p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    std::printf("latency at 200 kS/s, first sample of a %d-frame block: p50 %.2f ms, p99 %.2f ms = %.2f x the block period (%.2f ms)\n",
                block, p50, p99, p99 / blockMs, blockMs);
  });
}

void StopAndOpen() {
  for (float rate : {10.0f, 1000.0f, 100000.0f, 200000.0f}) {
    Fresh([rate] {
      E14_140 driver;
      driver.IADC3_Test();
      driver.IADC3_InputChannels({0});
      driver.IADC3_Rate(rate);
      driver.IADC3_StartRecord();
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      const auto before = Clock::now();
      driver.IADC3_StopRecord();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
      std::printf("stop at %8.0f Hz: %.3f ms (target under 10 ms)\n", rate, ms);
    });
  }
  Fresh([] {
    E14_140 driver;
    const auto before = Clock::now();
    driver.IADC3_Test();
    std::printf("open (IADC3_Test, 16 slots enumerated on two libraries): %.2f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - before).count());
  });
}

}  // namespace

int main() {
  // Settings of the benchmark's own, never the user's.
  const auto config = std::filesystem::temp_directory_path() / "e14-bench-config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  e14::InstallDeviceBackends();
  if (SimConfigure("{}") != 1) return 1;
  Headroom();
  CpuShare({0}, 200000.0f, "1 channel at 200 kHz");
  CpuShare(std::vector<int16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
           6250.0f, "32 channels at 6250 Hz");
  Latency();
  StopAndOpen();
  std::filesystem::remove_all(config);
  return 0;
}
