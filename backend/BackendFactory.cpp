#include "backend/DeviceBackend.h"
#include "backend/mE140_LDev.h"
#include "backend/mE140_LDevU.h"
#include "driver/mE14_x40.h"

namespace e14 {

void InstallDeviceBackends() {
  InstallBackendFactory([](int16_t which) -> std::unique_ptr<Backend> {
    if (which == 1) return std::make_unique<mE140_LDev>();
    return std::make_unique<mE140_LDevU>();
  });
}

}  // namespace e14
