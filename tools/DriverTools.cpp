#include "tools/DriverTools.h"

#include "driver/mE14_x40.h"

namespace e14 {

std::vector<ModuleRow> DriverTools::Modules() const {
  std::vector<ModuleRow> rows;
  for (const SurveyedModule& module : SurveyModules()) {
    const ModuleIdentity& id = module.Identity;
    rows.push_back({id.Slot, id.Serial, id.Revision ? std::string(1, id.Revision) : "", id.FirmwareMajor,
                    id.FirmwareMinor, id.HasDac, module.Library});
  }
  return rows;
}

std::string DriverTools::BoardInfo() const { return State().DeviceInfo.BoardInfo; }

std::string DriverTools::SettingsKey() const { return State().SettingsKeyPath; }

bool DriverTools::StartWave(const WaveRequest& request) const { return StartGeneratedWave(request); }

void DriverTools::StopWave() const { StopDacOutput(); }

}  // namespace e14
