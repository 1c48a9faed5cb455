#include "platform/posix/WireConnection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <system_error>
#include <vector>

namespace e14::platform::posix {
namespace {

static_assert(std::endian::native == std::endian::little,
              "wire records are sent as they lie in memory");

// How long a request waits for the library's answer before giving up on it.
constexpr uint32_t kReplyTimeoutMs = 3000;
// How often a reader with nothing to read checks that its handle still exists.
constexpr int kHandleCheckMs = 100;

void Complete(Overlapped& request, uint32_t status, uint32_t bytes) {
  Event* const completion = request.Completion;
  // Bytes first: whoever sees the final status sees the count and the data.
  request.Bytes.store(bytes, std::memory_order_relaxed);
  request.Status.store(status, std::memory_order_release);
  if (completion != nullptr) completion->Set();
}

bool SendAll(int socket, const void* data, size_t bytes) {
  const auto* next = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t sent = send(socket, next, bytes, MSG_NOSIGNAL);
    if (sent > 0) {
      next += sent;
      bytes -= static_cast<size_t>(sent);
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The library may have made the socket non-blocking.
      pollfd writable{socket, POLLOUT, 0};
      if (poll(&writable, 1, static_cast<int>(kReplyTimeoutMs)) <= 0) return false;
    } else if (sent == 0 || errno != EINTR) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::shared_ptr<WireConnection> WireConnection::Open(int handle, const struct stat& identity) {
  const int own = fcntl(handle, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return nullptr;
  std::shared_ptr<WireConnection> connection(new WireConnection(handle, identity, own));
  try {
    connection->reader_ = std::thread([reader = connection.get()] { reader->ReaderLoop(); });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return connection;
}

WireConnection::WireConnection(int handle, const struct stat& identity, int socket)
    : handleLink_("/proc/self/fd/" + std::to_string(handle)),
      socketName_("socket:[" + std::to_string(identity.st_ino) + "]"),
      socket_(socket) {}

WireConnection::~WireConnection() {
  if (reader_.joinable()) {  // not when it could not start
    {
      std::lock_guard lock(sendMutex_);
      if (socket_ >= 0) shutdown(socket_, SHUT_RDWR);  // ends the reader's wait at once
    }
    reader_.join();
  }
  if (socket_ >= 0) close(socket_);
}

uint32_t WireConnection::NextId() {
  const uint32_t id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;
  return id;
}

uint32_t WireConnection::StartRead(void* buffer, uint32_t bytes, Overlapped& request) {
  uint32_t id = 0;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return kErrorBrokenPipe;
    id = NextId();
    request.Status.store(kErrorIoPending, std::memory_order_relaxed);
    request.Bytes.store(0, std::memory_order_relaxed);
    reads_.emplace(id, PendingRead{buffer, bytes, &request});
  }
  const bool sent = Send({wire::Kind::Read, id, 0, bytes});
  std::lock_guard lock(mutex_);
  const auto found = reads_.find(id);
  // Gone or being stored: it has completed, or will, through its event like
  // any started read.
  if (found == reads_.end() || receiving_ == id) return kErrorIoPending;
  if (!sent) {
    reads_.erase(found);
    return kErrorBrokenPipe;  // it never started, so its event stays unset
  }
  found->second.sending = false;
  if (closed_) {  // the stream ended while it was being sent
    Complete(request, kErrorBrokenPipe, 0);
    reads_.erase(found);
  }
  return kErrorIoPending;
}

bool WireConnection::Cancel() {
  std::vector<uint32_t> cancelled;
  uint32_t id = 0;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    for (const auto& entry : reads_) cancelled.push_back(entry.first);
    id = NextId();
  }
  const bool sent = Send({wire::Kind::Cancel, id, 0, 0});
  std::unique_lock lock(mutex_);
  if (sent) {
    changed_.wait_for(lock, std::chrono::milliseconds(kReplyTimeoutMs), [&] {
      return std::none_of(cancelled.begin(), cancelled.end(),
                          [this](uint32_t read) { return reads_.contains(read); });
    });
  }
  // Whatever the library did not answer is completed here, a reply still
  // being stored too: a late answer, or the rest of one, is then dropped.
  for (const uint32_t read : cancelled) {
    const auto found = reads_.find(read);
    if (found == reads_.end()) continue;
    if (read == receiving_) receiving_ = 0;
    Complete(*found->second.request, kErrorOperationAborted, 0);
    reads_.erase(found);
  }
  return sent;
}

bool WireConnection::Closed() {
  std::lock_guard lock(mutex_);
  return closed_;
}

bool WireConnection::Memory(wire::Kind kind, uint16_t address, void* data, uint32_t bytes,
                            uint32_t& returned) {
  returned = 0;
  const bool write = kind == wire::Kind::MemoryWrite;
  MemoryWait wait{write ? nullptr : data, write ? 0 : bytes};
  uint32_t id = 0;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    id = NextId();
    memory_.emplace(id, &wait);
  }
  const bool sent = Send({kind, id, address, bytes}, write ? data : nullptr, write ? bytes : 0);
  if (!AwaitMemory(id, wait, sent ? kReplyTimeoutMs : 0)) return false;
  returned = wait.bytes;
  return wait.status == 0;
}

bool WireConnection::AwaitMemory(uint32_t id, MemoryWait& wait, uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto done = [&] { return wait.done; };
  // A reply already being stored into the caller's buffer must finish first.
  if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done) && receiving_ == id)
    changed_.wait(lock, done);
  memory_.erase(id);
  return wait.done;
}

bool WireConnection::Send(const wire::Request& request, const void* payload, uint32_t bytes) {
  std::lock_guard lock(sendMutex_);
  if (socket_ < 0) return false;
  if (SendAll(socket_, &request, sizeof request) && SendAll(socket_, payload, bytes)) return true;
  // A request cut short leaves the stream unreadable: end it for both sides,
  // and the reader then fails whatever still waits.
  shutdown(socket_, SHUT_RDWR);
  return false;
}

bool WireConnection::AwaitReadable() const {
  for (;;) {
    pollfd readable{socket_, POLLIN, 0};
    const int ready = poll(&readable, 1, kHandleCheckMs);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    // The library closing its descriptor without closing the other end
    // must still end this reader, and with it the socket.
    if (ready == 0 && !HandleStillOurs()) return false;
  }
}

// What one non-blocking receive took: 0 when nothing was there yet, -1 when
// the stream has ended or failed.
ssize_t WireConnection::TakeSome(void* data, size_t bytes) {
  const ssize_t got = recv(socket_, data, bytes, MSG_DONTWAIT);
  if (got > 0) return got;
  if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
  return -1;
}

bool WireConnection::Receive(void* data, size_t bytes) {
  auto* next = static_cast<char*>(data);
  while (bytes > 0) {
    const ssize_t got = AwaitReadable() ? TakeSome(next, bytes) : -1;
    if (got < 0) return false;
    next += got;
    bytes -= static_cast<size_t>(got);
  }
  return true;
}

// Receive into the memory of request `id`, each piece under the lock and
// only while `id` is still being received: once a cancel has given it up,
// the rest of the payload is discarded.
bool WireConnection::Store(uint32_t id, void* data, size_t bytes) {
  auto* next = static_cast<char*>(data);
  while (bytes > 0) {
    if (!AwaitReadable()) return false;
    std::lock_guard lock(mutex_);
    if (receiving_ != id) break;
    const ssize_t got = TakeSome(next, bytes);
    if (got < 0) return false;
    next += got;
    bytes -= static_cast<size_t>(got);
  }
  return Discard(bytes);
}

bool WireConnection::Discard(size_t bytes) {
  char scratch[4096];
  while (bytes > 0) {
    const size_t chunk = std::min(bytes, sizeof scratch);
    if (!Receive(scratch, chunk)) return false;
    bytes -= chunk;
  }
  return true;
}

bool WireConnection::HandleStillOurs() const {
  // Asked by path, not with fstat: another thread may close and reuse the
  // number at any moment (that is what is being checked), and a descriptor
  // call on it would race with that.
  char target[64];
  const ssize_t length = readlink(handleLink_.c_str(), target, sizeof target);
  if (length >= 0) return std::string_view(target, static_cast<size_t>(length)) == socketName_;
  // No such link means closed, unless there is no /proc to ask at all.
  return errno != ENOENT || access("/proc/self/fd", F_OK) != 0;
}

void WireConnection::ReaderLoop() {
  wire::Reply reply{};
  while (Receive(&reply, sizeof reply) && Deliver(reply)) continue;
  Close();
  std::lock_guard lock(sendMutex_);
  close(socket_);
  socket_ = -1;
}

bool WireConnection::Deliver(const wire::Reply& reply) {
  switch (reply.kind) {
    case wire::Kind::Read:
      return DeliverRead(reply);
    case wire::Kind::MemoryRead:
    case wire::Kind::MemoryWrite:
      return DeliverMemory(reply);
    default:
      return false;  // an unknown record: the stream cannot be followed
  }
}

bool WireConnection::DeliverRead(const wire::Reply& reply) {
  PendingRead read{};
  {
    std::lock_guard lock(mutex_);
    const auto found = reads_.find(reply.id);
    if (found == reads_.end()) return Discard(reply.count);  // completed already
    read = found->second;
    receiving_ = reply.id;
  }
  const uint32_t stored = std::min(reply.count, read.bytes);
  const bool received = Store(reply.id, read.buffer, stored) && Discard(reply.count - stored);
  {
    std::lock_guard lock(mutex_);
    // A read given up meanwhile was completed by the cancel. Otherwise it is
    // completed before it leaves the table, so a cancel that sees it gone
    // knows its event is set.
    if (receiving_ == reply.id) {
      Complete(*read.request, received ? reply.status : kErrorBrokenPipe, received ? stored : 0);
      reads_.erase(reply.id);
    }
    receiving_ = 0;
  }
  changed_.notify_all();
  return received;
}

bool WireConnection::DeliverMemory(const wire::Reply& reply) {
  MemoryWait* wait = nullptr;
  {
    std::lock_guard lock(mutex_);
    const auto found = memory_.find(reply.id);
    if (found == memory_.end()) return Discard(reply.count);  // its caller gave up
    wait = found->second;
    receiving_ = reply.id;
  }
  const uint32_t stored = std::min(reply.count, wait->capacity);
  const bool received = Receive(wait->data, stored) && Discard(reply.count - stored);
  {
    std::lock_guard lock(mutex_);
    wait->status = received ? reply.status : kErrorBrokenPipe;
    wait->bytes = received ? stored : 0;
    wait->done = true;
    memory_.erase(reply.id);
    receiving_ = 0;
  }
  changed_.notify_all();
  return received;
}

void WireConnection::Close() {
  // The library sees the end at once, not when the last owner lets go.
  shutdown(socket_, SHUT_RDWR);
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    std::erase_if(reads_, [](const auto& entry) {
      if (entry.second.sending) return false;
      Complete(*entry.second.request, kErrorBrokenPipe, 0);
      return true;
    });
    for (auto& entry : memory_) {
      entry.second->status = kErrorBrokenPipe;
      entry.second->done = true;
    }
    memory_.clear();
  }
  changed_.notify_all();
}

}  // namespace e14::platform::posix
