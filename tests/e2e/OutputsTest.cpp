// DAC levels, waveform replay and the TTL port, seen from the module's side.
#include "generator/tDAO_140M.h"
#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

using Outputs = EndToEnd;

TEST_F(Outputs, SecondBackendCalibratesAndWritesBothChannelsTogether) {
  Configure(R"({"modules":[{"dacOffset":[10,-20],"dacGain":[1.001,0.999]}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IDAO_Value(0, 1000);
    EXPECT_EQ(SimDacCode(0, 0), 1011);  // (1000 + 10) x 1.001 = 1011.01
    EXPECT_EQ(SimDacCode(0, 1), -20);   // (0 - 20) x 0.999, resent with channel 0
    driver.IDAO_Value(1, 40000);        // limited to 32767 before calibration
    EXPECT_EQ(SimDacCode(0, 1), 32714);
    driver.IDAO_ValueReal(0, -9.0);
    EXPECT_EQ(driver.IDAO_Value(0), -32767);
    EXPECT_EQ(SimDacCode(0, 0), -32767);  // calibration beyond the range is limited too
  });
}

TEST_F(Outputs, FirstBackendAddsTheZeroCode) {
  Configure(R"({"modules":[{"library":"both","revision":"A","dacOffset":[-100,-100.5]}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    ASSERT_EQ(State().Backend, 1);
    EXPECT_EQ(State().DacInfo.Channels[0].ZeroCal, -100);
    EXPECT_EQ(State().DacInfo.Channels[1].ZeroCal, 0);
    driver.IDAO_Value(0, 500);
    EXPECT_EQ(SimDacCode(0, 0), 400);
    driver.IDAO_Value(1, 3000);
    EXPECT_EQ(driver.IDAO_Value(1), 2048);
    EXPECT_EQ(SimDacCode(0, 1), 2047);  // the 12-bit converter itself ends at 2047
    StopDacOutput();
    EXPECT_EQ(SimDacCode(0, 0), -100);
    EXPECT_EQ(driver.IDAO_Value(0), 0);
  });
}

// The first library writes 12-bit codes whatever the module's revision: the
// level looped back to an input is the level asked for.
TEST_F(Outputs, FirstBackendLevelsLoopBackOnEveryRevision) {
  for (const char* revision : {"A", "B"}) {
    Configure(std::string(R"({"modules":[{"library":"LUsbApi3","revision":")") + revision +
              R"(","inputs":{"XY1":{"type":"dac","channel":0}}}]})");
    InFreshThread([revision] {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      driver.IDAO_ValueReal(0, 2.5);
      EXPECT_NEAR(driver.IADC3_GetChannel(0), 2000, 2) << "revision " << revision;  // 2.5 V x 800 codes/V
    });
  }
}

TEST_F(Outputs, WaveformReplayUploadsTheBuildAndItsParameterBlock) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    DacInfoRecord& dac = State().DacInfo;
    dac.Rate = 1000.0f;
    dac.Channels[0].Type = 3;  // sine
    dac.Channels[0].Amp = 10000;
    dac.Channels[1].Type = 1;  // DC
    dac.Channels[1].Amp = 500;
    BuildDacWave();
    ASSERT_EQ(dac.WaveLength, 5000);
    StartDacOutput();
    EXPECT_TRUE(driver.IDAO_Busy());
    EXPECT_EQ(SimDacStreaming(0), 1);
    DacParamBlock block{};
    ASSERT_EQ(SimDacParamBlock(0, &block), 1);
    EXPECT_EQ(block.RateDivisor, 0);  // 200 kHz
    EXPECT_EQ(block.Control, 17);
    EXPECT_EQ(block.Points, 5000);
    std::vector<uint16_t> words(20000);
    const uint32_t uploaded = SimDacWaveform(0, words.data(), static_cast<uint32_t>(words.size()));
    EXPECT_EQ(uploaded, 2u * 5120u);  // whole runs of 128 points
    for (uint32_t k = 0; k < 5000; ++k) {
      ASSERT_EQ(static_cast<int16_t>(words[2 * k]), State().DacWave[2 * (k + 1)]) << k;
      ASSERT_EQ(static_cast<int16_t>(words[2 * k + 1]), 500) << k;
    }
    StopDacOutput();
    EXPECT_FALSE(driver.IDAO_Busy());
    EXPECT_EQ(SimDacStreaming(0), 0);
  });
}

TEST_F(Outputs, TtlOutputsAreEnabledOnceAndLoopBackToTheInputs) {
  Configure(R"({"modules":[{"ttlLoopback":true}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(SimTtlOutEnabled(0), 0);
    driver.IDIO_DOValue(0xA5C3);
    EXPECT_EQ(SimTtlOutEnabled(0), 1);
    EXPECT_EQ(SimTtlOut(0), 0xA5C3);
    EXPECT_EQ(driver.IDIO_DIValue(), 0xA5C3);
    driver.IDIO_DOValue(0x0001);
    EXPECT_EQ(driver.IDIO_DIValue(), 0x0001);
  });
}

TEST_F(Outputs, OpeningReadsTheInputWord) {
  Configure(R"({"modules":[{"ttlIn":4660}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(State().DioState.DIValue, 4660);
  });
}

TEST_F(Outputs, OpeningReadsTheOutputWordTheModuleAlreadyDrives) {
  if (!kHandleCarriesMemory) GTEST_SKIP() << kNoMemoryOverPipe;
  InFreshThread([] {
    {
      E14_140 first;
      ASSERT_TRUE(first.IADC3_Test());
      first.IDIO_DOValue(0x0F0F);
    }
    E14_140 second;
    ASSERT_TRUE(second.IADC3_Test());
    EXPECT_EQ(second.IDIO_DOValue(), 0x0F0F);  // from module memory 0x400
  });
}

}  // namespace
}  // namespace e14::testing
