#include <unistd.h>

#include "tests/platform/DevicePeer.h"
#include "tests/platform/WireServer.h"

namespace e14::platform::testing {

std::vector<uint8_t> Pattern(size_t bytes, uint8_t first) {
  std::vector<uint8_t> pattern(bytes);
  for (size_t i = 0; i < bytes; ++i) pattern[i] = static_cast<uint8_t>(first + i);
  return pattern;
}

struct DevicePeer::Ends {
  e14::testing::WireServer server;
};

DevicePeer::DevicePeer() : ends_(std::make_unique<Ends>()) {}
DevicePeer::~DevicePeer() = default;
DeviceHandle DevicePeer::Handle() const { return ends_->server.Handle(); }

// The socket carries no data of its own: the library answers a read it has been sent.
void DevicePeer::Answer(const std::vector<uint8_t>& block) {
  if (ends_->server.WaitForQueuedReads(1)) ends_->server.AnswerOldestRead(block);
}

void DevicePeer::Close() { ends_->server.Close(); }

// The read end of a pipe: open, but no module socket.
ForeignHandle::ForeignHandle() {
  int ends[2];
  if (pipe(ends) != 0) return;
  handle_ = ends[0];
  other_ = ends[1];
}

ForeignHandle::~ForeignHandle() {
  if (handle_ == kInvalidDevice) return;
  close(static_cast<int>(handle_));
  close(static_cast<int>(other_));
}

}  // namespace e14::platform::testing
