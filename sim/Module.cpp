#include "sim/Module.h"

#include <cstring>

#include "sim/Descriptor.h"

namespace e14::sim {
namespace {

constexpr uint32_t kMemorySize = 0x10000;

bool Overlaps(uint32_t address, uint32_t count, uint32_t start, uint32_t size) {
  return address < start + size && start < address + count;
}

}  // namespace

Module::Module(const ModuleConfig& config, double speedUp, bool unpaced)
    : config_(config),
      memory_(kMemorySize, 0),
      dac_(config.Revision, config.DacOffset, config.DacGain),
      plugged_(!config.Unplugged),
      speedUp_(speedUp),
      unpaced_(unpaced) {
  const auto [major, minor] = FirmwareNumbers(config.Firmware);
  memory_[kFirmwareAddress] = minor;
  memory_[kFirmwareAddress + 1] = major;
  params_.ChannelsQuantity = 1;
  params_.AdcRateKHz = 100;
  params_.InterKadrDelayMs = 0.01;
  std::string unused;
  ProgramAdc(params_, config_.ClockKHz, MaxAdcRateHz(config_.Revision), unused);
}

bool Module::SeenBy(Flavour flavour) const {
  return flavour == Flavour::LUsbApi3 ? config_.SeenByLUsbApi3 : config_.SeenByLUsbApiU;
}

bool Module::Claim(std::function<void()> wake, std::string& error) {
  std::lock_guard lock(lock_);
  if (!config_.OpenFailure.empty()) {
    error = config_.OpenFailure;
    return false;
  }
  if (!plugged_) {
    error = "No E14-140 module on virtual slot " + std::to_string(config_.Slot);
    return false;
  }
  if (claimed_) {
    error = "The E14-140 module on virtual slot " + std::to_string(config_.Slot) + " is in use";
    return false;
  }
  claimed_ = true;
  wake_ = std::move(wake);
  ttlEnabled_ = false;
  openedNs_ = SteadyNowNs();
  singleSamples_ = 0;
  return true;
}

void Module::Release() {
  std::lock_guard lock(lock_);
  claimed_ = false;
  wake_ = nullptr;
  HaltAdc();
}

bool Module::Connected(std::string& error) const {
  if (plugged_) return true;
  error = "The E14-140 module is not connected";
  return false;
}

void Module::Notify() {
  if (wake_) wake_();
}

bool Module::Descriptor(Flavour flavour, uint8_t* record, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  if (config_.DescriptorFails) {
    error = "Unable to read the module descriptor";
    return false;
  }
  FillDescriptor(config_, flavour, record);
  return true;
}

bool Module::SetDacCode(int channel, int16_t code, Flavour flavour, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  if (!config_.HasDac || channel < 0 || channel > 1) {
    error = config_.HasDac ? "Invalid DAC channel" : "The module has no DAC";
    return false;
  }
  dac_.SetCode(channel, code, flavour == Flavour::LUsbApi3);
  return true;
}

bool Module::UploadDac(const uint16_t* words, uint32_t count, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  if (!config_.HasDac || config_.Revision <= 'A') {
    error = "The module cannot stream DAC data";
    return false;
  }
  dac_.Upload(words, count);
  return true;
}

bool Module::StartDac(std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  if (!config_.HasDac || config_.Revision <= 'A') {
    error = "The module cannot stream DAC data";
    return false;
  }
  return dac_.Start(error);
}

bool Module::StopDac(std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  dac_.Stop();
  return true;
}

bool Module::EnableTtlOut(bool enable, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  ttlEnabled_ = enable;
  return true;
}

bool Module::TtlIn(uint16_t& word, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  word = config_.TtlLoopback ? TtlWord() : config_.TtlIn;
  return true;
}

bool Module::TtlOut(uint16_t word, std::string& error) {
  std::lock_guard lock(lock_);
  if (!Connected(error)) return false;
  const uint8_t bytes[2] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
  StoreMemory(kTtlOutAddress, bytes, 2);
  return true;
}

uint16_t Module::TtlOutWord() const {
  return static_cast<uint16_t>(memory_[kTtlOutAddress] | memory_[kTtlOutAddress + 1] << 8);
}

uint16_t Module::TtlWord() const { return ttlEnabled_ ? TtlOutWord() : 0; }

double Module::DacVolts(int channel, double seconds) const {
  return config_.HasDac ? dac_.Volts(channel, seconds) : 0.0;
}

uint32_t Module::ReadMemory(uint32_t address, uint32_t count, uint8_t* bytes) {
  std::lock_guard lock(lock_);
  std::string unused;
  if (!Connected(unused)) return kStatusNotConnected;
  if (address >= kMemorySize || count > kMemorySize - address) return kStatusInvalidParameter;
  if (count > 0) std::memcpy(bytes, memory_.data() + address, count);
  return kStatusOk;
}

uint32_t Module::WriteMemory(uint32_t address, const uint8_t* bytes, uint32_t count) {
  std::lock_guard lock(lock_);
  std::string unused;
  if (!Connected(unused)) return kStatusNotConnected;
  if (address >= kMemorySize || count > kMemorySize - address) return kStatusInvalidParameter;
  StoreMemory(address, bytes, count);
  return kStatusOk;
}

void Module::StoreMemory(uint32_t address, const uint8_t* bytes, uint32_t count) {
  if (count == 0) return;
  std::memcpy(memory_.data() + address, bytes, count);
  // The firmware reads its DAC settings from the block whenever it changes.
  if (Overlaps(address, count, kDacParamAddress, sizeof(DacParamBlock))) {
    DacParamBlock block;
    std::memcpy(&block, memory_.data() + kDacParamAddress, sizeof block);
    dac_.SetBlock(block);
    dacBlockWritten_ = true;
  }
}

bool Module::PeekMemory(uint32_t address, uint32_t count, uint8_t* bytes) const {
  std::lock_guard lock(lock_);
  if (address >= kMemorySize || count > kMemorySize - address) return false;
  if (count > 0) std::memcpy(bytes, memory_.data() + address, count);
  return true;
}

void Module::SetPlugged(bool plugged) {
  std::lock_guard lock(lock_);
  if (plugged_ == plugged) return;
  plugged_ = plugged;
  if (adcRunning_) clock_.Hold(SteadyNowNs(), !plugged);
  Notify();
}

void Module::SetOpenFailure(std::string text) {
  std::lock_guard lock(lock_);
  config_.OpenFailure = std::move(text);
}

void Module::SetDescriptorFails(bool fails) {
  std::lock_guard lock(lock_);
  config_.DescriptorFails = fails;
}

void Module::SetStartAdcFails(bool fails) {
  std::lock_guard lock(lock_);
  config_.StartAdcFails = fails;
}

void Module::SetAdcRefusal(std::string text) {
  std::lock_guard lock(lock_);
  config_.AdcParamsRefusal = std::move(text);
}

void Module::SetTtlIn(uint16_t word) {
  std::lock_guard lock(lock_);
  config_.TtlIn = word;
}

Observed Module::Observe(bool withWaveform) const {
  std::lock_guard lock(lock_);
  Observed o;
  o.Open = claimed_;
  o.AdcRunning = adcRunning_;
  if (paramsWritten_) o.LastAdcParams = params_;
  o.DacCodes = {dac_.Code(0), dac_.Code(1)};
  o.TtlOut = TtlOutWord();
  o.TtlOutEnabled = ttlEnabled_;
  if (dacBlockWritten_) {
    DacParamBlock block;
    std::memcpy(&block, memory_.data() + kDacParamAddress, sizeof block);
    o.DacBlock = block;
  }
  if (withWaveform) o.Waveform = dac_.Waveform();
  o.DacStreaming = dac_.Streaming();
  return o;
}

}  // namespace e14::sim
