#include "sim/World.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e14::sim {

World& World::Instance() {
  // Never destroyed: server threads of modules still open at exit may run
  // past static destruction.
  static World* world = [] {
    auto* w = new World;
    std::string error;
    w->Configure(StartupConfig(error));
    if (!error.empty()) std::fprintf(stderr, "E140SIM_CONFIG: %s\n", error.c_str());
    return w;
  }();
  return *world;
}

void World::Configure(const WorldConfig& config) {
  std::lock_guard lock(lock_);
  libraries_ = config.Libraries;
  speedUp_ = config.SpeedUp;
  unpaced_ = config.Unpaced;
  modules_ = {};
  for (const ModuleConfig& m : config.Modules)
    modules_[static_cast<size_t>(m.Slot)] = std::make_shared<Module>(m, speedUp_, unpaced_);
}

std::shared_ptr<Module> World::At(int slot) const {
  if (slot < 0 || slot >= kModuleSlots) return nullptr;
  std::lock_guard lock(lock_);
  return modules_[static_cast<size_t>(slot)];
}

LibraryConfig World::Library(Flavour flavour) const {
  std::lock_guard lock(lock_);
  return libraries_[static_cast<size_t>(flavour)];
}

void World::SetLibraryPresent(Flavour flavour, bool present) {
  std::lock_guard lock(lock_);
  libraries_[static_cast<size_t>(flavour)].Present = present;
}

void World::SetLibraryVersion(Flavour flavour, uint32_t version) {
  std::lock_guard lock(lock_);
  libraries_[static_cast<size_t>(flavour)].Version = version;
}

void World::SetPace(std::optional<double> speedUp, std::optional<bool> unpaced) {
  std::lock_guard lock(lock_);
  speedUp_ = speedUp.value_or(speedUp_);
  unpaced_ = unpaced.value_or(unpaced_);
  for (const auto& module : modules_)
    if (module) module->SetPace(speedUp_, unpaced_);
}

WorldConfig StartupConfig(std::string& error) {
  const char* path = std::getenv("E140SIM_CONFIG");
  if (path == nullptr || *path == '\0') return WorldConfig{};
  std::ifstream file(path, std::ios::binary);
  std::optional<WorldConfig> config;
  if (!file) {
    error = std::string("cannot read ") + path;
  } else {
    std::ostringstream text;
    text << file.rdbuf();
    config = ParseConfig(text.str(), error);
    if (!config) error = std::string(path) + ": " + error;
  }
  if (config) return *config;
  WorldConfig empty;
  empty.Modules.clear();
  return empty;
}

}  // namespace e14::sim
