#pragma once
// One command exchange on the bulk pipes: the write phase (a 4-byte little-endian length, then
// the command in 0x8000-byte, 64-multiple and padded 64-byte transfers) and the read phase
// (IN transfers with short transfers allowed until one brings no data after some data has come,
// or the output is full), each timed against the phase limit.
#include <cstdint>
#include <vector>

#include "usbdriver/KernelServices.h"

namespace qda {

// Bytes moved and time taken by an exchange (time in 100-ns units).
struct ExchangeRecord {
    uint32_t bytesWritten = 0;
    uint32_t bytesRead = 0;
    uint64_t writeTime = 0;
    uint64_t readTime = 0;
};

class CUsbExchange {
public:
    static constexpr uint32_t kMaxTransferSize = 0x8000;
    static constexpr uint32_t kBlockSize = 64;
    // Longest a phase may take: 0xFECED300 units of 100 ns (about 427.5 s).
    static constexpr uint64_t kPhaseLimit = 0xFECED300u;
    // Longest the read phase waits for the first byte of a reply: a controller that stays
    // silent fails the exchange in seconds, well inside the command layer's 10 s wait, instead
    // of holding the device for the whole phase limit (the serial link allows 5 s of silence too).
    static constexpr uint32_t kSilenceLimitMs = 5000;
    // Once data has come, an IN transfer that gets nothing for this long ends the reply, as a
    // zero-length one does.
    static constexpr uint32_t kReplyGapMs = 100;

    CUsbExchange(IKernelServices& bus, USBD_PIPE_HANDLE inPipe, USBD_PIPE_HANDLE outPipe)
        : m_bus(bus), m_inPipe(inPipe), m_outPipe(outPipe) {}

    // Sends `command` and reads up to `outputLength` reply bytes into `reply`; returns the status
    // (STATUS_IO_TIMEOUT when a phase ran over its limit, or the bus status of a failed transfer).
    NTSTATUS Run(const std::vector<uint8_t>& command, uint32_t outputLength, std::vector<uint8_t>& reply,
                 ExchangeRecord& record);

private:
    NTSTATUS WritePhase(const std::vector<uint8_t>& command, uint64_t start, ExchangeRecord& record);
    NTSTATUS ReadPhase(uint32_t outputLength, std::vector<uint8_t>& reply, uint64_t start,
                       ExchangeRecord& record);
    // One transfer, given what is left of the phase; `timeoutMs`, when not 0, bounds it further.
    NTSTATUS Transfer(USBD_PIPE_HANDLE pipe, uint32_t flags, uint8_t* data, uint32_t length, uint64_t start,
                      uint32_t& transferred, uint32_t timeoutMs = 0);
    static bool OverLimit(uint64_t elapsed);

    IKernelServices& m_bus;
    USBD_PIPE_HANDLE m_inPipe;
    USBD_PIPE_HANDLE m_outPipe;
};

}  // namespace qda
