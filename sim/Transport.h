// The library's end of a module handle and the handle it gives the driver,
// as WireServer speaks over it: a Unix socket pair on POSIX. (Windows needs
// no request stream: its handle is a named pipe, win32/PipeServer.cpp.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace e14::sim {

class Transport {
 public:
  virtual ~Transport() = default;  // closes both ends

  // The driver's end, as the module handle slot returns it.
  virtual uint32_t DriverHandle() const = 0;

  enum class Event { Readable, Woken, Timeout, Stopped };
  // Waits for bytes from the driver, a Wake, a Stop or the deadline (steady
  // clock ns; null waits without one).
  virtual Event Wait(std::optional<int64_t> deadlineNs) = 0;
  // Bytes that have arrived, at most `max`; 0 when the driver's end is gone.
  virtual size_t Receive(uint8_t* bytes, size_t max) = 0;
  // Sends every byte; false once the connection is gone or stopped.
  virtual bool Send(const uint8_t* bytes, size_t count) = 0;

  // Both may be called from any thread. After Stop, Wait returns Stopped and
  // a Send in progress fails.
  virtual void Wake() = 0;
  virtual void Stop() = 0;
};

// Null with the system's reason when no connection can be made.
std::unique_ptr<Transport> CreateTransport(std::string& error);

}  // namespace e14::sim
