// The host registers its interfaces (ADCInterface3 ...) for its own type
// libraries. Registering or unregistering ours must leave such keys as the
// host wrote them: RegisterTypeLib would point them at our library and
// UnRegisterTypeLib would delete them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace e14::com {

class HostInterfaceKeys {
 public:
  // Remembers the interface keys of our library that belong to another one.
  HostInterfaceKeys();
  // Writes them back as they were.
  void Restore() const;

 private:
  struct Key {
    std::wstring Path;
    std::optional<std::wstring> Name, ProxyStub, ProxyStub32, TypeLib, Version;
  };
  std::vector<Key> keys_;
};

}  // namespace e14::com
