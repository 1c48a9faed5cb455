// A host's calls on one driver object, decoded from fuzz input, each followed
// by the checks a host can make from outside.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include "driver/E14_140.h"
#include "fuzz/RingChecks.h"

namespace e14::fuzz {

class HostCalls {
 public:
  HostCalls(E14_140& driver, FuzzedDataProvider& input) : driver_(driver), in_(input) {}

  // One call chosen by the input, then the ring's invariants.
  void Next();
  // Stops any recording and checks that every frame is accounted for.
  void Finish();

 private:
  void InputChannels();
  void ChannelRange();
  void Rate();
  void InputSizeData();
  void GetData();
  void InputData();
  void GetKadr();
  void GetChannel();
  void AnalogOutput();
  void DigitalIo();
  void StartRecord();
  void StopRecord();
  void Queries();
  void ProcessMessages();
  void Tick();

  int16_t AnyIndex();
  int64_t Lost();
  void CheckAccounting();

  E14_140& driver_;
  FuzzedDataProvider& in_;
  FrameTracker tracker_;
  // Rounds of message processing before the posted restart and stop run.
  int restartIn_ = 0;
  int stopIn_ = 0;
  float restartRate_ = 0.0f;
};

}  // namespace e14::fuzz
