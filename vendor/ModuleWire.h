// What travels over a POSIX module handle: the handle is one end of a Unix
// stream socket whose other end is served by the vendor library (on Windows
// the kernel driver plays that part). The driver side sends requests; the
// library answers each read and memory request with one reply. Cancel asks
// the library to answer every read still queued at once with an aborted
// status. All fields little-endian; payloads follow their header directly.
#pragma once

#include <cstdint>

namespace e14::wire {

enum class Kind : uint32_t {
  Read = 1,         // Count = bytes wanted; the reply carries up to Count bytes
  Cancel = 2,       // no reply of its own
  MemoryRead = 3,   // Address, Count bytes; the reply carries them
  MemoryWrite = 4,  // Address; Count bytes of payload follow; empty reply
};

struct Request {
  Kind kind;
  uint32_t id;  // echoed in the reply
  uint32_t address;
  uint32_t count;
};

struct Reply {
  Kind kind;
  uint32_t id;
  uint32_t status;  // Win32 error code, 0 = success
  uint32_t count;   // payload bytes that follow
};

static_assert(sizeof(Request) == 16 && sizeof(Reply) == 16);

}  // namespace e14::wire
