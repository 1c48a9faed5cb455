// Module handle on POSIX: a Unix stream socket pair, the driver's end being
// the handle; a pipe wakes the server thread.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "sim/Transport.h"
#include "sim/StreamClock.h"

namespace e14::sim {
namespace {

class SocketTransport final : public Transport {
 public:
  SocketTransport(int library, int driver, int wakeRead, int wakeWrite)
      : library_(library), driver_(driver), wakeRead_(wakeRead), wakeWrite_(wakeWrite) {}

  ~SocketTransport() override {
    for (int fd : {library_, driver_, wakeRead_, wakeWrite_}) close(fd);
  }

  uint32_t DriverHandle() const override { return static_cast<uint32_t>(driver_); }

  Event Wait(std::optional<int64_t> deadlineNs) override {
    pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {library_, POLLIN, 0}};
    timespec timeout{};
    timespec* limit = nullptr;
    if (deadlineNs) {
      const int64_t left = std::max<int64_t>(0, *deadlineNs - SteadyNowNs());
      timeout.tv_sec = static_cast<time_t>(left / 1000000000);
      timeout.tv_nsec = static_cast<long>(left % 1000000000);
      limit = &timeout;
    }
    const int ready = ppoll(fds, 2, limit, nullptr);
    if (stopped_) return Event::Stopped;
    if (ready <= 0) return ready == 0 ? Event::Timeout : Event::Woken;
    if (fds[0].revents != 0) {
      char drain[64];
      while (read(wakeRead_, drain, sizeof drain) > 0) {
      }
      return Event::Woken;
    }
    return Event::Readable;
  }

  size_t Receive(uint8_t* bytes, size_t max) override {
    for (;;) {
      const ssize_t got = recv(library_, bytes, max, 0);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) return 0;
    }
  }

  bool Send(const uint8_t* bytes, size_t count) override {
    while (count > 0 && !stopped_) {
      const ssize_t sent = send(library_, bytes, count, MSG_NOSIGNAL);
      if (sent < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      bytes += sent;
      count -= static_cast<size_t>(sent);
    }
    return count == 0;
  }

  void Wake() override {
    const char byte = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t ignored = write(wakeWrite_, &byte, 1);
  }

  void Stop() override {
    stopped_ = true;
    shutdown(library_, SHUT_RDWR);
    Wake();
  }

 private:
  int library_, driver_, wakeRead_, wakeWrite_;
  std::atomic<bool> stopped_{false};
};

}  // namespace

std::unique_ptr<Transport> CreateTransport(std::string& error) {
  int pair[2];
  int wake[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    error = std::string("socketpair: ") + std::strerror(errno);
    return nullptr;
  }
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    close(pair[0]);
    close(pair[1]);
    return nullptr;
  }
  return std::make_unique<SocketTransport>(pair[0], pair[1], wake[0], wake[1]);
}

}  // namespace e14::sim
