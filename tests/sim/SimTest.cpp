// The stand-in: the libraries, the modules they see and describe, and the
// JSON configuration of the simulated world; then module memory, the ADC's
// conversion of input signals, the DAC outputs looped back to the inputs,
// and the pace of the sample stream. Its order, completeness, cancel and
// unplug are the end-to-end recordings' to check, through the driver's reads.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "sim/Library.h"
#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"

namespace e14::simtest {
namespace {

using sim::Flavour;

// The main job's world: one revision B module with a DAC on slot 0, seen only
// by LUsbApiU; LUsbApi3 is present, so that the driver tries it first.
TEST(Library, DefaultWorldIsOneRevisionBModuleSeenByLUsbApiU) {
  Configure("{}");
  EXPECT_EQ(std::tuple(sim::LibraryVersion(Flavour::LUsbApi3), sim::LibraryVersion(Flavour::LUsbApiU)),
            std::tuple(0x0003000Cu, 0x00030005u));
  EXPECT_TRUE(Interface(Flavour::LUsbApi3).OpenableSlots().empty());
  Interface device;
  EXPECT_EQ(device.OpenableSlots(), std::vector<uint32_t>{0});
  ASSERT_TRUE(device.Open(0));
  uint8_t record[kMaxDescriptorSize] = {};
  ASSERT_EQ(device.Call(device.Slots().GetModuleDescriptor, record), 1u);
  const DescriptorLayout& layout = kDescriptorLUsbApiU;
  double clock = 0;
  std::memcpy(&clock, record + layout.ClockKHz, sizeof clock);
  EXPECT_EQ(std::tuple(record[layout.Revision], std::string(reinterpret_cast<char*>(record + layout.Firmware)),
                       record[layout.DacPresent], clock),
            std::tuple('B', "3.12", 1, 16000.0));
}

// A library configured missing has version 0 and no interface object; the
// control calls change versions and presence; only "E140" names an
// interface. (The default world's module and its description are the
// end-to-end open tests'.)
TEST(Library, VersionsAndPresenceFollowTheWorld) {
  Configure(R"({"libraries": {"LUsbApi3": {"present": false}, "LUsbApiU": {"version": "4.0"}}})");
  EXPECT_EQ(sim::LibraryVersion(Flavour::LUsbApi3), 0u);
  EXPECT_EQ(sim::CreateInterface(Flavour::LUsbApi3, "E140"), nullptr);
  EXPECT_EQ(sim::LibraryVersion(Flavour::LUsbApiU), 0x00040000u);
  EXPECT_EQ(SimSetLibraryVersion("LUsbApiU", 0x00030003), 1);
  EXPECT_EQ(sim::LibraryVersion(Flavour::LUsbApiU), 0x00030003u);
  EXPECT_EQ(SimSetLibraryPresent("LUsbApi3", 1), 1);
  EXPECT_EQ(sim::LibraryVersion(Flavour::LUsbApi3), 0x0003000Cu);
  EXPECT_EQ(SimSetLibraryVersion("LUsbApi4", 1), 0);
  EXPECT_EQ(SimSetLibraryPresent("LUsbApi4", 1), 0);
  EXPECT_EQ(sim::CreateInterface(Flavour::LUsbApiU, "E440"), nullptr);
  EXPECT_EQ(sim::CreateInterface(Flavour::LUsbApiU, nullptr), nullptr);
}

// Each library opens the modules configured for it, one user at a time;
// faults and a module not open answer with the library's text.
TEST(Library, EachLibrarySeesItsOwnModulesOneUserAtATime) {
  Configure(R"({"modules": [
    {"slot": 2, "library": "LUsbApi3"}, {"slot": 5}, {"slot": 9, "library": "both"}, {"slot": 15, "library": "both"},
    {"slot": 12, "library": "both", "faults": {"unplugged": true}},
    {"slot": 3, "library": "both", "faults": {"openFails": "Device busy"}}]})");
  Interface first, second(Flavour::LUsbApi3);
  EXPECT_EQ(second.OpenableSlots(), (std::vector<uint32_t>{2, 9, 15}));
  EXPECT_EQ(first.OpenableSlots(), (std::vector<uint32_t>{5, 9, 15}));
  SimSetPlugged(12, 1);
  EXPECT_EQ(first.OpenableSlots(), (std::vector<uint32_t>{5, 9, 12, 15}));
  // An open that fails, then the library's text: (opened, text, handle).
  const auto open = [](const Interface& device, uint32_t slot) {
    const bool opened = device.Open(slot);
    return std::tuple(opened, opened ? "" : device.LastError(), device.Handle() >= 0);
  };
  EXPECT_EQ(open(first, 16), std::tuple(false, "No E14-140 module on virtual slot 16", false));
  EXPECT_EQ(open(first, 3), std::tuple(false, "Device busy", false));
  SimFailOpen(3, nullptr);
  EXPECT_EQ(open(first, 3), std::tuple(true, "", true));
  EXPECT_EQ(open(second, 3), std::tuple(false, "The E14-140 module on virtual slot 3 is in use", false));
  first.Close();
  EXPECT_EQ(std::tuple(SimModuleOpen(3), first.Handle(), first.StartAdc()), std::tuple(0, -1, false));
  EXPECT_EQ(first.LastError(), "The module is not open");
  EXPECT_EQ(open(second, 3), std::tuple(true, "", true));
  EXPECT_EQ(SimFailOpen(11, "no module there"), 0);
}

TEST(Library, DescriptorsWithoutDacOrUnreadable) {
  Configure(R"({"modules": [{"slot": 0, "library": "both", "dac": false},
                            {"slot": 1, "library": "both", "faults": {"descriptorFails": true}}]})");
  Interface device;
  const int slot = device.Slots().GetModuleDescriptor;
  uint8_t record[kMaxDescriptorSize];
  EXPECT_EQ(device.Call(slot, record), 0u) << "not open";
  ASSERT_TRUE(device.Open(0));
  std::memset(record, 0xCC, sizeof record);
  ASSERT_EQ(device.Call(slot, record), 1u);
  uint32_t dac = 1;
  std::memcpy(&dac, record + kDescriptorLUsbApiU.DacPresent, sizeof dac);
  EXPECT_EQ(dac, 0u);
  int16_t code = 5;
  EXPECT_EQ(device.Call(device.Slots().DacSample, &code, 0u), 0u);
  EXPECT_EQ(device.LastError(), "The module has no DAC");
  EXPECT_EQ(device.Call(device.Slots().StartDac), 0u);
  EXPECT_EQ(device.LastError(), "The module cannot stream DAC data");

  device.Close();
  ASSERT_TRUE(device.Open(1));
  EXPECT_EQ(device.Call(slot, record), 0u);
  EXPECT_EQ(device.LastError(), "Unable to read the module descriptor");
  SimFailDescriptor(1, 0);
  EXPECT_EQ(device.Call(slot, record), 1u);
}

TEST(Config, RejectsMistakesWithAReasonAndKeepsTheWorld) {
  Configure(R"({"modules": [{"slot": 3}]})");
  const std::pair<const char*, const char*> cases[] = {
      {"{", "parse error"},
      {R"({"modulez": []})", "unknown key \"modulez\""},
      {R"({"modules": [{"slot": 16}]})", "slot must be an integer from 0 to 15"},
      {R"({"modules": [{"slot": 1}, {"slot": 1}]})", "two modules on slot 1"},
      {R"({"modules": [{"inputs": {"X17": {"type": "dc"}}}]})", "unknown input \"X17\""},
      {R"({"modules": [{"inputs": {"X1": {"type": "square"}}}]})", "unknown type \"square\""},
      {R"({"modules": [{"inputs": {"X1": {"type": "dc", "volts": 1}}}]})", "unknown key \"volts\""},
      {R"({"modules": [{"inputs": {"X1": {"type": "dac", "channel": 2}}}]})", "channel"},
      {R"({"modules": [{"library": "LUsbApi4"}]})", "library must be"},
      {R"({"modules": [{"serial": "12345678901234567"}]})", "serial"},
      {R"({"modules": [{"revision": "b"}]})", "revision"},
      {R"({"modules": [{"adcGain": [1, 1, 1]}]})", "adcGain must be an array of 4 numbers"},
      {R"({"libraries": {"LUsbApi3": {"version": "three"}}})", "version"},
      {R"({"speedUp": 0})", "speedUp"},
  };
  for (const auto& [json, reason] : cases) {
    EXPECT_EQ(SimConfigure(json), 0) << json;
    EXPECT_NE(std::string(SimConfigError()).find(reason), std::string::npos) << json << ": " << SimConfigError();
  }
  EXPECT_EQ(Interface().OpenableSlots(), std::vector<uint32_t>{3});
}

// SimConfigure(nullptr) reads the file E140SIM_CONFIG names, or gives the
// default world when it names none.
TEST(Config, NullReadsTheFileNamedByTheEnvironment) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("e140sim-" + std::to_string(getpid()) + ".json")).string();
  std::ofstream(path) << R"({"modules": [{"slot": 7, "library": "LUsbApi3"}]})";
  setenv("E140SIM_CONFIG", path.c_str(), 1);
  ASSERT_EQ(SimConfigure(nullptr), 1) << SimConfigError();
  EXPECT_EQ(Interface(Flavour::LUsbApi3).OpenableSlots(), std::vector<uint32_t>{7});
  std::ofstream(path) << R"({"modules": 5})";
  EXPECT_EQ(SimConfigure(nullptr), 0);
  EXPECT_NE(std::string(SimConfigError()).find(path), std::string::npos) << SimConfigError();
  std::filesystem::remove(path);
  EXPECT_EQ(SimConfigure(nullptr), 0);
  EXPECT_NE(std::string(SimConfigError()).find("cannot read"), std::string::npos);
  unsetenv("E140SIM_CONFIG");
  ASSERT_EQ(SimConfigure(nullptr), 1);
  EXPECT_EQ(Interface().OpenableSlots(), std::vector<uint32_t>{0}) << "the default world";
}

class Io : public OpenModule {
 protected:
  // The samples of one read of `bytes`.
  std::vector<int16_t> Take(uint32_t bytes) {
    const auto reply = Ask(handle_, {wire::Kind::Read, 1, 0, bytes});
    return reply && reply->Header.status == 0 ? reply->Samples() : std::vector<int16_t>{};
  }
  // `count` stream samples of one channel, unpaced.
  std::vector<int16_t> Record(uint32_t code, double adcKHz, uint32_t count) {
    SimSetUnpaced(1);
    Program(Params({static_cast<uint16_t>(code)}, adcKHz, 1 / adcKHz));
    EXPECT_TRUE(device_->StartAdc());
    std::vector<int16_t> samples = Take(count * 2);
    device_->Call(Slots().StopAdc);
    return samples;
  }
  bool Put(const DacParamBlock& block) {
    return device_->Call(Slots().PutMemory, reinterpret_cast<const uint8_t*>(&block), uint32_t{sizeof block},
                         uint32_t{kDacParamAddress}) == 1;
  }
};

// Firmware, the TTL output word and the DAC block through the library's
// slots and through the handle's memory requests, which refuse what lies
// outside module memory.
TEST_F(Io, MemoryHoldsFirmwareTtlWordAndDacBlock) {
  Open(R"({"modules": [{"slot": 0, "firmware": "3.12"}]})");
  // The reply to a memory request: (status, payload).
  const auto memory = [this](wire::Kind kind, uint32_t address, uint32_t count, std::vector<uint8_t> bytes = {}) {
    const auto reply = Ask(handle_, {kind, 77, address, count}, bytes);
    return reply ? std::tuple(reply->Header.status, reply->Payload) : std::tuple(~0u, std::vector<uint8_t>{});
  };
  using wire::Kind;
  EXPECT_EQ(memory(Kind::MemoryRead, kFirmwareAddress, 2), std::tuple(0u, std::vector<uint8_t>{12, 3}));
  device_->Call(Slots().TtlOut, 0xBEEFu);
  EXPECT_EQ(memory(Kind::MemoryRead, kTtlOutAddress, 2), std::tuple(0u, std::vector<uint8_t>{0xEF, 0xBE}));
  EXPECT_EQ(memory(Kind::MemoryWrite, kTtlOutAddress, 2, {0x34, 0x12}), std::tuple(0u, std::vector<uint8_t>{}));
  EXPECT_EQ(SimTtlOut(0), 0x1234);

  DacParamBlock block{};
  std::tie(block.RateDivisor, block.Control, block.Points, block.Code1) = std::tuple(199, 17, 1000, 0xFFFF);
  ASSERT_TRUE(Put(block));
  const auto* bytes = reinterpret_cast<const uint8_t*>(&block);
  EXPECT_EQ(memory(Kind::MemoryRead, kDacParamAddress, sizeof block),
            std::tuple(0u, std::vector<uint8_t>(bytes, bytes + sizeof block)));

  EXPECT_EQ(memory(Kind::MemoryRead, 0xFFFF, 2), std::tuple(87u, std::vector<uint8_t>{}));
  EXPECT_EQ(device_->Call(Slots().PutMemory, bytes, 2u, 0x10000u), 0u);
}

// Codes per range (800 per volt on the widest) after the module's gain and
// offset, clamped to 14 bits; the zero-calibration input reads 0 V; an input
// with no signal carries the count of single samples in the test pattern.
TEST_F(Io, InputsFollowRangeAndCalibration) {
  Open(R"({"modules": [{"slot": 0, "adcGain": [1.0, 1.02, 0.98, 1.0], "adcOffset": [0, 5, -3, 0],
    "inputs": {"X1": {"type": "dc", "value": 1.0}, "X2": {"type": "dc", "value": -20},
               "XY1": {"type": "dc", "value": 0.5}, "Y16": {"type": "dc", "value": -0.25}}}]})");
  const std::pair<uint32_t, int16_t> cases[] = {
      {SingleEnded(0, 0), 800},    {SingleEnded(0, 1), 3132},    // 3200 / 1.02 - 5
      {SingleEnded(0, 2), 8191},   {SingleEnded(1, 0), -8192},   // clamped
      {Differential(0, 0), 400},   {SingleEnded(31, 1), -789},   // -0.25 * 3200 / 1.02 - 5
      {Differential(16, 1), -5},   {Differential(31, 2), 3},     // zero calibration
      {SingleEnded(3), Pattern(8, 3)}, {Differential(9, 2), Pattern(9, 9)},  // single samples 8 and 9
  };
  for (const auto& [code, sample] : cases) EXPECT_EQ(Sample(code), sample) << code;
}

TEST_F(Io, WaveformsComeFromTheSampleCounter) {
  Open(R"({"modules": [{"slot": 0, "inputs": {
    "X3": {"type": "ramp", "from": -1, "to": 1, "period": 0.01},
    "X4": {"type": "sine", "amplitude": 2, "frequency": 250},
    "X5": {"type": "noise", "amplitude": 1, "seed": 7}, "X6": {"type": "noise", "amplitude": 1, "seed": 8}}}]})");
  const std::vector<int16_t> ramp = Record(SingleEnded(2), 1, 20);
  ASSERT_EQ(ramp.size(), 20u);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(ramp[static_cast<size_t>(k)], std::lround((-1 + 0.2 * (k % 10)) * 800)) << k;
  EXPECT_EQ(Record(SingleEnded(3), 1, 8), (std::vector<int16_t>{0, 1600, 0, -1600, 0, 1600, 0, -1600}));
  const std::vector<int16_t> noise = Record(SingleEnded(4), 100, 1000);
  ASSERT_EQ(noise.size(), 1000u);
  for (int16_t code : noise) ASSERT_LE(std::abs(code), 800);
  EXPECT_GT(std::set<int16_t>(noise.begin(), noise.end()).size(), 500u);
  EXPECT_EQ(Record(SingleEnded(4), 100, 1000), noise) << "a seed repeats its noise";
  EXPECT_NE(Record(SingleEnded(5), 100, 1000), noise);
}

// The module undoes the calibration the driver applied to a code, (v + d) *
// g. (Revision A's 12-bit DAC is the end-to-end output tests'.)
TEST_F(Io, DacCodesLoopBackToInputs) {
  Open(R"({"modules": [{"slot": 0, "dacOffset": [10, 0], "dacGain": [1, 1.25], "adcGain": [1, 1, 1, 1],
    "inputs": {"X1": {"type": "dac", "channel": 0}, "X2": {"type": "dac", "channel": 1}}}]})");
  int16_t code0 = 13107 + 10;
  auto code1 = static_cast<int16_t>(std::lround(-3277 * 1.25));
  ASSERT_EQ(device_->Call(Slots().DacSamples, &code0, &code1), 1u);
  EXPECT_EQ(Sample(SingleEnded(0)), 1600);      // 13107 / 6553.4 V
  EXPECT_EQ(Sample(SingleEnded(1, 1)), -1600);  // -3277 / 6553.4 V on the 2.5 V range
}

// TTL outputs loop back to the inputs and to analog inputs wired to a bit
// once enabled; a new open starts with them disabled.
TEST_F(Io, TtlOutputsLoopBackOnceEnabled) {
  Open(R"({"modules": [{"slot": 0, "ttlLoopback": true,
    "inputs": {"XY3": {"type": "ttl", "bit": 2}, "X7": {"type": "ttl", "bit": 15, "high": 2.5}}}]})");
  device_->Call(Slots().TtlOut, 0x8004u);
  uint16_t in = 0xFFFF;
  ASSERT_EQ(device_->Call(Slots().TtlIn, &in), 1u);
  EXPECT_EQ(std::tuple(in, Sample(Differential(2))), std::tuple(0, 0)) << "outputs not enabled";
  ASSERT_EQ(device_->Call(Slots().EnableTtlOut, 1u), 1u);
  ASSERT_EQ(device_->Call(Slots().TtlIn, &in), 1u);
  EXPECT_EQ(std::tuple(in, Sample(Differential(2)), Sample(SingleEnded(6))), std::tuple(0x8004, 4000, 2000));
  device_->Close();
  ASSERT_TRUE(device_->Open(0));
  EXPECT_EQ(SimTtlOutEnabled(0), 0);
}

// An uploaded waveform replays at the block's rate from its start; stopped,
// the output holds; a new block announces a new waveform.
TEST_F(Io, StreamedWaveformReplaysAtTheBlockRate) {
  Open(R"({"modules": [{"slot": 0, "inputs": {"X1": {"type": "dac", "channel": 0},
                                              "X2": {"type": "dac", "channel": 1}}}]})");
  EXPECT_EQ(device_->Call(Slots().StartDac), 0u) << "nothing uploaded yet";
  DacParamBlock block{};
  std::tie(block.RateDivisor, block.Points) = std::tuple(199, 8);  // 1 kHz
  ASSERT_TRUE(Put(block));
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
  EXPECT_EQ(Record(SingleEnded(1), 2, 8), (std::vector<int16_t>{0, 0, -500, -500, -1000, -1000, -1500, -1500}));
  device_->Call(Slots().StopDac);
  EXPECT_EQ(Sample(SingleEnded(0)), 0) << "stopped, the output holds the last written code";

  ASSERT_TRUE(Put(block));
  request.Request.Words = 4;
  ASSERT_EQ(device_->Call(Slots().WriteDacData, &request.Request), 1u);
  EXPECT_EQ(SimDacWaveform(0, nullptr, 0), 4u);
}

// Frames are due on the module's clock, sped up: a frame ends with its last
// sample, a read completes no sooner than its last frame, and the count
// produced follows the clock.
TEST_F(Io, FramesFollowTheModuleClockTimesTheSpeedUp) {
  Open(R"({"modules": [{"slot": 0}]})");
  SimSetSpeedUp(10);
  Program(Params({32, 33, 34}, 4, 0.5));  // a frame every 4 ticks of 4 kHz: 10000 a second
  EXPECT_EQ(SimFrameTimeNs(0, 0), 0) << "before the start";
  const int64_t before = SteadyNowNs();
  ASSERT_TRUE(device_->StartAdc());
  const int64_t after = SteadyNowNs();
  // The last sample of frame 0 comes two ADC periods after the start.
  const int64_t first = SimFrameTimeNs(0, 0);
  EXPECT_GE(first, before + 50000);
  EXPECT_LE(first, after + 50000);
  EXPECT_NEAR(static_cast<double>(SimFrameTimeNs(0, 1000) - first), 1e8, 2.0);
  const std::vector<int16_t> samples = Take(2000 * 3 * 2);
  ASSERT_EQ(samples.size(), 6000u);
  EXPECT_GE(SteadyNowNs(), SimFrameTimeNs(0, 1999));
  EXPECT_EQ(samples.back(), Pattern(1999, 2));
  const int64_t early = SteadyNowNs();
  const uint64_t produced = SimFramesProduced(0);
  const int64_t late = SteadyNowNs();
  EXPECT_GE(static_cast<double>(produced), static_cast<double>(early - after) * 1e-5 - 1);
  EXPECT_LE(static_cast<double>(produced), static_cast<double>(late - before) * 1e-5 + 1);
  SimSetUnpaced(1);
  EXPECT_EQ(SimFrameTimeNs(0, 5000), 0) << "unpaced frames have no time";
}

// Rates come back rounded to the module's 16 MHz clock and its 200 kHz top;
// a refused record leaves the last one.
TEST_F(Io, AdcParametersAreRoundedToTheModuleClock) {
  Open(R"({"modules": [{"slot": 0}]})");
  AdcParams params = Params({32, 33, 34}, 21.05, 0.04);
  ASSERT_TRUE(device_->SetAdcParams(params));
  EXPECT_DOUBLE_EQ(params.AdcRateKHz, 8000000.0 / 380 / 1000);
  EXPECT_DOUBLE_EQ(params.InterKadrDelayMs, 1 / params.AdcRateKHz);
  EXPECT_DOUBLE_EQ(params.KadrRateKHz, params.AdcRateKHz / 3);
  AdcParams fast = Params({32}, 500, 0.001);
  ASSERT_TRUE(device_->SetAdcParams(fast));
  EXPECT_EQ(fast.AdcRateKHz, 200.0);
  AdcParams none = Params({}, 100, 0.01);
  EXPECT_FALSE(device_->SetAdcParams(none));
  EXPECT_EQ(device_->LastError(), "Invalid number of ADC channels: 0");
  AdcParams stored{};
  ASSERT_EQ(SimLastAdcParams(0, &stored), 1);
  EXPECT_EQ(stored.AdcRateKHz, 200.0);
  SimRefuseAdcParams(0, "ADC parameters rejected by the firmware");
  AdcParams refused = Params({32}, 10, 0.1);
  EXPECT_FALSE(device_->SetAdcParams(refused));
  EXPECT_EQ(device_->LastError(), "ADC parameters rejected by the firmware");
  EXPECT_EQ(refused.KadrRateKHz, 0.0);
  SimRefuseAdcParams(0, "");
  EXPECT_TRUE(device_->SetAdcParams(refused));
}

}  // namespace
}  // namespace e14::simtest
