// IDriverTools: the driver's tools (DriverTools) behind COM.
#pragma once

#include "server/FaceBase.h"
#include "server/Kestrel.h"
#include "tools/DriverTools.h"

namespace e14::com {

class ToolsFace final : public FaceBase<IDriverTools> {
 public:
  using FaceBase::FaceBase;

  STDMETHODIMP get_Modules(SAFEARRAY** value) override;
  STDMETHODIMP get_BoardInfo(BSTR* value) override;
  STDMETHODIMP get_SettingsKey(BSTR* value) override;
  STDMETHODIMP StartWave(short channel, short type, short amplitude, short baseline, float frequency,
                         float phase, VARIANT_BOOL* value) override;
  STDMETHODIMP StopWave() override;

 private:
  DriverTools tools_;
};

}  // namespace e14::com
