#include "fuzz/HostCalls.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "driver/mE14_x40.h"
#include "fuzz/Check.h"
#include "platform/HostThread.h"

namespace e14::fuzz {

namespace {

constexpr int16_t kTableLimit = 140;  // a little past the 128 entries the driver takes
constexpr int32_t kLargestBuffer = 1 << 20;
constexpr int kLongestPumpMs = 16;  // past the slow mode's 10 ms timer

const FrameRing& Ring() { return State().AdcInput.Ring; }

}  // namespace

void HostCalls::Next() {
  switch (in_.ConsumeIntegralInRange(0, 14)) {
    case 0: InputChannels(); break;
    case 1: ChannelRange(); break;
    case 2: Rate(); break;
    case 3: InputSizeData(); break;
    case 4: GetData(); break;
    case 5: InputData(); break;
    case 6: GetKadr(); break;
    case 7: GetChannel(); break;
    case 8: AnalogOutput(); break;
    case 9: DigitalIo(); break;
    case 10: StartRecord(); break;
    case 11: StopRecord(); break;
    case 12: driver_.IADC3_Test(); break;
    case 13: Queries(); break;
    default: ProcessMessages(); break;
  }
  CheckRing(Ring());
}

void HostCalls::Finish() {
  StopRecord();
  CheckRing(Ring());
}

int16_t HostCalls::AnyIndex() {
  return in_.ConsumeBool() ? in_.ConsumeIntegralInRange<int16_t>(-2, 33) : in_.ConsumeIntegral<int16_t>();
}

int64_t HostCalls::Lost() {
  const StreamCounterValues c = driver_.RecordingCounters();
  return c.FramesDropped + c.FramesDiscarded + c.Restarts;
}

void HostCalls::InputChannels() {
  const auto length = in_.ConsumeIntegralInRange<int16_t>(0, kTableLimit);
  std::vector<int16_t> table;
  for (int16_t i = 0; i < length; ++i)
    table.push_back(in_.ConsumeBool() ? in_.ConsumeIntegralInRange<int16_t>(0, 31) : in_.ConsumeIntegral<int16_t>());
  const std::vector<int16_t> before = driver_.IADC3_InputChannels();
  const bool valid = table.size() <= 128 && std::all_of(table.begin(), table.end(),
                                                        [](int16_t c) { return c >= 0 && c < 32; });
  const bool busy = driver_.IADC3_Busy();
  driver_.IADC3_InputChannels(table);
  const std::vector<int16_t> after = driver_.IADC3_InputChannels();
  if (!valid) {
    E14_FUZZ_CHECK(after == before);
  } else if (!busy) {
    E14_FUZZ_CHECK(after == table);
  } else {
    // A recording that ended by itself lets the table in.
    E14_FUZZ_CHECK(after == table || after == before);
  }
  // The count is the table's: an empty table counts none.
  E14_FUZZ_CHECK(driver_.IADC3_InputCountChannels() == static_cast<int16_t>(after.size()));
}

void HostCalls::ChannelRange() {
  const int16_t index = AnyIndex();
  driver_.IADC3_ChannelRange(index, in_.ConsumeBool() ? in_.ConsumeIntegralInRange<int16_t>(-1, 4)
                                                      : in_.ConsumeIntegral<int16_t>());
  const int16_t range = driver_.IADC3_ChannelRange(index);
  E14_FUZZ_CHECK(range >= 0 && range < 4);
  E14_FUZZ_CHECK(std::isfinite(driver_.IADC3_ChannelUnitScale(index)));
  E14_FUZZ_CHECK(std::isfinite(driver_.IADC3_ChannelUnitOffset(index)));
  driver_.IADC3_ChannelName(index);
}

void HostCalls::Rate() {
  constexpr float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                0.0f, -1000.0f, 0.5f, 1e-30f, 100.0f, 10000.0f, 200000.0f, 400000.0f};
  const float rate = in_.ConsumeBool() ? kSpecial[in_.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)]
                                       : in_.ConsumeFloatingPoint<float>();
  driver_.IADC3_Rate(rate);
  const float now = driver_.IADC3_Rate();
  E14_FUZZ_CHECK(std::isfinite(now) && now >= 0.0f);
}

void HostCalls::InputSizeData() {
  constexpr int32_t kSpecial[] = {std::numeric_limits<int32_t>::min(), -1, 0, 1, 1023, 1024, 4096, 65536,
                                  1 << 26, (1 << 26) + 1, std::numeric_limits<int32_t>::max()};
  const int32_t size = in_.ConsumeBool() ? kSpecial[in_.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)]
                                         : in_.ConsumeIntegral<int32_t>();
  driver_.IADC3_InputSizeData(size);
  if (size > (1 << 26)) return;  // refused: nothing is worked out again
  const FrameRing& ring = Ring();
  E14_FUZZ_CHECK(ring.SizeKadrs() >= 1);
  // A table of no channel is sized as one of one channel.
  const int32_t channels = std::max<int32_t>(driver_.IADC3_InputCountChannels(), 1);
  E14_FUZZ_CHECK(driver_.IADC3_InputSizeData() == ring.SizeKadrs() * channels);
  E14_FUZZ_CHECK(driver_.IADC3_InputSizeData() <= (1 << 27));
}

void HostCalls::GetData() {
  int32_t size = 0;
  switch (in_.ConsumeIntegralInRange(0, 3)) {
    case 0: size = in_.ConsumeIntegralInRange(-3, 3); break;
    case 1: size = in_.ConsumeIntegral<int32_t>() | std::numeric_limits<int32_t>::min(); break;
    case 2: size = in_.ConsumeIntegralInRange(0, 4 * 128 + 1); break;
    default: size = in_.ConsumeIntegralInRange(0, kLargestBuffer); break;
  }
  const bool nullBuffer = in_.ConsumeIntegralInRange(0, 15) == 0;
  GuardedBuffer buffer(size);
  int16_t* data = nullBuffer ? nullptr : buffer.Data();
  const int32_t asked = size;
  int32_t unread = -1;
  const int64_t lostBefore = Lost();
  const int32_t frames = driver_.IADC3_GetData(data, size, unread);
  const int64_t lostAfter = Lost();
  const int32_t channels = Ring().AllocChannels();
  E14_FUZZ_CHECK(frames >= 0);
  E14_FUZZ_CHECK(size == frames * channels);
  E14_FUZZ_CHECK(size <= std::max(asked, 0));
  E14_FUZZ_CHECK(data != nullptr || frames == 0);
  E14_FUZZ_CHECK(buffer.Intact(size));
  E14_FUZZ_CHECK(unread >= 0 && unread <= Ring().AllocKadrs() * channels);
  E14_FUZZ_CHECK(channels == 0 || unread % channels == 0);
  if (frames > 0) tracker_.Taken(data, frames, channels, lostBefore, lostAfter);
}

void HostCalls::InputData() {
  const std::vector<int16_t> table = driver_.IADC3_InputChannels();
  const int64_t lostBefore = Lost();
  const FrameArray array = driver_.IADC3_InputData();
  const int64_t lostAfter = Lost();
  E14_FUZZ_CHECK(array.Frames >= 1 && array.Channels >= 0);
  E14_FUZZ_CHECK(array.Samples.size() == static_cast<size_t>(array.Channels) * array.Frames);
  E14_FUZZ_CHECK(array.Frames - 1 <= Ring().AllocKadrs());
  // Frame 0 names the channels the frames were recorded with; before any
  // recording, the table set now.
  const std::vector<int16_t>& names = Ring().AllocChannels() > 0 ? Ring().RecordedTable() : table;
  E14_FUZZ_CHECK(array.Channels == static_cast<int32_t>(names.size()));
  E14_FUZZ_CHECK(std::equal(names.begin(), names.end(), array.Samples.begin()));
  if (array.Frames > 1)
    tracker_.Taken(array.Samples.data() + array.Channels, array.Frames - 1, array.Channels, lostBefore, lostAfter);
}

void HostCalls::GetKadr() {
  const auto frame = driver_.IADC3_GetKadr();
  E14_FUZZ_CHECK(frame.has_value() == (State().Backend != 0));
  if (frame) E14_FUZZ_CHECK(frame->size() <= driver_.IADC3_InputChannels().size());
}

void HostCalls::GetChannel() { driver_.IADC3_GetChannel(AnyIndex()); }

void HostCalls::AnalogOutput() {
  const int16_t index = AnyIndex();
  const int32_t low = driver_.IDAO_ChannelMin(index), high = driver_.IDAO_ChannelMax(index);
  const bool valid = index >= 0 && index < driver_.IDAO_ChannelsCount();
  switch (in_.ConsumeIntegralInRange(0, 3)) {
    case 0:
      driver_.IDAO_Value(index, in_.ConsumeIntegral<int32_t>());
      break;
    case 1:
      driver_.IDAO_ValueReal(index, in_.ConsumeBool() ? std::bit_cast<double>(in_.ConsumeIntegral<uint64_t>())
                                                      : in_.ConsumeFloatingPointInRange(-6.0, 6.0));
      break;
    case 2: {
      const auto count = in_.ConsumeIntegralInRange<int16_t>(-1, 4);
      std::vector<int32_t> values(static_cast<size_t>(std::max<int16_t>(count, 0)) + 1, 0x7EADBEEF);
      for (int16_t i = 0; i < count; ++i) values[i] = in_.ConsumeIntegral<int32_t>();
      const int32_t written = driver_.IDAO_SetValues(index, count, values.data());
      E14_FUZZ_CHECK(written >= 0 && written <= std::max<int16_t>(count, 0));
      E14_FUZZ_CHECK(values.back() == 0x7EADBEEF);
      break;
    }
    default: {
      const auto count = in_.ConsumeIntegralInRange<int16_t>(-1, 4);
      std::vector<double> values(static_cast<size_t>(std::max<int16_t>(count, 0)) + 1, 1234.5);
      for (int16_t i = 0; i < count; ++i) values[i] = std::bit_cast<double>(in_.ConsumeIntegral<uint64_t>());
      const int32_t written = driver_.IDAO_SetValuesReal(index, count, values.data());
      E14_FUZZ_CHECK(written >= 0 && written <= std::max<int16_t>(count, 0));
      E14_FUZZ_CHECK(values.back() == 1234.5);
      break;
    }
  }
  if (valid) {
    const int32_t value = driver_.IDAO_Value(index);
    E14_FUZZ_CHECK(value >= low && value <= high);
    E14_FUZZ_CHECK(std::isfinite(driver_.IDAO_ValueReal(index)));
  } else {
    E14_FUZZ_CHECK(driver_.IDAO_Value(index) == 0);
  }
  driver_.IDAO_ChannelName(index);
}

void HostCalls::DigitalIo() {
  const int32_t value = in_.ConsumeIntegral<int32_t>();
  switch (in_.ConsumeIntegralInRange(0, 5)) {
    case 0: driver_.IDIO_DOValue(value); break;
    case 1: driver_.IDIO_DOStartEnabled(in_.ConsumeBool()); break;
    case 2: driver_.IDIO_DOStartValue(value); break;
    case 3: driver_.IDIO_DOStopEnabled(in_.ConsumeBool()); break;
    case 4: driver_.IDIO_DOStopValue(value); break;
    default: driver_.IDIO_DIValue(); break;
  }
  driver_.IDIO_DOValue();
}

void HostCalls::StartRecord() {
  const bool wasBusy = driver_.IADC3_Busy();
  const bool started = driver_.IADC3_StartRecord();
  if (wasBusy) {
    E14_FUZZ_CHECK(!started);
    return;
  }
  if (!started) {
    tracker_.Unaccountable();
    return;
  }
  const FrameRing& ring = Ring();
  E14_FUZZ_CHECK(ring.AllocKadrs() >= 1 && ring.AllocChannels() == driver_.IADC3_InputCountChannels());
  const DriverState& s = State();
  std::vector<bool> zero;
  for (const int16_t channel : s.AdcInput.ChTable) {
    const int16_t code = s.DeviceInfo.ChannelCodes[channel];
    zero.push_back((code & 0x20) == 0 && (code & 0x1F) >= 16);
  }
  // Slow mode polls single samples, which carry another pattern.
  tracker_.Started(s.AdcInput.Rate >= 1.0f, std::move(zero));
}

void HostCalls::StopRecord() {
  driver_.IADC3_StopRecord();
  E14_FUZZ_CHECK(!driver_.IADC3_Busy());
  CheckAccounting();
}

// Once nothing records, every frame the driver delivered was taken, is
// still unread, or was dropped or discarded.
void HostCalls::CheckAccounting() {
  if (!tracker_.Accountable() || driver_.IADC3_Busy()) return;
  const StreamCounterValues c = driver_.RecordingCounters();
  const int64_t unread = State().AdcInput.Ring.CountAvailableKadrs();
  E14_FUZZ_CHECK(c.FramesDelivered == tracker_.TakenFrames() + unread + c.FramesDropped + c.FramesDiscarded);
}

void HostCalls::Queries() {
  driver_.IADC3_ADCName();
  E14_FUZZ_CHECK(driver_.IADC3_Ranges().size() == 4);
  driver_.IADC3_Detected();
  driver_.IADC3_BasePort();
  driver_.IADC3_LastError();
  E14_FUZZ_CHECK(driver_.IADC3_InputCountKadrs() <= Ring().AllocKadrs());
  E14_FUZZ_CHECK(driver_.IADC3_InputCountData() >= 0);
  const StreamCounterValues c = driver_.RecordingCounters();
  E14_FUZZ_CHECK(c.FramesDelivered >= 0 && c.FramesDropped >= 0 && c.FramesDiscarded >= 0);
  driver_.IDAO_Ranges();
  driver_.IDAO_ChannelUnitScale(0);
  driver_.IDIO_DIOName();
  CheckAccounting();
}

// The host's message loop runs for a while with its buttons pressed as
// messages: optionally a restart (stop, a new rate, start) and then a stop,
// posted to the host thread to run after `restartIn_` and `stopIn_` rounds of
// message processing, inside the slow mode's loop when that runs.
void HostCalls::ProcessMessages() {
  stopIn_ = in_.ConsumeIntegralInRange(1, kLongestPumpMs);
  restartIn_ = in_.ConsumeBool() ? in_.ConsumeIntegralInRange(1, stopIn_) : 0;
  restartRate_ = in_.ConsumeBool() ? 0.5f : 10000.0f;
  platform::PostToThread(platform::CurrentThreadId(), [this] { Tick(); });
  while (stopIn_ > 0) {
    platform::ProcessPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  E14_FUZZ_CHECK(!driver_.IADC3_Busy());
}

void HostCalls::Tick() {
  if (restartIn_ > 0 && --restartIn_ == 0) {
    StopRecord();
    driver_.IADC3_Rate(restartRate_);
    StartRecord();
  }
  if (--stopIn_ > 0) {
    platform::PostToThread(platform::CurrentThreadId(), [this] { Tick(); });
    return;
  }
  StopRecord();
}

}  // namespace e14::fuzz
