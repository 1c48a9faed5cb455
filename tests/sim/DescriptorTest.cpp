// The module descriptor of a module without a DAC, and a descriptor that
// cannot be read; the fields' offsets are pinned in tests/e2e/VendorAbiTest.cpp.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"

namespace e14::simtest {
namespace {

constexpr uint8_t kUntouched = 0xCC;

uint32_t DacPresent(const uint8_t* record, size_t offset) {
  uint32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

class Descriptor : public testing::TestWithParam<const char*> {};

TEST_P(Descriptor, ModuleWithoutDac) {
  Configure(R"({"modules": [{"slot": 0, "library": "both", "dac": false}]})");
  VendorLibrary library(GetParam());
  Interface device(library);
  ASSERT_TRUE(device.Open(0));
  std::array<uint8_t, kMaxDescriptorSize> record;
  record.fill(kUntouched);
  ASSERT_EQ(device.Call(library.Slots().GetModuleDescriptor, record.data()), 1u);
  EXPECT_EQ(DacPresent(record.data(), library.Layout().DacPresent), 0u);
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
