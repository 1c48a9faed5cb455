// The dispatcher: driver-wide operations that forward device work to the
// selected back-end, and do what the driver can without one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "driver/Backend.h"
#include "driver/DriverState.h"

namespace e14 {

// Creates back-end 1 or 2. The back-end library installs the real factory;
// tests install fakes. Without a factory no back-end can be selected.
using BackendFactory = std::function<std::unique_ptr<Backend>(int16_t which)>;
void InstallBackendFactory(BackendFactory factory);
// Back-end 1 or 2 of the calling thread's state, created on first use
// (null when no factory is installed).
Backend* BackendAt(int16_t which);

int16_t SelectBackend();
bool StartInput();
void StopInput();
// A host that sees Busy fall releases what is left of a recording that ended by itself.
void ReleaseEndedInput();
int16_t ReadChannel(int16_t index);
// Fills `frame` with one sample per channel-table entry; 0 without a back-end.
int16_t ReadKadr(std::vector<int16_t>& frame);
void RebuildChannelCodes();
float ReadRate();
void WriteDac(int16_t channel, int16_t code);
void StopDacOutput();
void StartDacOutput();
int32_t ReadDigitalInputs();
void WriteDigitalOutputs(int32_t value);
int32_t LastDigitalOutputs();

// Closes both back-ends (their vendor objects are released).
void CloseBackends();

// Back-end 1's modules, then back-end 2's (Backend::Survey).
std::vector<SurveyedModule> SurveyModules();

// Ring geometry and reset on the calling thread's state.
int32_t ComputeBufferSize(bool roundToPowerOfTwo, int32_t size);
bool ResetInputBuffer();

}  // namespace e14
