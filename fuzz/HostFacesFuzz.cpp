// A host driving one driver object through its faces with arbitrary calls
// and arguments, against the simulated modules running unpaced (every
// sample due at once, so recordings overflow at will). Each input runs on a
// fresh host thread, with its own driver state, and ends with the recording
// stopped, so inputs do not depend on each other.
#include <fuzzer/FuzzedDataProvider.h>

#include <thread>

#include "backend/DeviceBackend.h"
#include "fuzz/Check.h"
#include "fuzz/HostCalls.h"
#include "fuzz/PrivateConfigHome.h"
#include "sim/SimControl.h"

namespace {

// The worlds an input may choose: the default module (revision B, second
// library), a revision A module both libraries see, revision B through the
// first library, and no module at all.
const char* const kWorlds[] = {
    "{}",
    R"({"modules": [{"library": "both", "revision": "A"}]})",
    R"({"modules": [{"library": "LUsbApi3"}]})",
    R"({"modules": []})",
};
constexpr int kMaxCalls = 64;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  e14::fuzz::UsePrivateConfigHome();
  e14::InstallDeviceBackends();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  e14::fuzz::ClearStore();
  const char* world = kWorlds[input.ConsumeIntegralInRange<size_t>(0, std::size(kWorlds) - 1)];
  E14_FUZZ_CHECK(SimConfigure(world) == 1);
  SimSetUnpaced(1);
  std::thread host([&input] {
    e14::E14_140 driver;
    e14::fuzz::HostCalls calls(driver, input);
    for (int i = 0; i < kMaxCalls && input.remaining_bytes() > 0; ++i) calls.Next();
    calls.Finish();
  });
  host.join();
  return 0;
}
