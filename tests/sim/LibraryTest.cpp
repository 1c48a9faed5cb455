// The libraries, the modules they see and describe, and the JSON
// configuration of the simulated world.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
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

}  // namespace
}  // namespace e14::simtest
