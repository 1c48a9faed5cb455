// Where the driver's settings go while tests run: never the user's own.
// Linking ConfigHome.cpp (ConfigHome_win32.cpp on Windows) sets that up for
// the whole run.
#pragma once

namespace e14::testing {

// Removes every setting the driver has stored, for a test that starts afresh.
void ForgetDriverSettings();

}  // namespace e14::testing
