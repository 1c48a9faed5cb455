// One simulated E14-140 module: its memory, ADC, DAC and TTL port, as the
// vendor library and the module handle's server reach them. Every member is
// safe to call from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/AdcTiming.h"
#include "sim/Config.h"
#include "sim/DacModel.h"
#include "sim/Signal.h"
#include "sim/StreamClock.h"
#include "vendor/VendorAbi.h"

namespace e14::sim {

// Win32 status codes of the module handle's replies.
constexpr uint32_t kStatusOk = 0;
constexpr uint32_t kStatusInvalidParameter = 87;
constexpr uint32_t kStatusAborted = 995;
constexpr uint32_t kStatusNotConnected = 1167;

// What the driver sent, for the Sim test exports.
struct Observed {
  bool Open = false;
  bool AdcRunning = false;
  std::optional<AdcParams> LastAdcParams;
  std::array<int16_t, 2> DacCodes{};
  uint16_t TtlOut = 0;
  bool TtlOutEnabled = false;
  std::optional<DacParamBlock> DacBlock;
  std::vector<uint16_t> Waveform;
  bool DacStreaming = false;
};

class Module : private Outputs {
 public:
  Module(const ModuleConfig& config, double speedUp, bool unpaced);

  int Slot() const { return config_.Slot; }
  bool SeenBy(Flavour flavour) const;

  // One opener at a time, as the USB device allows. `wake` is called
  // whenever stalled reads may have become ready; Release drops it.
  bool Claim(std::function<void()> wake, std::string& error);
  void Release();

  bool Descriptor(Flavour flavour, uint8_t* record, std::string& error);

  // ADC (ModuleAdc.cpp).
  bool GetAdcParams(AdcParams& params, std::string& error);
  bool SetAdcParams(AdcParams& params, std::string& error);
  bool StartAdc(std::string& error);
  void StopAdc();
  bool AdcSample(uint32_t code, int16_t& sample, std::string& error);
  // Takes the next `count` stream samples when they are due. Otherwise
  // returns false and, in `wakeAtNs`, when to ask again (null: wait for the
  // wake callback).
  bool TakeSamples(uint32_t count, int64_t nowNs, std::vector<int16_t>& samples,
                   std::optional<int64_t>& wakeAtNs);
  // The same for the next block of the size the driver reads at this run's
  // rate (DriverBlock.h); `run` is the run it was taken from.
  bool TakeDriverBlock(int64_t nowNs, std::vector<int16_t>& samples, std::optional<int64_t>& wakeAtNs,
                       uint64_t& run);
  // Changes at every ADC start and stop: samples of another run are stale.
  uint64_t RunNumber() const;
  uint64_t FramesProduced(int64_t nowNs) const;
  int64_t FrameTimeNs(uint64_t frame) const;

  // DAC.
  // `flavour` is the library the code came through.
  bool SetDacCode(int channel, int16_t code, Flavour flavour, std::string& error);
  bool UploadDac(const uint16_t* words, uint32_t count, std::string& error);
  bool StartDac(std::string& error);
  bool StopDac(std::string& error);

  // TTL.
  bool EnableTtlOut(bool enable, std::string& error);
  bool TtlIn(uint16_t& word, std::string& error);
  bool TtlOut(uint16_t word, std::string& error);

  // Module memory; results are reply status codes.
  uint32_t ReadMemory(uint32_t address, uint32_t count, uint8_t* bytes);
  uint32_t WriteMemory(uint32_t address, const uint8_t* bytes, uint32_t count);

  // Faults, inputs and pace.
  void SetPlugged(bool plugged);
  void SetOpenFailure(std::string text);
  void SetDescriptorFails(bool fails);
  void SetStartAdcFails(bool fails);
  void SetAdcRefusal(std::string text);
  void SetTtlIn(uint16_t word);
  void SetPace(double speedUp, bool unpaced);

  // The waveform is copied only when asked for.
  Observed Observe(bool withWaveform = false) const;
  // Raw memory for tests, without the connection check.
  bool PeekMemory(uint32_t address, uint32_t count, uint8_t* bytes) const;

 private:
  // The callers hold lock_.
  bool Connected(std::string& error) const;
  void Notify();
  void HaltAdc();
  bool TakeDue(uint32_t count, int64_t nowNs, std::vector<int16_t>& samples, std::optional<int64_t>& wakeAtNs);
  void StoreMemory(uint32_t address, const uint8_t* bytes, uint32_t count);
  uint16_t TtlOutWord() const;
  int16_t Sample(uint32_t code, uint64_t frame, uint32_t position, double seconds, uint64_t tick) const;
  double DacVolts(int channel, double seconds) const override;
  uint16_t TtlWord() const override;

  mutable std::mutex lock_;
  ModuleConfig config_;
  std::vector<uint8_t> memory_;
  DacModel dac_;
  bool claimed_ = false;
  std::function<void()> wake_;
  bool plugged_;
  bool ttlEnabled_ = false;
  bool dacBlockWritten_ = false;
  double speedUp_;
  bool unpaced_;

  AdcParams params_{};
  bool paramsWritten_ = false;
  int64_t openedNs_ = 0;
  uint64_t singleSamples_ = 0;

  // The current or last ADC run.
  bool adcStarted_ = false;
  bool adcRunning_ = false;
  AdcTiming timing_;
  std::array<uint16_t, 128> table_{};
  StreamClock clock_;
  uint64_t delivered_ = 0;
  uint64_t runNumber_ = 0;
};

}  // namespace e14::sim
