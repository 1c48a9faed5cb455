#include "backend/AcquisitionEngine.h"

#include <algorithm>
#include <cmath>

#include "backend/AdcConfiguration.h"
#include "backend/VendorWrapper.h"
#include "driver/mE14_x40.h"
#include "platform/Platform.h"

namespace e14 {

namespace {
constexpr int32_t kMaxSamplesPerRequest = 1 << 20;
constexpr size_t kWorkerStack = 8192;
// Longest a single wait of the worker lasts before it looks at Busy again,
// so a stop is seen promptly even if cancelling the reads fails.
constexpr uint32_t kWaitSliceMs = 50;
// How long closing the module may take to end the reads set aside.
constexpr uint32_t kClosePatienceMs = 2000;
}  // namespace

AcquisitionEngine::AcquisitionEngine(AdcParams& params) : params_(params), state_(State()) {}

// Reads set aside that still have not ended keep their memory: a leak is
// harmless to the host, a write into freed memory is not.
AcquisitionEngine::~AcquisitionEngine() {
  StopStream();
  ReleaseEndedReads(0);
  for (auto& reads : setAside_) static_cast<void>(reads.release());
}

bool AcquisitionEngine::Fail(const std::string& message) {
  state_.AdcLastError = message;
  StopStream();
  state_.Busy = false;
  return false;
}

void AcquisitionEngine::EndWorker() {
  std::unique_ptr<platform::Thread> worker;
  {
    std::lock_guard lock(workerLock_);
    worker = std::move(worker_);
  }
  if (!worker) return;
  // Completing the reads wakes the worker at once; it then stops the ADC.
  platform::CancelIo(device_->DeviceHandle());
  worker.reset();
}

void AcquisitionEngine::DeviceClosed() { ReleaseEndedReads(kClosePatienceMs); }

void AcquisitionEngine::ReleaseEndedReads(uint32_t waitMs) {
  std::lock_guard lock(workerLock_);
  std::erase_if(setAside_, [waitMs](const std::unique_ptr<BlockReads>& reads) {
    for (size_t k = 0; k < reads->Events.size(); ++k)
      if (reads->InFlight[k] && reads->Events[k]->Wait(waitMs)) reads->InFlight[k] = false;
    return !reads->InFlight[0] && !reads->InFlight[1];
  });
}

void AcquisitionEngine::ChooseBlockSize() {
  const int32_t channels = state_.AdcInput.ChCount;
  int32_t samples = channels;
  while (samples % 32 != 0) samples *= 2;
  const double rate = state_.AdcInput.Rate;
  while (samples / channels / rate < 0.04 && 2 * samples <= kMaxSamplesPerRequest) samples *= 2;
  samplesPerRequest_ = samples;
  kadrsPerRequest_ = samples / channels;
}

bool AcquisitionEngine::StartStream(VendorWrapper& device) {
  ++recording_;
  state_.Busy = false;
  if (device_ != nullptr) EndWorker();
  device_ = &device;
  ReleaseEndedReads(0);
  device_->StopAdc();
  FillSyncParameters(params_);
  RebuildChannelCodes();
  state_.AdcInput.Counters.Clear();

  if (state_.AdcInput.Rate < 1.0f) {
    state_.Busy = true;
    timer_ = platform::SetTimer(10, [this] { SlowTimerProc(); });
    if (timer_ == 0) return Fail("Unable set timer!");
    return true;
  }

  ComputeTiming(params_);
  ChooseBlockSize();
  std::string error;
  if (!state_.AdcInput.Ring.FitBlocks(kadrsPerRequest_, state_.AdcInput.ChCount, error))
    return Fail(error);
  if (!device_->SetAdcParams(params_)) return Fail(device_->LibraryErrorText());
  // Two blocks at the programmed rate plus a second. The rate is copied out
  // first: the record is packed, and std::max would bind a reference to a
  // misaligned double.
  const double kadrRateKHz = params_.KadrRateKHz;
  timeoutMs_ = static_cast<uint32_t>(
      RoundHalfEven(2.0 * kadrsPerRequest_ / std::max(kadrRateKHz, 1e-9) + 1000.0));

  reads_ = std::make_unique<BlockReads>();
  for (size_t k = 0; k < reads_->Events.size(); ++k) {
    reads_->Events[k] = platform::CreateAutoResetEvent();
    if (!reads_->Events[k]) return Fail("Unable to create Event object!");
    reads_->Requests[k].Completion = reads_->Events[k].get();
  }
  requestPos_ = {0, 0};

  state_.Busy = true;
  std::lock_guard lock(workerLock_);  // the worker may end before Resume returns
  worker_ = platform::CreateSuspendedThread([this] { StreamThreadProc(); }, kWorkerStack);
  if (!worker_) {
    state_.Busy = false;
    reads_.reset();
    state_.AdcLastError = "Unable to create thread!";
    return false;
  }
  worker_->Resume();
  return true;
}

void AcquisitionEngine::StopStream() {
  state_.Busy = false;
  ++recording_;
  // A slow start whose timer has not fired yet: it must not fire later,
  // into whatever records then.
  if (timer_ != 0) {
    platform::KillTimer(timer_);
    timer_ = 0;
  }
  EndWorker();
  reads_.reset();  // a start that failed before its worker ran leaves them here
}

bool AcquisitionEngine::Issue(int k, int32_t first) {
  requestPos_[k] = first;
  int16_t* at = state_.AdcInput.Ring.ReserveBlock(first, kadrsPerRequest_);
  const uint32_t result = platform::ReadFileOverlapped(
      device_->DeviceHandle(), at, static_cast<uint32_t>(samplesPerRequest_) * 2, reads_->Requests[k]);
  reads_->InFlight[k] = result == 0 || result == platform::kErrorIoPending;
  return reads_->InFlight[k];
}

// Waits until neither read is in flight any more; false when one never ends.
bool AcquisitionEngine::AwaitInFlight(uint32_t timeoutMs) {
  for (int k = 0; k < 2; ++k) {
    if (reads_->InFlight[k] && !reads_->Events[k]->Wait(timeoutMs)) return false;
    reads_->InFlight[k] = false;
  }
  return true;
}

// A read that never ended may still write into the ring and signal its event:
// it keeps both, and the ring gets a new buffer at the next start.
void AcquisitionEngine::SetReadsAside() {
  reads_->Target = state_.AdcInput.Ring.Storage();
  std::lock_guard lock(workerLock_);
  setAside_.push_back(std::move(reads_));
}

void AcquisitionEngine::FinishWorker() {
  std::lock_guard lock(workerLock_);
  reads_.reset();
  // Busy falls last: a host that sees it fall may start again at once, and
  // whoever sees it fall joins the thread (ReleaseEnded).
  state_.Busy = false;
}

void AcquisitionEngine::ReleaseEnded() {
  if (!state_.Busy) EndWorker();
}

void AcquisitionEngine::StreamThreadProc() {
  const platform::DeviceHandle handle = device_->DeviceHandle();
  AdcInputRecord& in = state_.AdcInput;
  FrameRing& ring = in.Ring;
  StreamCounters& counters = in.Counters;
  const int32_t frames = kadrsPerRequest_;
  const int32_t ringFrames = ring.AllocKadrs();
  bool adcStarted = false;
  BlockReads& reads = *reads_;

  if (handle != platform::kInvalidDevice) {
    platform::SetCurrentThreadAboveNormal(true);
    Issue(0, 1);
    adcStarted = device_->StartAdc();
    if (adcStarted) platform::SleepMs(5);
    int k = 1;
    while (adcStarted && state_.Busy) {
      int32_t next = requestPos_[1 - k] + frames;
      if (next > ringFrames) next = 1;
      Issue(k, next);
      k = 1 - k;

      bool signalled = false;
      for (uint32_t waited = 0; !signalled && waited < timeoutMs_ && state_.Busy;
           waited += kWaitSliceMs) {
        const uint32_t slice = std::min(kWaitSliceMs, timeoutMs_ - waited);
        // A read the system refused never signals: it times out like a lost one.
        if (reads.InFlight[k]) {
          signalled = reads.Events[k]->Wait(slice);
        } else {
          platform::SleepMs(slice);
        }
      }
      if (signalled) reads.InFlight[k] = false;
      if (!state_.Busy) break;

      const uint32_t expected = static_cast<uint32_t>(samplesPerRequest_) * 2;
      uint32_t delivered = 0;
      if (signalled && platform::ReadResult(handle, reads.Requests[k], delivered) == 0 &&
          delivered == expected) {
        ring.PublishBlock(requestPos_[k], frames);
        counters.FramesDelivered.fetch_add(frames, std::memory_order_relaxed);
        continue;
      }
      (signalled ? counters.ReadFailures : counters.ReadTimeouts).fetch_add(1);
      platform::CancelIo(handle);
      if (!AwaitInFlight(timeoutMs_)) break;  // a read that never ends: the buffer is not ours
      counters.FramesDiscarded.fetch_add(ring.Restart());
      counters.Restarts.fetch_add(1);
      Issue(0, 1);
      k = 1;
    }
    platform::CancelIo(handle);
    if (!AwaitInFlight(timeoutMs_)) SetReadsAside();
    device_->StopAdc();
  }
  FinishWorker();
}

void AcquisitionEngine::SlowTimerProc() {
  platform::KillTimer(timer_);
  timer_ = 0;
  const uint64_t recording = recording_;
  platform::SetCurrentThreadAboveNormal(true);
  SlowPollLoop(recording);
  platform::SetCurrentThreadAboveNormal(false);
  // A recording started from inside the loop's message processing is not ours to end.
  if (recording_ == recording) state_.Busy = false;
}

void AcquisitionEngine::SlowPollLoop(uint64_t recording) {
  AdcInputRecord& in = state_.AdcInput;
  FrameRing& ring = in.Ring;
  const double period = 1000.0 / in.Rate;
  const uint32_t start = platform::TickCount();
  // The host may stop, and start again, from inside the message processing below.
  const auto running = [&] { return state_.Busy && recording_ == recording; };
  int64_t n = 0;
  while (running()) {
    int32_t p = ring.WritePos() + 1;
    if (p > ring.AllocKadrs()) p = 1;
    int16_t* frame = ring.ReserveBlock(p, 1);
    for (int c = 0; c < in.ChCount && c < kMaxTableEntries; ++c) {
      int16_t sample = 0;
      if (device_->AdcSample(sample, params_.ControlTable[c])) frame[c] = sample;
    }
    ring.PublishBlock(p, 1);
    in.Counters.FramesDelivered.fetch_add(1, std::memory_order_relaxed);
    ++n;
    // Nothing is overwritten in slow mode: wait while the ring is full.
    while (ring.CountAvailableKadrs() >= ring.AllocKadrs() && running()) {
      platform::ProcessPendingMessages();
      platform::SleepMs(1);
    }
    for (;;) {
      const double due = static_cast<double>(n) * period;
      const double wait = due - static_cast<uint32_t>(platform::TickCount() - start);
      if (!(wait >= 0.5) || !running()) break;
      // Messages only while the next frame is more than 10 ms away; then spin.
      if (wait > 10.0) {
        platform::ProcessPendingMessages();
        platform::SleepMs(1);
      }
    }
  }
}

}  // namespace e14
