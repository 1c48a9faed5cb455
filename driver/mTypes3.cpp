#include "driver/mTypes3.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace e14 {

namespace {
// Upper bound of a ring, in samples (256 MiB): larger requests are clipped so
// that sizes stay far from 32-bit overflow and allocation stays plausible.
constexpr int64_t kMaxRingSamples = int64_t{1} << 27;
// More decimals than a double carries would only show noise.
constexpr int kMaxDecimals = 15;
}  // namespace

int32_t FrameRing::ComputeBufferSize(bool roundToPowerOfTwo, int32_t size, int32_t requestedSize,
                                     int16_t chCount) {
  if (size < 1024) size = requestedSize >= 1024 ? requestedSize : 32768;
  if (chCount < 1) {
    chCount = 1;
  } else if (!roundToPowerOfTwo) {
    sizeKadrs_ = size;
  } else {
    int n = 0;
    while ((2 << n) <= chCount) ++n;
    sizeKadrs_ = static_cast<int32_t>(RoundHalfEven(static_cast<double>(size) / (1 << n)));
  }
  sizeKadrs_ = blockFrames_ > 0 ? WholeBlocks(sizeKadrs_, chCount)
                                : static_cast<int32_t>(std::clamp<int64_t>(sizeKadrs_, 1, kMaxRingSamples / chCount));
  sizeData_ = sizeKadrs_ * chCount;
  return sizeKadrs_;
}

int32_t FrameRing::WholeBlocks(int64_t kadrs, int16_t chCount) const {
  const int64_t blocks = std::max<int64_t>((kadrs + blockFrames_ - 1) / blockFrames_, 2);
  const int64_t limit = std::max<int64_t>(kMaxRingSamples / chCount / blockFrames_, 2);
  return static_cast<int32_t>(std::min(blocks, limit) * blockFrames_);
}

bool FrameRing::Reset(int16_t chCount, const std::vector<int16_t>& chTable, std::string& error) {
  std::unique_lock guard(lock_);
  takeDone_.wait(guard, [this] { return !taking_; });
  const size_t samples = static_cast<size_t>(sizeKadrs_) * static_cast<size_t>(std::max<int16_t>(chCount, 1));
  try {
    // Cleared in place only when no device read may still land in it.
    if (allocChannels_ == chCount && allocKadrs_ == sizeKadrs_ && buffer_.use_count() == 1) {
      std::fill_n(buffer_.get(), samples, int16_t{0});
    } else {
      buffer_.reset();  // free the old ring (unless still held) before asking for the new one
      allocChannels_ = allocKadrs_ = 0;
      buffer_ = std::make_shared<int16_t[]>(samples);
      allocChannels_ = chCount;
      allocKadrs_ = sizeKadrs_;
    }
    std::vector<int16_t> table(static_cast<size_t>(allocChannels_), 0);  // chTable may be recordedTable_
    std::copy_n(chTable.begin(), std::min(chTable.size(), table.size()), table.begin());
    recordedTable_ = std::move(table);
  } catch (const std::bad_alloc&) {
    error = "Buffer Error 7: \r\nOut of memory";
    return false;
  }
  countKadrs_ = 0;
  readPos_ = 1;
  writePos_ = 0;
  empty_ = true;
  droppedFrames_ = 0;
  droppedBlocks_ = 0;
  return true;
}

bool FrameRing::FitBlocks(int32_t blockFrames, int16_t chCount, std::string& error) {
  if (blockFrames < 1) return true;
  blockFrames_ = blockFrames;
  if (allocKadrs_ % blockFrames == 0 && allocKadrs_ >= 2 * blockFrames) return true;
  return Allocate(WholeBlocks(allocKadrs_, chCount), chCount, error);
}

bool FrameRing::Allocate(int32_t kadrs, int16_t chCount, std::string& error) {
  if (kadrs < 1 || chCount < 1 || int64_t{kadrs} * chCount > kMaxRingSamples) {
    error = "Buffer Error 7: \r\nOut of memory";
    return false;
  }
  sizeKadrs_ = kadrs;
  sizeData_ = kadrs * chCount;
  return Reset(chCount, recordedTable_, error);
}

int32_t FrameRing::Unread() const {
  const int32_t read = readPos_.load(std::memory_order_relaxed);
  const int32_t write = writePos_.load(std::memory_order_relaxed);
  if (write == 0 || empty_.load(std::memory_order_relaxed)) return 0;
  if (read <= write) return write - read + 1;
  return allocKadrs_ - read + 1 + write;
}

int32_t FrameRing::Advance(int32_t pos, int32_t frames) const {
  return (pos - 1 + frames) % allocKadrs_ + 1;
}

int32_t FrameRing::CountAvailableKadrs() {
  std::lock_guard guard(lock_);
  const int32_t unread = Unread();
  countKadrs_.store(unread, std::memory_order_relaxed);
  return unread;
}

template <typename Sink>
void FrameRing::ForEachRun(int32_t from, int32_t frames, Sink sink) const {
  // At most two runs: up to the ring's end, then from its start.
  const int32_t tail = std::min(frames, allocKadrs_ - from + 1);
  const int16_t* first = buffer_.get() + static_cast<size_t>(from - 1) * allocChannels_;
  sink(first, static_cast<size_t>(tail) * allocChannels_);
  if (frames > tail) sink(buffer_.get(), static_cast<size_t>(frames - tail) * allocChannels_);
}

int32_t FrameRing::BeginTake(int32_t wanted, int32_t& read) {
  std::lock_guard guard(lock_);
  const int32_t frames = std::min(wanted, Unread());
  if (frames > 0) taking_ = true;
  read = readPos_.load(std::memory_order_relaxed);
  return frames;
}

int32_t FrameRing::EndTake(int32_t read, int32_t frames) {
  int32_t unread = 0;
  {
    std::lock_guard guard(lock_);
    // Empty only when nothing was published while we copied.
    const bool drained = frames >= Unread();
    readPos_.store(Advance(read, frames), std::memory_order_release);
    if (drained) empty_.store(true, std::memory_order_release);
    unread = Unread();
    countKadrs_.store(unread, std::memory_order_relaxed);
    taking_ = false;
  }
  takeDone_.notify_all();
  return unread;
}

FrameArray FrameRing::TakeInputData(const std::vector<int16_t>& chTable) {
  FrameArray result;
  result.Frames = 1 + TakeInputData(chTable, [&result](int32_t channels, int32_t frames) {
    result.Channels = channels;
    result.Samples.resize(static_cast<size_t>(channels) * static_cast<size_t>(frames));
    return result.Samples.data();
  });
  return result;
}

int32_t FrameRing::TakeInputData(const std::vector<int16_t>& chTable, const FrameArrayMemory& memory) {
  const std::vector<int16_t>& table = allocChannels_ > 0 ? recordedTable_ : chTable;
  int32_t read = 0;
  const int32_t frames = BeginTake(std::numeric_limits<int32_t>::max(), read);
  int16_t* out = nullptr;
  try {
    out = memory(static_cast<int32_t>(table.size()), frames + 1);
  } catch (...) {
    if (frames > 0) EndTake(read, 0);
    throw;
  }
  out = std::copy(table.begin(), table.end(), out);
  if (frames > 0) {
    ForEachRun(read, frames, [&out](const int16_t* run, size_t samples) { out = std::copy_n(run, samples, out); });
    EndTake(read, frames);
  }
  return frames;
}

int32_t FrameRing::TakeData(int16_t* data, int32_t& dataSize, int32_t& inputCountData) {
  int32_t frames = 0;
  int32_t unread = 0;
  if (data != nullptr && dataSize > 0 && allocChannels_ > 0) {
    int32_t read = 0;
    frames = BeginTake(dataSize / allocChannels_, read);
    if (frames > 0) {
      ForEachRun(read, frames, [&data](const int16_t* run, size_t samples) {
        data = std::copy_n(run, samples, data);
      });
      unread = EndTake(read, frames);
    }
  }
  if (frames == 0) unread = CountAvailableKadrs();
  dataSize = frames * allocChannels_;
  inputCountData = unread * allocChannels_;
  return frames;
}

int16_t* FrameRing::ReserveBlock(int32_t first, int32_t frames) {
  const int32_t last = first + frames - 1;
  std::unique_lock guard(lock_);
  for (;;) {
    const int32_t unread = Unread();
    if (unread == 0) break;
    const int32_t read = readPos_.load(std::memory_order_relaxed);
    const int32_t startOffset = (first - read + allocKadrs_) % allocKadrs_;
    const int32_t endOffset = (last - read + allocKadrs_) % allocKadrs_;
    const bool overlaps = startOffset < unread || endOffset < startOffset;
    if (!overlaps) break;
    if (taking_) {
      // The host is copying the oldest frames right now; let it finish first.
      takeDone_.wait(guard);
      continue;
    }
    droppedBlocks_.fetch_add(1, std::memory_order_relaxed);
    if (endOffset + 1 >= unread) {
      droppedFrames_.fetch_add(unread, std::memory_order_relaxed);
      empty_.store(true, std::memory_order_release);
    } else {
      droppedFrames_.fetch_add(endOffset + 1, std::memory_order_relaxed);
      readPos_.store(Advance(last, 1), std::memory_order_release);
    }
    break;
  }
  return buffer_.get() + static_cast<size_t>(first - 1) * allocChannels_;
}

void FrameRing::PublishBlock(int32_t first, int32_t frames) {
  std::lock_guard guard(lock_);
  // An empty ring starts reading at the block just published.
  if (empty_.load(std::memory_order_relaxed)) readPos_.store(first, std::memory_order_release);
  writePos_.store(first + frames - 1, std::memory_order_release);
  empty_.store(false, std::memory_order_release);
  countKadrs_.store(Unread(), std::memory_order_relaxed);
}

int32_t FrameRing::Restart() {
  std::unique_lock guard(lock_);
  takeDone_.wait(guard, [this] { return !taking_; });
  const int32_t discarded = Unread();
  empty_ = true;
  countKadrs_ = 0;
  writePos_ = 0;
  readPos_ = 1;
  return discarded;
}

std::string BytesToText(const uint8_t* bytes, size_t count) {
  std::string text;
  if (bytes == nullptr) return text;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
    if (b >= 32 && b <= 127) {
      text.push_back(static_cast<char>(b));
    } else if (!text.empty()) {
      break;
    }
  }
  return text;
}

double RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which is to-nearest-even
  // unless someone changed it; do it explicitly instead.
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::string FormatNumber(double value, int decimals, const std::string& separator) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  int64_t unit = 1;
  for (int i = 0; i < decimals; ++i) unit *= 10;
  const double scaled = RoundHalfEven(value * static_cast<double>(unit));
  std::string whole, digits;
  if (std::fabs(scaled) < 0x1p63) {
    // Exact in 64 bits: split into whole part and decimals with integer arithmetic.
    const int64_t count = static_cast<int64_t>(scaled);
    const uint64_t magnitude = count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
    whole = (count < 0 ? "-" : "") + std::to_string(magnitude / static_cast<uint64_t>(unit));
    if (decimals > 0) {
      digits = std::to_string(magnitude % static_cast<uint64_t>(unit));
      digits.insert(0, static_cast<size_t>(decimals) - digits.size(), '0');
    }
  } else {
    // Too large for that: the exact decimal expansion, correctly rounded
    // (at most 309 digits, a sign, a point and 15 decimals).
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    const std::string text = buffer;
    const size_t point = text.find('.');
    whole = text.substr(0, point);
    if (point != std::string::npos) digits = text.substr(point + 1);
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return digits.empty() ? whole : whole + separator + digits;
}

}  // namespace e14
