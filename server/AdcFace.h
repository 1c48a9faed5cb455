// ADCInterface3, the host's analog-input interface, over the core's IADC3_
// members. By-reference parameters must not be null (E_POINTER).
#pragma once

#include "server/FaceBase.h"
#include "server/Kestrel.h"

namespace e14::com {

class AdcFace final : public FaceBase<ADCInterface3> {
 public:
  using FaceBase::FaceBase;

  STDMETHODIMP get_ADCName(BSTR* value) override;
  STDMETHODIMP get_Resolution(unsigned char* value) override;
  STDMETHODIMP get_ChannelsCount(short* value) override;
  STDMETHODIMP get_RateMax(float* value) override;
  STDMETHODIMP get_Ranges(SAFEARRAY** value) override;
  STDMETHODIMP get_Detected(VARIANT_BOOL* value) override;
  STDMETHODIMP Test(VARIANT_BOOL* value) override;
  STDMETHODIMP get_BasePort(short* value) override;
  STDMETHODIMP get_Busy(VARIANT_BOOL* value) override;
  STDMETHODIMP get_ChannelName(short* index, BSTR* value) override;
  STDMETHODIMP get_ChannelRange(short* index, short* value) override;
  STDMETHODIMP put_ChannelRange(short* index, short* rangeIndex) override;
  STDMETHODIMP get_ChannelUnitScale(short* index, float* value) override;
  STDMETHODIMP get_ChannelUnitOffset(short* index, float* value) override;
  STDMETHODIMP get_ChannelUnitName(short* index, BSTR* value) override;
  STDMETHODIMP get_Rate(float* value) override;
  STDMETHODIMP put_Rate(float* rate) override;
  STDMETHODIMP put_InputSizeData(LONG* newSize) override;
  STDMETHODIMP get_InputSizeData(LONG* value) override;
  STDMETHODIMP get_InputCountData(LONG* value) override;
  STDMETHODIMP get_InputSizeKadrs(LONG* value) override;
  STDMETHODIMP get_InputCountKadrs(LONG* value) override;
  STDMETHODIMP get_InputCountChannels(short* value) override;
  STDMETHODIMP get_InputChannels(SAFEARRAY** value) override;
  STDMETHODIMP put_InputChannels(SAFEARRAY** table) override;
  STDMETHODIMP GetChannel(short* index, short* value) override;
  STDMETHODIMP GetKadr(SAFEARRAY** value) override;
  STDMETHODIMP StartRecord(VARIANT_BOOL* value) override;
  STDMETHODIMP StopRecord() override;
  STDMETHODIMP get_InputData(SAFEARRAY** value) override;
  STDMETHODIMP GetData(short* data, LONG* dataSize, LONG* inputCountData, LONG* value) override;
  STDMETHODIMP get_LastError(BSTR* value) override;
  STDMETHODIMP ShowSetting(VARIANT_BOOL* value) override;
  STDMETHODIMP get_Parent(IDispatch** value) override;
};

}  // namespace e14::com
