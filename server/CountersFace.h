// IRecordingCounters: what happened to the data of the current or last
// recording, from the core's RecordingCounters().
#pragma once

#include "server/FaceBase.h"
#include "server/Kestrel.h"

namespace e14::com {

class CountersFace final : public FaceBase<IRecordingCounters> {
 public:
  using FaceBase::FaceBase;

  STDMETHODIMP get_FramesDelivered(double* value) override;
  STDMETHODIMP get_BlocksDropped(double* value) override;
  STDMETHODIMP get_FramesDropped(double* value) override;
  STDMETHODIMP get_ReadTimeouts(double* value) override;
  STDMETHODIMP get_ReadFailures(double* value) override;
  STDMETHODIMP get_Restarts(double* value) override;
  STDMETHODIMP get_FramesDiscarded(double* value) override;
  STDMETHODIMP get_FramesLost(double* value) override;

 private:
  template <class Pick>
  HRESULT Count(double* value, Pick&& pick);
};

}  // namespace e14::com
