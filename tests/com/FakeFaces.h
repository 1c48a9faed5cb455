// Stand-ins for the driver's faces that record what the script adapter hands
// them. They dispatch through the real type information and adapter.
#pragma once

#include <string>
#include <vector>

#include "server/ComConvert.h"
#include "server/DispatchFace.h"
#include "server/Kestrel.h"

namespace e14::com::test {

#define E14_UNUSED(signature) \
  STDMETHODIMP signature override { return E_NOTIMPL; }

// Lives on the stack: references are counted but never free it.
template <class Face>
class FakeFace : public DispatchFace<Face> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != __uuidof(Face)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<Face*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--references); }

  LONG references = 1;
  int calls = 0;
};

class FakeAdc final : public FakeFace<ADCInterface3> {
 public:
  // Fills all `*size` elements, as the core may for a buffer of that capacity.
  STDMETHODIMP GetData(short* data, LONG* size, LONG* unread, LONG* frames) override {
    ++calls;
    seenData = data;
    seenSize = *size;
    for (LONG i = 0; i < *size; ++i) data[i] = static_cast<short>(100 + i);
    *unread = 7;
    *frames = *size;
    return S_OK;
  }
  STDMETHODIMP put_Rate(float* rate) override {
    ++calls;
    seenRate = *rate;
    *rate = 1.5f;  // lands in the caller's variable only if passed by reference
    return S_OK;
  }
  STDMETHODIMP put_ChannelRange(short* index, short* range) override {
    ++calls;
    seenIndex = *index;
    seenRange = *range;
    return S_OK;
  }
  STDMETHODIMP get_InputChannels(SAFEARRAY** value) override {
    *value = ToSafeArray(std::vector<int16_t>{3, 0, 3});
    return S_OK;
  }
  STDMETHODIMP put_InputChannels(SAFEARRAY** table) override {
    ++calls;
    SafeArrayGetLBound(*table, 1, &seenLower);
    return FromSafeArray(*table, seenTable) ? S_OK : DISP_E_TYPEMISMATCH;
  }
  STDMETHODIMP GetKadr(SAFEARRAY** value) override {
    *value = nullptr;
    return S_OK;
  }
  STDMETHODIMP get_InputData(SAFEARRAY** value) override {
    *value = ToSafeArray(FrameArray{2, 3, {10, 11, 20, 21, 30, 31}});
    return S_OK;
  }
  STDMETHODIMP get_Ranges(SAFEARRAY** value) override {
    *value = ToSafeArray(std::vector<std::string>{"\u00B110 V", "\u00B12.5 V"});
    return S_OK;
  }

  short* seenData = nullptr;
  LONG seenSize = -1;
  float seenRate = 0.0f;
  short seenIndex = -1;
  short seenRange = -1;
  std::vector<int16_t> seenTable;
  LONG seenLower = -1;

  E14_UNUSED(get_ADCName(BSTR*))
  E14_UNUSED(get_Resolution(unsigned char*))
  E14_UNUSED(get_ChannelsCount(short*))
  E14_UNUSED(get_RateMax(float*))
  E14_UNUSED(get_Detected(VARIANT_BOOL*))
  E14_UNUSED(Test(VARIANT_BOOL*))
  E14_UNUSED(get_BasePort(short*))
  E14_UNUSED(get_Busy(VARIANT_BOOL*))
  E14_UNUSED(get_ChannelName(short*, BSTR*))
  E14_UNUSED(get_ChannelRange(short*, short*))
  E14_UNUSED(get_ChannelUnitScale(short*, float*))
  E14_UNUSED(get_ChannelUnitOffset(short*, float*))
  E14_UNUSED(get_ChannelUnitName(short*, BSTR*))
  E14_UNUSED(get_Rate(float*))
  E14_UNUSED(put_InputSizeData(LONG*))
  E14_UNUSED(get_InputSizeData(LONG*))
  E14_UNUSED(get_InputCountData(LONG*))
  E14_UNUSED(get_InputSizeKadrs(LONG*))
  E14_UNUSED(get_InputCountKadrs(LONG*))
  E14_UNUSED(get_InputCountChannels(short*))
  E14_UNUSED(GetChannel(short*, short*))
  E14_UNUSED(StartRecord(VARIANT_BOOL*))
  E14_UNUSED(StopRecord())
  E14_UNUSED(get_LastError(BSTR*))
  E14_UNUSED(ShowSetting(VARIANT_BOOL*))
  E14_UNUSED(get_Parent(IDispatch**))
};

class FakeDao final : public FakeFace<DAOInterface> {
 public:
  // Changes every element it was given, as the core limits them.
  STDMETHODIMP SetValues(short, short count, LONG* values, LONG* written) override {
    ++calls;
    seenCount = count;
    for (short i = 0; i < count; ++i) values[i] += 1000;
    *written = count;
    return S_OK;
  }
  STDMETHODIMP SetValuesReal(short, short count, double* values, LONG* written) override {
    ++calls;
    seenCount = count;
    for (short i = 0; i < count; ++i) values[i] = -values[i];
    *written = count;
    return S_OK;
  }

  short seenCount = -1;

  E14_UNUSED(get_Name(BSTR*))
  E14_UNUSED(get_Resolution(unsigned char*))
  E14_UNUSED(get_Detected(VARIANT_BOOL*))
  E14_UNUSED(get_Busy(VARIANT_BOOL*))
  E14_UNUSED(get_LastError(BSTR*))
  E14_UNUSED(get_ChannelsCount(short*))
  E14_UNUSED(get_ChannelName(short, BSTR*))
  E14_UNUSED(get_ChannelMax(short, LONG*))
  E14_UNUSED(get_ChannelMin(short, LONG*))
  E14_UNUSED(get_ChannelMaxReal(short, double*))
  E14_UNUSED(get_ChannelMinReal(short, double*))
  E14_UNUSED(get_RangesCount(short*))
  E14_UNUSED(get_Ranges(SAFEARRAY**))
  E14_UNUSED(get_ChannelRange(short, short*))
  E14_UNUSED(put_ChannelRange(short, short))
  E14_UNUSED(get_ChannelUnitScale(short, double*))
  E14_UNUSED(get_ChannelUnitOffset(short, double*))
  E14_UNUSED(get_ChannelUnitName(short, BSTR*))
  E14_UNUSED(get_Value(short, LONG*))
  E14_UNUSED(put_Value(short, LONG))
  E14_UNUSED(get_ValueReal(short, double*))
  E14_UNUSED(put_ValueReal(short, double))
};

#undef E14_UNUSED

}  // namespace e14::com::test
