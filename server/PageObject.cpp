#include "server/PageObject.h"

#include <utility>

#include "server/Guard.h"

namespace e14::com {

PageObject::PageObject(std::unique_ptr<SetupPage> page) : page_(std::move(page)) {}

HRESULT PageObject::Create(const char* creationName, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return Guarded([&] {
    std::unique_ptr<SetupPage> page = CreateSetupPage(creationName);
    if (!page) return CLASS_E_CLASSNOTAVAILABLE;
    auto* object = new PageObject(std::move(page));
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
  });
}

STDMETHODIMP PageObject::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid != IID_IUnknown && iid != IID_IDispatch && iid != __uuidof(_SettingsPage)) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  *out = static_cast<_SettingsPage*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) PageObject::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) PageObject::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP PageObject::Page_SaveSetting() {
  return Guarded([&] {
    page_->Page_SaveSetting();
    return S_OK;
  });
}

}  // namespace e14::com
