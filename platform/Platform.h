// The few operating-system services the portable core needs. One
// implementation per OS (posix/, win32/); nothing else touches the OS.
#pragma once

#include <cstdint>
#include <string>

namespace e14::platform {

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick counter.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);

// The user's locale decimal separator ("." or "," ...).
std::string DecimalSeparator();

// Folder of the file that holds this code (the component or the program),
// without a trailing separator.
std::string ComponentFolder();

// First file name in `folder` matching a wildcard pattern with * and ?
// (case-insensitive, as the Windows shell matches), or "" when none does.
std::string FindFirstMatchingFile(const std::string& folder, const std::string& pattern);

// Folder separator of this platform ("\\" or "/").
const char* PathSeparator();

}  // namespace e14::platform
