// What the back-ends make of the vendor library's answers, over the stand-in
// library: firmware texts, module memory in chunks, DAC rate divisors, the
// revision-A DAC of back-end 2, and an ADC start refused on the worker.
#include <chrono>
#include <thread>
#include <vector>

#include "backend/VendorWrapper.h"
#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

using Backends = EndToEnd;
using Clock = std::chrono::steady_clock;

TEST_F(Backends, FirmwareTextGivesTheVersionAndWhetherWaveformsReplay) {
  struct Case {
    const char* firmware;
    int16_t major, minor;
    float dacRateMax;  // 0 without waveform replay
  };
  const Case cases[] = {
      {"3", 3, 0, 0.0f}, {"3.9", 3, 9, 0.0f}, {"3.10", 3, 10, 200000.0f}, {"4", 4, 0, 200000.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware);
    Configure(std::string(R"({"modules":[{"firmware":")") + c.firmware + R"("}]})");
    InFreshThread([&c] {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      EXPECT_EQ(State().DeviceInfo.FirmwareMajor, c.major);
      EXPECT_EQ(State().DeviceInfo.FirmwareMinor, c.minor);
      EXPECT_EQ(State().DacInfo.RateMax, c.dacRateMax);
    });
  }
}

// Reads of more than 4096 bytes go in chunks of 4096 at the address and on;
// the read counts as done when any chunk was.
TEST_F(Backends, ModuleMemoryIsReadInChunksOf4096Bytes) {
  if (!kHandleCarriesMemory) GTEST_SKIP() << kNoMemoryOverPipe;
  Configure(R"({"modules":[{"library":"both","firmware":"3.7"}]})");
  struct Case {
    uint16_t address;
    uint32_t count;
    bool done;
  };
  const Case cases[] = {
      {0x0080, 5000, true},  // the second chunk holds the firmware bytes at 0x1080
      {0xF800, 4096, false},  // past the end of the module's memory
      {0xF800, 5000, true},   // the first chunk fails, the second (at 0x0800) is read
  };
  InFreshThread([&cases] {
    TLE14140 wrapper;
    std::vector<uint8_t> buffer(5000);
    EXPECT_FALSE(wrapper.ReadMemory(buffer.data(), 2, 0x1080));  // no module open
    ASSERT_TRUE(wrapper.OpenDevice(0));
    wrapper.TtlOut(0x1234);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.address);
      std::vector<uint8_t> read(c.count, 0xEE), module(c.count, 0xEE);
      EXPECT_EQ(wrapper.ReadMemory(read.data(), c.count, c.address), c.done);
      if (c.done) {
        SimReadMemory(0, c.address, module.data(), std::min<uint32_t>(c.count, 0x10000 - c.address));
        if (c.address + c.count > 0x10000) {
          std::fill_n(module.begin(), 4096, 0xEE);
          SimReadMemory(0, 0x0800, module.data() + 4096, c.count - 4096);
        }
        EXPECT_EQ(read, module);
      }
      if (c.address == 0x0080) {
        EXPECT_EQ(read[4096], 7);
      }
    }
  });
}

TEST_F(Backends, DacRateBecomesTheDivisorOf200kHz) {
  const std::pair<double, uint16_t> cases[] = {
      {200.0, 0}, {100.0, 1}, {66.0, 2}, {1.0, 199}, {0.0, 0}, {0.001, 65535},
  };
  InFreshThread([&cases] {
    TUE14140 wrapper;
    ASSERT_TRUE(wrapper.OpenDevice(0));
    for (const auto& [rateKHz, divisor] : cases) {
      SCOPED_TRACE(rateKHz);
      DacSettings settings;
      settings.RateKHz = rateKHz;
      settings.Points = 640;
      settings.StartCode0 = -5;
      ASSERT_TRUE(wrapper.WriteDacParams(settings));
      DacParamBlock block{};
      ASSERT_EQ(SimDacParamBlock(0, &block), 1);
      EXPECT_EQ(block.RateDivisor, divisor);
      EXPECT_EQ(block.Points, 640);
      EXPECT_EQ(static_cast<int16_t>(block.Code0), -5);
    }
  });
}

TEST_F(Backends, RevisionAWritesEachTwelveBitChannelOnItsOwnThroughBackEndTwo) {
  Configure(R"({"modules":[{"revision":"A","dacOffset":[10,-20],"dacGain":[1.5,1]}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    ASSERT_EQ(State().Backend, 2);
    DacInfoRecord& dac = State().DacInfo;
    EXPECT_EQ(dac.Resolution, 12);
    EXPECT_EQ(dac.RateMax, 0.0f);
    driver.IDAO_Value(1, 3000);
    EXPECT_EQ(driver.IDAO_Value(1), 2048);
    EXPECT_EQ(SimDacCode(0, 1), 2028);  // (2048 - 20) x 1
    dac.Channels[1].Value = 0;  // a level only recorded: sent when its own channel is written
    driver.IDAO_Value(0, 1000);
    EXPECT_EQ(SimDacCode(0, 0), 1515);  // (1000 + 10) x 1.5
    EXPECT_EQ(SimDacCode(0, 1), 2028);  // not resent with channel 0

    dac.Channels[0].Type = 1;  // DC
    dac.Channels[0].Amp = 100;
    dac.Channels[1].Type = 3;  // a sine, which revision A cannot replay
    StartDacOutput();
    EXPECT_EQ(SimDacCode(0, 0), 165);
    EXPECT_EQ(SimDacCode(0, 1), -20);
    EXPECT_FALSE(driver.IDAO_Busy());
    driver.IDAO_Value(1, 400);
    StopDacOutput();
    EXPECT_EQ(SimDacCode(0, 0), 15);
    EXPECT_EQ(SimDacCode(0, 1), -20);
  });
}

TEST_F(Backends, AnAdcStartRefusedOnTheWorkerEndsTheRecordingByItself) {
  Configure(R"({"modules":[{"faults":{"startAdcFails":true}}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(10000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());  // the refusal comes later, on the worker
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (driver.IADC3_Busy() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(driver.IADC3_Busy());
    EXPECT_EQ(SimAdcRunning(0), 0);
    EXPECT_EQ(driver.IADC3_InputData().Frames, 1);

    SimFailStartAdc(0, 0);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    while (driver.RecordingCounters().FramesDelivered == 0 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GT(driver.RecordingCounters().FramesDelivered, 0);
    driver.IADC3_StopRecord();
  });
}

}  // namespace
}  // namespace e14::testing
