// Back-end 1: the first vendor library, 12-bit DAC corrected by a zero code.
#pragma once

#include "backend/DeviceBackend.h"

namespace e14 {

class mE140_LDev : public DeviceBackend {
 public:
  void WriteDacValue(int16_t channel, int16_t code) override;
  void StopDacOutput() override;
  void StartDacOutput() override;

 protected:
  std::unique_ptr<VendorWrapper> CreateWrapper() override;
  bool LibraryUsable() const override;
  std::string ReinstallMessage() const override;
  bool PumpBeforeOpen() const override { return false; }
  void ApplyRevisionLimits(char) override {}
  void ReadFirmwareVersion(int16_t& major, int16_t& minor) override;
  void DescribeDac() override;

 private:
  void SendDac(int16_t channel);
  TLE14140& Wrapper() { return static_cast<TLE14140&>(*Device()); }
};

}  // namespace e14
