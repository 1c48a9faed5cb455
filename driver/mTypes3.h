// The frame ring between the acquisition engine and the host, and small
// shared helpers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace e14 {

// A 2-D block of samples, channel position fastest: sample (c, f) at
// Samples[f * Channels + c].
struct FrameArray {
  int32_t Channels = 0;
  int32_t Frames = 0;
  std::vector<int16_t> Samples;
};

// The memory InputData's frames go to: room for `channels` x `frames`
// samples, channels first, which the take fills completely (frame 0 is the
// channel table). A host array allocated here takes the frames in one pass.
using FrameArrayMemory = std::function<int16_t*(int32_t channels, int32_t frames)>;

// Ring of whole frames with 1-based frame positions.
//
// One producer thread (the acquisition engine) and one consumer thread (the
// host) may work on it at once. Every position update happens under a small
// lock; sample copies happen outside it. The producer reserves a block
// before its data lands in the ring (which drops the oldest unread frames the
// block would overwrite, waiting for a take in progress to finish copying
// them) and publishes the block once its samples are in place. The consumer
// only copies frames up to the write position it read.
//
// Geometry: SizeKadrs/SizeData follow the host's request at once, rounded to
// whole producer blocks once the producer has named its block size; the
// buffer, the positions and the channel table of frame 0 follow the last
// Reset (AllocKadrs x AllocChannels), so a producer running while the host
// changes the size or the table keeps a consistent ring until the next
// start, and the host reads the frames it has with the table they were
// recorded with.
//
// The buffer is shared: whoever may still have a device read in flight into
// it keeps it alive (Storage), and a Reset then gives the ring a new buffer
// rather than clearing or freeing one that may still be written.
class FrameRing {
 public:
  // Ring capacity for the channel count and the host's request, as the
  // host-visible geometry. A table of no channel is sized as one of one
  // channel, whose size it keeps.
  int32_t ComputeBufferSize(bool roundToPowerOfTwo, int32_t size, int32_t requestedSize, int16_t chCount);
  // Allocates (or clears) the buffer for the current geometry and empties the
  // ring; `chTable` is what frame 0 of the frames to come names. On failure
  // returns false with the text in `error`.
  bool Reset(int16_t chCount, const std::vector<int16_t>& chTable, std::string& error);

  int32_t CountAvailableKadrs();
  // Unread samples as last counted, in frames of the recorded width.
  int32_t CountData() const { return CountKadrs() * allocChannels_; }
  // Frame 0 of the result is the channel table the frames were recorded
  // with (`chTable` before the first Reset); frames 1..U the unread ones.
  FrameArray TakeInputData(const std::vector<int16_t>& chTable);
  // The same into memory the caller gives; returns U. When `memory` throws,
  // the frames stay unread.
  int32_t TakeInputData(const std::vector<int16_t>& chTable, const FrameArrayMemory& memory);
  // Copies whole frames into data (capacity dataSize samples). dataSize
  // receives the samples written, inputCountData the samples still unread.
  // A null buffer or a non-positive size copies nothing.
  int32_t TakeData(int16_t* data, int32_t& dataSize, int32_t& inputCountData);

  // Producer side. Frames are 1-based; a block never crosses the ring's end.
  // ReserveBlock makes frames first..first+frames-1 free for writing, dropping
  // the oldest unread frames if needed, and returns where to write them.
  int16_t* ReserveBlock(int32_t first, int32_t frames);
  // Makes a reserved block readable once its samples are in place.
  void PublishBlock(int32_t first, int32_t frames);
  // After a failed device read: everything unread is discarded. Returns the
  // number of frames discarded.
  int32_t Restart();

  int32_t SizeKadrs() const { return sizeKadrs_; }
  int32_t SizeData() const { return sizeData_; }
  int32_t AllocKadrs() const { return allocKadrs_; }
  int32_t AllocChannels() const { return allocChannels_; }
  // The channel table of the frames in the ring (AllocChannels entries).
  const std::vector<int16_t>& RecordedTable() const { return recordedTable_; }
  int32_t ReadPos() const { return readPos_.load(std::memory_order_acquire); }
  int32_t WritePos() const { return writePos_.load(std::memory_order_acquire); }
  bool Empty() const { return empty_.load(std::memory_order_acquire); }
  int32_t CountKadrs() const { return countKadrs_.load(std::memory_order_relaxed); }
  // Frames, and the runs of frames, dropped to overflow since the last Reset.
  int64_t DroppedFrames() const { return droppedFrames_.load(std::memory_order_relaxed); }
  int64_t DroppedBlocks() const { return droppedBlocks_.load(std::memory_order_relaxed); }
  // Sets the geometry to exactly `kadrs` frames and resets. Between recordings.
  bool Allocate(int32_t kadrs, int16_t chCount, std::string& error);
  // Makes the ring hold a whole number of blocks, at least two, by growing
  // it where needed (and reallocating), and keeps the host-visible size so
  // rounded from now on. Only between recordings.
  bool FitBlocks(int32_t blockFrames, int16_t chCount, std::string& error);
  const int16_t* Data() const { return buffer_.get(); }
  // The buffer, for a holder that must keep it alive while a device read
  // into it may still land.
  std::shared_ptr<const void> Storage() const { return buffer_; }

 private:
  int32_t Unread() const;  // caller holds lock_
  // `kadrs` rounded up to whole blocks, at least two, within the size limit.
  int32_t WholeBlocks(int64_t kadrs, int16_t chCount) const;
  int32_t Advance(int32_t pos, int32_t frames) const;
  // Calls sink(samples, count) for the runs of frames from..from+frames-1.
  template <typename Sink>
  void ForEachRun(int32_t from, int32_t frames, Sink sink) const;
  // BeginTake claims up to `wanted` unread frames for a copy; EndTake marks
  // `frames` of them read (0 when the copy did not happen) and returns the
  // frames left unread.
  int32_t BeginTake(int32_t wanted, int32_t& read);
  int32_t EndTake(int32_t read, int32_t frames);

  int32_t sizeKadrs_ = 0;
  int32_t sizeData_ = 0;
  int32_t allocKadrs_ = 0;
  int32_t allocChannels_ = 0;
  int32_t blockFrames_ = 0;  // the producer's block, 0 until it names one
  std::shared_ptr<int16_t[]> buffer_;
  std::vector<int16_t> recordedTable_;

  std::mutex lock_;
  std::condition_variable takeDone_;
  bool taking_ = false;
  std::atomic<int32_t> readPos_{1};
  std::atomic<int32_t> writePos_{0};
  std::atomic<bool> empty_{true};
  std::atomic<int32_t> countKadrs_{0};
  std::atomic<int64_t> droppedFrames_{0};
  std::atomic<int64_t> droppedBlocks_{0};
};

// Printable ASCII text from identification bytes: leading junk is skipped,
// the first non-printable byte after text ends it.
std::string BytesToText(const uint8_t* bytes, size_t count);

// Round half to even, as the module's tables and the generator expect.
double RoundHalfEven(double value);
// Number text rounded to `decimals` places (half to even), without trailing
// zeros, with the given decimal separator. Decimals are limited to 0..15;
// NaN and the infinities give "NaN", "Infinity" and "-Infinity".
std::string FormatNumber(double value, int decimals, const std::string& separator);

}  // namespace e14
