// Entry points, slot tables and opening modules on the virtual slots.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"

namespace e14::simtest {
namespace {

TEST(Library, ReportsConfiguredVersionsAndMissingLibraries) {
  Configure("{}");
  VendorLibrary lusbapi3("LUsbApi3");
  VendorLibrary lusbapiu("LUsbApiU");
  EXPECT_EQ(lusbapi3.Version(), 0x0003000Cu);
  EXPECT_EQ(lusbapiu.Version(), 0x00030005u);

  EXPECT_EQ(SimSetLibraryVersion("LUsbApiU", 0x00030003), 1);
  EXPECT_EQ(lusbapiu.Version(), 0x00030003u);
  EXPECT_EQ(SimSetLibraryVersion("LUsbApi4", 1), 0);

  EXPECT_EQ(SimSetLibraryPresent("LUsbApi3", 0), 1);
  EXPECT_EQ(lusbapi3.Version(), 0u);
  EXPECT_EQ(lusbapi3.Create("E140"), nullptr);
  EXPECT_NO_THROW(Interface{lusbapiu});

  Configure(R"({"libraries": {"LUsbApi3": {"present": false}, "LUsbApiU": {"version": "4.0"}}})");
  EXPECT_EQ(lusbapi3.Version(), 0u);
  EXPECT_EQ(lusbapiu.Version(), 0x00040000u);
}

TEST(Library, CreatesOnlyTheE140Interface) {
  Configure("{}");
  VendorLibrary library("LUsbApiU");
  EXPECT_EQ(library.Create("E440"), nullptr);
  EXPECT_EQ(library.Create(nullptr), nullptr);
  EXPECT_NO_THROW(Interface{library});
}

// The driver loads the libraries by path while tests link the simulator:
// both must reach the same simulated modules.
TEST(Library, LoadedAndLinkedCopiesShareOneWorld) {
  VendorLibrary library("LUsbApiU");
  void* again = dlopen((std::string(E140SIM_LIBRARY_DIR) + "/./libLUsbApiU.so").c_str(), RTLD_NOW);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again, library.Handle());
  EXPECT_EQ(dlsym(again, "SimConfigure"), reinterpret_cast<void*>(&SimConfigure));
  dlclose(again);

  Configure(R"({"modules": [{"slot": 4, "serial": "SHARED"}]})");
  Interface device(library);
  EXPECT_TRUE(device.Open(4));
  EXPECT_EQ(SimModuleOpen(4), 1);
}

class SlotTable : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    Configure(R"({"modules": [{"slot": 0, "library": "both", "serial": "ROLES"}]})");
  }
};

TEST_P(SlotTable, UnusedSlotsAnswerZero) {
  VendorLibrary library(GetParam());
  Interface device(library);
  const SlotMap& m = library.Slots();
  const std::vector<int> used = {m.OpenLDevice, m.CloseLDevice, m.ReleaseLInstance, m.GetModuleHandle,
                                 m.GetLastErrorInfo, m.GetAdcPars, m.SetAdcPars, m.StartAdc, m.StopAdc,
                                 m.AdcSample, m.DacSample, m.DacSamples, m.StartDac, m.StopDac,
                                 m.WriteDacData, m.EnableTtlOut, m.TtlIn, m.TtlOut, m.GetModuleDescriptor,
                                 m.PutMemory};
  int unused = 0;
  for (int slot = 0; slot < kSlotTableSize; ++slot) {
    if (std::find(used.begin(), used.end(), slot) != used.end()) continue;
    ASSERT_NE(device.Object()->Table[slot], nullptr) << slot;
    EXPECT_EQ(device.Call(slot), 0u) << slot;
    ++unused;
  }
  EXPECT_GT(unused, 0);
}

// Where each role sits is pinned in tests/e2e/VendorAbiTest.cpp; here, what
// a module not there or not open answers.
TEST_P(SlotTable, AModuleNotOpenRefusesWithTheLibrarysText) {
  VendorLibrary library(GetParam());
  Interface device(library);
  EXPECT_EQ(device.Handle(), -1);
  EXPECT_FALSE(device.Open(1));
  EXPECT_EQ(device.LastError(), "No E14-140 module on virtual slot 1");
  ASSERT_TRUE(device.Open(0));
  EXPECT_GE(device.Handle(), 0);
  device.Close();
  EXPECT_EQ(SimModuleOpen(0), 0);
  EXPECT_EQ(device.Handle(), -1);
  EXPECT_FALSE(device.StartAdc());
  EXPECT_EQ(device.LastError(), "The module is not open");
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, SlotTable, testing::Values("LUsbApi3", "LUsbApiU"));

std::vector<uint32_t> OpenableSlots(const VendorLibrary& library) {
  Interface device(library);
  std::vector<uint32_t> found;
  for (uint32_t slot = 0; slot < 16; ++slot) {
    if (device.Open(slot)) found.push_back(slot);
    device.Close();
  }
  return found;
}

TEST(Enumeration, EachLibrarySeesItsOwnModules) {
  Configure(R"({"modules": [
    {"slot": 2, "library": "LUsbApi3"}, {"slot": 5}, {"slot": 9, "library": "both"},
    {"slot": 15, "library": "both"}, {"slot": 12, "library": "both", "faults": {"unplugged": true}}]})");
  VendorLibrary lusbapi3("LUsbApi3");
  VendorLibrary lusbapiu("LUsbApiU");
  EXPECT_EQ(OpenableSlots(lusbapi3), (std::vector<uint32_t>{2, 9, 15}));
  EXPECT_EQ(OpenableSlots(lusbapiu), (std::vector<uint32_t>{5, 9, 15}));
  SimSetPlugged(12, 1);
  EXPECT_EQ(OpenableSlots(lusbapiu), (std::vector<uint32_t>{5, 9, 12, 15}));
  Interface device(lusbapiu);
  EXPECT_FALSE(device.Open(16));
}

TEST(Enumeration, OpenFaultsAndExclusiveUse) {
  Configure(R"({"modules": [{"slot": 3, "library": "both", "faults": {"openFails": "Device busy"}}]})");
  VendorLibrary lusbapi3("LUsbApi3");
  VendorLibrary lusbapiu("LUsbApiU");
  Interface first(lusbapiu);
  Interface second(lusbapi3);
  EXPECT_FALSE(first.Open(3));
  EXPECT_EQ(first.LastError(), "Device busy");
  EXPECT_EQ(first.Handle(), -1);

  SimFailOpen(3, nullptr);
  ASSERT_TRUE(first.Open(3));
  EXPECT_FALSE(second.Open(3));
  EXPECT_EQ(second.LastError(), "The E14-140 module on virtual slot 3 is in use");
  first.Close();
  EXPECT_TRUE(second.Open(3));
  EXPECT_EQ(SimFailOpen(11, "no module there"), 0);
}

}  // namespace
}  // namespace e14::simtest
