// Which module to open when several answer. The choice is the user's, so the
// user-interface layer supplies it (a dialog on Windows, the terminal on
// POSIX) and a composition root installs it, as with the settings dialog.
#pragma once

#include <cstdint>
#include <functional>

namespace e14 {

// Picks one entry of the calling thread's State().DeviceList and returns its
// slot, or -1 to open none.
using DeviceChooser = std::function<int16_t()>;
void InstallDeviceChooser(DeviceChooser chooser);

// The installed chooser's answer; -1 (cancelled) when none is installed.
int16_t ChooseDevice();

}  // namespace e14
