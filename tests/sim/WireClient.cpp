#include "tests/sim/WireClient.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace e14::simtest {

std::vector<int16_t> WireReply::Samples() const {
  std::vector<int16_t> samples(Payload.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(Payload[2 * i] | Payload[2 * i + 1] << 8);
  return samples;
}

void WireClient::Send(const wire::Request& request, const std::vector<uint8_t>& payload) const {
  std::vector<uint8_t> bytes(sizeof request);
  std::memcpy(bytes.data(), &request, sizeof request);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  if (send(handle_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("send on the module handle failed");
}

bool WireClient::ReceiveAll(void* data, size_t bytes, int timeoutMs) const {
  auto* next = static_cast<uint8_t*>(data);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bytes > 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd readable{handle_, POLLIN, 0};
    if (left.count() < 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t got = recv(handle_, next, bytes, 0);
    if (got <= 0) return false;
    next += got;
    bytes -= static_cast<size_t>(got);
  }
  return true;
}

std::optional<WireReply> WireClient::Next(int timeoutMs) const {
  WireReply reply{};
  if (!ReceiveAll(&reply.Header, sizeof reply.Header, timeoutMs)) return std::nullopt;
  reply.Payload.resize(reply.Header.count);
  // A started reply must complete promptly.
  if (!ReceiveAll(reply.Payload.data(), reply.Payload.size(), 5000))
    throw std::runtime_error("reply payload cut short");
  return reply;
}

WireReply WireClient::MemoryRead(uint32_t address, uint32_t count) const {
  Send({wire::Kind::MemoryRead, 77, address, count});
  auto reply = Next(2000);
  if (!reply || reply->Header.kind != wire::Kind::MemoryRead || reply->Header.id != 77)
    throw std::runtime_error("no memory read reply");
  return *reply;
}

WireReply WireClient::MemoryWrite(uint32_t address, const std::vector<uint8_t>& bytes) const {
  Send({wire::Kind::MemoryWrite, 78, address, static_cast<uint32_t>(bytes.size())}, bytes);
  auto reply = Next(2000);
  if (!reply || reply->Header.kind != wire::Kind::MemoryWrite || reply->Header.id != 78)
    throw std::runtime_error("no memory write reply");
  return *reply;
}

}  // namespace e14::simtest
