// What the e140 tool asks of the driver beyond the host interfaces: the
// modules the vendor libraries see, the open module's description, where the
// settings are kept, and a generated waveform started and stopped. The COM
// server's IDriverTools is this object behind COM; e140 on POSIX calls it
// directly. Every member works on the calling thread's driver state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generator/WaveStart.h"

namespace e14 {

// One line of the module list.
struct ModuleRow {
  int16_t Slot = 0;
  std::string Serial;    // "???" when the descriptor cannot be read
  std::string Revision;  // one letter, empty when unknown
  int16_t FirmwareMajor = 0;
  int16_t FirmwareMinor = 0;
  bool HasDac = false;
  std::string Library;  // the vendor library that sees the module
};

class DriverTools {
 public:
  // Back-end 1's modules, then back-end 2's; a back-end with a module open
  // lists none.
  std::vector<ModuleRow> Modules() const;
  // The open module's description; empty before a module was opened.
  std::string BoardInfo() const;
  // The key of the driver's settings under HKEY_CURRENT_USER.
  std::string SettingsKey() const;
  // As StartGeneratedWave.
  bool StartWave(const WaveRequest& request) const;
  void StopWave() const;
};

}  // namespace e14
