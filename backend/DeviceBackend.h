// The steps both back-ends share: opening (enumerate, choose, describe,
// calibrate, configure), recording through the acquisition engine,
// immediate reads and the TTL port. The two back-ends supply only what
// differs: the library and its version rule, the revision limits, where the
// firmware version comes from, and the DAC.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "backend/AcquisitionEngine.h"
#include "backend/VendorWrapper.h"
#include "driver/Backend.h"

namespace e14 {

class DeviceBackend : public Backend {
 public:
  DeviceBackend();
  ~DeviceBackend() override;

  int16_t OpenBackend() override;
  void CloseBackend() override;
  std::vector<SurveyedModule> Survey() override;
  bool StartStream() override;
  void StopStream() override;
  void ReleaseEndedStream() override;
  bool ReadSample(int16_t index, int16_t& sample) override;
  int16_t ReadFrame(std::vector<int16_t>& frame) override;
  void FillChannelTable() override;
  float ComputeTiming() override;
  int32_t ReadTtlInputs() override;
  void WriteTtlOutputs(int32_t value) override;

  const AcquisitionEngine& Engine() const { return engine_; }

 protected:
  virtual std::unique_ptr<VendorWrapper> CreateWrapper() = 0;
  virtual bool LibraryUsable() const = 0;
  virtual std::string ReinstallMessage() const = 0;
  // Back-end 2 lets pending UI messages run once more before opening.
  virtual bool PumpBeforeOpen() const = 0;
  // Rate and ring defaults that follow the module revision.
  virtual void ApplyRevisionLimits(char revision) = 0;
  virtual void ReadFirmwareVersion(int16_t& major, int16_t& minor) = 0;
  // Fills DacInfo for a module with a DAC.
  virtual void DescribeDac() = 0;

  VendorWrapper* Device() { return device_.get(); }
  const VendorWrapper* Device() const { return device_.get(); }
  // Descriptor fields of the open module.
  double DescriptorDouble(size_t offset) const;
  std::string DescriptorText(size_t offset, size_t length) const;
  char Revision() const;

  // The ±5 V DAC of 12 bits: revision A modules, and every module seen
  // through the first library.
  static void DescribeTwelveBitDac();
  // Records the code asked for; false when it is the one already written.
  static bool TakeDacValue(int16_t channel, int16_t code);

 private:
  bool OpenModule();
  // Opens each slot the library can address in turn, calls `visit` with the
  // module open, and closes it again.
  void ForEachModule(const std::function<void(int16_t slot)>& visit);
  int16_t EnumerateDevices();
  ModuleIdentity Identify();
  void ReadBoardInfo();
  void ApplyCalibration();
  void DescribeOutputs();
  int16_t FailOpen();
  // Closes the module and lets the engine free what its unfinished reads held.
  void CloseModule();
  void ClearDescriptor();

  std::unique_ptr<VendorWrapper> device_;
  std::array<uint8_t, kMaxDescriptorSize> descriptor_{};
  AdcParams params_{};
  AcquisitionEngine engine_{params_};
};

// Installs the factory that gives the dispatcher these two back-ends.
void InstallDeviceBackends();

}  // namespace e14
