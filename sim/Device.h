// The device interface object's behaviour, one per CreateLInstance: a module
// opened on a virtual slot and the library's last error text. The table
// functions (InterfaceTable.cpp) forward to these members.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "sim/Config.h"
#include "sim/Module.h"
#include "sim/ModuleServer.h"
#include "vendor/VendorAbi.h"

namespace e14::sim {

class Device {
 public:
  explicit Device(Flavour flavour) : flavour_(flavour) {}
  ~Device() { Close(); }

  bool Open(uint32_t slot);
  bool Close();
  uint32_t Handle() const;
  bool LastError(ErrorInfo* info) const;
  bool GetAdcParams(AdcParams* params);
  bool SetAdcParams(AdcParams* params);
  bool StartAdc();
  bool StopAdc();
  bool AdcSample(int16_t* sample, uint32_t code);
  bool DacSample(int16_t* code, uint32_t channel);
  bool DacSamples(int16_t* code0, int16_t* code1);
  bool StartDac();
  bool StopDac();
  // On 64-bit builds the request is an IoRequest64 (vendor/VendorAbi.h).
  bool WriteDacData(IoRequest* request);
  bool EnableTtlOut(uint32_t enable);
  bool TtlIn(uint16_t* word);
  bool TtlOut(uint32_t word);
  bool ReadDescriptor(uint8_t* record);
  bool PutMemory(uint8_t* bytes, uint32_t count, uint32_t address);

 private:
  // The open module, or null with the error text set.
  Module* Opened();
  // Records the outcome of a module call as the last error.
  bool Outcome(bool ok, const std::string& error);
  void SetError(const std::string& text);

  const Flavour flavour_;
  std::shared_ptr<Module> module_;
  std::unique_ptr<ModuleServer> server_;
  mutable std::mutex errorLock_;
  std::string error_;
};

}  // namespace e14::sim
