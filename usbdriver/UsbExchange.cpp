#include "usbdriver/UsbExchange.h"

#include <algorithm>
#include <cstring>

namespace qda {

bool CUsbExchange::OverLimit(uint64_t elapsed) {
    // The whole elapsed time is compared: cutting it to 32 bits would let a phase of more than
    // about 429 s wrap round and pass as a short one.
    return elapsed > kPhaseLimit;
}

NTSTATUS CUsbExchange::Transfer(USBD_PIPE_HANDLE pipe, uint32_t flags, uint8_t* data, uint32_t length,
                                uint64_t start, uint32_t& transferred, uint32_t timeoutMs) {
    transferred = 0;
    const uint64_t elapsed = m_bus.QuerySystemTime() - start;
    if (OverLimit(elapsed)) return STATUS_IO_TIMEOUT;
    Urb urb;
    urb.function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
    urb.pipeHandle = pipe;
    urb.transferFlags = flags | USBD_SHORT_TRANSFER_OK;
    urb.transferBuffer = data;
    urb.transferBufferLength = length;
    // The bus gets what is left of the phase, so a silent device cannot hold the phase forever.
    urb.timeoutMs = static_cast<uint32_t>(std::max<uint64_t>(1, (kPhaseLimit - elapsed) / 10000));
    if (timeoutMs != 0 && timeoutMs < urb.timeoutMs) urb.timeoutMs = timeoutMs;
    const NTSTATUS status = m_bus.SubmitUrb(urb);
    if (!NT_SUCCESS(status)) return status;
    transferred = std::min(urb.transferBufferLength, length);
    return STATUS_SUCCESS;
}

NTSTATUS CUsbExchange::WritePhase(const std::vector<uint8_t>& command, uint64_t start,
                                  ExchangeRecord& record) {
    const uint32_t n = static_cast<uint32_t>(command.size());
    uint8_t lengthBytes[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                              static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    uint32_t done = 0;
    NTSTATUS status = Transfer(m_outPipe, 0, lengthBytes, 4, start, done);
    if (!NT_SUCCESS(status)) return status;

    std::vector<uint8_t> chunk;
    size_t offset = 0;
    while (offset < command.size()) {
        const size_t remaining = command.size() - offset;
        uint32_t length;
        uint32_t dataBytes;
        if (remaining >= kMaxTransferSize) {
            length = dataBytes = kMaxTransferSize;
            chunk.assign(command.begin() + offset, command.begin() + offset + length);
        } else if (remaining >= kBlockSize) {
            length = dataBytes = static_cast<uint32_t>(remaining / kBlockSize * kBlockSize);
            chunk.assign(command.begin() + offset, command.begin() + offset + length);
        } else {
            // The tail goes out in one whole block; the padding bytes are zero.
            length = kBlockSize;
            dataBytes = static_cast<uint32_t>(remaining);
            chunk.assign(kBlockSize, 0);
            std::memcpy(chunk.data(), command.data() + offset, remaining);
        }
        status = Transfer(m_outPipe, 0, chunk.data(), length, start, done);
        if (!NT_SUCCESS(status)) return status;
        if (done < length) return STATUS_DEVICE_DATA_ERROR;  // the device took less than was sent
        offset += dataBytes;
        record.bytesWritten += dataBytes;
    }
    return STATUS_SUCCESS;
}

NTSTATUS CUsbExchange::ReadPhase(uint32_t outputLength, std::vector<uint8_t>& reply, uint64_t start,
                                 ExchangeRecord& record) {
    // Room for the largest reply, but only the part a transfer is about to fill is zeroed: a
    // 262 KB readout into a 1 MiB buffer need not clear the whole megabyte first.
    reply.clear();
    reply.reserve(outputLength);
    uint32_t received = 0;
    while (received < outputLength) {
        const uint32_t ask = std::min(kMaxTransferSize, outputLength - received);
        reply.resize(received + ask);
        // Before the first byte the transfer may wait what is left of the silence allowed;
        // after it, only the gap that ends a reply.
        uint32_t wait = kReplyGapMs;
        if (received == 0) {
            const uint64_t silentMs = (m_bus.QuerySystemTime() - start) / 10000;
            if (silentMs >= kSilenceLimitMs) {
                reply.resize(0);
                return STATUS_IO_TIMEOUT;
            }
            wait = static_cast<uint32_t>(kSilenceLimitMs - silentMs);
        }
        uint32_t got = 0;
        const NTSTATUS status =
            Transfer(m_inPipe, USBD_TRANSFER_DIRECTION_IN, reply.data() + received, ask, start, got, wait);
        if (status == STATUS_IO_TIMEOUT && received > 0) break;  // the reply ended in silence
        if (!NT_SUCCESS(status)) {
            reply.resize(received);
            return status;
        }
        if (got == 0) {
            // Nothing yet: keep asking until the first data; after data, the reply has ended.
            if (received > 0) break;
            continue;
        }
        received += got;
        record.bytesRead += got;
        // A short transfer does not end the reply: firmware may send it in several short
        // pieces. Only a transfer that brings nothing does.
    }
    reply.resize(received);
    return STATUS_SUCCESS;
}

NTSTATUS CUsbExchange::Run(const std::vector<uint8_t>& command, uint32_t outputLength,
                           std::vector<uint8_t>& reply, ExchangeRecord& record) {
    record = ExchangeRecord{};
    reply.clear();
    if (m_inPipe == 0 || m_outPipe == 0) return STATUS_INVALID_PARAMETER;

    uint64_t start = m_bus.QuerySystemTime();
    NTSTATUS status = WritePhase(command, start, record);
    record.writeTime = m_bus.QuerySystemTime() - start;
    if (!NT_SUCCESS(status)) return status;
    if (OverLimit(record.writeTime)) return STATUS_IO_TIMEOUT;

    start = m_bus.QuerySystemTime();
    status = ReadPhase(outputLength, reply, start, record);
    record.readTime = m_bus.QuerySystemTime() - start;
    if (!NT_SUCCESS(status)) return status;
    if (OverLimit(record.readTime)) return STATUS_IO_TIMEOUT;
    return STATUS_SUCCESS;
}

}  // namespace qda
