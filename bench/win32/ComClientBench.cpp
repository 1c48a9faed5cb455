// The host's own data path through COM, on the target under Wine: an
// early-bound client of the registered driver (the stand-in module beside
// it, 4 channels) takes frames
//   GetData    into its own buffer, in takes of the given size,
//   InputData  as a new SAFEARRAY holding what the ring had (about the
//              given size: the recording is stopped once that much is in),
// each timed against a plain SAFEARRAY of the same size made, filled with
// memcpy from memory of the same size and destroyed, in the same run; then
// records at the module's 200 kS/s taking every frame with GetData and
// prints the process's CPU share (simulated module included).
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "server/Kestrel.h"
#include "sim/SimControl.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr short kChannels = 4;
constexpr float kModuleRate = 50000.0f;  // per channel: the module's 200 kS/s
constexpr char kWorld[] =
    R"({"modules": [{"slot": 0, "serial": "BENCH001", "revision": "B", "firmware": "3.12",
                     "library": "LUsbApiU", "dac": true}]})";

void Check(HRESULT result, const char* what) {
  if (SUCCEEDED(result)) return;
  std::fprintf(stderr, "%s failed: 0x%08lX\n", what, static_cast<unsigned long>(result));
  std::exit(1);
}

double Seconds(Clock::duration span) { return std::chrono::duration<double>(span).count(); }

struct Driver {
  _E14_140* object = nullptr;
  ADCInterface3* adc = nullptr;
  IRecordingCounters* counters = nullptr;

  Driver() {
    Check(CoCreateInstance(CLSID_E14_140, nullptr, CLSCTX_INPROC_SERVER, IID__E14_140,
                           reinterpret_cast<void**>(&object)),
          "CoCreateInstance (is the driver registered?)");
    Check(object->GetADC3(&adc), "GetADC3");
    Check(object->QueryInterface(IID_IRecordingCounters, reinterpret_cast<void**>(&counters)),
          "IRecordingCounters");
    VARIANT_BOOL opened = VARIANT_FALSE;
    Check(adc->Test(&opened), "Test");
    if (opened != VARIANT_TRUE) Check(E_FAIL, "opening the simulated module");
  }
  ~Driver() {
    counters->Release();
    adc->Release();
    object->Release();
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  void Configure(LONG ringSamples) {
    SAFEARRAY* table = SafeArrayCreateVector(VT_I2, 0, kChannels);
    for (LONG c = 0; c < kChannels; ++c) {
      short channel = static_cast<short>(c);
      SafeArrayPutElement(table, &c, &channel);
    }
    Check(adc->put_InputChannels(&table), "InputChannels");
    SafeArrayDestroy(table);
    float rate = kModuleRate;
    Check(adc->put_Rate(&rate), "Rate");
    Check(adc->put_InputSizeData(&ringSamples), "InputSizeData");
  }
  LONG Unread() {
    LONG samples = 0;
    Check(adc->get_InputCountData(&samples), "InputCountData");
    return samples;
  }
  // Records until at least `samples` are unread, then stops; returns the unread samples.
  LONG Fill(LONG samples) {
    VARIANT_BOOL started = VARIANT_FALSE;
    Check(adc->StartRecord(&started), "StartRecord");
    if (started != VARIANT_TRUE) Check(E_FAIL, "starting a recording");
    while (Unread() < samples) std::this_thread::yield();
    Check(adc->StopRecord(), "StopRecord");
    return Unread();
  }
  double Lost() {
    double dropped = 0, discarded = 0;
    Check(counters->get_FramesDropped(&dropped), "FramesDropped");
    Check(counters->get_FramesDiscarded(&discarded), "FramesDiscarded");
    return dropped + discarded;
  }
};

// The least a COM data path costs: a new array of `bytes`, filled and destroyed.
void PlainSafeArrayCopy(const int16_t* source, size_t bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(bytes / sizeof(int16_t)));
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  std::memcpy(data, source, bytes);
  SafeArrayUnaccessData(array);
  SafeArrayDestroy(array);
}

struct Timed {
  double seconds = 0;
  double bytes = 0;
  double GBs() const { return bytes / seconds / 1e9; }
};

void Copies(Driver& driver) {
  constexpr LONG kRingSamples = 4 << 20;  // 8 MiB
  driver.Configure(kRingSamples);
  // Baseline copies come from memory as large as the ring, at the same offsets.
  std::vector<int16_t> source(kRingSamples + (1 << 20), 1);
  std::vector<int16_t> host(kRingSamples);
  std::printf("%8s %14s %14s %14s %14s %11s %11s\n", "take", "SAFEARRAY GB/s", "GetData GB/s", "SAFEARRAY GB/s",
              "InputData GB/s", "GetData", "InputData");
  for (size_t bytes = 16 << 10; bytes <= (size_t{1} << 20); bytes *= 4) {
    const LONG samples = static_cast<LONG>(bytes / sizeof(int16_t));
    Timed getData, getBaseline, input, inputBaseline;
    SimSetSpeedUp(100.0);  // fills the ring 100 times faster than the module would
    for (int fill = 0; fill < 8; ++fill) {
      LONG unread = driver.Fill(kRingSamples / 2);
      for (size_t offset = 0; unread >= samples; unread -= samples, offset += samples) {
        LONG size = samples, left = 0, frames = 0;
        const auto start = Clock::now();
        Check(driver.adc->GetData(host.data(), &size, &left, &frames), "GetData");
        const auto taken = Clock::now();
        PlainSafeArrayCopy(source.data() + offset, static_cast<size_t>(size) * sizeof(int16_t));
        getData.seconds += Seconds(taken - start);
        getBaseline.seconds += Seconds(Clock::now() - taken);
        getData.bytes += static_cast<double>(size) * sizeof(int16_t);
      }
      LONG size = kRingSamples, left = 0, frames = 0;
      Check(driver.adc->GetData(host.data(), &size, &left, &frames), "GetData");  // the rest
    }
    getBaseline.bytes = getData.bytes;
    // InputData takes all there is: blocks of 16 KiB must land slowly enough
    // for the stop to come before many more do.
    SimSetSpeedUp(std::min(100.0, 10.0 * static_cast<double>(bytes >> 14)));
    const int takes = static_cast<int>(std::max<size_t>(16, (size_t{1} << 20) / bytes));
    // Each take comes right after a recording stopped, the baseline's too:
    // whatever the stop leaves cold is cold for both.
    for (int take = 0; take < 2 * takes; ++take) {
      driver.Fill(samples);
      if (take % 2 == 0) {
        const auto start = Clock::now();
        SAFEARRAY* array = nullptr;
        Check(driver.adc->get_InputData(&array), "InputData");
        const size_t arrayBytes = static_cast<size_t>(array->rgsabound[0].cElements) *
                                  array->rgsabound[1].cElements * sizeof(int16_t);
        SafeArrayDestroy(array);
        input.seconds += Seconds(Clock::now() - start);
        input.bytes += static_cast<double>(arrayBytes);
      } else {
        // As much as the ring holds, from memory the cache has not seen lately.
        const size_t arrayBytes = static_cast<size_t>(driver.Unread() + kChannels) * sizeof(int16_t);
        const auto start = Clock::now();
        PlainSafeArrayCopy(source.data() + (static_cast<size_t>(take) * samples) % (kRingSamples / 2), arrayBytes);
        inputBaseline.seconds += Seconds(Clock::now() - start);
        inputBaseline.bytes += static_cast<double>(arrayBytes);
        SAFEARRAY* array = nullptr;
        Check(driver.adc->get_InputData(&array), "InputData");  // empties the ring for the next take
        SafeArrayDestroy(array);
      }
    }
    std::printf("%6zu K %14.2f %14.2f %14.2f %14.2f %10.2fx %10.2fx  (InputData took %.0f K a call)\n",
                bytes >> 10, getBaseline.GBs(), getData.GBs(), inputBaseline.GBs(), input.GBs(),
                getData.GBs() / getBaseline.GBs(), input.GBs() / inputBaseline.GBs(), input.bytes / takes / 1024);
  }
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return value(kernel) + value(user);
}

void CpuShare(Driver& driver) {
  constexpr double kSeconds = 5.0;
  driver.Configure(131072);
  std::vector<int16_t> host(131072);
  double frames = 0;
  VARIANT_BOOL started = VARIANT_FALSE;
  const double cpuStart = CpuSeconds();
  const auto start = Clock::now();
  Check(driver.adc->StartRecord(&started), "StartRecord");
  while (Seconds(Clock::now() - start) < kSeconds) {
    LONG size = static_cast<LONG>(host.size()), left = 0, taken = 0;
    Check(driver.adc->GetData(host.data(), &size, &left, &taken), "GetData");
    frames += taken;
    Sleep(10);
  }
  Check(driver.adc->StopRecord(), "StopRecord");
  const double wall = Seconds(Clock::now() - start);
  const double cpu = CpuSeconds() - cpuStart;
  std::printf("CPU at 200 kS/s through COM, %d channels at %.0f Hz: %.2f%% of one core "
              "(process, simulator included), %.0f frames taken, %.0f lost\n",
              kChannels, kModuleRate, 100.0 * cpu / wall, frames, driver.Lost());
}

}  // namespace

int main() {
  if (FAILED(CoInitialize(nullptr))) return 1;
  if (SimConfigure(kWorld) == 0) {
    std::fprintf(stderr, "simulator: %s\n", SimConfigError());
    return 1;
  }
  {
    Driver driver;
    Copies(driver);
    SimSetSpeedUp(1.0);
    CpuShare(driver);
  }
  CoUninitialize();
  return 0;
}
