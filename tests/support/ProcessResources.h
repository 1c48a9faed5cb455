// What the process holds, for tests that prove the driver leaks no thread or
// handle: counted by the operating system, not by the code under test.
#pragma once

namespace e14::testing {

int CountThreads();
// Open file descriptors (POSIX) or kernel handles (Windows).
int CountHandles();

}  // namespace e14::testing
