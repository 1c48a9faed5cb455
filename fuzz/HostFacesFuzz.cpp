// A host driving one driver object through its faces with arbitrary calls
// and arguments, against the simulated modules running unpaced (every
// sample due at once, so recordings overflow at will). Each input runs on a
// fresh host thread, with its own driver state, and ends with the recording
// stopped, so inputs do not depend on each other. After every call the
// ring's positions lie within it; GetData writes nothing past what it
// reports; every frame taken of the test pattern is whole and follows the
// one before unless frames were lost in between; once nothing records, every
// delivered frame was taken, is unread, or was dropped or discarded.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "backend/DeviceBackend.h"
#include "driver/E14_140.h"
#include "driver/mE14_x40.h"
#include "fuzz/Check.h"
#include "fuzz/PrivateConfigHome.h"
#include "platform/HostThread.h"
#include "sim/SimControl.h"

namespace e14::fuzz {
namespace {

// The worlds an input may choose: the default module (revision B, second
// library), a revision A module both libraries see, revision B through the
// first library, and no module at all.
const char* const kWorlds[] = {
    "{}",
    R"({"modules": [{"library": "both", "revision": "A"}]})",
    R"({"modules": [{"library": "LUsbApi3"}]})",
    R"({"modules": []})",
};
constexpr int kMaxCalls = 64;
constexpr int16_t kTableLimit = 140;  // a little past the 128 entries the driver takes
constexpr int32_t kLargestBuffer = 1 << 20;
constexpr int kLongestPumpMs = 16;  // past the slow mode's 10 ms timer
constexpr int16_t kGuardWord = 0x5A5A;
constexpr size_t kGuardWords = 16;

const FrameRing& Ring() { return State().AdcInput.Ring; }

// 1 <= ReadPos <= AllocKadrs once allocated, 0 <= WritePos, CountKadrs <=
// AllocKadrs; before any allocation the reset positions.
void CheckRing() {
  const FrameRing& ring = Ring();
  const int32_t alloc = ring.AllocKadrs(), read = ring.ReadPos(), write = ring.WritePos(), count = ring.CountKadrs();
  E14_FUZZ_CHECK(alloc != 0 || (read == 1 && write == 0 && count == 0));
  E14_FUZZ_CHECK(alloc == 0 || (alloc > 0 && ring.AllocChannels() >= 1 && read >= 1 && read <= alloc && write >= 0 &&
                                write <= alloc && count >= 0 && count <= alloc));
}

class HostCalls {
 public:
  HostCalls(E14_140& driver, FuzzedDataProvider& input) : driver_(driver), in_(input) {}

  // One call chosen by the input, then the ring's invariants.
  void Next() {
    using H = HostCalls;
    static constexpr void (H::*kCalls[])() = {
        &H::InputChannels, &H::ChannelRange, &H::Rate,        &H::InputSizeData, &H::GetData,
        &H::InputData,     &H::GetKadr,      &H::GetChannel,  &H::AnalogOutput,  &H::DigitalIo,
        &H::StartRecord,   &H::StopRecord,   &H::Test,        &H::CheckAccounting, &H::ProcessMessages};
    (this->*kCalls[in_.ConsumeIntegralInRange<size_t>(0, std::size(kCalls) - 1)])();
    CheckRing();
  }

  void Finish() {
    StopRecord();
    CheckRing();
  }

 private:
  // Mostly a value from `low` to `high`, sometimes any.
  template <typename T>
  T Near(T low, T high) {
    return in_.ConsumeBool() ? in_.ConsumeIntegralInRange<T>(low, high) : in_.ConsumeIntegral<T>();
  }
  template <typename T, size_t N>
  T OneOf(const T (&values)[N]) {
    return values[in_.ConsumeIntegralInRange<size_t>(0, N - 1)];
  }
  int16_t AnyIndex() { return Near<int16_t>(-2, 33); }

  void GetKadr() { driver_.IADC3_GetKadr(); }
  void GetChannel() { driver_.IADC3_GetChannel(AnyIndex()); }
  void Test() { driver_.IADC3_Test(); }
  void ChannelRange() {
    const int16_t index = AnyIndex();
    driver_.IADC3_ChannelRange(index, Near<int16_t>(-1, 4));
  }
  int64_t Lost() {
    const StreamCounterValues c = driver_.RecordingCounters();
    return c.FramesDropped + c.FramesDiscarded + c.Restarts;
  }

  void InputChannels() {
    const auto length = in_.ConsumeIntegralInRange<int16_t>(0, kTableLimit);
    std::vector<int16_t> table;
    for (int16_t i = 0; i < length; ++i) table.push_back(Near<int16_t>(0, 31));
    driver_.IADC3_InputChannels(table);
  }

  void Rate() {
    constexpr float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(), 0.0f, -1000.0f, 0.5f, 1e-30f, 100.0f,
                                  10000.0f, 200000.0f, 400000.0f};
    driver_.IADC3_Rate(in_.ConsumeBool() ? OneOf(kSpecial) : in_.ConsumeFloatingPoint<float>());
  }

  void InputSizeData() {
    constexpr int32_t kSpecial[] = {std::numeric_limits<int32_t>::min(), -1, 0, 1, 1023, 1024, 4096, 65536,
                                    1 << 26, (1 << 26) + 1, std::numeric_limits<int32_t>::max()};
    driver_.IADC3_InputSizeData(in_.ConsumeBool() ? OneOf(kSpecial) : in_.ConsumeIntegral<int32_t>());
  }

  // The host's buffer lies between guard words, which must stay untouched
  // past the samples GetData reports.
  void GetData() {
    int32_t size = 0;
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 0: size = in_.ConsumeIntegralInRange(-3, 3); break;
      case 1: size = in_.ConsumeIntegral<int32_t>() | std::numeric_limits<int32_t>::min(); break;
      case 2: size = in_.ConsumeIntegralInRange(0, 4 * 128 + 1); break;
      default: size = in_.ConsumeIntegralInRange(0, kLargestBuffer); break;
    }
    const bool nullBuffer = in_.ConsumeIntegralInRange(0, 15) == 0;
    std::vector<int16_t> words(static_cast<size_t>(std::max(size, 0)) + 2 * kGuardWords, kGuardWord);
    int16_t* data = nullBuffer ? nullptr : words.data() + kGuardWords;
    const int32_t asked = size;
    int32_t unread = -1;
    const int64_t lostBefore = Lost();
    const int32_t frames = driver_.IADC3_GetData(data, size, unread);
    const int64_t lostAfter = Lost();
    const int32_t channels = Ring().AllocChannels();
    E14_FUZZ_CHECK(frames >= 0 && size == frames * channels && size <= std::max(asked, 0));
    E14_FUZZ_CHECK(data != nullptr || frames == 0);
    const auto untouched = [](int16_t w) { return w == kGuardWord; };
    E14_FUZZ_CHECK(std::all_of(words.begin(), words.begin() + kGuardWords, untouched));
    E14_FUZZ_CHECK(std::all_of(words.begin() + static_cast<std::ptrdiff_t>(kGuardWords) + size, words.end(), untouched));
    if (frames > 0) Taken(data, frames, channels, lostBefore, lostAfter);
  }

  void InputData() {
    const int64_t lostBefore = Lost();
    const FrameArray array = driver_.IADC3_InputData();
    const int64_t lostAfter = Lost();
    E14_FUZZ_CHECK(array.Frames >= 1 && array.Samples.size() == static_cast<size_t>(array.Channels) * array.Frames);
    if (array.Frames > 1)
      Taken(array.Samples.data() + array.Channels, array.Frames - 1, array.Channels, lostBefore, lostAfter);
  }

  void AnalogOutput() {
    const int16_t index = AnyIndex();
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 0: driver_.IDAO_Value(index, in_.ConsumeIntegral<int32_t>()); break;
      case 1:
        driver_.IDAO_ValueReal(index, in_.ConsumeBool() ? std::bit_cast<double>(in_.ConsumeIntegral<uint64_t>())
                                                        : in_.ConsumeFloatingPointInRange(-6.0, 6.0));
        break;
      case 2: SetValues<int32_t, int32_t>(index, &E14_140::IDAO_SetValues); break;
      default: SetValues<double, uint64_t>(index, &E14_140::IDAO_SetValuesReal); break;
    }
  }

  // A count of -1..4 values, in an array one longer than that, as any bits.
  template <typename T, typename Bits>
  void SetValues(int16_t first, int32_t (E14_140::*set)(int16_t, int16_t, T*)) {
    const auto count = in_.ConsumeIntegralInRange<int16_t>(-1, 4);
    std::vector<T> values(static_cast<size_t>(std::max<int16_t>(count, 0)) + 1);
    for (int16_t i = 0; i < count; ++i) values[i] = std::bit_cast<T>(in_.ConsumeIntegral<Bits>());
    (driver_.*set)(first, count, values.data());
  }

  void DigitalIo() {
    const int32_t value = in_.ConsumeIntegral<int32_t>();
    switch (in_.ConsumeIntegralInRange(0, 5)) {
      case 0: driver_.IDIO_DOValue(value); break;
      case 1: driver_.IDIO_DOStartEnabled(in_.ConsumeBool()); break;
      case 2: driver_.IDIO_DOStartValue(value); break;
      case 3: driver_.IDIO_DOStopEnabled(in_.ConsumeBool()); break;
      case 4: driver_.IDIO_DOStopValue(value); break;
      default: driver_.IDIO_DIValue(); break;
    }
  }

  // Frames count from 0 again at a start; only fast recordings carry the
  // pattern (slow mode polls single samples), and positions reading the
  // zero-calibration input (differential 16..31) read 0.
  void StartRecord() {
    const bool wasBusy = driver_.IADC3_Busy();
    if (!driver_.IADC3_StartRecord()) {
      // A start that failed, before or after resetting the ring: the counters
      // no longer describe what was taken since the last start.
      if (!wasBusy) accountable_ = false;
      return;
    }
    const DriverState& s = State();
    zero_.clear();
    for (const int16_t channel : s.AdcInput.ChTable) {
      const int16_t code = s.DeviceInfo.ChannelCodes[channel];
      zero_.push_back((code & 0x20) == 0 && (code & 0x1F) >= 16);
    }
    patterned_ = s.AdcInput.Rate >= 1.0f;
    accountable_ = true;
    taken_ = 0;
    next_ = -1;
    lostBeforeLastTake_ = 0;
  }

  void StopRecord() {
    driver_.IADC3_StopRecord();
    E14_FUZZ_CHECK(!driver_.IADC3_Busy());
    CheckAccounting();
  }

  // One take of `frames` frames: sample c of frame f is ((f mod 2048) << 5) |
  // (c mod 32). `lostBefore` and `lostAfter` are the driver's total of frames
  // dropped or discarded and restarts just before and just after this take.
  void Taken(const int16_t* data, int32_t frames, int32_t channels, int64_t lostBefore, int64_t lostAfter) {
    taken_ += frames;
    if (!patterned_) return;
    // Nothing lost from before the previous take began to after this one
    // ended: the two runs of frames join.
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
      for (int32_t c = 0; c < channels; ++c)
        E14_FUZZ_CHECK(static_cast<uint16_t>(frame[c]) == (zero_[c] ? 0 : ((number << 5) | (c & 0x1F))));
      next_ = (number + 1) & 0x7FF;
    }
  }

  void CheckAccounting() {
    if (!accountable_ || driver_.IADC3_Busy()) return;
    const StreamCounterValues c = driver_.RecordingCounters();
    const int64_t unread = State().AdcInput.Ring.CountAvailableKadrs();
    E14_FUZZ_CHECK(c.FramesDelivered == taken_ + unread + c.FramesDropped + c.FramesDiscarded);
  }

  // The host's message loop runs for a while with its buttons pressed as
  // messages: optionally a restart (stop, a new rate, start) and then a stop,
  // posted to run after `restartIn_` and `stopIn_` rounds of message
  // processing, inside the slow mode's loop when that runs.
  void ProcessMessages() {
    stopIn_ = in_.ConsumeIntegralInRange(1, kLongestPumpMs);
    restartIn_ = in_.ConsumeBool() ? in_.ConsumeIntegralInRange(1, stopIn_) : 0;
    restartRate_ = in_.ConsumeBool() ? 0.5f : 10000.0f;
    platform::PostToThread(platform::CurrentThreadId(), [this] { Tick(); });
    while (stopIn_ > 0) {
      platform::ProcessPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  void Tick() {
    if (restartIn_ > 0 && --restartIn_ == 0) {
      StopRecord();
      driver_.IADC3_Rate(restartRate_);
      StartRecord();
    }
    if (--stopIn_ > 0) return platform::PostToThread(platform::CurrentThreadId(), [this] { Tick(); });
    StopRecord();
  }

  E14_140& driver_;
  FuzzedDataProvider& in_;
  bool patterned_ = false, accountable_ = false;
  std::vector<bool> zero_;
  int64_t taken_ = 0, lostBeforeLastTake_ = 0;
  int next_ = -1;  // number the next frame must carry; -1 when unknown
  int restartIn_ = 0, stopIn_ = 0;
  float restartRate_ = 0.0f;
};

}  // namespace
}  // namespace e14::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  e14::fuzz::UsePrivateConfigHome();
  e14::InstallDeviceBackends();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  e14::fuzz::ClearStore();
  const char* world = e14::fuzz::kWorlds[input.ConsumeIntegralInRange<size_t>(0, std::size(e14::fuzz::kWorlds) - 1)];
  E14_FUZZ_CHECK(SimConfigure(world) == 1);
  SimSetUnpaced(1);
  std::thread host([&input] {
    e14::E14_140 driver;
    e14::fuzz::HostCalls calls(driver, input);
    for (int i = 0; i < e14::fuzz::kMaxCalls && input.remaining_bytes() > 0; ++i) calls.Next();
    calls.Finish();
  });
  host.join();
  return 0;
}
