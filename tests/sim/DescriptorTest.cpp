// The module descriptor each library hands out, field by field.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"

namespace e14::simtest {
namespace {

constexpr uint8_t kUntouched = 0xCC;

template <typename T>
T At(const uint8_t* record, size_t offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

class Descriptor : public testing::TestWithParam<const char*> {};

TEST_P(Descriptor, FieldsSitAtTheLibrarysOffsets) {
  Configure(R"({"modules": [{"slot": 6, "library": "both", "serial": "1234567890ABCDEF",
    "revision": "C", "firmware": "3.7", "clockKHz": 24000,
    "adcOffset": [1.5, -2, 3, -4], "adcGain": [1.01, 0.99, 1.02, 0.98],
    "dac": true, "dacOffset": [-3.5, 2], "dacGain": [1.001, 0.999]}]})");
  VendorLibrary library(GetParam());
  const DescriptorLayout& layout = library.Layout();
  Interface device(library);
  ASSERT_TRUE(device.Open(6));

  std::array<uint8_t, kMaxDescriptorSize + 8> record;
  record.fill(kUntouched);
  ASSERT_EQ(device.Call(library.Slots().GetModuleDescriptor, record.data()), 1u);
  const uint8_t* r = record.data();

  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + layout.Serial), 16), "1234567890ABCDEF");
  EXPECT_EQ(r[layout.Revision], 'C');
  EXPECT_EQ(At<double>(r, layout.ClockKHz), 24000.0);
  EXPECT_EQ((At<std::array<double, 4>>(r, layout.AdcOffset)), (std::array<double, 4>{1.5, -2, 3, -4}));
  EXPECT_EQ((At<std::array<double, 4>>(r, layout.AdcGain)), (std::array<double, 4>{1.01, 0.99, 1.02, 0.98}));
  EXPECT_EQ(At<uint32_t>(r, layout.DacPresent), 1u);
  EXPECT_EQ((At<std::array<double, 2>>(r, layout.DacOffset)), (std::array<double, 2>{-3.5, 2}));
  if (layout.Firmware != 0) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + layout.Firmware)), "3.7");
    EXPECT_EQ((At<std::array<double, 2>>(r, layout.DacGain)), (std::array<double, 2>{1.001, 0.999}));
  }
  // Exactly the flavour's size is written, and nothing else is set.
  EXPECT_EQ(r[layout.Size - 1], 0);
  EXPECT_EQ(r[layout.Size], kUntouched);
  EXPECT_EQ(r[0], 0);
}

TEST_P(Descriptor, ModuleWithoutDac) {
  Configure(R"({"modules": [{"slot": 0, "library": "both", "dac": false}]})");
  VendorLibrary library(GetParam());
  Interface device(library);
  ASSERT_TRUE(device.Open(0));
  std::array<uint8_t, kMaxDescriptorSize> record;
  record.fill(kUntouched);
  ASSERT_EQ(device.Call(library.Slots().GetModuleDescriptor, record.data()), 1u);
  EXPECT_EQ(At<uint32_t>(record.data(), library.Layout().DacPresent), 0u);
  int16_t code = 5;
  EXPECT_EQ(device.Call(library.Slots().DacSample, &code, 0u), 0u);
  EXPECT_EQ(device.LastError(), "The module has no DAC");
}

TEST_P(Descriptor, ReadFailureGivesTheLibrarysText) {
  Configure(R"({"modules": [{"slot": 1, "library": "both", "faults": {"descriptorFails": true}}]})");
  VendorLibrary library(GetParam());
  Interface device(library);
  uint8_t record[kMaxDescriptorSize];
  EXPECT_EQ(device.Call(library.Slots().GetModuleDescriptor, record), 0u) << "not open";
  ASSERT_TRUE(device.Open(1));
  EXPECT_EQ(device.Call(library.Slots().GetModuleDescriptor, record), 0u);
  EXPECT_EQ(device.LastError(), "Unable to read the module descriptor");
  SimFailDescriptor(1, 0);
  EXPECT_EQ(device.Call(library.Slots().GetModuleDescriptor, record), 1u);
  SimFailDescriptor(1, 1);
  EXPECT_EQ(device.Call(library.Slots().GetModuleDescriptor, record), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, Descriptor, testing::Values("LUsbApi3", "LUsbApiU"));

}  // namespace
}  // namespace e14::simtest
