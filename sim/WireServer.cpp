#include "sim/WireServer.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>

namespace e14::sim {
namespace {

// Far above the driver's largest block (2 MiB); anything bigger is a fault.
constexpr uint32_t kMaxReadBytes = 8u << 20;
constexpr uint32_t kMaxMemoryBytes = 0x10000;
constexpr uint32_t kStatusInvalidFunction = 1;

void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0] | at[1] << 8 | at[2] << 16) | static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

std::unique_ptr<ModuleServer> StartModuleServer(std::shared_ptr<Module> module, std::string& error) {
  return WireServer::Start(std::move(module), error);
}

std::unique_ptr<WireServer> WireServer::Start(std::shared_ptr<Module> module, std::string& error) {
  auto transport = CreateTransport(error);
  if (!transport) return nullptr;
  std::unique_ptr<WireServer> server(new WireServer(std::move(module), std::move(transport)));
  try {
    server->thread_ = std::thread([s = server.get()] { s->Run(); });
  } catch (const std::system_error& e) {
    error = e.what();
    return nullptr;
  }
  return server;
}

WireServer::WireServer(std::shared_ptr<Module> module, std::unique_ptr<Transport> transport)
    : module_(std::move(module)), transport_(std::move(transport)) {}

WireServer::~WireServer() {
  transport_->Stop();
  if (thread_.joinable()) thread_.join();
}

void WireServer::Run() {
  try {
    for (;;) {
      const std::optional<int64_t> deadline = ServeReads();
      if (broken_) break;
      const Transport::Event event = transport_->Wait(deadline);
      if (event == Transport::Event::Stopped) break;
      if (event == Transport::Event::Readable && !ReceiveRequests()) break;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "E14-140 simulator: module server stopped: %s\n", e.what());
  }
}

bool WireServer::ReceiveRequests() {
  uint8_t chunk[4096];
  const size_t got = transport_->Receive(chunk, sizeof chunk);
  if (got == 0) return false;
  inbox_.insert(inbox_.end(), chunk, chunk + got);
  size_t used = 0;
  while (inbox_.size() - used >= sizeof(wire::Request)) {
    const uint8_t* at = inbox_.data() + used;
    const wire::Request request{static_cast<wire::Kind>(GetU32(at)), GetU32(at + 4), GetU32(at + 8),
                                GetU32(at + 12)};
    uint32_t payload = 0;
    if (request.kind == wire::Kind::MemoryWrite) {
      if (request.count > kMaxMemoryBytes) {
        std::fprintf(stderr, "E14-140 simulator: memory write of %u bytes refused\n", request.count);
        return false;
      }
      payload = request.count;
    }
    if (inbox_.size() - used < sizeof(wire::Request) + payload) break;
    if (!Handle(request, at + sizeof(wire::Request))) return false;
    used += sizeof(wire::Request) + payload;
  }
  inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(used));
  return true;
}

bool WireServer::Handle(const wire::Request& request, const uint8_t* payload) {
  switch (request.kind) {
    case wire::Kind::Read:
      if (request.count > kMaxReadBytes)
        return Reply(wire::Kind::Read, request.id, kStatusInvalidParameter, nullptr, 0);
      reads_.push_back({request.id, request.count});
      return true;
    case wire::Kind::Cancel:
      // Unplugged or not, cancelled reads end at once.
      while (!reads_.empty()) {
        const uint32_t id = reads_.front().Id;
        reads_.pop_front();
        if (!Reply(wire::Kind::Read, id, kStatusAborted, nullptr, 0)) return false;
      }
      return true;
    case wire::Kind::MemoryRead: {
      if (request.count > kMaxMemoryBytes)
        return Reply(request.kind, request.id, kStatusInvalidParameter, nullptr, 0);
      std::vector<uint8_t> bytes(request.count);
      const uint32_t status = module_->ReadMemory(request.address, request.count, bytes.data());
      return Reply(request.kind, request.id, status, bytes.data(), status == kStatusOk ? request.count : 0);
    }
    case wire::Kind::MemoryWrite:
      return Reply(request.kind, request.id, module_->WriteMemory(request.address, payload, request.count),
                   nullptr, 0);
  }
  return Reply(request.kind, request.id, kStatusInvalidFunction, nullptr, 0);
}

std::optional<int64_t> WireServer::ServeReads() {
  while (!reads_.empty()) {
    const PendingRead read = reads_.front();
    std::optional<int64_t> wakeAt;
    if (!module_->TakeSamples(read.Bytes / 2, SteadyNowNs(), samples_, wakeAt)) return wakeAt;
    reads_.pop_front();
    outbox_.resize(samples_.size() * 2);
    if constexpr (std::endian::native == std::endian::little) {
      if (!outbox_.empty()) std::memcpy(outbox_.data(), samples_.data(), outbox_.size());
    } else {
      for (size_t i = 0; i < samples_.size(); ++i) {
        const auto word = static_cast<uint16_t>(samples_[i]);
        outbox_[2 * i] = static_cast<uint8_t>(word);
        outbox_[2 * i + 1] = static_cast<uint8_t>(word >> 8);
      }
    }
    if (!Reply(wire::Kind::Read, read.Id, kStatusOk, outbox_.data(), static_cast<uint32_t>(outbox_.size()))) {
      broken_ = true;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

bool WireServer::Reply(wire::Kind kind, uint32_t id, uint32_t status, const uint8_t* payload,
                       uint32_t bytes) {
  uint8_t header[sizeof(wire::Reply)];
  PutU32(header, static_cast<uint32_t>(kind));
  PutU32(header + 4, id);
  PutU32(header + 8, status);
  PutU32(header + 12, bytes);
  return transport_->Send(header, sizeof header) && (bytes == 0 || transport_->Send(payload, bytes));
}

}  // namespace e14::sim
