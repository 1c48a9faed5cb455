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
}  // namespace

AcquisitionEngine::AcquisitionEngine(AdcParams& params) : params_(params), state_(State()) {}

AcquisitionEngine::~AcquisitionEngine() { StopStream(); }

bool AcquisitionEngine::Fail(const std::string& message) {
  state_.AdcLastError = message;
  StopStream();
  ReleaseRecording();
  state_.Busy = false;
  return false;
}

void AcquisitionEngine::ReleaseRecording() {
  worker_.reset();
  for (auto& event : events_) event.reset();
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
  device_ = &device;
  state_.Busy = false;
  ReleaseRecording();  // a worker that ended by itself leaves its handles here
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

  for (size_t k = 0; k < events_.size(); ++k) {
    events_[k] = platform::CreateAutoResetEvent();
    if (!events_[k]) return Fail("Unable to create Event object!");
    requests_[k] = platform::Overlapped{};
    requests_[k].Completion = events_[k].get();
    inFlight_[k] = false;
  }
  requestPos_ = {0, 0};

  state_.Busy = true;
  worker_ = platform::CreateSuspendedThread([this] { StreamThreadProc(); }, kWorkerStack);
  if (!worker_) return Fail("Unable to create thread!");
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
  if (worker_) {
    // Completing the reads wakes the worker at once; it then stops the ADC.
    platform::CancelIo(device_->DeviceHandle());
    worker_.reset();
  }
  for (auto& event : events_) event.reset();
}

bool AcquisitionEngine::Issue(int k, int32_t first) {
  requestPos_[k] = first;
  int16_t* at = state_.AdcInput.Ring.ReserveBlock(first, kadrsPerRequest_);
  const uint32_t result = platform::ReadFileOverlapped(
      device_->DeviceHandle(), at, static_cast<uint32_t>(samplesPerRequest_) * 2, requests_[k]);
  inFlight_[k] = result == 0 || result == platform::kErrorIoPending;
  return inFlight_[k];
}

// Waits until neither read is in flight any more; false when one never ends.
bool AcquisitionEngine::AwaitInFlight(uint32_t timeoutMs) {
  for (int k = 0; k < 2; ++k) {
    if (inFlight_[k] && !events_[k]->Wait(timeoutMs)) return false;
    inFlight_[k] = false;
  }
  return true;
}

void AcquisitionEngine::StreamThreadProc() {
  const platform::DeviceHandle handle = device_->DeviceHandle();
  AdcInputRecord& in = state_.AdcInput;
  FrameRing& ring = in.Ring;
  StreamCounters& counters = in.Counters;
  const int32_t frames = kadrsPerRequest_;
  const int32_t ringFrames = ring.AllocKadrs();
  bool adcStarted = false;

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
        if (inFlight_[k]) {
          signalled = events_[k]->Wait(slice);
        } else {
          platform::SleepMs(slice);
        }
      }
      if (signalled) inFlight_[k] = false;
      if (!state_.Busy) break;

      const uint32_t expected = static_cast<uint32_t>(samplesPerRequest_) * 2;
      uint32_t delivered = 0;
      if (signalled && platform::ReadResult(handle, requests_[k], delivered) == 0 &&
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
    state_.Busy = false;
    platform::CancelIo(handle);
    AwaitInFlight(timeoutMs_);
    device_->StopAdc();
  }
  state_.Busy = false;
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
