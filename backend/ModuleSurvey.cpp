#include "backend/ModuleSurvey.h"

#include "driver/mE14_x40.h"

namespace e14 {

std::vector<SurveyedModule> SurveyModules() {
  static const char* const kLibraries[] = {"LUsbApi3", "LUsbApiU"};
  std::vector<SurveyedModule> modules;
  for (int16_t which = 1; which <= 2; ++which) {
    auto* backend = dynamic_cast<DeviceBackend*>(BackendAt(which));
    if (backend == nullptr) continue;
    for (ModuleIdentity& id : backend->Survey()) modules.push_back({std::move(id), kLibraries[which - 1]});
  }
  return modules;
}

}  // namespace e14
