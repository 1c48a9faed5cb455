// list, info, settings: describing modules and the stored settings.
#include <iostream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "host/Arguments.h"
#include "host/Commands.h"
#include "settings/cRegistry.h"

namespace e14::host {

int Fail(int code, const std::string& message) {
  std::cerr << "e140: " << message << "\n";
  return code;
}

bool OpenModule(HostDriver& driver) {
  if (driver.Open()) return true;
  const std::string why = driver.LastError();
  Fail(1, "no module" + (why.empty() ? std::string() : ": " + why));
  return false;
}

int ListCommand(HostDriver& driver, bool json) {
  const auto modules = driver.ListModules();
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const ModuleSummary& m : modules)
      list.push_back({{"slot", m.Slot}, {"serial", m.Serial}, {"revision", m.Revision},
                      {"firmware", std::to_string(m.FirmwareMajor) + "." + std::to_string(m.FirmwareMinor)},
                      {"dac", m.HasDac}, {"library", m.Library}});
    std::cout << list.dump(2) << "\n";
  } else if (modules.empty()) {
    std::cout << "no module found\n";
  } else {
    std::cout << "slot  serial            rev  firmware  DAC  library\n";
    for (const ModuleSummary& m : modules) {
      char line[128];
      std::snprintf(line, sizeof line, "%4d  %-16s  %-3s  %2d.%-5d  %-3s  %s\n", m.Slot, m.Serial.c_str(),
                    m.Revision.c_str(), m.FirmwareMajor, m.FirmwareMinor, m.HasDac ? "yes" : "no",
                    m.Library.c_str());
      std::cout << line;
    }
  }
  return 0;
}

int InfoCommand(HostDriver& driver, int channels, const std::string& rateText, bool json) {
  double rate = 0;
  try {
    rate = ParsePositive(rateText, "rate");
  } catch (const std::invalid_argument& error) {
    return Fail(2, error.what());
  }
  if (channels < 1 || channels > 32) return Fail(2, "channel count must be 1..32");
  if (!OpenModule(driver)) return 1;
  std::vector<int16_t> table;
  for (int16_t c = 0; c < channels; ++c) table.push_back(c);
  driver.SetChannels(table);
  driver.SetRate(static_cast<float>(rate));
  const float achieved = driver.Rate();
  const auto ranges = driver.Ranges();
  if (json) {
    nlohmann::json info{{"name", driver.Name()},   {"board", driver.BoardInfo()},
                        {"ranges", ranges},        {"rate_max_hz", driver.RateMax()},
                        {"channels", channels},    {"requested_rate_hz", rate},
                        {"achieved_rate_hz", achieved}, {"dac_channels", driver.DacChannels()}};
    for (int16_t c = 0; c < 32; ++c) info["channel_names"].push_back(driver.ChannelName(c));
    std::cout << info.dump(2) << "\n";
    return 0;
  }
  std::string board = driver.BoardInfo();
  for (auto at = board.find('\r'); at != std::string::npos; at = board.find('\r')) board.erase(at, 1);
  std::cout << driver.Name() << "\n" << board << "\n\nranges:";
  for (size_t i = 0; i < ranges.size(); ++i) std::cout << "  " << i << ": " << ranges[i];
  std::cout << "\nchannels:";
  for (int16_t c = 0; c < 32; ++c) std::cout << (c % 8 == 0 ? "\n " : "") << " " << c << "=" << driver.ChannelName(c);
  std::cout << "\nmaximum total rate: " << driver.RateMax() << " Hz\n"
            << channels << " channel(s) at " << rate << " Hz run at " << achieved << " Hz per channel\n";
  return 0;
}

// The stored settings are read here from the registry, natively and beside
// the COM server alike; the driver says where they are.
int SettingsCommand(HostDriver& driver) {
  const std::string key = driver.SettingsKey();
  const std::string text =
      key.empty() ? "" : cRegistry().ExportKey(static_cast<uint32_t>(kHkeyCurrentUser), key, true);
  if (text.empty()) return Fail(1, "no settings stored yet");
  std::cout << text;
  return 0;
}

}  // namespace e14::host
