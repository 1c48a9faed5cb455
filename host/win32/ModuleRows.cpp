#include "host/win32/ModuleRows.h"

#include <stdexcept>

#include "server/ComConvert.h"
#include "server/ScriptArrays.h"
#include "server/ToolsColumns.h"

namespace e14::host {

namespace {

// One cell, converted to `type`; throws when it cannot be.
class Cell {
 public:
  Cell(SAFEARRAY* table, LONG row, long column, VARTYPE type) {
    VariantInit(&value_);
    LONG at[] = {row, static_cast<LONG>(column)};
    VARIANT stored;
    VariantInit(&stored);
    const bool read = SUCCEEDED(SafeArrayGetElement(table, at, &stored));
    const bool converted = read && SUCCEEDED(VariantChangeType(&value_, &stored, 0, type));
    VariantClear(&stored);
    if (!converted) throw std::runtime_error("the driver's module list is not readable");
  }
  ~Cell() { VariantClear(&value_); }
  Cell(const Cell&) = delete;
  Cell& operator=(const Cell&) = delete;

  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

int Number(SAFEARRAY* table, LONG row, long column) { return V_I4(&*Cell(table, row, column, VT_I4)); }

std::string Text(SAFEARRAY* table, LONG row, long column) {
  return com::FromBstr(V_BSTR(&*Cell(table, row, column, VT_BSTR)));
}

bool Flag(SAFEARRAY* table, LONG row, long column) {
  return com::FromVariantBool(V_BOOL(&*Cell(table, row, column, VT_BOOL)));
}

}  // namespace

std::vector<ModuleSummary> TakeModules(SAFEARRAY* table) {
  const com::SafeArrayPtr owned(table);
  LONG rows = -1, columns = -1;
  if (table == nullptr || SafeArrayGetDim(table) != 2 || FAILED(SafeArrayGetUBound(table, 1, &rows)) ||
      FAILED(SafeArrayGetUBound(table, 2, &columns)) || columns + 1 < com::kModuleColumns)
    throw std::runtime_error("the driver's module list is not readable");
  std::vector<ModuleSummary> modules;
  for (LONG row = 0; row <= rows; ++row) {
    using namespace com;
    modules.push_back({Number(table, row, kColumnSlot), Text(table, row, kColumnSerial),
                       Text(table, row, kColumnRevision), Number(table, row, kColumnFirmwareMajor),
                       Number(table, row, kColumnFirmwareMinor), Flag(table, row, kColumnHasDac),
                       Text(table, row, kColumnLibrary)});
  }
  return modules;
}

}  // namespace e14::host
