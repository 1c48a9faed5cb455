#include "server/AdcFace.h"

#include "server/ComConvert.h"
#include "server/Guard.h"

namespace e14::com {

namespace {
// Guarded for a member that takes an index by reference.
template <class T, class Body>
HRESULT GetAt(const short* index, T* out, Body&& body) noexcept {
  if (index == nullptr) return E_POINTER;
  return GuardedGet(out, [&] { return body(*index); });
}
}  // namespace

STDMETHODIMP AdcFace::get_ADCName(BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IADC3_ADCName()); });
}

STDMETHODIMP AdcFace::get_Resolution(unsigned char* value) {
  return GuardedGet(value, [&] { return Core().IADC3_Resolution(); });
}

STDMETHODIMP AdcFace::get_ChannelsCount(short* value) {
  return GuardedGet(value, [&] { return Core().IADC3_ChannelsCount(); });
}

STDMETHODIMP AdcFace::get_RateMax(float* value) {
  return GuardedGet(value, [&] { return Core().IADC3_RateMax(); });
}

STDMETHODIMP AdcFace::get_Ranges(SAFEARRAY** value) {
  return GuardedGet(value, [&] { return ToSafeArray(Core().IADC3_Ranges()); });
}

STDMETHODIMP AdcFace::get_Detected(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IADC3_Detected()); });
}

STDMETHODIMP AdcFace::Test(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IADC3_Test()); });
}

STDMETHODIMP AdcFace::get_BasePort(short* value) {
  return GuardedGet(value, [&] { return Core().IADC3_BasePort(); });
}

STDMETHODIMP AdcFace::get_Busy(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IADC3_Busy()); });
}

STDMETHODIMP AdcFace::get_ChannelName(short* index, BSTR* value) {
  return GetAt(index, value, [&](short i) { return ToBstr(Core().IADC3_ChannelName(i)); });
}

STDMETHODIMP AdcFace::get_ChannelRange(short* index, short* value) {
  return GetAt(index, value, [&](short i) { return Core().IADC3_ChannelRange(i); });
}

STDMETHODIMP AdcFace::put_ChannelRange(short* index, short* rangeIndex) {
  if (index == nullptr || rangeIndex == nullptr) return E_POINTER;
  return Guarded([&] {
    Core().IADC3_ChannelRange(*index, *rangeIndex);
    return S_OK;
  });
}

STDMETHODIMP AdcFace::get_ChannelUnitScale(short* index, float* value) {
  return GetAt(index, value, [&](short i) { return Core().IADC3_ChannelUnitScale(i); });
}

STDMETHODIMP AdcFace::get_ChannelUnitOffset(short* index, float* value) {
  return GetAt(index, value, [&](short i) { return Core().IADC3_ChannelUnitOffset(i); });
}

STDMETHODIMP AdcFace::get_ChannelUnitName(short* index, BSTR* value) {
  return GetAt(index, value, [&](short i) { return ToBstr(Core().IADC3_ChannelUnitName(i)); });
}

STDMETHODIMP AdcFace::get_Rate(float* value) {
  return GuardedGet(value, [&] { return Core().IADC3_Rate(); });
}

STDMETHODIMP AdcFace::put_Rate(float* rate) {
  if (rate == nullptr) return E_POINTER;
  return Guarded([&] {
    Core().IADC3_Rate(*rate);
    return S_OK;
  });
}

STDMETHODIMP AdcFace::put_InputSizeData(LONG* newSize) {
  if (newSize == nullptr) return E_POINTER;
  return Guarded([&] {
    Core().IADC3_InputSizeData(static_cast<int32_t>(*newSize));
    return S_OK;
  });
}

STDMETHODIMP AdcFace::get_InputSizeData(LONG* value) {
  return GuardedGet(value, [&] { return Core().IADC3_InputSizeData(); });
}

STDMETHODIMP AdcFace::get_InputCountData(LONG* value) {
  return GuardedGet(value, [&] { return Core().IADC3_InputCountData(); });
}

STDMETHODIMP AdcFace::get_InputSizeKadrs(LONG* value) {
  return GuardedGet(value, [&] { return Core().IADC3_InputSizeKadrs(); });
}

STDMETHODIMP AdcFace::get_InputCountKadrs(LONG* value) {
  return GuardedGet(value, [&] { return Core().IADC3_InputCountKadrs(); });
}

STDMETHODIMP AdcFace::get_InputCountChannels(short* value) {
  return GuardedGet(value, [&] { return Core().IADC3_InputCountChannels(); });
}

STDMETHODIMP AdcFace::get_InputChannels(SAFEARRAY** value) {
  return GuardedGet(value, [&] { return ToSafeArray(Core().IADC3_InputChannels()); });
}

STDMETHODIMP AdcFace::put_InputChannels(SAFEARRAY** table) {
  if (table == nullptr) return E_POINTER;
  return Guarded([&] {
    // An array never dimensioned arrives as null: the empty table.
    std::vector<int16_t> entries;
    if (*table != nullptr && !FromSafeArray(*table, entries)) return DISP_E_TYPEMISMATCH;
    Core().IADC3_InputChannels(entries);
    return S_OK;
  });
}

STDMETHODIMP AdcFace::GetChannel(short* index, short* value) {
  return GetAt(index, value, [&](short i) { return Core().IADC3_GetChannel(i); });
}

STDMETHODIMP AdcFace::GetKadr(SAFEARRAY** value) {
  return GuardedGet(value, [&]() -> SAFEARRAY* {
    const auto frame = Core().IADC3_GetKadr();
    return frame ? ToSafeArray(*frame) : nullptr;
  });
}

STDMETHODIMP AdcFace::StartRecord(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IADC3_StartRecord()); });
}

STDMETHODIMP AdcFace::StopRecord() {
  return Guarded([&] {
    Core().IADC3_StopRecord();
    return S_OK;
  });
}

STDMETHODIMP AdcFace::get_InputData(SAFEARRAY** value) {
  return GuardedGet(value, [&] {
    // The ring copies its frames straight into the host's array.
    SAFEARRAY* array = nullptr;
    Core().IADC3_InputData([&](int32_t channels, int32_t frames) {
      int16_t* data = nullptr;
      array = NewFrameArray(channels, frames, data);
      return data;
    });
    return array;
  });
}

STDMETHODIMP AdcFace::GetData(short* data, LONG* dataSize, LONG* inputCountData, LONG* value) {
  if (dataSize == nullptr || inputCountData == nullptr) return E_POINTER;
  return GuardedGet(value, [&] {
    // The core copies whole frames and never more than dataSize samples.
    int32_t size = *dataSize;
    int32_t unread = 0;
    const int32_t frames = Core().IADC3_GetData(data, size, unread);
    *dataSize = size;
    *inputCountData = unread;
    return frames;
  });
}

STDMETHODIMP AdcFace::get_LastError(BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IADC3_LastError()); });
}

STDMETHODIMP AdcFace::ShowSetting(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IADC3_ShowSetting()); });
}

STDMETHODIMP AdcFace::get_Parent(IDispatch** value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  return Identity().QueryInterface(IID_IDispatch, reinterpret_cast<void**>(value));
}

}  // namespace e14::com
