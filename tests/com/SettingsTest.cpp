// The last release of the driver objects of a thread saves the settings to
// the registry; an object of a thread with fresh driver state loads them.
#include <gtest/gtest.h>

#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Tervo\\ADC\\L-Card\\E-140";

// HKEY_CURRENT_USER is the run's private key (UserKeySandbox.cpp); each
// test starts without driver settings.
class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    const LONG result = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND);
  }

  static bool RateStored() {
    return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"Rate", RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
  }

  static float RateOf(_E14_140* driver) {
    float rate = -1.0f;
    EXPECT_EQ(Query<ADCInterface3>(driver)->get_Rate(&rate), S_OK);
    return rate;
  }
};

TEST_F(Settings, SavedOnTheLastReleaseAndLoadedWithFreshState) {
  ComRef<_E14_140> one = CreateDriver();
  ComRef<_E14_140> two = CreateDriver();
  ASSERT_TRUE(one && two);
  float rate = 5000.0f;
  ASSERT_EQ(Query<ADCInterface3>(one.get())->put_Rate(&rate), S_OK);
  one = {};
  EXPECT_FALSE(RateStored()) << "another object still lives";
  two = {};
  EXPECT_TRUE(RateStored()) << "the last release saves";

  // A new thread has its own driver state: only the settings carry the rate.
  float loaded = 0.0f;
  InFreshApartment([&] {
    const ComRef<_E14_140> fresh = CreateDriver();
    ASSERT_TRUE(fresh);
    loaded = RateOf(fresh.get());
  });
  EXPECT_EQ(loaded, 5000.0f);
}

}  // namespace
}  // namespace e14::com::test
