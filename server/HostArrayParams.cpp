#include "server/HostArrayParams.h"

#include "server/DispatchIds.h"
#include "server/Kestrel.h"

namespace e14::com {

namespace {
struct Entry {
  const IID& face;
  DISPID member;
  HostArrayParam param;
};

// GetData(Data, DataSize, InputCountData): DataSize is Data's capacity.
// SetValues[Real](ChFirst, ChCount, ChValues): ChCount values are read and written back.
const Entry kEntries[] = {
    {__uuidof(ADCInterface3), DISPID_ADC_GETDATA, {0, 1}},
    {__uuidof(DAOInterface), DISPID_DAO_SETVALUES, {2, 1}},
    {__uuidof(DAOInterface), DISPID_DAO_SETVALUESREAL, {2, 1}},
};
}  // namespace

const HostArrayParam* FindHostArrayParam(REFIID face, DISPID member) {
  for (const Entry& entry : kEntries)
    if (IsEqualIID(entry.face, face) && entry.member == member) return &entry.param;
  return nullptr;
}

}  // namespace e14::com
