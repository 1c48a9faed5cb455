// Serves the module handle's wire protocol (vendor/ModuleWire.h) for
// one open module on a thread of its own: block reads paced by the module's
// clock, cancel, and module-memory requests.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/Module.h"
#include "sim/ModuleServer.h"
#include "sim/Transport.h"
#include "vendor/ModuleWire.h"

namespace e14::sim {

class WireServer final : public ModuleServer {
 public:
  // Null with a reason when the system refuses a connection or a thread.
  static std::unique_ptr<WireServer> Start(std::shared_ptr<Module> module, std::string& error);
  // Stops serving and closes both ends; queued reads get no reply.
  ~WireServer() override;

  uint32_t DriverHandle() const override { return transport_->DriverHandle(); }
  // Asks the server to look at its queued reads again (any thread).
  void Wake() override { transport_->Wake(); }

 private:
  struct PendingRead {
    uint32_t Id;
    uint32_t Bytes;
  };

  WireServer(std::shared_ptr<Module> module, std::unique_ptr<Transport> transport);
  void Run();
  // False when the connection is gone or the driver broke the protocol.
  bool ReceiveRequests();
  bool Handle(const wire::Request& request, const uint8_t* payload);
  // Answers the reads that are due; returns when to look again.
  std::optional<int64_t> ServeReads();
  bool Reply(wire::Kind kind, uint32_t id, uint32_t status, const uint8_t* payload, uint32_t bytes);

  std::shared_ptr<Module> module_;
  std::unique_ptr<Transport> transport_;
  std::deque<PendingRead> reads_;
  std::vector<uint8_t> inbox_;
  std::vector<int16_t> samples_;
  std::vector<uint8_t> outbox_;
  bool broken_ = false;
  std::thread thread_;
};

}  // namespace e14::sim
