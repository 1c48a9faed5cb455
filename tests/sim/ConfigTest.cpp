// The JSON configuration: defaults, the environment's file, and mistakes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"

namespace e14::simtest {
namespace {

std::vector<uint32_t> Openable(const VendorLibrary& library) {
  Interface device(library);
  std::vector<uint32_t> slots;
  for (uint32_t slot = 0; slot < 16; ++slot)
    if (device.Open(slot)) slots.push_back(slot);
  return slots;
}

TEST(Config, DefaultWorldIsOneRevisionBModuleSeenByLUsbApiU) {
  Configure("{}");
  VendorLibrary lusbapi3("LUsbApi3");
  VendorLibrary lusbapiu("LUsbApiU");
  EXPECT_EQ(lusbapi3.Version(), 0x0003000Cu) << "present, so that the driver tries it first";
  EXPECT_TRUE(Openable(lusbapi3).empty());
  EXPECT_EQ(Openable(lusbapiu), std::vector<uint32_t>{0});

  Interface device(lusbapiu);
  ASSERT_TRUE(device.Open(0));
  uint8_t record[kMaxDescriptorSize] = {};
  ASSERT_EQ(device.Call(lusbapiu.Slots().GetModuleDescriptor, record), 1u);
  const DescriptorLayout& layout = lusbapiu.Layout();
  EXPECT_EQ(record[layout.Revision], 'B');
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + layout.Firmware)), "3.12");
  EXPECT_EQ(record[layout.DacPresent], 1);
  double clock = 0;
  std::memcpy(&clock, record + layout.ClockKHz, sizeof clock);
  EXPECT_EQ(clock, 16000.0);
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
    EXPECT_NE(std::string(SimConfigError()).find(reason), std::string::npos)
        << json << ": " << SimConfigError();
  }
  VendorLibrary library("LUsbApiU");
  EXPECT_EQ(Openable(library), std::vector<uint32_t>{3});
}

TEST(Config, FaultsAndPaceFromTheFile) {
  Configure(R"({"speedUp": 4, "unpaced": true, "modules": [
    {"slot": 0, "faults": {"refuseAdcParams": "No way", "unplugged": true}}]})");
  VendorLibrary library("LUsbApiU");
  Interface device(library);
  EXPECT_FALSE(device.Open(0)) << "unplugged";
  SimSetPlugged(0, 1);
  ASSERT_TRUE(device.Open(0));
  AdcParams params = Params({32}, 100, 0.01);
  EXPECT_FALSE(device.SetAdcParams(params));
  EXPECT_EQ(device.LastError(), "No way");
  SimRefuseAdcParams(0, nullptr);
  ASSERT_TRUE(device.SetAdcParams(params));
  ASSERT_TRUE(device.StartAdc());
  EXPECT_EQ(SimFrameTimeNs(0, 10), 0) << "unpaced";
}

class EnvironmentFile : public testing::Test {
 protected:
  void TearDown() override {
    unsetenv("E140SIM_CONFIG");
    std::filesystem::remove(path_);
  }
  std::string path_ =
      (std::filesystem::temp_directory_path() / ("e140sim-" + std::to_string(getpid()) + ".json")).string();
};

TEST_F(EnvironmentFile, NullReadsTheFileNamedByTheVariable) {
  std::ofstream(path_) << R"({"modules": [{"slot": 7, "library": "LUsbApi3"}]})";
  setenv("E140SIM_CONFIG", path_.c_str(), 1);
  ASSERT_EQ(SimConfigure(nullptr), 1) << SimConfigError();
  EXPECT_EQ(Openable(VendorLibrary("LUsbApi3")), std::vector<uint32_t>{7});

  std::ofstream(path_) << R"({"modules": 5})";
  EXPECT_EQ(SimConfigure(nullptr), 0);
  EXPECT_NE(std::string(SimConfigError()).find(path_), std::string::npos) << SimConfigError();

  setenv("E140SIM_CONFIG", (path_ + ".missing").c_str(), 1);
  EXPECT_EQ(SimConfigure(nullptr), 0);
  EXPECT_NE(std::string(SimConfigError()).find("cannot read"), std::string::npos);

  unsetenv("E140SIM_CONFIG");
  ASSERT_EQ(SimConfigure(nullptr), 1);
  EXPECT_EQ(Openable(VendorLibrary("LUsbApiU")), std::vector<uint32_t>{0}) << "the default world";
}

}  // namespace
}  // namespace e14::simtest
