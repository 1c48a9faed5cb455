// What the dispatcher needs from a device back-end. Both back-ends implement
// it; the dispatcher picks one by DriverState::Backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e14 {

// What a module's descriptor says about it.
struct ModuleIdentity {
  int16_t Slot = 0;
  std::string Serial;
  char Revision = 0;
  int16_t FirmwareMajor = 0;
  int16_t FirmwareMinor = 0;
  int32_t ClockHz = 0;
  bool HasDac = false;
};

// A module a survey found, and the vendor library that sees it.
struct SurveyedModule {
  ModuleIdentity Identity;
  std::string Library;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Opens the module. Returns the nonzero device token on success, having
  // filled the device description in the driver state; 0 on failure with the
  // library closed and any message in AdcLastError.
  virtual int16_t OpenBackend() = 0;
  // Closes the module and releases the vendor library object.
  virtual void CloseBackend() = 0;
  // Every module this back-end's library sees, without opening any for use;
  // none while this back-end has a module open. Serial "???" when the
  // descriptor cannot be read.
  virtual std::vector<SurveyedModule> Survey() = 0;

  // True with Busy set, or false with Busy clear and a message in AdcLastError.
  virtual bool StartStream() = 0;
  // Clears Busy; harmless when nothing runs.
  virtual void StopStream() = 0;
  // Once a recording has ended by itself (Busy fell), releases what is left
  // of it; harmless otherwise.
  virtual void ReleaseEndedStream() = 0;

  // One immediate raw sample of logical channel `index`; false when the read fails.
  virtual bool ReadSample(int16_t index, int16_t& sample) = 0;
  // One immediate frame, one sample per channel-table entry; the number of
  // samples read.
  virtual int16_t ReadFrame(std::vector<int16_t>& frame) = 0;

  // Loads the device control table from the channel table and channel codes.
  virtual void FillChannelTable() = 0;
  // The frame rate the module will run at for the requested rate (also stored
  // in AdcInput.Rate).
  virtual float ComputeTiming() = 0;

  virtual void WriteDacValue(int16_t channel, int16_t code) = 0;
  virtual void StopDacOutput() = 0;
  virtual void StartDacOutput() = 0;

  virtual int32_t ReadTtlInputs() = 0;
  virtual void WriteTtlOutputs(int32_t value) = 0;
};

}  // namespace e14
