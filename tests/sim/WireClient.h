// The driver's side of the module handle's wire protocol, reduced to what the
// tests need: send requests, wait for replies.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "vendor/ModuleWire.h"

namespace e14::simtest {

struct WireReply {
  wire::Reply Header;
  std::vector<uint8_t> Payload;
  // The payload as little-endian 16-bit samples.
  std::vector<int16_t> Samples() const;
};

class WireClient {
 public:
  explicit WireClient(int handle) : handle_(handle) {}

  void Read(uint32_t id, uint32_t bytes) const { Send({wire::Kind::Read, id, 0, bytes}); }
  void Cancel() const { Send({wire::Kind::Cancel, 0, 0, 0}); }
  void Send(const wire::Request& request, const std::vector<uint8_t>& payload = {}) const;
  // The next reply, or nothing when none arrives within timeoutMs.
  std::optional<WireReply> Next(int timeoutMs) const;
  // A memory request answered synchronously.
  WireReply MemoryRead(uint32_t address, uint32_t count) const;
  WireReply MemoryWrite(uint32_t address, const std::vector<uint8_t>& bytes) const;

 private:
  bool ReceiveAll(void* data, size_t bytes, int timeoutMs) const;
  int handle_;
};

}  // namespace e14::simtest
