// The module whose resources the views load: the file these views are
// linked into (the component's .adc), never the host's executable.
#pragma once

#include <windows.h>

#include <string>

namespace e14::win32ui {

HINSTANCE ResourceModule();
// Full path of that module's file.
std::wstring ResourceModulePath();

}  // namespace e14::win32ui
