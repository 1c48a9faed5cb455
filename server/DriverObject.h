// The COM class E14_140: one core driver object (its constructor and
// destructor are Class_Initialize and Class_Terminate) seen through the
// default interface _E14_140 and the faces of the host interfaces, the
// recording counters and the e140 tool's services, all of one identity.
#pragma once

#include "driver/E14_140.h"
#include "server/AdcFace.h"
#include "server/CountersFace.h"
#include "server/DaoFace.h"
#include "server/DioFace.h"
#include "server/DispatchFace.h"
#include "server/Kestrel.h"
#include "server/ServerModule.h"
#include "server/ToolsFace.h"

namespace e14::com {

class DriverObject final : public DispatchFace<_E14_140> {
 public:
  // A new object's interface `iid` in `out`; the object lives while
  // references to it do.
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetADC3(ADCInterface3** value) override;
  STDMETHODIMP GetDIO(DIOInterface** value) override;
  STDMETHODIMP GetDAO(DAOInterface** value) override;

 private:
  DriverObject();
  ~DriverObject();

  ModuleLock lock_;
  LONG references_ = 1;
  E14_140 core_;
  AdcFace adc_;
  DioFace dio_;
  DaoFace dao_;
  CountersFace counters_;
  ToolsFace tools_;
};

}  // namespace e14::com
