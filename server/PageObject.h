// The COM classes ucGeneral, ucADC, ucDAC and ucDIO: one settings page made
// by its creation name, seen through _SettingsPage. A page created this way
// works on the driver state of the creating thread, as in the dialog.
#pragma once

#include <memory>

#include "server/DispatchFace.h"
#include "server/Kestrel.h"
#include "server/ServerModule.h"
#include "ui/SetupPage.h"

namespace e14::com {

class PageObject final : public DispatchFace<_SettingsPage> {
 public:
  // A new page `creationName` ("Kestrel.ucGeneral", ...) with interface `iid` in `out`.
  static HRESULT Create(const char* creationName, REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Page_SaveSetting() override;

 private:
  explicit PageObject(std::unique_ptr<SetupPage> page);

  ModuleLock lock_;
  LONG references_ = 1;
  std::unique_ptr<SetupPage> page_;
};

}  // namespace e14::com
