// Back-end 2: the second vendor library. Newer module revisions run at
// 200 kHz with a 16-bit DAC written two channels at once, and replay a
// generated waveform from firmware 3.10 on.
#pragma once

#include "backend/DeviceBackend.h"

namespace e14 {

class mE140_LDevU : public DeviceBackend {
 public:
  void WriteDacValue(int16_t channel, int16_t code) override;
  void StopDacOutput() override;
  void StartDacOutput() override;

  // The code sent for channel c: calibration applied, limited.
  int16_t CalibratedDacCode(int16_t channel);

 protected:
  std::unique_ptr<VendorWrapper> CreateWrapper() override;
  bool LibraryUsable() const override;
  std::string ReinstallMessage() const override;
  bool PumpBeforeOpen() const override { return true; }
  void ApplyRevisionLimits(char revision) override;
  void ReadFirmwareVersion(int16_t& major, int16_t& minor) override;
  void DescribeDac() override;

 private:
  TUE14140& Wrapper() { return static_cast<TUE14140&>(*Device()); }
  bool NewerRevision() const { return Revision() > 'A'; }
  void SendBoth();
  void SetStaticLevels();
};

}  // namespace e14
