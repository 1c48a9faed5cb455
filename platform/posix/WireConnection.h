// The driver's end of one module socket. Requests go out from any thread;
// one reader thread takes the replies, stores each payload straight into the
// memory its request named, and completes whoever waits for it.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/DeviceIo.h"
#include "vendor/ModuleWire.h"

namespace e14::platform::posix {

class WireConnection {
 public:
  // Serves the socket that descriptor `handle` refers to (`identity` is its
  // fstat record). Keeps a descriptor of its own, so a later reuse of the
  // number `handle` cannot redirect it. Null when it cannot start.
  static std::shared_ptr<WireConnection> Open(int handle, const struct stat& identity);
  // Ends the stream, for the library too, and waits for the reader, which
  // completes whatever still waits. The reader holds no reference to its
  // connection, so this never runs on the reader itself.
  ~WireConnection();
  WireConnection(const WireConnection&) = delete;
  WireConnection& operator=(const WireConnection&) = delete;

  // The DeviceIo contract: kErrorIoPending when started, else an error code.
  uint32_t StartRead(void* buffer, uint32_t bytes, Overlapped& request);
  // Returns once every read in flight at the call has completed (false when
  // the library could not be asked, and they were completed here).
  bool Cancel();
  // True once the stream has ended: every later call fails.
  bool Closed();
  // One synchronous memory transfer: `bytes` from the module into `data`
  // (MemoryRead) or from `data` to the module (MemoryWrite).
  bool Memory(wire::Kind kind, uint16_t address, void* data, uint32_t bytes, uint32_t& returned);

 private:
  struct PendingRead {
    void* buffer;
    uint32_t bytes;
    Overlapped* request;
    // Its request is still being sent: whether it started is its sender's
    // to say, so the end of the stream leaves it to the sender.
    bool sending = true;
  };
  struct MemoryWait {
    void* data;
    uint32_t capacity;
    bool done = false;
    uint32_t status = 0;
    uint32_t bytes = 0;
  };

  WireConnection(int handle, const struct stat& identity, int socket);

  uint32_t NextId();  // under mutex_
  bool Send(const wire::Request& request, const void* payload = nullptr, uint32_t bytes = 0);
  bool AwaitReadable() const;
  ssize_t TakeSome(void* data, size_t bytes);
  bool Receive(void* data, size_t bytes);
  bool Store(uint32_t id, void* data, size_t bytes);
  bool Discard(size_t bytes);
  bool HandleStillOurs() const;
  bool AwaitMemory(uint32_t id, MemoryWait& wait, uint32_t timeoutMs);

  void ReaderLoop();
  // False when the stream can no longer be followed.
  bool Deliver(const wire::Reply& reply);
  bool DeliverRead(const wire::Reply& reply);
  bool DeliverMemory(const wire::Reply& reply);
  void Close();

  const std::string handleLink_;  // /proc/self/fd/<handle>
  const std::string socketName_;  // what that link reads while it is our socket
  // Our own descriptor of the socket, -1 once the reader has ended: a dead
  // connection holds no descriptor while it waits to be let go of. Only the
  // reader changes it, under sendMutex_.
  int socket_;
  std::thread reader_;

  std::mutex sendMutex_;  // one whole request at a time on the socket; guards socket_
  std::mutex mutex_;      // everything below
  std::condition_variable changed_;
  std::map<uint32_t, PendingRead> reads_;
  std::map<uint32_t, MemoryWait*> memory_;
  // Id whose payload the reader is storing; 0 = none. Cancel sets 0 for a
  // read it gives up, and no more of the payload then lands in its buffer.
  uint32_t receiving_ = 0;
  uint32_t nextId_ = 1;
  bool closed_ = false;
};

}  // namespace e14::platform::posix
