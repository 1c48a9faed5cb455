#include "platform/DeviceIo.h"

#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "platform/CreationRefusals.h"
#include "platform/posix/WireConnection.h"
#include "vendor/MemoryRequest.h"

namespace e14::platform {
namespace {

using posix::WireConnection;

// A descriptor number is reused once closed; with the socket's inode the key
// names one socket, so a new module never meets an old module's connection.
using Key = std::tuple<int, dev_t, ino_t>;

struct Table {
  std::mutex mutex;
  std::map<Key, std::shared_ptr<WireConnection>> connections;
};

// Lets go of the connections that `pick` names. The last owner of each
// waits for its reader, outside the lock (readers never take it anyway).
template <class Pick>
void Release(Table& table, Pick pick) {
  std::vector<std::shared_ptr<WireConnection>> released;
  std::lock_guard lock(table.mutex);
  for (auto entry = table.connections.begin(); entry != table.connections.end();) {
    if (pick(*entry->second)) {
      released.push_back(std::move(entry->second));
      entry = table.connections.erase(entry);
    } else {
      ++entry;
    }
  }
}

// Never destroyed, so that a late caller still finds it; its connections
// end with the program, or when this code is unloaded, so that no reader
// runs on in code that is gone.
Table& Connections() {
  static auto* const table = new Table;
  static const struct AtUnload {
    ~AtUnload() {
      Release(*table, [](WireConnection&) { return true; });
    }
  } atUnload;
  return *table;
}

std::shared_ptr<WireConnection> Connect(DeviceHandle device) {
  if (device < 0 || device > INT_MAX) return nullptr;
  const int handle = static_cast<int>(device);
  struct stat identity {};
  if (fstat(handle, &identity) != 0 || !S_ISSOCK(identity.st_mode)) return nullptr;
  const Key key{handle, identity.st_dev, identity.st_ino};
  Table& table = Connections();
  // A closed connection is done with: its reader has ended or is ending.
  Release(table, [](WireConnection& connection) { return connection.Closed(); });
  std::lock_guard lock(table.mutex);
  auto& slot = table.connections[key];
  if (!slot) slot = WireConnection::Open(handle, identity);
  auto connection = slot;
  if (!connection) table.connections.erase(key);
  return connection;
}

}  // namespace

uint32_t ReadFileOverlapped(DeviceHandle device, void* buffer, uint32_t bytes, Overlapped& request) {
  const auto connection = Connect(device);
  if (!connection) return kErrorInvalidHandleIo;
  return connection->StartRead(buffer, bytes, request);
}

uint32_t ReadResult(DeviceHandle, Overlapped& request, uint32_t& bytes) {
  const uint32_t status = request.Status.load(std::memory_order_acquire);
  bytes = request.Bytes.load(std::memory_order_relaxed);
  return status;
}

bool CancelIo(DeviceHandle device) {
  if (TakeLostCancel()) return true;
  const auto connection = Connect(device);
  return connection && connection->Cancel();
}

bool DeviceIoControl(DeviceHandle device, uint32_t code, const void* in, uint32_t inBytes,
                     void* out, uint32_t outBytes, uint32_t& returned) {
  returned = 0;
  if (code != kMemoryControlCode || in == nullptr || inBytes < sizeof(MemoryRequest)) return false;
  if (out == nullptr && outBytes > 0) return false;
  MemoryRequest request;
  std::memcpy(&request, in, sizeof request);
  if (request.One != 1) return false;
  // The output buffer carries the data both ways, as in a direct-I/O call.
  wire::Kind kind;
  if (request.Direction == kMemoryToHost)
    kind = wire::Kind::MemoryRead;
  else if (request.Direction == kMemoryToModule)
    kind = wire::Kind::MemoryWrite;
  else
    return false;
  const auto connection = Connect(device);
  return connection && connection->Memory(kind, request.Address, out, outBytes, returned);
}

}  // namespace e14::platform
