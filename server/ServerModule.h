// What the component knows about itself: its file, its lock count (live
// objects plus IClassFactory::LockServer) and its embedded type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace e14::com {

// Full path of the component's file.
std::wstring ModulePath();

void LockModule();
void UnlockModule();
// True while an object lives or a client holds a server lock.
bool ModuleLocked();

// The type description of one interface of the embedded type library,
// reference added; null when it cannot be loaded.
ITypeInfo* InterfaceTypeInfo(REFIID iid);

// Holds a module lock for as long as it lives.
class ModuleLock {
 public:
  ModuleLock() { LockModule(); }
  ~ModuleLock() { UnlockModule(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace e14::com
