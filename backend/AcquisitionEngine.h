// The producer side of a recording: fast mode streams blocks of frames from
// the module handle into the ring on a worker thread with two block reads in
// flight; slow mode (below 1 Hz) polls one frame per period from a one-shot
// timer on the host thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/HostThread.h"
#include "platform/Sync.h"
#include "vendor/VendorAbi.h"

namespace e14 {

class VendorWrapper;
struct DriverState;

class AcquisitionEngine {
 public:
  // `params` is the back-end's ADC parameter record. The engine lives as long
  // as its back-end, so a slow-mode loop that sees the host release the
  // driver from inside its message processing still returns safely.
  explicit AcquisitionEngine(AdcParams& params);
  ~AcquisitionEngine();
  AcquisitionEngine(const AcquisitionEngine&) = delete;
  AcquisitionEngine& operator=(const AcquisitionEngine&) = delete;

  // `device` is the back-end's open wrapper; it stays valid while Busy.
  bool StartStream(VendorWrapper& device);
  // Clears Busy, ends the worker and waits for it; harmless when idle.
  void StopStream();
  // After the back-end closed the module: reads it never completed end now,
  // so what they target can go.
  void DeviceClosed();
  // Joins a worker that ended by itself (Busy has fallen); harmless otherwise.
  void ReleaseEnded();

  int32_t SamplesPerRequest() const { return samplesPerRequest_; }
  int32_t KadrsPerRequest() const { return kadrsPerRequest_; }
  uint32_t TimeoutMs() const { return timeoutMs_; }

 private:
  // The two block reads of one recording, on the heap: reads the device never
  // completed are set aside with the ring buffer they target, where nothing
  // reuses their records, events or memory, until they end.
  struct BlockReads {
    std::array<std::unique_ptr<platform::Event>, 2> Events;
    std::array<platform::Overlapped, 2> Requests{};
    std::array<bool, 2> InFlight{};
    std::shared_ptr<const void> Target;  // the ring buffer, once set aside
  };

  bool Fail(const std::string& message);
  void ChooseBlockSize();
  // Joins a worker still running; afterwards no read of it can land anywhere.
  void EndWorker();
  void StreamThreadProc();
  // The worker's last step: releases the recording's resources, then Busy.
  void FinishWorker();
  bool Issue(int k, int32_t first);
  bool AwaitInFlight(uint32_t timeoutMs);
  void SetReadsAside();
  // Frees the set-aside reads that have ended, waiting up to waitMs for each.
  void ReleaseEndedReads(uint32_t waitMs);
  void SlowTimerProc();
  void SlowPollLoop(uint64_t recording);

  VendorWrapper* device_ = nullptr;
  AdcParams& params_;
  DriverState& state_;  // the state of the thread that owns the back-end

  int32_t samplesPerRequest_ = 0;
  int32_t kadrsPerRequest_ = 0;
  uint32_t timeoutMs_ = 0;
  std::array<int32_t, 2> requestPos_{};
  std::unique_ptr<BlockReads> reads_;
  // Guards the hand-over of worker_, reads_ and setAside_ between the host
  // and a worker ending by itself.
  std::mutex workerLock_;
  std::unique_ptr<platform::Thread> worker_;
  std::vector<std::unique_ptr<BlockReads>> setAside_;
  platform::TimerId timer_ = 0;
  // Counts starts and stops: a slow-mode loop knows its recording ended even
  // when another started since.
  uint64_t recording_ = 0;
};

}  // namespace e14
