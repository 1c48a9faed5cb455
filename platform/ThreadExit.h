// Work that must run when a thread ends, such as deleting the thread's own
// objects. A thread_local object with a destructor cannot do this on
// Windows: the MinGW runtime frees thread_local storage before it runs the
// destructors, which then work on freed memory. Keep a plain thread_local
// pointer instead and delete the object from here.
#pragma once

namespace e14::platform {

// Calls `call(argument)` when the calling thread ends, the latest registered
// first. Calls registered while these run are made too.
void AtThreadExit(void (*call)(void*), void* argument);

}  // namespace e14::platform
