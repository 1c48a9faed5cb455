// The library's side of one open module's handle, served on a thread of its
// own. POSIX answers the requests of a socket protocol (WireServer); Windows
// streams the driver's blocks into a named pipe (win32/PipeServer.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/Module.h"

namespace e14::sim {

class ModuleServer {
 public:
  // Stops serving and closes both ends.
  virtual ~ModuleServer() = default;

  // The driver's end, as the module handle slot returns it.
  virtual uint32_t DriverHandle() const = 0;
  // Asks the server to look at the module again (any thread).
  virtual void Wake() = 0;
  // After the ADC stopped: drops data the handle still holds for the driver
  // from that run, before the driver can read again. Nothing to do where the
  // server only ever answers reads the driver has queued.
  virtual void DropStaleData() {}
};

// Null with a reason when the system refuses a connection or a thread.
std::unique_ptr<ModuleServer> StartModuleServer(std::shared_ptr<Module> module, std::string& error);

}  // namespace e14::sim
