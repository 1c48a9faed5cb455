// Loading the vendor library by its Windows file name and binding exports.
#pragma once

#include <string>

namespace e14::platform {

// Loads "<name>.dll" (on POSIX "lib<name>.so") from the component's own
// folder or the system folder only, never from the current directory.
// Null when it cannot be loaded.
void* LoadVendorLibrary(const std::string& dllName);
void* FindExport(void* library, const char* name);
void FreeVendorLibrary(void* library);

// Shows a message box with an OK button (the user's action failed); on
// systems without a desktop the text goes to the standard error stream.
void ShowMessage(const std::string& text);

}  // namespace e14::platform
