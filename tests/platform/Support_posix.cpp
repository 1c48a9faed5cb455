#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "tests/platform/Support.h"

namespace e14::platform::testing {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);
constexpr uint32_t kErrorInvalidAddress = 487;

bool ReadAll(int socket, void* data, size_t bytes) {
  for (auto* next = static_cast<char*>(data); bytes > 0;) {
    const ssize_t got = recv(socket, next, bytes, 0);
    if (got <= 0) return false;
    next += got;
    bytes -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

// The C library's, installed with the compiler.
const char* const kSystemLibrary = "anl.dll";

int ThreadPriority() { return -getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); }
const bool kRaisingMayBeRefused = true;

std::filesystem::path ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

std::string LibraryFile(const std::string& dllName) { return "lib" + dllName.substr(0, dllName.size() - 4) + ".so"; }

void OnSearchPath(const std::filesystem::path&, bool) {}

// The dynamic loader's own search never looks in the current directory (the
// test skips when LD_LIBRARY_PATH makes it).
void ExpectAPlainLoadFinds(const std::string&) {}

// Open for the whole run, and no socket.
DeviceHandle ForeignHandle() {
  static const int file = open("/dev/null", O_RDONLY | O_CLOEXEC);
  return file;
}

DevicePeer::DevicePeer() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) throw std::runtime_error("no socket pair");
  handle_ = ends[0];
  own_ = ends[1];
  thread_ = std::thread([this] { Serve(); });
}

DevicePeer::~DevicePeer() {
  Close();
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

void DevicePeer::Serve() {
  wire::Request request{};
  while (ReadAll(own_, &request, sizeof request)) {
    const bool write = request.kind == wire::Kind::MemoryWrite;
    std::vector<uint8_t> bytes(request.kind == wire::Kind::Read ? 0 : request.count);
    if (write && !ReadAll(own_, bytes.data(), bytes.size())) break;
    std::lock_guard lock(mutex_);
    if (request.kind == wire::Kind::Read) {
      reads_.push_back(request);
      changed_.notify_all();
    } else if (request.kind == wire::Kind::Cancel && !ignoreCancel_) {
      for (const auto& read : reads_) Reply({wire::Kind::Read, read.id, kErrorOperationAborted, 0}, nullptr, 0);
      reads_.clear();
    } else if (request.kind != wire::Kind::Cancel) {
      ++memoryRequests_;
      const bool inside = request.address + request.count <= memory_.size();
      const auto at = memory_.begin() + request.address;
      if (inside && write) std::copy(bytes.begin(), bytes.end(), at);
      if (inside && !write) std::copy_n(at, request.count, bytes.begin());
      const uint32_t count = inside && !write ? request.count : 0;
      Reply({request.kind, request.id, inside ? 0 : kErrorInvalidAddress, count}, bytes.data(), count);
    }
  }
  std::lock_guard lock(mutex_);
  driverGone_ = true;
  changed_.notify_all();
}

void DevicePeer::Reply(const wire::Reply& reply, const void* payload, size_t bytes) {
  send(own_, &reply, sizeof reply, MSG_NOSIGNAL);
  if (bytes > 0) send(own_, payload, bytes, MSG_NOSIGNAL);
}

// The socket carries no data of its own: the library answers a read it has been sent.
void DevicePeer::Answer(const std::vector<uint8_t>& block) {
  QueuedReads(1);
  AnswerInPart(block, block.size());
}

void DevicePeer::AnswerInPart(const std::vector<uint8_t>& block, size_t now) {
  std::lock_guard lock(mutex_);
  if (reads_.empty()) throw std::logic_error("no read queued");
  Reply({wire::Kind::Read, reads_.front().id, 0, static_cast<uint32_t>(block.size())}, block.data(), now);
  reads_.pop_front();
  unsent_.assign(block.begin() + static_cast<std::ptrdiff_t>(now), block.end());
}

void DevicePeer::FinishAnswer() {
  std::lock_guard lock(mutex_);
  send(own_, unsent_.data(), unsent_.size(), MSG_NOSIGNAL);
}

std::vector<wire::Request> DevicePeer::QueuedReads(size_t count) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kPatience, [&] { return reads_.size() >= count; });
  return {reads_.begin(), reads_.end()};
}

void DevicePeer::Close() {
  if (!thread_.joinable()) return;
  shutdown(own_, SHUT_RDWR);
  thread_.join();
  close(own_);
}

void DevicePeer::CloseDriverEnd() {
  close(static_cast<int>(handle_));
  handle_ = kInvalidDevice;
}

bool DevicePeer::MoveHandleTo(int number) {
  if (handle_ == number) return true;
  if (own_ == number || dup2(static_cast<int>(handle_), number) != number) return false;
  close(static_cast<int>(handle_));
  handle_ = number;
  return true;
}

bool DevicePeer::WaitForDriverGone() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kPatience, [&] { return driverGone_; });
}

}  // namespace e14::platform::testing
