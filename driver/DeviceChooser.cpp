#include "driver/DeviceChooser.h"

namespace e14 {

namespace {
DeviceChooser& Chooser() {
  static DeviceChooser chooser;
  return chooser;
}
}  // namespace

void InstallDeviceChooser(DeviceChooser chooser) { Chooser() = std::move(chooser); }

int16_t ChooseDevice() { return Chooser() ? Chooser()() : int16_t{-1}; }

}  // namespace e14
