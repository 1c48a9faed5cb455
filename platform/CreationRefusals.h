// The planned refusals of RefuseNextEvents and RefuseNextThreads, consulted
// by each system's creation functions before they ask the system.
#pragma once

namespace e14::platform {

// True, and one refusal fewer, when a refusal is planned.
bool TakeEventRefusal();
bool TakeThreadRefusal();

}  // namespace e14::platform
