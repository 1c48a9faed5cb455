// The Sim test exports: thin C wrappers over the world and its modules.
#include "sim/SimControl.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "sim/World.h"

namespace {

using e14::sim::Module;
using e14::sim::World;

std::mutex configErrorLock;
std::string configError;

void SetConfigError(std::string text) {
  std::lock_guard lock(configErrorLock);
  configError = std::move(text);
}

// Runs `action` on the module of a slot; `fallback` when there is none.
template <typename Action, typename Result>
Result OnModule(int slot, Result fallback, Action action) {
  try {
    const std::shared_ptr<Module> module = World::Instance().At(slot);
    return module ? action(*module) : fallback;
  } catch (...) {
    return fallback;
  }
}

std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

}  // namespace

extern "C" {

int SimConfigure(const char* json) {
  try {
    std::string error;
    std::optional<e14::sim::WorldConfig> config;
    if (json == nullptr) {
      config = e14::sim::StartupConfig(error);
      if (!error.empty()) config.reset();
    } else {
      config = e14::sim::ParseConfig(json, error);
    }
    if (!config) {
      SetConfigError(error);
      return 0;
    }
    World::Instance().Configure(*config);
    SetConfigError("");
    return 1;
  } catch (const std::exception& e) {
    SetConfigError(e.what());
    return 0;
  }
}

const char* SimConfigError(void) {
  // The text lives until the next SimConfigure; tests read it right away.
  std::lock_guard lock(configErrorLock);
  return configError.c_str();
}

int SimSetLibraryPresent(const char* name, int present) {
  const auto flavour = e14::sim::FlavourNamed(Text(name));
  if (!flavour) return 0;
  World::Instance().SetLibraryPresent(*flavour, present != 0);
  return 1;
}

int SimSetLibraryVersion(const char* name, uint32_t version) {
  const auto flavour = e14::sim::FlavourNamed(Text(name));
  if (!flavour) return 0;
  World::Instance().SetLibraryVersion(*flavour, version);
  return 1;
}

void SimSetSpeedUp(double speedUp) {
  if (speedUp > 0) World::Instance().SetPace(speedUp, std::nullopt);
}

void SimSetUnpaced(int unpaced) { World::Instance().SetPace(std::nullopt, unpaced != 0); }

int SimSetPlugged(int slot, int plugged) {
  return OnModule(slot, 0, [&](Module& m) {
    m.SetPlugged(plugged != 0);
    return 1;
  });
}

int SimFailOpen(int slot, const char* text) {
  return OnModule(slot, 0, [&](Module& m) {
    m.SetOpenFailure(Text(text));
    return 1;
  });
}

int SimFailDescriptor(int slot, int fail) {
  return OnModule(slot, 0, [&](Module& m) {
    m.SetDescriptorFails(fail != 0);
    return 1;
  });
}

int SimFailStartAdc(int slot, int fail) {
  return OnModule(slot, 0, [&](Module& m) {
    m.SetStartAdcFails(fail != 0);
    return 1;
  });
}

int SimRefuseAdcParams(int slot, const char* text) {
  return OnModule(slot, 0, [&](Module& m) {
    m.SetAdcRefusal(Text(text));
    return 1;
  });
}

int SimSetTtlIn(int slot, uint16_t word) {
  return OnModule(slot, 0, [&](Module& m) {
    m.SetTtlIn(word);
    return 1;
  });
}

int SimModuleOpen(int slot) {
  return OnModule(slot, 0, [](Module& m) { return m.Observe().Open ? 1 : 0; });
}

int SimLastAdcParams(int slot, void* record) {
  return OnModule(slot, 0, [&](Module& m) {
    const auto params = m.Observe().LastAdcParams;
    if (!params || record == nullptr) return 0;
    std::memcpy(record, &*params, sizeof *params);
    return 1;
  });
}

int SimAdcRunning(int slot) {
  return OnModule(slot, 0, [](Module& m) { return m.Observe().AdcRunning ? 1 : 0; });
}

int32_t SimDacCode(int slot, int channel) {
  if (channel < 0 || channel > 1) return -1;
  return OnModule(slot, int32_t{-1},
                  [&](Module& m) { return int32_t{m.Observe().DacCodes[static_cast<size_t>(channel)]}; });
}

int32_t SimTtlOut(int slot) {
  return OnModule(slot, int32_t{-1}, [](Module& m) { return int32_t{m.Observe().TtlOut}; });
}

int SimTtlOutEnabled(int slot) {
  return OnModule(slot, 0, [](Module& m) { return m.Observe().TtlOutEnabled ? 1 : 0; });
}

int SimDacParamBlock(int slot, void* block) {
  return OnModule(slot, 0, [&](Module& m) {
    const auto written = m.Observe().DacBlock;
    if (!written || block == nullptr) return 0;
    std::memcpy(block, &*written, sizeof *written);
    return 1;
  });
}

uint32_t SimDacWaveform(int slot, uint16_t* words, uint32_t maxWords) {
  return OnModule(slot, uint32_t{0}, [&](Module& m) {
    const std::vector<uint16_t> wave = m.Observe(true).Waveform;
    if (words != nullptr && !wave.empty()) std::memcpy(words, wave.data(), std::min<size_t>(maxWords, wave.size()) * 2);
    return static_cast<uint32_t>(wave.size());
  });
}

int SimDacStreaming(int slot) {
  return OnModule(slot, 0, [](Module& m) { return m.Observe().DacStreaming ? 1 : 0; });
}

int SimReadMemory(int slot, uint32_t address, void* bytes, uint32_t count) {
  return OnModule(slot, 0, [&](Module& m) {
    return bytes != nullptr && m.PeekMemory(address, count, static_cast<uint8_t*>(bytes)) ? 1 : 0;
  });
}

uint64_t SimFramesProduced(int slot) {
  return OnModule(slot, uint64_t{0}, [](Module& m) { return m.FramesProduced(e14::sim::SteadyNowNs()); });
}

int64_t SimFrameTimeNs(int slot, uint64_t frameIndex) {
  return OnModule(slot, int64_t{0}, [&](Module& m) { return m.FrameTimeNs(frameIndex); });
}

}  // extern "C"

