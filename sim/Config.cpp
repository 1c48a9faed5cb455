#include "sim/Config.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>

namespace e14::sim {
namespace {

using nlohmann::json;

// Parse failures travel as this exception up to ParseConfig.
struct ConfigError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A misspelt key would otherwise be ignored silently.
void OnlyKeys(const json& object, std::string_view where, std::initializer_list<std::string_view> keys) {
  if (!object.is_object()) throw ConfigError(std::string(where) + " must be an object");
  for (const auto& item : object.items()) {
    bool known = false;
    for (std::string_view key : keys) known = known || item.key() == key;
    if (!known) throw ConfigError("unknown key \"" + item.key() + "\" in " + std::string(where));
  }
}

void Read(const json& object, const char* key, double& value) {
  if (!object.contains(key)) return;
  const json& v = object.at(key);
  if (!v.is_number()) throw ConfigError(std::string(key) + " must be a number");
  value = v.get<double>();
}

void Read(const json& object, const char* key, bool& value) {
  if (!object.contains(key)) return;
  const json& v = object.at(key);
  if (!v.is_boolean()) throw ConfigError(std::string(key) + " must be true or false");
  value = v.get<bool>();
}

void Read(const json& object, const char* key, std::string& value) {
  if (!object.contains(key)) return;
  const json& v = object.at(key);
  if (!v.is_string()) throw ConfigError(std::string(key) + " must be a text");
  value = v.get<std::string>();
}

// Text that fills a fixed-width field of the module descriptor.
void ReadField(const json& object, const char* key, std::string& value, size_t width) {
  Read(object, key, value);
  if (value.size() > width)
    throw ConfigError(std::string(key) + " has at most " + std::to_string(width) + " characters");
}

int64_t ReadInteger(const json& object, const char* key, int64_t fallback, int64_t low, int64_t high) {
  if (!object.contains(key)) return fallback;
  const json& v = object.at(key);
  if (!v.is_number_integer() || v.get<int64_t>() < low || v.get<int64_t>() > high)
    throw ConfigError(std::string(key) + " must be an integer from " + std::to_string(low) +
                      " to " + std::to_string(high));
  return v.get<int64_t>();
}

template <size_t N>
void Read(const json& object, const char* key, std::array<double, N>& values) {
  if (!object.contains(key)) return;
  const json& v = object.at(key);
  if (!v.is_array() || v.size() != N)
    throw ConfigError(std::string(key) + " must be an array of " + std::to_string(N) + " numbers");
  for (size_t i = 0; i < N; ++i) {
    if (!v[i].is_number()) throw ConfigError(std::string(key) + " must hold numbers");
    values[i] = v[i].get<double>();
  }
}

// Integer 0x00030005, or text "3.5".
uint32_t ReadVersion(const json& v) {
  if (v.is_number_unsigned() && v.get<uint64_t>() <= 0xFFFFFFFFu) return v.get<uint32_t>();
  if (v.is_string()) {
    const std::string text = v.get<std::string>();
    const auto dot = text.find('.');
    try {
      size_t used = 0;
      const unsigned long major = std::stoul(text.substr(0, dot), &used);
      unsigned long minor = 0;
      if (used == dot && dot != std::string::npos) minor = std::stoul(text.substr(dot + 1), &used);
      if (major <= 0xFFFF && minor <= 0xFFFF && used > 0)
        return static_cast<uint32_t>(major << 16 | minor);
    } catch (const std::logic_error&) {
    }
  }
  throw ConfigError("version must be an integer or a text like \"3.12\"");
}

Signal ReadSignal(const json& v, const std::string& name) {
  const std::string where = "input " + name;
  if (!v.is_object() || !v.contains("type") || !v.at("type").is_string())
    throw ConfigError(where + " needs a \"type\"");
  const std::string type = v.at("type").get<std::string>();
  Signal s;
  if (type == "pattern") {
    OnlyKeys(v, where, {"type"});
  } else if (type == "dc") {
    OnlyKeys(v, where, {"type", "value"});
    s.Kind = SignalKind::Dc;
    Read(v, "value", s.Value);
  } else if (type == "sine") {
    OnlyKeys(v, where, {"type", "amplitude", "frequency", "phase", "offset"});
    s.Kind = SignalKind::Sine;
    Read(v, "amplitude", s.Amplitude);
    Read(v, "frequency", s.Frequency);
    Read(v, "phase", s.PhaseDeg);
    Read(v, "offset", s.Offset);
  } else if (type == "ramp") {
    OnlyKeys(v, where, {"type", "from", "to", "period"});
    s.Kind = SignalKind::Ramp;
    Read(v, "from", s.From);
    Read(v, "to", s.To);
    Read(v, "period", s.PeriodS);
    if (!(s.PeriodS > 0)) throw ConfigError(where + ": period must be above 0");
  } else if (type == "noise") {
    OnlyKeys(v, where, {"type", "amplitude", "offset", "seed"});
    s.Kind = SignalKind::Noise;
    Read(v, "amplitude", s.Amplitude);
    Read(v, "offset", s.Offset);
    s.Seed = static_cast<uint64_t>(ReadInteger(v, "seed", 0, 0, INT64_MAX));
  } else if (type == "dac") {
    OnlyKeys(v, where, {"type", "channel"});
    s.Kind = SignalKind::Dac;
    s.Channel = static_cast<int>(ReadInteger(v, "channel", 0, 0, 1));
  } else if (type == "ttl") {
    OnlyKeys(v, where, {"type", "bit", "high"});
    s.Kind = SignalKind::Ttl;
    s.Bit = static_cast<int>(ReadInteger(v, "bit", 0, 0, 15));
    Read(v, "high", s.High);
  } else {
    throw ConfigError(where + ": unknown type \"" + type + "\"");
  }
  return s;
}

void ReadFaults(const json& v, ModuleConfig& m) {
  OnlyKeys(v, "faults", {"openFails", "descriptorFails", "refuseAdcParams", "startAdcFails", "unplugged"});
  Read(v, "openFails", m.OpenFailure);
  Read(v, "descriptorFails", m.DescriptorFails);
  Read(v, "startAdcFails", m.StartAdcFails);
  Read(v, "refuseAdcParams", m.AdcParamsRefusal);
  Read(v, "unplugged", m.Unplugged);
}

ModuleConfig ReadModule(const json& v) {
  OnlyKeys(v, "module",
           {"slot", "serial", "revision", "firmware", "clockKHz", "adcOffset", "adcGain", "dac",
            "dacOffset", "dacGain", "library", "ttlLoopback", "ttlIn", "faults", "inputs"});
  ModuleConfig m;
  m.Slot = static_cast<int>(ReadInteger(v, "slot", 0, 0, kModuleSlots - 1));
  ReadField(v, "serial", m.Serial, kSerialLength);
  std::string revision(1, m.Revision);
  Read(v, "revision", revision);
  if (revision.size() != 1 || revision[0] < 'A' || revision[0] > 'Z')
    throw ConfigError("revision must be one letter A-Z");
  m.Revision = revision[0];
  ReadField(v, "firmware", m.Firmware, kFirmwareLength);
  Read(v, "clockKHz", m.ClockKHz);
  if (!(m.ClockKHz >= 1000 && m.ClockKHz <= 100000)) throw ConfigError("clockKHz must be 1000 to 100000");
  Read(v, "adcOffset", m.AdcOffset);
  Read(v, "adcGain", m.AdcGain);
  for (double gain : m.AdcGain)
    if (!(gain > 0)) throw ConfigError("adcGain factors must be above 0");
  Read(v, "dac", m.HasDac);
  Read(v, "dacOffset", m.DacOffset);
  Read(v, "dacGain", m.DacGain);
  for (double gain : m.DacGain)
    if (!(gain > 0)) throw ConfigError("dacGain factors must be above 0");
  std::string library = "LUsbApiU";
  Read(v, "library", library);
  if (library == "both") {
    m.SeenByLUsbApi3 = m.SeenByLUsbApiU = true;
  } else if (auto flavour = FlavourNamed(library)) {
    m.SeenByLUsbApi3 = *flavour == Flavour::LUsbApi3;
    m.SeenByLUsbApiU = *flavour == Flavour::LUsbApiU;
  } else {
    throw ConfigError("library must be \"LUsbApi3\", \"LUsbApiU\" or \"both\"");
  }
  Read(v, "ttlLoopback", m.TtlLoopback);
  m.TtlIn = static_cast<uint16_t>(ReadInteger(v, "ttlIn", 0, 0, 0xFFFF));
  if (v.contains("faults")) ReadFaults(v.at("faults"), m);
  if (v.contains("inputs")) {
    const json& inputs = v.at("inputs");
    if (!inputs.is_object()) throw ConfigError("inputs must be an object");
    for (const auto& item : inputs.items()) {
      const int index = InputIndex(item.key());
      if (index < 0) throw ConfigError("unknown input \"" + item.key() + "\"");
      m.Inputs[static_cast<size_t>(index)] = ReadSignal(item.value(), item.key());
    }
  }
  return m;
}

WorldConfig ReadWorld(const json& root) {
  OnlyKeys(root, "the configuration", {"libraries", "speedUp", "unpaced", "modules"});
  WorldConfig world;
  Read(root, "speedUp", world.SpeedUp);
  if (!(world.SpeedUp > 0)) throw ConfigError("speedUp must be above 0");
  Read(root, "unpaced", world.Unpaced);
  if (root.contains("libraries")) {
    const json& libraries = root.at("libraries");
    OnlyKeys(libraries, "libraries", {"LUsbApi3", "LUsbApiU"});
    for (const auto& item : libraries.items()) {
      LibraryConfig& library = world.Libraries[static_cast<size_t>(*FlavourNamed(item.key()))];
      OnlyKeys(item.value(), item.key(), {"present", "version"});
      Read(item.value(), "present", library.Present);
      if (item.value().contains("version")) library.Version = ReadVersion(item.value().at("version"));
    }
  }
  if (root.contains("modules")) {
    const json& modules = root.at("modules");
    if (!modules.is_array()) throw ConfigError("modules must be an array");
    world.Modules.clear();
    for (const json& module : modules) {
      ModuleConfig m = ReadModule(module);
      for (const ModuleConfig& other : world.Modules)
        if (other.Slot == m.Slot) throw ConfigError("two modules on slot " + std::to_string(m.Slot));
      world.Modules.push_back(std::move(m));
    }
  }
  return world;
}

}  // namespace

int InputIndex(std::string_view name) {
  int base = -1;
  std::string_view number;
  if (name.substr(0, 2) == "XY") {
    base = 32;
    number = name.substr(2);
  } else if (name.substr(0, 1) == "X" || name.substr(0, 1) == "Y") {
    base = name[0] == 'X' ? 0 : 16;
    number = name.substr(1);
  }
  if (base < 0 || number.empty() || number.size() > 2 || number[0] == '0') return -1;
  int n = 0;
  for (char c : number) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 16 ? base + n - 1 : -1;
}

std::optional<Flavour> FlavourNamed(std::string_view name) {
  if (name == "LUsbApi3") return Flavour::LUsbApi3;
  if (name == "LUsbApiU") return Flavour::LUsbApiU;
  return std::nullopt;
}

std::pair<uint8_t, uint8_t> FirmwareNumbers(const std::string& text) {
  auto number = [](const std::string& part) {
    unsigned value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') break;
      value = std::min(255u, value * 10 + static_cast<unsigned>(c - '0'));
    }
    return static_cast<uint8_t>(value);
  };
  const auto dot = text.find('.');
  if (dot == std::string::npos) return {number(text), 0};
  return {number(text.substr(0, dot)), number(text.substr(dot + 1))};
}

std::optional<WorldConfig> ParseConfig(std::string_view text, std::string& error) {
  try {
    return ReadWorld(json::parse(text));
  } catch (const json::exception& e) {
    error = e.what();
  } catch (const ConfigError& e) {
    error = e.what();
  }
  return std::nullopt;
}

}  // namespace e14::sim
