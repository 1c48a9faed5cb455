// Every COM test runs in a single-threaded apartment, as the hosts do.
#include <objbase.h>

#include <gtest/gtest.h>

namespace {

class Apartment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new Apartment);

}  // namespace
