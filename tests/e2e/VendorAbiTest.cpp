// The vendor libraries' binary interface, pinned by numbers written down from
// the vendor's documentation rather than taken from vendor/VendorAbi.h: the
// back-ends and the stand-in share that header, so a wrong constant there
// would pass every other test and garble a real library's records. Runs on
// every target (x86_64 and i686 included): packing and the stdcall boundary
// differ between them.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "driver/E14_140.h"
#include "driver/mE14_x40.h"
#include "platform/Library.h"
#include "sim/SimControl.h"
#include "tests/e2e/E2eFixture.h"
#include "vendor/VendorAbi.h"

namespace e14::testing {
namespace {

// Records: sizes and field offsets.
static_assert(sizeof(AdcParams) == 296);
static_assert(offsetof(AdcParams, Mode) == 0);
static_assert(offsetof(AdcParams, Reserved2) == 2);
static_assert(offsetof(AdcParams, SynchroInputMode) == 4);
static_assert(offsetof(AdcParams, SynchroADType) == 6);
static_assert(offsetof(AdcParams, SynchroADMode) == 8);
static_assert(offsetof(AdcParams, SynchroADChannel) == 10);
static_assert(offsetof(AdcParams, SynchroADPorog) == 12);
static_assert(offsetof(AdcParams, ChannelsQuantity) == 14);
static_assert(offsetof(AdcParams, ControlTable) == 16 && sizeof(AdcParams::ControlTable) == 256);
static_assert(offsetof(AdcParams, AdcRateKHz) == 272);
static_assert(offsetof(AdcParams, InterKadrDelayMs) == 280);
static_assert(offsetof(AdcParams, KadrRateKHz) == 288);
static_assert(sizeof(ErrorInfo) == 260 && offsetof(ErrorInfo, Code) == 256);
static_assert(sizeof(IoRequest) == 20);
static_assert(offsetof(IoRequest, Buffer) == 0 && offsetof(IoRequest, Words) == 4);
static_assert(offsetof(IoRequest, WordsTransferred) == 8 && offsetof(IoRequest, Overlapped) == 12);
static_assert(offsetof(IoRequest, TimeoutMs) == 16);
static_assert(sizeof(DacParamBlock) == 16);
static_assert(offsetof(DacParamBlock, RateDivisor) == 0 && offsetof(DacParamBlock, Mode) == 2);
static_assert(offsetof(DacParamBlock, Control) == 3 && offsetof(DacParamBlock, Reserved) == 4);
static_assert(offsetof(DacParamBlock, Points) == 8 && offsetof(DacParamBlock, Code0) == 10);
static_assert(offsetof(DacParamBlock, Code1) == 12 && offsetof(DacParamBlock, Reserved2) == 14);
static_assert(sizeof(MemoryRequest) == 8);
static_assert(offsetof(MemoryRequest, One) == 0 && offsetof(MemoryRequest, Direction) == 2);
static_assert(offsetof(MemoryRequest, Address) == 4 && offsetof(MemoryRequest, Zero) == 6);

// The slots of the device interface object, per role: LUsbApi3, LUsbApiU
// (-1: the back-end never calls it).
struct Role {
  const char* name;
  int SlotMap::*member;
  int lusbapi3, lusbapiu;
};
constexpr Role kRoles[] = {
    {"open module", &SlotMap::OpenLDevice, 0, 0},
    {"close module", &SlotMap::CloseLDevice, 1, 1},
    {"release the object", &SlotMap::ReleaseLInstance, 2, 2},
    {"module handle", &SlotMap::GetModuleHandle, 3, 3},
    {"last error information", &SlotMap::GetLastErrorInfo, 6, 7},
    {"read ADC parameters", &SlotMap::GetAdcPars, 7, 8},
    {"write ADC parameters", &SlotMap::SetAdcPars, 8, 9},
    {"start ADC streaming", &SlotMap::StartAdc, 9, 10},
    {"stop ADC", &SlotMap::StopAdc, 10, 11},
    {"one ADC sample", &SlotMap::AdcSample, 12, 13},
    {"one DAC code", &SlotMap::DacSample, 14, 20},
    {"both DAC codes", &SlotMap::DacSamples, -1, 21},
    {"start DAC streaming", &SlotMap::StartDac, -1, 17},
    {"stop DAC streaming", &SlotMap::StopDac, -1, 18},
    {"send DAC data", &SlotMap::WriteDacData, -1, 19},
    {"enable TTL outputs", &SlotMap::EnableTtlOut, 15, 22},
    {"read TTL inputs", &SlotMap::TtlIn, 16, 23},
    {"write TTL outputs", &SlotMap::TtlOut, 17, 24},
    {"read module descriptor", &SlotMap::GetModuleDescriptor, 21, 28},
    {"write module memory", &SlotMap::PutMemory, -1, 31},
};

// Where the driver finds each descriptor field, per library.
struct DescriptorField {
  const char* name;
  size_t DescriptorLayout::*member;
  size_t lusbapi3, lusbapiu;
};
constexpr DescriptorField kDescriptorFields[] = {
    {"record size", &DescriptorLayout::Size, 6186, 6187},
    {"serial number", &DescriptorLayout::Serial, 50, 50},
    {"revision letter", &DescriptorLayout::Revision, 66, 66},
    {"MCU clock", &DescriptorLayout::ClockKHz, 637, 638},
    {"firmware text", &DescriptorLayout::Firmware, 0, 646},
    {"ADC offsets", &DescriptorLayout::AdcOffset, 1260, 1261},
    {"ADC gains", &DescriptorLayout::AdcGain, 2284, 2285},
    {"DAC present", &DescriptorLayout::DacPresent, 3564, 3565},
    {"DAC offsets", &DescriptorLayout::DacOffset, 3593, 3594},
    {"DAC gains", &DescriptorLayout::DacGain, 0, 4618},
};

TEST(VendorAbi, SlotsDescriptorOffsetsAndModuleAddressesAreTheVendors) {
  for (const Role& role : kRoles) {
    EXPECT_EQ(kSlotsLUsbApi3.*role.member, role.lusbapi3) << "LUsbApi3: " << role.name;
    EXPECT_EQ(kSlotsLUsbApiU.*role.member, role.lusbapiu) << "LUsbApiU: " << role.name;
  }
  for (const DescriptorField& field : kDescriptorFields) {
    EXPECT_EQ(kDescriptorLUsbApi3.*field.member, field.lusbapi3) << "LUsbApi3: " << field.name;
    EXPECT_EQ(kDescriptorLUsbApiU.*field.member, field.lusbapiu) << "LUsbApiU: " << field.name;
  }
  EXPECT_EQ(kMemoryControlCode, 0x220012u);
  EXPECT_EQ(kTtlOutAddress, 0x400);
  EXPECT_EQ(kFirmwareAddress, 0x1080);
  EXPECT_EQ(kDacParamAddress, 0x160);
}

template <typename T>
T At(const std::vector<uint8_t>& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}
template <typename T>
void Put(std::vector<uint8_t>& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// A client of a stand-in library that knows only the documented numbers:
// entry points by name, slots by number, records as bytes.
class RawLibrary {
 public:
  explicit RawLibrary(const char* name) : handle_(platform::LoadVendorLibrary(name)) {}
  ~RawLibrary() {
    if (object_ != nullptr) Call(2);
    if (handle_ != nullptr) platform::FreeVendorLibrary(handle_);
  }
  RawLibrary(const RawLibrary&) = delete;
  RawLibrary& operator=(const RawLibrary&) = delete;

  uint32_t Version() const {
    auto version = reinterpret_cast<uint32_t(E14_STDCALL*)()>(platform::FindExport(handle_, "GetDllVersion"));
    return version != nullptr ? version() : 0;
  }
  bool Create() {
    auto create = reinterpret_cast<void*(E14_STDCALL*)(const char*)>(platform::FindExport(handle_, "CreateLInstance"));
    object_ = create != nullptr ? create("E140") : nullptr;
    return object_ != nullptr;
  }
  template <typename... Args>
  uint32_t Call(int slot, Args... args) const {
    using Function = uint32_t(E14_STDCALL*)(void*, Args...);
    void* const* table = *static_cast<void* const* const*>(object_);
    return reinterpret_cast<Function>(table[slot])(object_, args...);
  }

 private:
  void* handle_;
  void* object_ = nullptr;
};

struct Flavour {
  const char* library;
  int errorInfo, getAdc, setAdc, startAdc, stopAdc, adcSample, dacSample, ttlEnable, ttlIn, ttlOut,
      descriptor;
  size_t descriptorSize, clock, adcOffset, adcGain, dacPresent, dacOffset;
};
constexpr Flavour kLUsbApi3{"LUsbApi3", 6, 7, 8, 9, 10, 12, 14, 15, 16, 17, 21, 6186, 637, 1260, 2284, 3564, 3593};
constexpr Flavour kLUsbApiU{"LUsbApiU", 7, 8, 9, 10, 11, 13, 20, 22, 23, 24, 28, 6187, 638, 1261, 2285, 3565, 3594};

class StandIn : public EndToEnd, public ::testing::WithParamInterface<Flavour> {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    Configure(R"({"libraries":{"LUsbApi3":{"version":"3.7"},"LUsbApiU":{"version":"3.9"}},
      "modules":[{"slot":2,"library":"both","serial":"PIN00042","revision":"C","firmware":"3.14",
        "clockKHz":15000,"adcOffset":[1.25,-2.25,3,4],"adcGain":[1.25,1.5,1.75,2],
        "dac":true,"dacOffset":[5.5,-6.5],"dacGain":[0.75,0.5],"ttlLoopback":true,
        "inputs":{"X3":{"type":"dc","value":1.0}}}]})");
  }
};

TEST_P(StandIn, AnswersTheDocumentedSlotsWithTheDocumentedRecords) {
  const Flavour& f = GetParam();
  RawLibrary library(f.library);
  const bool second = std::string(f.library) == "LUsbApiU";
  EXPECT_EQ(library.Version(), second ? 0x00030009u : 0x00030007u);
  ASSERT_TRUE(library.Create());
  ASSERT_EQ(library.Call(0, uint32_t{2}), 1u);
  EXPECT_NE(library.Call(3), 0xFFFFFFFFu);

  // The descriptor fills exactly its size; the guard bytes behind it stay.
  std::vector<uint8_t> descriptor(f.descriptorSize + 64, 0xA5);
  ASSERT_EQ(library.Call(f.descriptor, descriptor.data()), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&descriptor[50]), 8), "PIN00042");
  EXPECT_EQ(descriptor[66], 'C');
  EXPECT_EQ(At<double>(descriptor, f.clock), 15000.0);
  const double adcOffsets[] = {1.25, -2.25, 3, 4}, adcGains[] = {1.25, 1.5, 1.75, 2};
  for (size_t range = 0; range < 4; ++range) {
    EXPECT_EQ(At<double>(descriptor, f.adcOffset + 8 * range), adcOffsets[range]) << range;
    EXPECT_EQ(At<double>(descriptor, f.adcGain + 8 * range), adcGains[range]) << range;
  }
  EXPECT_NE(At<uint32_t>(descriptor, f.dacPresent), 0u);
  EXPECT_EQ(At<double>(descriptor, f.dacOffset), 5.5);
  EXPECT_EQ(At<double>(descriptor, f.dacOffset + 8), -6.5);
  if (second) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&descriptor[646])), "3.14");
    EXPECT_EQ(At<double>(descriptor, 4618), 0.75);
    EXPECT_EQ(At<double>(descriptor, 4626), 0.5);
  }
  for (size_t i = f.descriptorSize; i < descriptor.size(); ++i) ASSERT_EQ(descriptor[i], 0xA5) << i;

  // ADC parameters: the stand-in takes the fields where they are documented
  // and writes the achieved rates back into the three doubles.
  std::vector<uint8_t> params(296 + 16, 0xA5);
  ASSERT_EQ(library.Call(f.getAdc, params.data()), 1u);
  for (size_t i = 296; i < params.size(); ++i) ASSERT_EQ(params[i], 0xA5) << i;
  Put<uint16_t>(params, 0, 0);
  Put<uint16_t>(params, 4, 3);
  Put<uint16_t>(params, 6, 1);
  Put<uint16_t>(params, 8, 1);
  Put<uint16_t>(params, 10, 2 + 32);
  Put<int16_t>(params, 12, -100);
  Put<uint16_t>(params, 14, 2);
  Put<uint16_t>(params, 16, 2 + 32);
  Put<uint16_t>(params, 18, 5 + 64);
  Put<double>(params, 272, 100.0);
  Put<double>(params, 280, 0.02);
  ASSERT_EQ(library.Call(f.setAdc, params.data()), 1u);
  std::vector<uint8_t> received(296);
  ASSERT_EQ(SimLastAdcParams(2, received.data()), 1);
  EXPECT_EQ(At<uint16_t>(received, 4), 3);
  EXPECT_EQ(At<uint16_t>(received, 6), 1);
  EXPECT_EQ(At<uint16_t>(received, 8), 1);
  EXPECT_EQ(At<uint16_t>(received, 10), 34);
  EXPECT_EQ(At<int16_t>(received, 12), -100);
  EXPECT_EQ(At<uint16_t>(received, 14), 2);
  EXPECT_EQ(At<uint16_t>(received, 16), 34);
  EXPECT_EQ(At<uint16_t>(received, 18), 69);
  // 15000 kHz / 2 / 75 = 100 kHz; the delay rounds to whole ADC periods.
  EXPECT_EQ(At<double>(params, 272), 100.0);
  EXPECT_NEAR(At<double>(params, 280), 0.02, 0.0051);
  EXPECT_NEAR(At<double>(params, 288), 1.0 / (0.01 + At<double>(params, 280)), 1e-9);

  ASSERT_EQ(library.Call(f.startAdc), 1u);
  EXPECT_EQ(SimAdcRunning(2), 1);
  library.Call(f.stopAdc);
  EXPECT_EQ(SimAdcRunning(2), 0);

  // One sample of single-ended X3 (code 2 + 32) at ±10 V: round(1 V × 800 / 1.25 − 1.25).
  int16_t sample = 0;
  ASSERT_EQ(library.Call(f.adcSample, &sample, uint32_t{2 + 32}), 1u);
  EXPECT_EQ(sample, 639);

  int16_t code = 1234;
  library.Call(f.dacSample, &code, uint32_t{1});
  EXPECT_EQ(SimDacCode(2, 1), 1234);

  ASSERT_EQ(library.Call(f.ttlEnable, uint32_t{1}), 1u);
  EXPECT_EQ(SimTtlOutEnabled(2), 1);
  library.Call(f.ttlOut, uint32_t{0x1234A55A});
  EXPECT_EQ(SimTtlOut(2), 0xA55A);
  uint16_t inputs = 0;
  ASSERT_EQ(library.Call(f.ttlIn, &inputs), 1u);
  EXPECT_EQ(inputs, 0xA55A);

  // A refused write leaves its text at the start of the 260-byte error record.
  ASSERT_EQ(SimRefuseAdcParams(2, "refused for the test"), 1);
  EXPECT_EQ(library.Call(f.setAdc, params.data()), 0u);
  std::vector<uint8_t> error(260 + 16, 0xA5);
  ASSERT_EQ(library.Call(f.errorInfo, error.data()), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(error.data())), "refused for the test");
  for (size_t i = 260; i < error.size(); ++i) ASSERT_EQ(error[i], 0xA5) << i;

  library.Call(1);
  EXPECT_EQ(SimModuleOpen(2), 0);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, StandIn, ::testing::Values(kLUsbApi3, kLUsbApiU),
                         [](const auto& flavour) { return std::string(flavour.param.library); });

// The slots only the second library has: DAC streaming and module memory.
TEST_F(EndToEnd, SecondLibraryStreamsTheDacThroughItsOwnSlots) {
  Configure(R"({"modules":[{"slot":1,"library":"LUsbApiU","dac":true}]})");
  RawLibrary library("LUsbApiU");
  ASSERT_TRUE(library.Create());
  ASSERT_EQ(library.Call(0, uint32_t{1}), 1u);

  int16_t code0 = -7, code1 = 321;
  library.Call(21, &code0, &code1);
  EXPECT_EQ(SimDacCode(1, 0), -7);
  EXPECT_EQ(SimDacCode(1, 1), 321);

  // Rate divisor 9, mode 0, control 17, 4 points, codes 100 and 200.
  const uint8_t block[16] = {9, 0, 0, 17, 0, 0, 0, 0, 4, 0, 100, 0, 200, 0, 0, 0};
  ASSERT_EQ(library.Call(31, block, uint32_t{16}, uint32_t{0x160}), 1u);
  uint8_t stored[16] = {};
  ASSERT_EQ(SimDacParamBlock(1, stored), 1);
  EXPECT_EQ(std::memcmp(stored, block, 16), 0);

  // The request record: data address, words, words transferred, OVERLAPPED,
  // time-out; a 64-bit build passes the full address right behind it.
  const uint16_t words[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<uint8_t> request(28, 0);
  Put<uint32_t>(request, 0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(words)));
  Put<uint32_t>(request, 4, 8);
  Put<uint32_t>(request, 16, 5000);
  Put<uint64_t>(request, 20, reinterpret_cast<uintptr_t>(words));
  ASSERT_EQ(library.Call(19, request.data()), 1u);
  EXPECT_EQ(At<uint32_t>(request, 8), 8u);
  uint16_t uploaded[8] = {};
  ASSERT_EQ(SimDacWaveform(1, uploaded, 8), 8u);
  EXPECT_EQ(std::memcmp(uploaded, words, sizeof words), 0);

  ASSERT_EQ(library.Call(17), 1u);
  EXPECT_EQ(SimDacStreaming(1), 1);
  library.Call(18);
  EXPECT_EQ(SimDacStreaming(1), 0);
  library.Call(1);
}

// What the driver writes lands where the stand-in, and a real library, reads it.
TEST_F(EndToEnd, DriverWritesTheAdcParametersAtTheDocumentedOffsets) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    State().DeviceInfo.SynchroInputMode = 3;
    State().DeviceInfo.SynchroADType = 1;
    State().DeviceInfo.SynchroADMode = 1;
    State().DeviceInfo.SynchroADChannel = 5;
    State().DeviceInfo.SynchroADRange = 2;
    State().DeviceInfo.SynchroADPorog = -100;
    driver.IADC3_InputChannels({3, 1});
    driver.IADC3_ChannelRange(1, 2);
    driver.IADC3_Rate(10000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
    std::vector<uint8_t> sent(296);
    ASSERT_EQ(SimLastAdcParams(0, sent.data()), 1);
    driver.IADC3_StopRecord();

    EXPECT_EQ(At<uint16_t>(sent, 0), 0);
    EXPECT_EQ(At<uint16_t>(sent, 4), 3);
    EXPECT_EQ(At<uint16_t>(sent, 6), 1);
    EXPECT_EQ(At<uint16_t>(sent, 8), 1);
    EXPECT_EQ(At<uint16_t>(sent, 10), 5 + 64 * 2);  // differential input 5, range 2
    EXPECT_EQ(At<int16_t>(sent, 12), -100);
    EXPECT_EQ(At<uint16_t>(sent, 14), 2);
    EXPECT_EQ(At<uint16_t>(sent, 16), 3);
    EXPECT_EQ(At<uint16_t>(sent, 18), 1 + 64 * 2);
    EXPECT_EQ(static_cast<float>(At<double>(sent, 288) * 1000.0), driver.IADC3_Rate());
  });
}

// Back-end 1 takes any 3.x library, back-end 2 needs 3.4 or later; no back-end
// takes a major version of 4. A refusal names the version needed.
TEST_F(EndToEnd, LibraryVersionsDecideWhichBackEndOpens) {
  constexpr const char* kReinstall = "Please reinstall E-140 driver (LUsbApi v3.4 is required)!";
  struct Case {
    const char *lusbapi3, *lusbapiu;
    int16_t backend;  // 0: none opens
    const char* module;
  } cases[] = {
      {"3.4", "3.4", 1, "both"}, {"3.3", "3.3", 1, "both"}, {"3.0", "4.0", 1, "both"},
      {"4.0", "3.4", 2, "both"}, {"4.0", "3.3", 0, "both"}, {"4.0", "4.0", 0, "both"},
      {"2.9", "3.12", 2, "both"}, {"3.3", "3.3", 0, "LUsbApiU"}, {"3.12", "0", 0, "LUsbApiU"},
  };
  for (const Case& c : cases) {
    const std::string versions = std::string(c.lusbapi3) + " / " + c.lusbapiu + ", seen by " + c.module;
    const std::string lusbapiu = std::string(c.lusbapiu) == "0" ? R"({"present":false})"
                                                                : std::string(R"({"version":")") + c.lusbapiu + R"("})";
    Configure(std::string(R"({"libraries":{"LUsbApi3":{"version":")") + c.lusbapi3 + R"("},"LUsbApiU":)" +
              lusbapiu + R"(},"modules":[{"library":")" + c.module + R"("}]})");
    InFreshThread([&] {
      E14_140 driver;
      EXPECT_EQ(driver.IADC3_Test(), c.backend != 0) << versions;
      if (c.backend != 0) {
        EXPECT_EQ(State().Backend, c.backend) << versions;
      } else if (std::string(c.module) == "LUsbApiU") {
        EXPECT_EQ(driver.IADC3_LastError(), kReinstall) << versions;
      }
    });
  }
}

}  // namespace
}  // namespace e14::testing
