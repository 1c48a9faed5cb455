// The planned refusals of RefuseNextEvents and RefuseNextThreads, and the
// cancels LoseNextCancels plans to lose, consulted by each system's functions
// before they ask the system.
#pragma once

namespace e14::platform {

// True, and one refusal fewer, when a refusal is planned.
bool TakeEventRefusal();
bool TakeThreadRefusal();
bool TakeLostCancel();

}  // namespace e14::platform
