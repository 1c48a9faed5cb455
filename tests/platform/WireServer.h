// The library's end of a module socket, for tests of the driver's end: it
// queues reads until the test answers them (or answers each at once with
// numbered blocks), answers Cancel with 995 for every queued read, and serves
// 64 KiB of module memory.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/DeviceIo.h"
#include "vendor/ModuleWire.h"

namespace e14::testing {

class WireServer {
 public:
  WireServer();
  ~WireServer();
  WireServer(const WireServer&) = delete;
  WireServer& operator=(const WireServer&) = delete;

  platform::DeviceHandle Handle() const { return handle_; }

  // Answer every read at once: the n-th read (from 0) gets its full count
  // of bytes of value n & 0xFF.
  void AnswerReadsAtOnce() { autoAnswer_ = true; }
  // Leave Cancel unanswered, as a library that has stopped serving.
  void IgnoreCancel() { ignoreCancel_ = true; }

  // Waits up to 10 s until `count` reads are queued.
  bool WaitForQueuedReads(size_t count);
  std::vector<wire::Request> QueuedReads();
  // Answers the oldest queued read with exactly `payload` and status 0. Only
  // the first `sendNow` payload bytes go at once; FinishAnswer sends the rest
  // (nothing else may be answered in between).
  void AnswerOldestRead(const std::vector<uint8_t>& payload, size_t sendNow = SIZE_MAX);
  void FinishAnswer();

  std::vector<uint8_t> Memory(uint32_t address, uint32_t count);
  void SetMemory(uint32_t address, const std::vector<uint8_t>& bytes);
  int MemoryRequests();

  // Ends the library's side: the driver's end then reads end of stream.
  void Close();
  // Closes only the driver's descriptor, as a library that forgets the other end.
  void CloseHandle();
  // Gives the driver's end the descriptor number `number` instead; false
  // when the library's end holds that number.
  bool MoveHandleTo(int number);
  // Waits up to 10 s until the driver's end of the socket is gone.
  bool WaitForPeerGone();

 private:
  void Serve();
  void Reply(const wire::Reply& reply, const void* payload);

  int handle_ = -1;
  int own_ = -1;
  std::thread thread_;
  std::atomic<bool> autoAnswer_{false};
  std::atomic<bool> ignoreCancel_{false};
  uint32_t answered_ = 0;  // server thread only

  std::mutex sendMutex_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<wire::Request> reads_;
  std::vector<uint8_t> unsent_;  // under sendMutex_
  std::vector<uint8_t> memory_ = std::vector<uint8_t>(0x10000);
  int memoryRequests_ = 0;
  bool peerGone_ = false;
};

}  // namespace e14::testing
