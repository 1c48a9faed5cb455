// DAOInterface, the host's analog-output interface, over the core's IDAO_
// members. SetValues and SetValuesReal read and write back ChCount elements
// starting at ChValues, as the host's array passed by its first element.
#pragma once

#include "server/FaceBase.h"
#include "server/Kestrel.h"

namespace e14::com {

class DaoFace final : public FaceBase<DAOInterface> {
 public:
  using FaceBase::FaceBase;

  STDMETHODIMP get_Name(BSTR* value) override;
  STDMETHODIMP get_Resolution(unsigned char* value) override;
  STDMETHODIMP get_Detected(VARIANT_BOOL* value) override;
  STDMETHODIMP get_Busy(VARIANT_BOOL* value) override;
  STDMETHODIMP get_LastError(BSTR* value) override;
  STDMETHODIMP get_ChannelsCount(short* value) override;
  STDMETHODIMP get_ChannelName(short index, BSTR* value) override;
  STDMETHODIMP get_ChannelMax(short index, LONG* value) override;
  STDMETHODIMP get_ChannelMin(short index, LONG* value) override;
  STDMETHODIMP get_ChannelMaxReal(short index, double* value) override;
  STDMETHODIMP get_ChannelMinReal(short index, double* value) override;
  STDMETHODIMP get_RangesCount(short* value) override;
  STDMETHODIMP get_Ranges(SAFEARRAY** value) override;
  STDMETHODIMP get_ChannelRange(short index, short* value) override;
  STDMETHODIMP put_ChannelRange(short index, short rangeIndex) override;
  STDMETHODIMP get_ChannelUnitScale(short index, double* value) override;
  STDMETHODIMP get_ChannelUnitOffset(short index, double* value) override;
  STDMETHODIMP get_ChannelUnitName(short index, BSTR* value) override;
  STDMETHODIMP get_Value(short index, LONG* value) override;
  STDMETHODIMP put_Value(short index, LONG value) override;
  STDMETHODIMP get_ValueReal(short index, double* value) override;
  STDMETHODIMP put_ValueReal(short index, double value) override;
  STDMETHODIMP SetValues(short first, short count, LONG* values, LONG* written) override;
  STDMETHODIMP SetValuesReal(short first, short count, double* values, LONG* written) override;
};

}  // namespace e14::com
