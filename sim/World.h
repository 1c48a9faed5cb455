// Everything the stand-in libraries simulate: the two libraries' presence and
// versions, the pace of time and the modules on the virtual slots. One world
// per process, shared by both libraries and the Sim exports.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/Config.h"
#include "sim/Module.h"

namespace e14::sim {

class World {
 public:
  // Built at first use from the file named by E140SIM_CONFIG, or from the
  // default configuration when the variable is not set.
  static World& Instance();

  // Replaces libraries, pace and modules. Modules that are open keep running
  // for their opener, detached from the world.
  void Configure(const WorldConfig& config);
  // The module on a slot, null when there is none.
  std::shared_ptr<Module> At(int slot) const;

  LibraryConfig Library(Flavour flavour) const;
  void SetLibraryPresent(Flavour flavour, bool present);
  void SetLibraryVersion(Flavour flavour, uint32_t version);
  void SetPace(std::optional<double> speedUp, std::optional<bool> unpaced);

 private:
  World() = default;

  mutable std::mutex lock_;
  std::array<LibraryConfig, 2> libraries_{};
  double speedUp_ = 1;
  bool unpaced_ = false;
  std::array<std::shared_ptr<Module>, kModuleSlots> modules_{};
};

// The configuration a process starts with. A variable naming a missing or
// invalid file gives a world without modules and the reason in `error`.
WorldConfig StartupConfig(std::string& error);

}  // namespace e14::sim
