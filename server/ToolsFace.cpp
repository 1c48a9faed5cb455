#include "server/ToolsFace.h"

#include <new>

#include "server/ComConvert.h"
#include "server/Guard.h"
#include "server/ScriptArrays.h"
#include "server/ToolsColumns.h"

namespace e14::com {

namespace {

// Puts `value` at (row, column) and clears it; the array keeps a copy.
void Put(SAFEARRAY* array, LONG row, LONG column, VARIANT& value) {
  LONG at[] = {row, column};
  const HRESULT result = SafeArrayPutElement(array, at, &value);
  VariantClear(&value);
  if (FAILED(result)) throw std::bad_alloc();
}

void PutShort(SAFEARRAY* array, LONG row, LONG column, int16_t number) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I2;
  V_I2(&value) = number;
  Put(array, row, column, value);
}

void PutText(SAFEARRAY* array, LONG row, LONG column, const std::string& text) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_BSTR;
  V_BSTR(&value) = ToBstr(text);
  Put(array, row, column, value);
}

void PutBool(SAFEARRAY* array, LONG row, LONG column, bool flag) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_BOOL;
  V_BOOL(&value) = ToVariantBool(flag);
  Put(array, row, column, value);
}

SAFEARRAY* ModuleTable(const std::vector<ModuleRow>& modules) {
  SAFEARRAYBOUND bounds[] = {{static_cast<ULONG>(modules.size()), 0}, {kModuleColumns, 0}};
  SafeArrayPtr table(SafeArrayCreate(VT_VARIANT, 2, bounds));
  if (!table) throw std::bad_alloc();
  for (LONG row = 0; row < static_cast<LONG>(modules.size()); ++row) {
    const ModuleRow& module = modules[row];
    PutShort(table.get(), row, kColumnSlot, module.Slot);
    PutText(table.get(), row, kColumnSerial, module.Serial);
    PutText(table.get(), row, kColumnRevision, module.Revision);
    PutShort(table.get(), row, kColumnFirmwareMajor, module.FirmwareMajor);
    PutShort(table.get(), row, kColumnFirmwareMinor, module.FirmwareMinor);
    PutBool(table.get(), row, kColumnHasDac, module.HasDac);
    PutText(table.get(), row, kColumnLibrary, module.Library);
  }
  return table.release();
}

}  // namespace

STDMETHODIMP ToolsFace::get_Modules(SAFEARRAY** value) {
  return GuardedGet(value, [this] { return ModuleTable(tools_.Modules()); });
}

STDMETHODIMP ToolsFace::get_BoardInfo(BSTR* value) {
  return GuardedGet(value, [this] { return ToBstr(tools_.BoardInfo()); });
}

STDMETHODIMP ToolsFace::get_SettingsKey(BSTR* value) {
  return GuardedGet(value, [this] { return ToBstr(tools_.SettingsKey()); });
}

STDMETHODIMP ToolsFace::StartWave(short channel, short type, short amplitude, short baseline,
                                  float frequency, float phase, VARIANT_BOOL* value) {
  return GuardedGet(value, [&] {
    return ToVariantBool(tools_.StartWave({channel, type, amplitude, baseline, frequency, phase}));
  });
}

STDMETHODIMP ToolsFace::StopWave() {
  return Guarded([this] {
    tools_.StopWave();
    return S_OK;
  });
}

}  // namespace e14::com
