#include "server/HostInterfaceKeys.h"

#include "server/ClassesRoot.h"
#include "server/Kestrel.h"

namespace e14::com {

namespace {
const IID* const kInterfaces[] = {&__uuidof(_E14_140), &__uuidof(ADCInterface3),
                                  &__uuidof(DIOInterface), &__uuidof(DAOInterface),
                                  &__uuidof(IRecordingCounters), &__uuidof(IDriverTools)};

void Put(const std::wstring& key, const wchar_t* name, const std::optional<std::wstring>& text) {
  if (text) SetText(key, name, *text);
}
}  // namespace

HostInterfaceKeys::HostInterfaceKeys() {
  for (const IID* iid : kInterfaces) {
    Key key;
    key.Path = L"Interface\\" + GuidText(*iid);
    key.TypeLib = GetText(key.Path + L"\\TypeLib");
    if (!key.TypeLib || *key.TypeLib == GuidText(LIBID_Kestrel)) continue;
    key.Name = GetText(key.Path);
    key.ProxyStub = GetText(key.Path + L"\\ProxyStubClsid");
    key.ProxyStub32 = GetText(key.Path + L"\\ProxyStubClsid32");
    key.Version = GetText(key.Path + L"\\TypeLib", L"Version");
    keys_.push_back(std::move(key));
  }
}

void HostInterfaceKeys::Restore() const {
  for (const Key& key : keys_) {
    DeleteTree(key.Path);
    Put(key.Path, nullptr, key.Name);
    Put(key.Path + L"\\ProxyStubClsid", nullptr, key.ProxyStub);
    Put(key.Path + L"\\ProxyStubClsid32", nullptr, key.ProxyStub32);
    Put(key.Path + L"\\TypeLib", nullptr, key.TypeLib);
    Put(key.Path + L"\\TypeLib", L"Version", key.Version);
  }
}

}  // namespace e14::com
