// Columns of IDriverTools::Modules, a (module, column) array of VARIANTs.
#pragma once

namespace e14::com {

enum ModuleColumn : long {
  kColumnSlot,           // VT_I2
  kColumnSerial,         // VT_BSTR
  kColumnRevision,       // VT_BSTR, empty when unknown
  kColumnFirmwareMajor,  // VT_I2
  kColumnFirmwareMinor,  // VT_I2
  kColumnHasDac,         // VT_BOOL
  kColumnLibrary,        // VT_BSTR
  kModuleColumns
};

}  // namespace e14::com
