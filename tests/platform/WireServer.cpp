#include "tests/platform/WireServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace e14::testing {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);
constexpr uint32_t kErrorInvalidAddress = 487;

bool ReadAll(int socket, void* data, size_t bytes) {
  auto* next = static_cast<char*>(data);
  while (bytes > 0) {
    const ssize_t got = recv(socket, next, bytes, 0);
    if (got <= 0) return false;
    next += got;
    bytes -= static_cast<size_t>(got);
  }
  return true;
}

void WriteAll(int socket, const void* data, size_t bytes) {
  const auto* next = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t sent = send(socket, next, bytes, MSG_NOSIGNAL);
    if (sent <= 0) return;  // the driver's end is gone; nobody waits for this reply
    next += sent;
    bytes -= static_cast<size_t>(sent);
  }
}

}  // namespace

WireServer::WireServer() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    throw std::runtime_error("socketpair failed");
  handle_ = ends[0];
  own_ = ends[1];
  thread_ = std::thread([this] { Serve(); });
}

WireServer::~WireServer() {
  Close();
  if (handle_ >= 0) close(handle_);
}

void WireServer::Serve() {
  wire::Request request{};
  while (ReadAll(own_, &request, sizeof request)) {
    switch (request.kind) {
      case wire::Kind::Read:
        if (autoAnswer_) {
          const std::vector<uint8_t> block(request.count, static_cast<uint8_t>(answered_++));
          Reply({wire::Kind::Read, request.id, 0, request.count}, block.data());
        } else {
          std::lock_guard lock(mutex_);
          reads_.push_back(request);
          changed_.notify_all();
        }
        break;
      case wire::Kind::Cancel: {
        if (ignoreCancel_) break;
        std::deque<wire::Request> cancelled;
        {
          std::lock_guard lock(mutex_);
          cancelled.swap(reads_);
        }
        for (const auto& read : cancelled)
          Reply({wire::Kind::Read, read.id, platform::kErrorOperationAborted, 0}, nullptr);
        break;
      }
      case wire::Kind::MemoryRead:
      case wire::Kind::MemoryWrite: {
        const bool write = request.kind == wire::Kind::MemoryWrite;
        std::vector<uint8_t> bytes(request.count);
        if (write && !ReadAll(own_, bytes.data(), bytes.size())) break;
        const bool inside = request.address + request.count <= memory_.size();
        {
          std::lock_guard lock(mutex_);
          ++memoryRequests_;
          if (inside && write) std::copy(bytes.begin(), bytes.end(), memory_.begin() + request.address);
          if (inside && !write)
            std::copy_n(memory_.begin() + request.address, request.count, bytes.begin());
        }
        const uint32_t count = inside && !write ? request.count : 0;
        Reply({request.kind, request.id, inside ? 0 : kErrorInvalidAddress, count}, bytes.data());
        break;
      }
    }
  }
  std::lock_guard lock(mutex_);
  peerGone_ = true;
  changed_.notify_all();
}

void WireServer::Reply(const wire::Reply& reply, const void* payload) {
  std::lock_guard lock(sendMutex_);
  WriteAll(own_, &reply, sizeof reply);
  WriteAll(own_, payload, reply.count);
}

bool WireServer::WaitForQueuedReads(size_t count) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kPatience, [&] { return reads_.size() >= count; });
}

std::vector<wire::Request> WireServer::QueuedReads() {
  std::lock_guard lock(mutex_);
  return {reads_.begin(), reads_.end()};
}

void WireServer::AnswerOldestRead(const std::vector<uint8_t>& payload, size_t sendNow) {
  wire::Request read{};
  {
    std::lock_guard lock(mutex_);
    if (reads_.empty()) throw std::logic_error("no read queued");
    read = reads_.front();
    reads_.pop_front();
  }
  const wire::Reply reply{wire::Kind::Read, read.id, 0, static_cast<uint32_t>(payload.size())};
  const size_t now = std::min(sendNow, payload.size());
  std::lock_guard lock(sendMutex_);
  WriteAll(own_, &reply, sizeof reply);
  WriteAll(own_, payload.data(), now);
  unsent_.assign(payload.begin() + static_cast<std::ptrdiff_t>(now), payload.end());
}

void WireServer::FinishAnswer() {
  std::lock_guard lock(sendMutex_);
  WriteAll(own_, unsent_.data(), unsent_.size());
  unsent_.clear();
}

std::vector<uint8_t> WireServer::Memory(uint32_t address, uint32_t count) {
  std::lock_guard lock(mutex_);
  return {memory_.begin() + address, memory_.begin() + address + count};
}

void WireServer::SetMemory(uint32_t address, const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
}

int WireServer::MemoryRequests() {
  std::lock_guard lock(mutex_);
  return memoryRequests_;
}

void WireServer::Close() {
  if (!thread_.joinable()) return;
  shutdown(own_, SHUT_RDWR);
  thread_.join();
  close(own_);
}

void WireServer::CloseHandle() {
  close(handle_);
  handle_ = -1;
}

bool WireServer::MoveHandleTo(int number) {
  if (handle_ == number) return true;
  if (own_ == number || dup2(handle_, number) != number) return false;
  close(handle_);
  handle_ = number;
  return true;
}

bool WireServer::WaitForPeerGone() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kPatience, [&] { return peerGone_; });
}

}  // namespace e14::testing
