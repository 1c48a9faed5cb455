// The driver's settings store: a base key for the driver and one subkey per
// module serial number, under HKEY_CURRENT_USER. Works only on the calling
// thread's driver state; nothing is reported, bad stored values are ignored
// or replaced as each value's rule says.
#pragma once

#include <string>

namespace e14 {

class cRegistry;

void OpenSettingsKey(const std::string& name);
void LocateHelpFile();
// Empty subkey: the base key. A module subkey that does not exist changes
// nothing and is not created.
void LoadSettings(const std::string& subkey);
void LoadDacSettings(const std::string& subkey);
void SaveSettings(const std::string& subkey);

// The calling thread's registry object, created on first use and deleted
// when the thread ends.
cRegistry& SettingsRegistry();

}  // namespace e14
