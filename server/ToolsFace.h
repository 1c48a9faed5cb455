// IDriverTools: what the e140 tool needs beyond the host interfaces, from
// the calling thread's driver state.
#pragma once

#include "server/FaceBase.h"
#include "server/Kestrel.h"

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
};

}  // namespace e14::com
