// The size of the blocks in which the driver reads the sample stream. A real
// module completes a read only once the whole block has arrived; a pipe read
// ends with whatever one write delivered, so the Windows module handle
// writes one message of exactly this size per block.
#pragma once

#include <cstdint>

namespace e14::sim {

// Samples per block read for `channels` table entries at the frame rate the
// module wrote back (kHz): the channel count doubled until a multiple of 32,
// then doubled while a block lasts under 40 ms and twice it stays within
// 1048576 samples.
uint32_t DriverBlockSamples(uint32_t channels, double frameRateKHz);

}  // namespace e14::sim
