// Module memory, the ADC's conversion of input signals, and the DAC and TTL
// outputs looped back to the inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>

#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"
#include "tests/sim/WireClient.h"

namespace e14::simtest {
namespace {

// Channel codes: input, single-ended bit, range.
constexpr uint32_t SingleEnded(uint32_t input, uint32_t range = 0) { return input + 32 + 64 * range; }
constexpr uint32_t Differential(uint32_t input, uint32_t range = 0) { return input + 64 * range; }

class Io : public testing::Test {
 protected:
  void Open(const std::string& json) {
    Configure(json);
    device_ = std::make_unique<Interface>(library_);
    ASSERT_TRUE(device_->Open(0)) << device_->LastError();
    client_ = std::make_unique<WireClient>(device_->Handle());
  }

  int16_t Sample(uint32_t code) {
    int16_t sample = 0;
    EXPECT_TRUE(device_->AdcSample(code, sample));
    return sample;
  }

  // `count` stream samples of one channel, unpaced.
  std::vector<int16_t> Record(uint32_t code, double adcKHz, uint32_t count) {
    SimSetUnpaced(1);
    AdcParams params = Params({static_cast<uint16_t>(code)}, adcKHz, 1 / adcKHz);
    EXPECT_TRUE(device_->SetAdcParams(params));
    EXPECT_TRUE(device_->StartAdc());
    client_->Read(1, count * 2);
    auto reply = client_->Next(2000);
    device_->StopAdc();
    return reply ? reply->Samples() : std::vector<int16_t>{};
  }

  const SlotMap& Slots() const { return library_.Slots(); }

  VendorLibrary library_{"LUsbApiU"};
  std::unique_ptr<Interface> device_;
  std::unique_ptr<WireClient> client_;
};

TEST_F(Io, MemoryHoldsFirmwareTtlWordAndDacBlock) {
  Open(R"({"modules": [{"slot": 0, "firmware": "3.12"}]})");
  WireReply firmware = client_->MemoryRead(kFirmwareAddress, 2);
  EXPECT_EQ(firmware.Header.status, 0u);
  EXPECT_EQ(firmware.Payload, (std::vector<uint8_t>{12, 3}));

  device_->Call(Slots().TtlOut, 0xBEEFu);
  EXPECT_EQ(client_->MemoryRead(kTtlOutAddress, 2).Payload, (std::vector<uint8_t>{0xEF, 0xBE}));
  EXPECT_EQ(client_->MemoryWrite(kTtlOutAddress, {0x34, 0x12}).Header.status, 0u);
  EXPECT_EQ(SimTtlOut(0), 0x1234);

  DacParamBlock block{};
  block.RateDivisor = 199;
  block.Control = 17;
  block.Points = 1000;
  block.Code1 = 0xFFFF;
  auto* bytes = reinterpret_cast<uint8_t*>(&block);
  ASSERT_EQ(device_->Call(Slots().PutMemory, bytes, uint32_t{sizeof block}, uint32_t{kDacParamAddress}), 1u);
  DacParamBlock seen{};
  ASSERT_EQ(SimDacParamBlock(0, &seen), 1);
  EXPECT_EQ(std::memcmp(&seen, &block, sizeof block), 0);
  EXPECT_EQ(client_->MemoryRead(kDacParamAddress, sizeof block).Payload,
            std::vector<uint8_t>(bytes, bytes + sizeof block));

  EXPECT_EQ(client_->MemoryRead(0xFFFF, 2).Header.status, 87u);
  EXPECT_EQ(device_->Call(Slots().PutMemory, bytes, 2u, 0x10000u), 0u);
  uint8_t peek[2] = {};
  EXPECT_EQ(SimReadMemory(0, kFirmwareAddress, peek, 2), 1);
  EXPECT_EQ(peek[1], 3);
}

TEST_F(Io, InputsFollowRangeAndCalibration) {
  Open(R"({"modules": [{"slot": 0, "adcGain": [1.0, 1.02, 0.98, 1.0], "adcOffset": [0, 5, -3, 0],
    "inputs": {"X1": {"type": "dc", "value": 1.0}, "X2": {"type": "dc", "value": -20},
               "XY1": {"type": "dc", "value": 0.5}, "Y16": {"type": "dc", "value": -0.25}}}]})");
  EXPECT_EQ(Sample(SingleEnded(0, 0)), 800);
  EXPECT_EQ(Sample(SingleEnded(0, 1)), 3132);  // 3200 / 1.02 - 5
  EXPECT_EQ(Sample(SingleEnded(0, 2)), 8191);  // clamped
  EXPECT_EQ(Sample(SingleEnded(1, 0)), -8192);
  EXPECT_EQ(Sample(Differential(0, 0)), 400);
  EXPECT_EQ(Sample(SingleEnded(31, 1)), -789);  // -0.25 * 3200 / 1.02 - 5
  EXPECT_EQ(Sample(Differential(16, 1)), -5) << "zero calibration reads 0 V";
  EXPECT_EQ(Sample(Differential(31, 2)), 3);

  // The driver's conversion gives the signal back within one code.
  const double scale = 3200 / 1.02;
  EXPECT_NEAR(5 / scale + 3132 / scale, 1.0, 1 / scale);
}

TEST_F(Io, SingleSamplesCountInThePattern) {
  Open(R"({"modules": [{"slot": 0}]})");
  EXPECT_EQ(Sample(SingleEnded(3)), Pattern(0, 3));
  EXPECT_EQ(Sample(Differential(9, 2)), Pattern(1, 9));
}

TEST_F(Io, WaveformsComeFromTheSampleCounter) {
  Open(R"({"modules": [{"slot": 0, "inputs": {
    "X3": {"type": "ramp", "from": -1, "to": 1, "period": 0.01},
    "X4": {"type": "sine", "amplitude": 2, "frequency": 250},
    "X5": {"type": "noise", "amplitude": 1, "seed": 7},
    "X6": {"type": "noise", "amplitude": 1, "seed": 8}}}]})");
  const std::vector<int16_t> ramp = Record(SingleEnded(2), 1, 20);
  ASSERT_EQ(ramp.size(), 20u);
  for (int k = 0; k < 20; ++k)
    EXPECT_EQ(ramp[static_cast<size_t>(k)], std::lround((-1 + 0.2 * (k % 10)) * 800)) << k;

  EXPECT_EQ(Record(SingleEnded(3), 1, 8), (std::vector<int16_t>{0, 1600, 0, -1600, 0, 1600, 0, -1600}));

  const std::vector<int16_t> noise = Record(SingleEnded(4), 100, 1000);
  ASSERT_EQ(noise.size(), 1000u);
  for (int16_t code : noise) ASSERT_LE(std::abs(code), 800);
  EXPECT_GT(std::set<int16_t>(noise.begin(), noise.end()).size(), 500u);
  EXPECT_EQ(Record(SingleEnded(4), 100, 1000), noise) << "a seed repeats its noise";
  EXPECT_NE(Record(SingleEnded(5), 100, 1000), noise);
}

TEST_F(Io, DacCodesLoopBackToInputs) {
  Open(R"({"modules": [{"slot": 0, "dacOffset": [10, 0], "dacGain": [1, 1.25], "adcGain": [1, 1, 1, 1],
    "inputs": {"X1": {"type": "dac", "channel": 0}, "X2": {"type": "dac", "channel": 1}}}]})");
  // The module undoes the calibration the driver applied: (v + d) * g.
  int16_t code0 = 13107 + 10;
  int16_t code1 = static_cast<int16_t>(std::lround(-3277 * 1.25));
  ASSERT_EQ(device_->Call(Slots().DacSamples, &code0, &code1), 1u);
  EXPECT_EQ(Sample(SingleEnded(0)), 1600);        // 13107 / 6553.4 V
  EXPECT_EQ(Sample(SingleEnded(1, 1)), -1600);    // -3277 / 6553.4 V on the 2.5 V range
}

TEST_F(Io, RevisionADacIsTwelveBits) {
  Open(R"({"modules": [{"slot": 0, "revision": "A", "library": "both",
    "inputs": {"X1": {"type": "dac", "channel": 1}}}]})");
  int16_t code = 819;
  ASSERT_EQ(device_->Call(Slots().DacSample, &code, 1u), 1u);
  EXPECT_EQ(Sample(SingleEnded(0)), 1600);  // 819 / 409.6 V
  code = 3000;
  device_->Call(Slots().DacSample, &code, 1u);
  EXPECT_EQ(SimDacCode(0, 1), 2047);
  EXPECT_EQ(device_->Call(Slots().StartDac), 0u);
  EXPECT_EQ(device_->LastError(), "The module cannot stream DAC data");
}

TEST_F(Io, StreamedWaveformReplaysAtTheBlockRate) {
  Open(R"({"modules": [{"slot": 0, "inputs": {"X1": {"type": "dac", "channel": 0},
                                              "X2": {"type": "dac", "channel": 1}}}]})");
  EXPECT_EQ(device_->Call(Slots().StartDac), 0u) << "nothing uploaded yet";
  DacParamBlock block{};
  block.RateDivisor = 199;  // 1 kHz
  block.Points = 8;
  ASSERT_EQ(device_->Call(Slots().PutMemory, reinterpret_cast<uint8_t*>(&block), uint32_t{sizeof block},
                          uint32_t{kDacParamAddress}), 1u);
  // Eight points, rounded up to sixteen as the driver sends them.
  std::vector<uint16_t> words(32, 0);
  for (uint16_t k = 0; k < 8; ++k) {
    words[2 * k] = static_cast<uint16_t>(k * 4096);
    words[2 * k + 1] = static_cast<uint16_t>(-k * 4096);
  }
  IoRequest64 request{};
  request.Request.Buffer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(words.data()));
  request.Request.Words = 32;
  request.Buffer64 = reinterpret_cast<uintptr_t>(words.data());
  ASSERT_EQ(device_->Call(Slots().WriteDacData, &request.Request), 1u);
  ASSERT_EQ(device_->Call(Slots().StartDac), 1u);
  std::vector<uint16_t> uploaded(64);
  EXPECT_EQ(SimDacWaveform(0, uploaded.data(), 64), 32u);
  EXPECT_TRUE(std::equal(words.begin(), words.end(), uploaded.begin()));

  const std::vector<int16_t> channel0 = Record(SingleEnded(0), 1, 24);
  ASSERT_EQ(channel0.size(), 24u);
  for (size_t k = 0; k < channel0.size(); ++k) EXPECT_EQ(channel0[k], 500 * static_cast<int>(k % 8)) << k;
  // At 2 kHz each point is seen twice.
  const std::vector<int16_t> channel1 = Record(SingleEnded(1), 2, 8);
  EXPECT_EQ(channel1, (std::vector<int16_t>{0, 0, -500, -500, -1000, -1000, -1500, -1500}));

  device_->Call(Slots().StopDac);
  EXPECT_EQ(Sample(SingleEnded(0)), 0) << "stopped, the output holds the last written code";

  // A new block announces a new waveform: the next upload replaces the old.
  ASSERT_EQ(device_->Call(Slots().PutMemory, reinterpret_cast<uint8_t*>(&block), uint32_t{sizeof block},
                          uint32_t{kDacParamAddress}), 1u);
  request.Request.Words = 4;
  ASSERT_EQ(device_->Call(Slots().WriteDacData, &request.Request), 1u);
  EXPECT_EQ(SimDacWaveform(0, nullptr, 0), 4u);
}

TEST_F(Io, TtlOutputsLoopBackOnceEnabled) {
  Open(R"({"modules": [{"slot": 0, "ttlLoopback": true,
    "inputs": {"XY3": {"type": "ttl", "bit": 2}, "X7": {"type": "ttl", "bit": 15, "high": 2.5}}}]})");
  device_->Call(Slots().TtlOut, 0x8004u);
  uint16_t in = 0xFFFF;
  ASSERT_EQ(device_->Call(Slots().TtlIn, &in), 1u);
  EXPECT_EQ(in, 0u) << "outputs not enabled";
  EXPECT_EQ(Sample(Differential(2)), 0);

  ASSERT_EQ(device_->Call(Slots().EnableTtlOut, 1u), 1u);
  ASSERT_EQ(device_->Call(Slots().TtlIn, &in), 1u);
  EXPECT_EQ(in, 0x8004u);
  EXPECT_EQ(Sample(Differential(2)), 4000);
  EXPECT_EQ(Sample(SingleEnded(6)), 2000);
  device_->Call(Slots().TtlOut, 0x0000u);
  EXPECT_EQ(Sample(Differential(2)), 0);

  device_->Close();
  ASSERT_TRUE(device_->Open(0));
  EXPECT_EQ(SimTtlOutEnabled(0), 0) << "a new open starts with the outputs disabled";
}

}  // namespace
}  // namespace e14::simtest
