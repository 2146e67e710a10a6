#pragma once
// How a message goes down the bulk OUT pipe of a pipe device, and how the reply comes back.
//
// Up to 65,535 bytes: "TRHS", a 16-bit little-endian length and the data, the whole padded to a
// multiple of the pipe's maximum packet size m: m * ((m + length + 5) / m) bytes. Longer: a 4-byte
// little-endian length written by itself, then the data padded to m * ((m + length - 1) / m).
// Everything is written in chunks of at most 4096 bytes.
#include <cstdint>
#include <functional>
#include <vector>

namespace qda {

constexpr uint32_t kPipeChunkSize = 4096;

// The writes of one message, in order (each at most 4096 bytes). Empty when m is 0.
std::vector<std::vector<uint8_t>> FramePipeMessage(const uint8_t* data, uint32_t length,
                                                   uint32_t maxPacketSize);

// One bulk IN read: fills up to `length` bytes; returns the count (0 = no data), or -1 on failure.
using PipeReader = std::function<int(uint8_t* data, uint32_t length)>;

// Reads returning no data before the first data, when the retry count is 0: the exchange holds
// the lock of all processes meanwhile, so a silent device may not hold it for ever.
constexpr uint32_t kPipeSilentReadLimit = 5;

// Reads a reply of at most `expected` bytes: reads returning no data before the first data are
// repeated (up to `retryCount` times, 0 = up to kPipeSilentReadLimit times); after data, reads continue for
// the rest until all arrived, a read returns no data, or a short packet (fewer bytes than asked and not a
// whole number of packets of `maxPacketSize`) ends the message. Returns the bytes received, or -1.
int64_t ReadPipeReply(const PipeReader& read, uint8_t* reply, uint32_t expected, uint32_t retryCount,
                      uint32_t maxPacketSize);

}  // namespace qda
