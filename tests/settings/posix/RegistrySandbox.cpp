// The file store lives below XDG_CONFIG_HOME, which ConfigHome.cpp points at
// a folder of the test run's own: each test starts and ends with no store there.
#include "tests/settings/RegistryFixture.h"
#include "tests/support/ConfigHome.h"

namespace e14 {

RegistrySandbox::RegistrySandbox() { testing::ForgetDriverSettings(); }
RegistrySandbox::~RegistrySandbox() { testing::ForgetDriverSettings(); }

}  // namespace e14
