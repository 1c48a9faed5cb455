#include "server/DaoFace.h"

#include <algorithm>
#include <vector>

#include "server/ComConvert.h"
#include "server/Guard.h"

namespace e14::com {

STDMETHODIMP DaoFace::get_Name(BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IDAO_Name()); });
}

STDMETHODIMP DaoFace::get_Resolution(unsigned char* value) {
  return GuardedGet(value, [&] { return Core().IDAO_Resolution(); });
}

STDMETHODIMP DaoFace::get_Detected(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IDAO_Detected()); });
}

STDMETHODIMP DaoFace::get_Busy(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IDAO_Busy()); });
}

STDMETHODIMP DaoFace::get_LastError(BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IDAO_LastError()); });
}

STDMETHODIMP DaoFace::get_ChannelsCount(short* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelsCount(); });
}

STDMETHODIMP DaoFace::get_ChannelName(short index, BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IDAO_ChannelName(index)); });
}

STDMETHODIMP DaoFace::get_ChannelMax(short index, LONG* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelMax(index); });
}

STDMETHODIMP DaoFace::get_ChannelMin(short index, LONG* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelMin(index); });
}

STDMETHODIMP DaoFace::get_ChannelMaxReal(short index, double* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelMaxReal(index); });
}

STDMETHODIMP DaoFace::get_ChannelMinReal(short index, double* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelMinReal(index); });
}

STDMETHODIMP DaoFace::get_RangesCount(short* value) {
  return GuardedGet(value, [&] { return Core().IDAO_RangesCount(); });
}

STDMETHODIMP DaoFace::get_Ranges(SAFEARRAY** value) {
  return GuardedGet(value, [&] { return ToSafeArray(Core().IDAO_Ranges()); });
}

STDMETHODIMP DaoFace::get_ChannelRange(short index, short* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelRange(index); });
}

STDMETHODIMP DaoFace::put_ChannelRange(short index, short rangeIndex) {
  return Guarded([&] {
    Core().IDAO_ChannelRange(index, rangeIndex);
    return S_OK;
  });
}

STDMETHODIMP DaoFace::get_ChannelUnitScale(short index, double* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelUnitScale(index); });
}

STDMETHODIMP DaoFace::get_ChannelUnitOffset(short index, double* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ChannelUnitOffset(index); });
}

STDMETHODIMP DaoFace::get_ChannelUnitName(short index, BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IDAO_ChannelUnitName(index)); });
}

STDMETHODIMP DaoFace::get_Value(short index, LONG* value) {
  return GuardedGet(value, [&] { return Core().IDAO_Value(index); });
}

STDMETHODIMP DaoFace::put_Value(short index, LONG value) {
  return Guarded([&] {
    Core().IDAO_Value(index, static_cast<int32_t>(value));
    return S_OK;
  });
}

STDMETHODIMP DaoFace::get_ValueReal(short index, double* value) {
  return GuardedGet(value, [&] { return Core().IDAO_ValueReal(index); });
}

STDMETHODIMP DaoFace::put_ValueReal(short index, double value) {
  return Guarded([&] {
    Core().IDAO_ValueReal(index, value);
    return S_OK;
  });
}

STDMETHODIMP DaoFace::SetValues(short first, short count, LONG* values, LONG* written) {
  return GuardedGet(written, [&]() -> int32_t {
    if (values == nullptr || count < 1) return Core().IDAO_SetValues(first, count, nullptr);
    // LONG and int32_t are distinct types of one size: copy rather than alias.
    std::vector<int32_t> run(values, values + count);
    const int32_t result = Core().IDAO_SetValues(first, count, run.data());
    std::copy(run.begin(), run.end(), values);
    return result;
  });
}

STDMETHODIMP DaoFace::SetValuesReal(short first, short count, double* values, LONG* written) {
  return GuardedGet(written, [&] { return Core().IDAO_SetValuesReal(first, count, values); });
}

}  // namespace e14::com
