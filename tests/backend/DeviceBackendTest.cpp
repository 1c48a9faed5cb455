// The back-ends over scripted vendor libraries: what they ask of the module
// when opening, and what they make of its answers. The wrappers' members the
// back-ends call (backend/VendorWrapper.h) are all defined here, answered
// from the scripted libraries, so the linker never takes the library's own
// VendorWrapper.cpp and each call the module sees is logged.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>

#include "backend/VendorWrapper.h"
#include "backend/mE140_LDev.h"
#include "backend/mE140_LDevU.h"
#include "driver/DeviceChooser.h"
#include "driver/DriverState.h"
#include "settings/cRegistry.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

// What a module's descriptor says, written at the library's offsets; its
// serial number is FAKE0001, and it has a DAC.
struct FakeModule {
  char revision = 'B';
  std::string firmware = "3.12";  // the second library's text
  std::array<double, 4> adcOffset{}, adcGain{1, 1, 1, 1};
  std::array<double, 2> dacOffset{}, dacGain{1, 1};
};

struct FakeLibrary {
  uint32_t version = 0x00030004;  // major << 16 | minor
  std::map<uint32_t, FakeModule> modules;  // by slot
  std::set<std::string> refused;  // calls that fail: "Descriptor", "GetAdcParams", "StartAdc", ...
  uint32_t firmwareWord = 0;      // module memory's firmware bytes, high byte major
  std::vector<std::string> log;   // "Open 2", "DacSample 1515 0", ...
};

// By name, "LUsbApi3" or "LUsbApiU"; every library starts empty in each test.
std::map<std::string, FakeLibrary> gLibraries;

// Module handles are a base plus the slot: no descriptor the process has open.
constexpr platform::DeviceHandle kHandleBase = 0x100;

FakeLibrary& Of(const VendorWrapper& wrapper) { return gLibraries[wrapper.LibraryName()]; }

// Logs the call with its arguments; false when the script refuses it.
template <typename... Arguments>
bool Answer(const VendorWrapper& wrapper, const char* call, const Arguments&... arguments) {
  std::ostringstream line;
  line << call;
  ((line << ' ' << arguments), ...);
  FakeLibrary& library = Of(wrapper);
  library.log.push_back(line.str());
  return library.refused.count(call) == 0;
}

template <typename T>
void Put(uint8_t* record, size_t offset, T value) {
  std::memcpy(record + offset, &value, sizeof value);
}

void Describe(const DescriptorLayout& at, const FakeModule& m, uint8_t* record) {
  std::fill_n(record, at.Size, 0);
  std::memcpy(record + at.Serial, "FAKE0001", 8);
  record[at.Revision] = static_cast<uint8_t>(m.revision);
  Put(record, at.ClockKHz, 16000.0);
  if (at.Firmware != 0) std::copy_n(m.firmware.begin(), std::min<size_t>(m.firmware.size(), 10), record + at.Firmware);
  for (size_t i = 0; i < 4; ++i) {
    Put(record, at.AdcOffset + 8 * i, m.adcOffset[i]);
    Put(record, at.AdcGain + 8 * i, m.adcGain[i]);
  }
  Put<int32_t>(record, at.DacPresent, 1);
  for (size_t c = 0; c < 2; ++c) {
    Put(record, at.DacOffset + 8 * c, m.dacOffset[c]);
    if (at.DacGain != 0) Put(record, at.DacGain + 8 * c, m.dacGain[c]);
  }
}

}  // namespace

VendorWrapper::VendorWrapper(const std::string& libraryName, const SlotMap& slots, const DescriptorLayout& layout)
    : slots_(slots), libraryName_(libraryName), layout_(layout) {
  libraryMajor_ = static_cast<uint16_t>(Of(*this).version >> 16);
  libraryMinor_ = static_cast<uint16_t>(Of(*this).version & 0xFFFF);
}

VendorWrapper::~VendorWrapper() { CloseDevice(); }

bool VendorWrapper::OpenDevice(uint32_t slot) {
  CloseDevice();
  if (Of(*this).modules.count(slot) == 0 || !Answer(*this, "Open", slot)) return false;
  handle_ = kHandleBase + slot;
  return true;
}

void VendorWrapper::CloseDevice() {
  if (handle_ != platform::kInvalidDevice) Answer(*this, "Close");
  handle_ = platform::kInvalidDevice;
}

std::string VendorWrapper::LibraryErrorText() { return "refused by " + libraryName_; }
bool VendorWrapper::GetAdcParams(AdcParams&) { return Answer(*this, "GetAdcParams"); }
bool VendorWrapper::SetAdcParams(AdcParams&) { return Answer(*this, "SetAdcParams"); }
bool VendorWrapper::StartAdc() { return Answer(*this, "StartAdc"); }
bool VendorWrapper::StopAdc() { return Answer(*this, "StopAdc"); }
bool VendorWrapper::DacSample(int16_t code, uint16_t channel) { return Answer(*this, "DacSample", code, channel); }
uint32_t VendorWrapper::TtlIn() { return Answer(*this, "TtlIn") ? 0x1234 : 0; }
bool VendorWrapper::TtlOut(uint32_t word) { return Answer(*this, "TtlOut", word); }
uint32_t VendorWrapper::TtlOutState() { return Answer(*this, "TtlOutState") ? 0x00A5 : 0; }

// The sample is the channel code, so a test sees which input was read.
bool VendorWrapper::AdcSample(int16_t& sample, uint16_t channelCode) {
  sample = static_cast<int16_t>(channelCode);
  return Answer(*this, "AdcSample", channelCode);
}

bool VendorWrapper::ReadModuleDescriptor(uint8_t* descriptor) {
  if (!Answer(*this, "Descriptor")) return false;
  Describe(layout_, Of(*this).modules.at(static_cast<uint32_t>(handle_ - kHandleBase)), descriptor);
  return true;
}

TLE14140::TLE14140() : VendorWrapper("LUsbApi3", kSlotsLUsbApi3, kDescriptorLUsbApi3) {}
uint32_t TLE14140::FirmwareVersion() { return Answer(*this, "FirmwareVersion") ? Of(*this).firmwareWord : 0; }

TUE14140::TUE14140() : VendorWrapper("LUsbApiU", kSlotsLUsbApiU, kDescriptorLUsbApiU) {}
bool TUE14140::DacSamples(int16_t code0, int16_t code1) { return Answer(*this, "DacSamples", code0, code1); }
bool TUE14140::StartDac() { return Answer(*this, "StartDac"); }
bool TUE14140::StopDac() { return Answer(*this, "StopDac"); }
bool TUE14140::WriteDacData(const int16_t*, uint32_t words) { return Answer(*this, "DacData", words); }
bool TUE14140::WriteDacParams(const DacSettings& s) {
  return Answer(*this, "DacParams", s.RateKHz, s.Points, s.StartCode0, s.StartCode1);
}

namespace {

using testing::InFreshThread;

using Log = std::vector<std::string>;

class DeviceBackends : public ::testing::Test {
 protected:
  void SetUp() override { gLibraries.clear(); }
  void TearDown() override { InstallDeviceChooser(nullptr); }

  static std::unique_ptr<DeviceBackend> Make(int which) {
    if (which == 1) return std::make_unique<mE140_LDev>();
    return std::make_unique<mE140_LDevU>();
  }
  // Back-end 1 or 2, opened on its library's modules.
  static std::unique_ptr<DeviceBackend> Opened(int which) {
    auto backend = Make(which);
    EXPECT_NE(backend->OpenBackend(), 0) << State().AdcLastError;
    return backend;
  }
  static FakeLibrary& LibraryOf(int which) { return gLibraries[which == 1 ? "LUsbApi3" : "LUsbApiU"]; }
};

// Every slot is tried and each module found is described and closed again;
// then the one to use is opened, described, stopped and configured, its own
// settings are loaded and its TTL words are read.
TEST_F(DeviceBackends, OpeningListsEveryModuleThenConfiguresTheChosenOne) {
  struct Case { int backend; std::vector<uint32_t> slots; char revision; Log log; const char* port; int16_t token;
                float rateMax; int32_t ringSize; const char* boardInfo; };
  const Case cases[] = {
      {2, {0}, 'A',
       {"Open 0", "Descriptor", "Close", "Open 0", "Descriptor", "StopAdc", "GetAdcParams", "SetAdcParams", "TtlIn",
        "TtlOutState"},
       "USB1", 0x100, 100000.0f, 131072,
       "Board:\tE140, rev.A, BIOS v3.12\r\nSerial N:\tFAKE0001\r\nMCU:\tATmega8515 (16 MHz)\r\nDAC: \t2 channels"},
      {2, {3, 15}, 'B',
       {"Open 3", "Descriptor", "Close", "Open 15", "Descriptor", "Close", "Open 15", "Descriptor", "StopAdc",
        "GetAdcParams", "SetAdcParams", "StopDac", "TtlIn", "TtlOutState"},
       "USB16", 0x10F, 200000.0f, 262144,
       "Board:\tE140, rev.B, BIOS v3.12\r\nSerial N:\tFAKE0001\r\nMCU:\tAT91SAM7S256 (16 MHz)\r\nDAC: \t2 channels"},
      // Back-end 1 reads the firmware version from module memory, and keeps the default rates on every revision.
      {1, {0}, 'B',
       {"Open 0", "Descriptor", "Close", "Open 0", "Descriptor", "FirmwareVersion", "StopAdc", "GetAdcParams",
        "SetAdcParams", "TtlIn", "TtlOutState"},
       "USB1", 0x100, 100000.0f, 131072,
       "Board:\tE140, rev.B, BIOS v2.7\r\nSerial N:\tFAKE0001\r\nMCU:\tAT91SAM7S256 (16 MHz)\r\nDAC: \t2 channels"},
  };
  InstallDeviceChooser([] { return State().DeviceList.back().Slot; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    gLibraries.clear();
    FakeLibrary& library = LibraryOf(c.backend);
    for (uint32_t slot : c.slots) library.modules[slot].revision = c.revision;
    library.firmwareWord = 0x00020007;  // 2.7
    InFreshThread([&c, &library] {
      DriverState& s = State();
      s.SettingsKeyPath = "Software\\E14BackendTest";
      cRegistry reg;
      ASSERT_TRUE(reg.CreateKey(0x80000001, s.SettingsKeyPath + "\\FAKE0001", ""));
      reg.WriteIntegerAt(0x80000001, s.SettingsKeyPath + "\\FAKE0001", "SynchroInputMode", 2);
      const auto backend = Make(c.backend);
      EXPECT_EQ(backend->OpenBackend(), c.token);
      EXPECT_EQ(library.log, c.log);
      EXPECT_EQ(std::tuple(s.DeviceList.size(), s.DeviceList.back().Port, s.DeviceList.back().Serial),
                std::tuple(c.slots.size(), c.port, "FAKE0001"));
      EXPECT_EQ(s.DeviceInfo.BoardInfo, c.boardInfo);
      EXPECT_EQ(std::tuple(s.DeviceInfo.SynchroInputMode, s.AdcInput.RateMax, s.AdcInput.RequestedSize,
                           s.DioState.DIValue, s.DioState.DOValue),
                std::tuple(2, c.rateMax, c.ringSize, 0x1234, 0x00A5));
    });
  }
}

// Back-end 1 takes any 3.x library, back-end 2 only 3.4 and later; a
// refusal names the version needed and asks nothing of the module.
TEST_F(DeviceBackends, LibrariesOfAnotherVersionAreRefused) {
  const struct { int backend; uint32_t version; const char* needed; } cases[] = {
      {1, 0x00020009, "v.3"}, {1, 0x00040000, "v.3"}, {2, 0x00030003, "v3.4"}, {2, 0x00040004, "v3.4"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    gLibraries.clear();
    LibraryOf(c.backend).version = c.version;
    LibraryOf(c.backend).modules[0] = FakeModule{};
    InFreshThread([&c] {
      EXPECT_EQ(Make(c.backend)->OpenBackend(), 0);
      EXPECT_EQ(State().AdcLastError,
                "Please reinstall E-140 driver (LUsbApi " + std::string(c.needed) + " is required)!");
      EXPECT_EQ(LibraryOf(c.backend).log, Log{});
    });
  }
}

// Gains between 0.5 and 1.5 (both excluded) correct the scale; offsets that
// are numbers shift it. A gain of zero anywhere means no calibration at all.
TEST_F(DeviceBackends, CalibrationCorrectsScalesWithinStrictBoundsUnlessAGainIsZero) {
  const double nan = std::nan("");
  struct Case { std::array<double, 4> gain, offset; std::array<float, 4> scale, unitOffset; };
  const Case cases[] = {
      {{1.02, 0.5, 1.5, 0.9}, {8, -16, 32, nan},
       {static_cast<float>(800 / 1.02), 3200, 12800, static_cast<float>(51200 / 0.9)},
       {static_cast<float>(8 / (800 / 1.02)), -16.0f / 3200, 32.0f / 12800, 0}},
      {{1.02, 1, 0, 1}, {8, 8, 8, 8}, {1, 2, 3, 4}, {5, 6, 7, 8}},
  };
  for (const Case& c : cases) {
    gLibraries.clear();
    gLibraries["LUsbApiU"].modules[0] = {.adcOffset = c.offset, .adcGain = c.gain};
    InFreshThread([&c] {
      AdcInfoRecord& info = State().AdcInfo;
      info.UnitScale = {1, 2, 3, 4};
      info.UnitOffset = {5, 6, 7, 8};
      const auto backend = Opened(2);
      for (int range = 0; range < 4; ++range) {
        EXPECT_FLOAT_EQ(info.UnitScale[range], c.scale[range]) << "range " << range;
        EXPECT_FLOAT_EQ(info.UnitOffset[range], c.unitOffset[range]) << "range " << range;
      }
    });
  }
}

// Back-end 2 reads the firmware version from the descriptor's text;
// waveforms replay from 3.10 on.
TEST_F(DeviceBackends, FirmwareTextGivesTheVersionAndWhetherWaveformsReplay) {
  struct Case { const char* text; int16_t major, minor; bool replays; };
  const Case cases[] = {
      {"3", 3, 0, false},  {"3.9", 3, 9, false}, {"3.10", 3, 10, true},
      {"4", 4, 0, true},   {"", 0, 0, false},     {"99999.1", 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    gLibraries.clear();
    gLibraries["LUsbApiU"].modules[0].firmware = c.text;
    InFreshThread([&c] {
      const auto backend = Opened(2);
      const DriverState& s = State();
      EXPECT_EQ(std::tuple(s.DeviceInfo.FirmwareMajor, s.DeviceInfo.FirmwareMinor, s.DacInfo.RateMax, s.DacInfo.MaxLen),
                std::tuple(c.major, c.minor, c.replays ? 200000.0f : 0.0f, c.replays ? 5120 : 0));
    });
  }
}

// What each back-end sends to the DAC for levels written, a start and a
// stop, with the module's calibration applied. Channel 0 starts constant at
// 150, channel 1 with a sine, which only a waveform replays.
TEST_F(DeviceBackends, DacCodesFollowTheBackEndAndTheRevision) {
  constexpr int kStart = -1, kStop = -2;
  // Steps: a channel and the code written to it, or kStart, or kStop.
  struct Case { const char* name; int backend; char revision; std::array<double, 2> offset, gain;
                std::vector<std::pair<int, int16_t>> steps; Log sent; };
  const Case cases[] = {
      // 12 bits whatever the revision, a zero code added; offsets beyond 100
      // are ignored, and a code already written is not sent again.
      {"back-end 1", 1, 'B', {-100, -100.5}, {1, 1}, {{0, 500}, {0, 500}, {1, 300}, {kStop, 0}, {kStart, 0}},
       {"DacSample 400 0", "DacSample 300 1", "DacSample -100 0", "DacSample 0 1", "DacSample 50 0", "DacSample 0 1"}},
      // Revision A: 12 bits, each channel on its own, calibrated.
      {"back-end 2, revision A", 2, 'A', {10, -20}, {1.5, 1}, {{1, 2048}, {0, 1000}, {kStart, 0}, {kStop, 0}},
       {"DacSample 2028 1", "DacSample 1515 0", "DacSample 240 0", "DacSample -20 1", "DacSample 15 0",
        "DacSample -20 1"}},
      // Later revisions: 16 bits, both channels at once, limited after calibration.
      {"back-end 2, revision B", 2, 'B', {10, -20}, {1.001, 0.999},
       {{0, 1000}, {0, 32767}, {1, -32767}, {0, -32767}, {kStart, 0}, {kStop, 0}},
       {"DacSamples 1011 -20", "DacSamples 32767 -20", "DacSamples 32767 -32754", "DacSamples -32767 -32754",
        "StopDac", "DacSamples 160 -20", "DacSamples 10 -20"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gLibraries.clear();
    LibraryOf(c.backend).modules[0] = {.revision = c.revision, .dacOffset = c.offset, .dacGain = c.gain};
    InFreshThread([&c] {
      const auto backend = Opened(c.backend);
      DacInfoRecord& dac = State().DacInfo;
      dac.Channels[0].Type = 1;
      dac.Channels[0].Amp = 150;
      dac.Channels[1].Type = 3;
      LibraryOf(c.backend).log.clear();
      for (const auto& [channel, code] : c.steps) {
        if (channel == kStart) backend->StartDacOutput();
        if (channel == kStop) backend->StopDacOutput();
        if (channel >= 0) backend->WriteDacValue(static_cast<int16_t>(channel), code);
      }
      EXPECT_EQ(LibraryOf(c.backend).log, c.sent);
    });
  }
}

// From firmware 3.10 on, a waveform replays from whole runs of 128 points;
// a start the library refuses shows its text and leaves the DAC idle.
TEST_F(DeviceBackends, WaveformsReplayFromWholeRunsOf128Points) {
  gLibraries["LUsbApiU"].modules[0].firmware = "3.10";
  InFreshThread([] {
    const auto backend = Opened(2);
    FakeLibrary& library = gLibraries["LUsbApiU"];
    DacInfoRecord& dac = State().DacInfo;
    dac.DevRate = 40000.0f;
    dac.WaveChannels = 1;
    for (const auto& [points, refused, words] : {std::tuple(300, false, "768"), std::tuple(256, true, "512")}) {
      dac.WaveLength = static_cast<int16_t>(points);
      if (refused) library.refused.insert("StartDac");
      library.log.clear();
      backend->StartDacOutput();
      EXPECT_EQ(dac.Busy, !refused);
      backend->StopDacOutput();
      EXPECT_FALSE(dac.Busy);
      EXPECT_EQ(library.log, (Log{"StopDac", "DacParams 40 " + std::to_string(points) + " 0 0",
                                  std::string("DacData ") + words, "StartDac",
                                  refused ? "DacSamples 0 0" : "StopDac"}));
    }
  });
}

}  // namespace
}  // namespace e14
