// The vendor libraries' binary interface, pinned by numbers written down from
// the vendor's documentation rather than taken from vendor/VendorAbi.h: the
// back-ends and the stand-in share that header, so a wrong number there
// would pass every other test and garble a real library's records. Runs on
// every target (x86_64 and i686 included): packing differs between them.
//
// Then the wrappers' calls as the stand-in libraries receive them, and
// module memory read over the module handle.
#include <algorithm>
#include <cstddef>
#include <tuple>

#include "backend/VendorWrapper.h"
#include "tests/e2e/E2eFixture.h"
#include "vendor/VendorAbi.h"

namespace e14::testing {
namespace {

// Whether the driver reaches the simulated module's memory through the module
// handle: not on Windows, where the handle is a named pipe (sim/README.md).
constexpr bool kHandleCarriesMemory = E14_HANDLE_CARRIES_MEMORY;

struct Pin { const char* name; size_t value, documented; };

#define E14_AT(record, field, offset) {#record "." #field, offsetof(record, field), offset}
const Pin kRecords[] = {
    {"AdcParams size", sizeof(AdcParams), 296}, E14_AT(AdcParams, Mode, 0), E14_AT(AdcParams, Reserved2, 2),
    E14_AT(AdcParams, SynchroInputMode, 4), E14_AT(AdcParams, SynchroADType, 6), E14_AT(AdcParams, SynchroADMode, 8),
    E14_AT(AdcParams, SynchroADChannel, 10), E14_AT(AdcParams, SynchroADPorog, 12),
    E14_AT(AdcParams, ChannelsQuantity, 14), E14_AT(AdcParams, ControlTable, 16), E14_AT(AdcParams, AdcRateKHz, 272),
    E14_AT(AdcParams, InterKadrDelayMs, 280), E14_AT(AdcParams, KadrRateKHz, 288),
    {"ErrorInfo size", sizeof(ErrorInfo), 260}, E14_AT(ErrorInfo, Code, 256), {"IoRequest size", sizeof(IoRequest), 20},
    E14_AT(IoRequest, Buffer, 0), E14_AT(IoRequest, Words, 4), E14_AT(IoRequest, WordsTransferred, 8),
    E14_AT(IoRequest, Overlapped, 12), E14_AT(IoRequest, TimeoutMs, 16), E14_AT(IoRequest64, Buffer64, 20),
    {"DacParamBlock size", sizeof(DacParamBlock), 16}, E14_AT(DacParamBlock, RateDivisor, 0),
    E14_AT(DacParamBlock, Mode, 2), E14_AT(DacParamBlock, Control, 3), E14_AT(DacParamBlock, Points, 8),
    E14_AT(DacParamBlock, Code0, 10), E14_AT(DacParamBlock, Code1, 12),
    {"MemoryRequest size", sizeof(MemoryRequest), 8}, E14_AT(MemoryRequest, One, 0),
    E14_AT(MemoryRequest, Direction, 2), E14_AT(MemoryRequest, Address, 4),
    {"memory control code", kMemoryControlCode, 0x220012}, {"TTL output word", kTtlOutAddress, 0x400},
    {"firmware bytes", kFirmwareAddress, 0x1080}, {"DAC parameter block", kDacParamAddress, 0x160},
};

TEST(VendorAbi, RecordsAndModuleAddressesAreTheDocumentedOnes) {
  for (const Pin& pin : kRecords) EXPECT_EQ(pin.value, pin.documented) << pin.name;
}

// Per role, its number in each library: LUsbApi3, LUsbApiU (-1: not called).
struct Slot { const char* role; int SlotMap::*member; int lusbapi3, lusbapiu; };
const Slot kSlots[] = {
    {"open module", &SlotMap::OpenLDevice, 0, 0},           {"close module", &SlotMap::CloseLDevice, 1, 1},
    {"release", &SlotMap::ReleaseLInstance, 2, 2},          {"module handle", &SlotMap::GetModuleHandle, 3, 3},
    {"last error", &SlotMap::GetLastErrorInfo, 6, 7},       {"read ADC parameters", &SlotMap::GetAdcPars, 7, 8},
    {"write ADC parameters", &SlotMap::SetAdcPars, 8, 9},   {"start ADC", &SlotMap::StartAdc, 9, 10},
    {"stop ADC", &SlotMap::StopAdc, 10, 11},                {"ADC sample", &SlotMap::AdcSample, 12, 13},
    {"DAC code", &SlotMap::DacSample, 14, 20},              {"both DAC codes", &SlotMap::DacSamples, -1, 21},
    {"start DAC", &SlotMap::StartDac, -1, 17},              {"stop DAC", &SlotMap::StopDac, -1, 18},
    {"DAC data", &SlotMap::WriteDacData, -1, 19},           {"enable TTL outputs", &SlotMap::EnableTtlOut, 15, 22},
    {"TTL inputs", &SlotMap::TtlIn, 16, 23},                {"TTL outputs", &SlotMap::TtlOut, 17, 24},
    {"module descriptor", &SlotMap::GetModuleDescriptor, 21, 28}, {"write memory", &SlotMap::PutMemory, -1, 31},
};

// Per descriptor field, its offset in each library's record (0: none).
struct Field { const char* name; size_t DescriptorLayout::*member; size_t lusbapi3, lusbapiu; };
const Field kFields[] = {
    {"record size", &DescriptorLayout::Size, 6186, 6187}, {"serial number", &DescriptorLayout::Serial, 50, 50},
    {"revision", &DescriptorLayout::Revision, 66, 66},    {"MCU clock", &DescriptorLayout::ClockKHz, 637, 638},
    {"firmware", &DescriptorLayout::Firmware, 0, 646},    {"ADC offsets", &DescriptorLayout::AdcOffset, 1260, 1261},
    {"ADC gains", &DescriptorLayout::AdcGain, 2284, 2285}, {"DAC present", &DescriptorLayout::DacPresent, 3564, 3565},
    {"DAC offsets", &DescriptorLayout::DacOffset, 3593, 3594}, {"DAC gains", &DescriptorLayout::DacGain, 0, 4618},
};

TEST(VendorAbi, SlotsAndDescriptorFieldsAreWhereEachLibraryHasThem) {
  for (const Slot& slot : kSlots) {
    EXPECT_EQ(kSlotsLUsbApi3.*slot.member, slot.lusbapi3) << "LUsbApi3: " << slot.role;
    EXPECT_EQ(kSlotsLUsbApiU.*slot.member, slot.lusbapiu) << "LUsbApiU: " << slot.role;
  }
  for (const Field& field : kFields) {
    EXPECT_EQ(kDescriptorLUsbApi3.*field.member, field.lusbapi3) << "LUsbApi3: " << field.name;
    EXPECT_EQ(kDescriptorLUsbApiU.*field.member, field.lusbapiu) << "LUsbApiU: " << field.name;
  }
}


using Wrappers = EndToEnd;

// Reads of more than 4096 bytes go in chunks of 4096 at the address and on;
// the read counts as done when any chunk was.
TEST_F(Wrappers, ModuleMemoryIsReadInChunksOf4096Bytes) {
  if (!kHandleCarriesMemory) GTEST_SKIP() << "module memory is out of reach through a named pipe";
  Configure(R"({"modules":[{"library":"both","firmware":"2.7"}]})");
  // Where each chunk is read from; -1: it fails, and the buffer keeps its bytes there.
  struct Case { uint16_t address; uint32_t count; int32_t chunk0, chunk1; };
  const Case cases[] = {
      {0x0080, 5000, 0x0080, 0x1080},  // the second chunk holds the firmware bytes at 0x1080
      {0xF800, 4096, -1, -1},          // past the end of the module's memory: not done
      {0xF800, 5000, -1, 0x0800},      // the address wraps round for the second chunk
  };
  InFreshThread([&cases] {
    TLE14140 wrapper;
    std::vector<uint8_t> buffer(5000);
    EXPECT_FALSE(wrapper.ReadMemory(buffer.data(), 2, 0x1080)) << "no module open";
    ASSERT_TRUE(wrapper.OpenDevice(0));
    EXPECT_EQ(wrapper.FirmwareVersion(), 2u * 65536 + 7);
    wrapper.TtlOut(0x1234);
    EXPECT_EQ(wrapper.TtlOutState(), 0x1234u);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.address);
      std::vector<uint8_t> read(c.count, 0xEE), expected(c.count, 0xEE);
      EXPECT_EQ(wrapper.ReadMemory(read.data(), c.count, c.address), c.chunk0 >= 0 || c.chunk1 >= 0);
      if (c.chunk0 >= 0) SimReadMemory(0, c.chunk0, expected.data(), std::min<uint32_t>(c.count, 4096));
      if (c.chunk1 >= 0) SimReadMemory(0, c.chunk1, expected.data() + 4096, c.count - 4096);
      EXPECT_EQ(read, expected);
    }
  });
}

// The DAC parameter block: the rate as a divisor of 200 kHz less one, the
// points and the start codes.
TEST_F(Wrappers, DacRateBecomesTheDivisorOf200kHz) {
  const std::pair<double, uint16_t> cases[] = {
      {200.0, 0}, {100.0, 1}, {66.0, 2}, {1.0, 199}, {0.0, 0}, {0.001, 65535},
  };
  InFreshThread([&cases] {
    TUE14140 wrapper;
    ASSERT_TRUE(wrapper.OpenDevice(0));
    for (const auto& [rateKHz, divisor] : cases) {
      SCOPED_TRACE(rateKHz);
      ASSERT_TRUE(wrapper.WriteDacParams({rateKHz, 640, -5, 7}));
      DacParamBlock block{};
      ASSERT_EQ(SimDacParamBlock(0, &block), 1);
      EXPECT_EQ(std::tuple(block.RateDivisor, block.Control, block.Points, static_cast<int16_t>(block.Code0),
                           block.Code1),
                std::tuple(divisor, 17, 640, -5, 7));
    }
  });
}

// The single DAC code of the first library, and the waveform of the second,
// whose request record a 64-bit build extends by the full buffer address,
// and its replay.
TEST_F(Wrappers, DacCodesAndWaveformsReachTheModule) {
  Configure(R"({"modules":[{"library":"both"}]})");
  InFreshThread([] {
    TLE14140 first;
    ASSERT_TRUE(first.OpenDevice(0));
    EXPECT_TRUE(first.DacSample(-1234, 1));
    EXPECT_EQ(SimDacCode(0, 1), -1234);
    first.CloseDevice();
    TUE14140 second;
    ASSERT_TRUE(second.OpenDevice(0));
    const std::vector<int16_t> words = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(second.WriteDacData(words.data(), 8));
    std::vector<uint16_t> uploaded(8);
    ASSERT_EQ(SimDacWaveform(0, uploaded.data(), 8), 8u);
    EXPECT_TRUE(std::equal(words.begin(), words.end(), uploaded.begin()));
    EXPECT_TRUE(second.StartDac());
    EXPECT_EQ(SimDacStreaming(0), 1);
    second.StopDac();
    EXPECT_EQ(SimDacStreaming(0), 0);
  });
}

}  // namespace
}  // namespace e14::testing
