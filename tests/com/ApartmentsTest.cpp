// Several host threads, each a single-threaded apartment with driver objects
// of its own, opening, recording and releasing at once: each sees whole
// frames of its own module in order.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sim/SimControl.h"
#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

// Frames of the stand-in's test pattern, checked one by one: position c
// holds c in its low five bits, and frame numbers follow each other.
class FrameOrder {
 public:
  bool Take(const short* samples, long frames, int channels) {
    for (long f = 0; f < frames; ++f) {
      const auto* frame = reinterpret_cast<const unsigned short*>(samples) + f * channels;
      const int number = (frame[0] >> 5) & 0x7FF;
      if (next_ >= 0 && number != next_) return false;
      for (int c = 0; c < channels; ++c)
        if ((frame[c] & 0x1F) != c || ((frame[c] >> 5) & 0x7FF) != number) return false;
      next_ = (number + 1) & 0x7FF;
      ++seen_;
    }
    return true;
  }
  long Seen() const { return seen_; }

 private:
  int next_ = -1;
  long seen_ = 0;
};

// One apartment's recording on whichever module it opens.
void RecordInApartment(std::atomic<int>& recorded) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  {
    ComRef<_E14_140> driver = CreateDriver();
    ComRef<ADCInterface3> adc = Query<ADCInterface3>(driver.get());
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(adc->Test(&ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    SAFEARRAY* table = SafeArrayCreateVector(VT_I2, 0, 2);
    for (LONG i = 0; i < 2; ++i) {
      short channel = static_cast<short>(i);
      SafeArrayPutElement(table, &i, &channel);
    }
    ASSERT_EQ(adc->put_InputChannels(&table), S_OK);
    SafeArrayDestroy(table);
    float rate = 20000.0f;
    ASSERT_EQ(adc->put_Rate(&rate), S_OK);
    ASSERT_EQ(adc->StartRecord(&ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    FrameOrder order;
    std::vector<short> buffer(2 * 1001);
    for (int polls = 0; polls < 2000 && order.Seen() < 4000; ++polls) {
      long size = static_cast<long>(buffer.size()), unread = 0, frames = 0;
      ASSERT_EQ(adc->GetData(buffer.data(), &size, &unread, &frames), S_OK);
      ASSERT_TRUE(order.Take(buffer.data(), frames, 2)) << "a frame out of order or torn";
      Sleep(2);
    }
    EXPECT_GE(order.Seen(), 4000);
    ASSERT_EQ(adc->StopRecord(), S_OK);
    ++recorded;
  }
  CoUninitialize();
}

TEST(Apartments, EachApartmentRecordsItsOwnModule) {
  // One module per library: two apartments opening at once get one each.
  ASSERT_EQ(SimConfigure(R"({"modules":[{"slot":0,"serial":"APT0","library":"LUsbApi3"},
    {"slot":1,"serial":"APT1","library":"LUsbApiU"}]})"), 1) << SimConfigError();
  std::atomic<int> recorded{0};
  std::vector<std::thread> hosts;
  for (int round = 0; round < 3; ++round) {
    for (int t = 0; t < 2; ++t) hosts.emplace_back([&] { RecordInApartment(recorded); });
    // Apartments with no module of their own create and release meanwhile.
    hosts.emplace_back([] {
      for (int i = 0; i < 10; ++i)
        InFreshApartment([] { EXPECT_TRUE(CreateDriver()); });
    });
    for (std::thread& host : hosts) host.join();
    hosts.clear();
  }
  EXPECT_EQ(recorded, 6);
  ASSERT_EQ(SimConfigure(nullptr), 1);
}

}  // namespace
}  // namespace e14::com::test
