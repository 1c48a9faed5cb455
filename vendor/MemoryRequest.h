// The module-memory request of the vendor's kernel driver: the control code
// and the 8-byte record passed with it. The back-ends send it; on POSIX the
// module handle, which stands in for the kernel driver, answers it.
#pragma once

#include <cstdint>

namespace e14 {

constexpr uint32_t kMemoryControlCode = 0x220012;

enum MemoryDirection : uint16_t {
  kMemoryToModule = 1,
  kMemoryToHost = 2,
};

#pragma pack(push, 1)

struct MemoryRequest {
  uint16_t One;        // always 1
  uint16_t Direction;  // MemoryDirection
  uint16_t Address;
  uint16_t Zero;
};

#pragma pack(pop)

static_assert(sizeof(MemoryRequest) == 8);

}  // namespace e14
