// DIOInterface, the host's digital I/O interface, over the core's IDIO_
// members. By-reference parameters must not be null (E_POINTER).
#pragma once

#include "server/FaceBase.h"
#include "server/Kestrel.h"

namespace e14::com {

class DioFace final : public FaceBase<DIOInterface> {
 public:
  using FaceBase::FaceBase;

  STDMETHODIMP get_DIOName(BSTR* value) override;
  STDMETHODIMP get_Detected(VARIANT_BOOL* value) override;
  STDMETHODIMP get_DIBits(unsigned char* value) override;
  STDMETHODIMP get_DOBits(unsigned char* value) override;
  STDMETHODIMP get_DIValue(LONG* value) override;
  STDMETHODIMP get_DOValue(LONG* value) override;
  STDMETHODIMP put_DOValue(LONG* value) override;
  STDMETHODIMP get_DOStartEnabled(VARIANT_BOOL* value) override;
  STDMETHODIMP put_DOStartEnabled(VARIANT_BOOL* turn) override;
  STDMETHODIMP get_DOStartValue(LONG* value) override;
  STDMETHODIMP put_DOStartValue(LONG* value) override;
  STDMETHODIMP get_DOStopEnabled(VARIANT_BOOL* value) override;
  STDMETHODIMP put_DOStopEnabled(VARIANT_BOOL* turn) override;
  STDMETHODIMP get_DOStopValue(LONG* value) override;
  STDMETHODIMP put_DOStopValue(LONG* value) override;
};

}  // namespace e14::com
