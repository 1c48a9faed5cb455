// Every module both vendor libraries see, for tools that list modules before
// one is opened.
#pragma once

#include <string>
#include <vector>

#include "backend/DeviceBackend.h"

namespace e14 {

struct SurveyedModule {
  ModuleIdentity Identity;
  std::string Library;  // the vendor library that sees it
};

// Back-end 1's modules, then back-end 2's, of the calling thread's state; a
// back-end with a module open lists none.
std::vector<SurveyedModule> SurveyModules();

}  // namespace e14
