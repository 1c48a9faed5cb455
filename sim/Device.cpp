#include "sim/Device.h"

#include <algorithm>
#include <cstring>

#include "sim/World.h"

namespace e14::sim {

bool Device::Open(uint32_t slot) {
  Close();
  std::shared_ptr<Module> module = slot < kModuleSlots ? World::Instance().At(static_cast<int>(slot)) : nullptr;
  if (!module || !module->SeenBy(flavour_)) {
    SetError("No E14-140 module on virtual slot " + std::to_string(slot));
    return false;
  }
  std::string error;
  std::unique_ptr<ModuleServer> server = StartModuleServer(module, error);
  if (!server) {
    SetError("Unable to open the module: " + error);
    return false;
  }
  ModuleServer* wake = server.get();
  if (!module->Claim([wake] { wake->Wake(); }, error)) {
    SetError(error);
    return false;
  }
  module_ = std::move(module);
  server_ = std::move(server);
  SetError("");
  return true;
}

bool Device::Close() {
  if (!module_) return false;
  module_->Release();
  server_.reset();
  module_.reset();
  return true;
}

uint32_t Device::Handle() const { return server_ ? server_->DriverHandle() : UINT32_MAX; }

bool Device::LastError(ErrorInfo* info) const {
  if (info == nullptr) return false;
  std::lock_guard lock(errorLock_);
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->Text, error_.data(), std::min(error_.size(), sizeof info->Text - 1));
  info->Code = error_.empty() ? 0 : 1;
  return true;
}

void Device::SetError(const std::string& text) {
  std::lock_guard lock(errorLock_);
  error_ = text;
}

Module* Device::Opened() {
  if (!module_) SetError("The module is not open");
  return module_.get();
}

bool Device::Outcome(bool ok, const std::string& error) {
  if (!ok) SetError(error);
  return ok;
}

bool Device::GetAdcParams(AdcParams* params) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && params != nullptr && Outcome(m->GetAdcParams(*params, error), error);
}

bool Device::SetAdcParams(AdcParams* params) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && params != nullptr && Outcome(m->SetAdcParams(*params, error), error);
}

bool Device::StartAdc() {
  std::string error;
  Module* m = Opened();
  return m != nullptr && Outcome(m->StartAdc(error), error);
}

bool Device::StopAdc() {
  Module* m = Opened();
  if (m == nullptr) return false;
  m->StopAdc();
  // As a real module's stop flushes its buffer: the next run starts clean.
  server_->DropStaleData();
  return true;
}

bool Device::AdcSample(int16_t* sample, uint32_t code) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && sample != nullptr && Outcome(m->AdcSample(code, *sample, error), error);
}

bool Device::DacSample(int16_t* code, uint32_t channel) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && code != nullptr &&
         Outcome(m->SetDacCode(channel < 2 ? static_cast<int>(channel) : -1, *code, flavour_, error), error);
}

bool Device::DacSamples(int16_t* code0, int16_t* code1) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && code0 != nullptr && code1 != nullptr &&
         Outcome(m->SetDacCode(0, *code0, flavour_, error) && m->SetDacCode(1, *code1, flavour_, error), error);
}

bool Device::StartDac() {
  std::string error;
  Module* m = Opened();
  return m != nullptr && Outcome(m->StartDac(error), error);
}

bool Device::StopDac() {
  std::string error;
  Module* m = Opened();
  return m != nullptr && Outcome(m->StopDac(error), error);
}

bool Device::WriteDacData(IoRequest* request) {
  std::string error;
  Module* m = Opened();
  if (m == nullptr || request == nullptr) return false;
  // A 64-bit address does not fit the record's 32-bit field: the driver
  // passes the full address right after the record.
  const uintptr_t address = sizeof(void*) > 4
                                ? static_cast<uintptr_t>(reinterpret_cast<IoRequest64*>(request)->Buffer64)
                                : static_cast<uintptr_t>(request->Buffer);
  const auto* words = reinterpret_cast<const uint16_t*>(address);
  if (words == nullptr && request->Words > 0) return Outcome(false, "No DAC data buffer");
  if (!Outcome(m->UploadDac(words, request->Words, error), error)) return false;
  request->WordsTransferred = request->Words;
  return true;
}

bool Device::EnableTtlOut(uint32_t enable) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && Outcome(m->EnableTtlOut(enable != 0, error), error);
}

bool Device::TtlIn(uint16_t* word) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && word != nullptr && Outcome(m->TtlIn(*word, error), error);
}

bool Device::TtlOut(uint32_t word) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && Outcome(m->TtlOut(static_cast<uint16_t>(word), error), error);
}

bool Device::ReadDescriptor(uint8_t* record) {
  std::string error;
  Module* m = Opened();
  return m != nullptr && record != nullptr && Outcome(m->Descriptor(flavour_, record, error), error);
}

bool Device::PutMemory(uint8_t* bytes, uint32_t count, uint32_t address) {
  Module* m = Opened();
  if (m == nullptr || (bytes == nullptr && count > 0)) return false;
  const uint32_t status = m->WriteMemory(address, bytes, count);
  if (status == kStatusNotConnected) return Outcome(false, "The E14-140 module is not connected");
  return Outcome(status == kStatusOk, "Invalid module memory range");
}

}  // namespace e14::sim
