#include "comm/ControllerReplies.h"

#include <algorithm>

#include "comm/ByteOrder.h"
#include "comm/CommandCodes.h"

namespace qda {

namespace {

constexpr size_t kStatusOffset = 4;
constexpr size_t kDataOffset = 8;

// The status, and whether the fields may be read: status 0 and `needed` bytes present.
ReplyCheck Begin(std::span<const uint8_t> reply, size_t needed, ReplyHeader& out) {
    if (reply.size() <= kStatusOffset) return ReplyCheck::kTooShort;
    out.status = reply[kStatusOffset];
    if (out.status != kStatusOk) return ReplyCheck::kStatus;
    return reply.size() >= needed ? ReplyCheck::kOk : ReplyCheck::kTooShort;
}

int32_t I32(std::span<const uint8_t> reply, size_t offset) {
    return static_cast<int32_t>(LoadBE32(&reply[offset]));
}

uint16_t U16(std::span<const uint8_t> reply, size_t offset) {
    return LoadBE16(&reply[offset]);
}

}  // namespace

ReplyCheck DecodeStatus(std::span<const uint8_t> reply, ReplyHeader& out) {
    return Begin(reply, kStatusOffset + 1, out);
}

ReplyCheck DecodeMeasuredValues(std::span<const uint8_t> reply, MeasuredValues& out) {
    const ReplyCheck check = Begin(reply, 24, out);
    if (check != ReplyCheck::kOk) return check;
    // Byte 9 names a row and byte 10 the decimal places, the high nibble for OUT1 and the low
    // nibble for OUT2; byte 11 is the unit of both.
    for (size_t i = 0; i < 2; ++i) {
        const int shift = i == 0 ? 4 : 0;
        out.format[i].rowHint = (reply[9] >> shift) & 0x0F;
        out.format[i].decimals = (reply[10] >> shift) & 0x0F;
        out.format[i].unitCode = reply[11];
        out.value[i] = I32(reply, 12 + 4 * i);
        out.out[i].raw = reply[20 + i];
        out.head[i].raw = reply[22 + i];
    }
    return check;
}

ReplyCheck DecodeStatistics(std::span<const uint8_t> reply, Statistics& out) {
    const ReplyCheck check = Begin(reply, 60, out);
    if (check != ReplyCheck::kOk) return check;
    out.format.rowHint = reply[9];
    out.format.decimals = reply[10];
    out.format.unitCode = reply[11];
    for (size_t i = 0; i < out.field.size(); ++i) out.field[i] = I32(reply, 16 + 4 * i);
    return check;
}

ReplyCheck DecodeWaveform(std::span<const uint8_t> reply, WaveReply& out) {
    const ReplyCheck check = Begin(reply, 22, out);
    if (check != ReplyCheck::kOk) return check;
    out.segmentFlags = reply[8] & 0x0F;
    out.sampleCount = U16(reply, 10);
    for (size_t i = 0; i < out.peak.size(); ++i) out.peak[i] = U16(reply, 14 + 2 * i);
    // A reply shorter than the whole buffer leaves the samples it does not carry at 0.
    out.sample.fill(0);
    const size_t carried = std::min(reply.size() - 22, out.sample.size());
    for (size_t i = 0; i < carried; ++i) out.sample[i] = reply[22 + i];
    return check;
}

ReplyCheck DecodeStorageStatus(std::span<const uint8_t> reply, StorageStatus& out) {
    const ReplyCheck check = Begin(reply, 17, out);
    if (check != ReplyCheck::kOk) return check;
    out.count[0] = I32(reply, 8);
    out.count[1] = I32(reply, 12);
    out.storing = reply[16] == 1;
    return check;
}

ReplyCheck DecodeStorageReadout(std::span<const uint8_t> reply, StorageReadout& out) {
    const ReplyCheck check = Begin(reply, 16, out);
    if (check != ReplyCheck::kOk) return check;
    const int32_t count = I32(reply, 12);
    if (count > kStorageMaxValues) return ReplyCheck::kBadField;
    // The count is believed only as far as the values really came.
    const size_t values = count > 0 ? static_cast<size_t>(count) : 0;
    if (reply.size() < 16 + 4 * values) return ReplyCheck::kTooShort;
    out.formatIndex = reply[8];
    out.inch = reply[9] == 1;
    out.count = count;
    out.values.resize(values);
    for (size_t i = 0; i < values; ++i) out.values[i] = I32(reply, 16 + 4 * i);
    return check;
}

ReplyCheck DecodeScalingValues(std::span<const uint8_t> reply, ScalingValues& out) {
    const ReplyCheck check = Begin(reply, 28, out);
    if (check != ReplyCheck::kOk) return check;
    // 12 head A and 16 head B as OUT1 sees them, 20 and 24 as OUT2 sees them.
    for (size_t o = 0; o < 2; ++o) {
        for (size_t h = 0; h < 2; ++h) out.value[o][h] = I32(reply, 12 + 8 * o + 4 * h);
    }
    return check;
}

ReplyCheck DecodeHeadInfo(std::span<const uint8_t> reply, HeadInfo& out) {
    const ReplyCheck check = Begin(reply, 10, out);
    if (check != ReplyCheck::kOk) return check;
    out.modelCode = reply[9];
    return check;
}

ReplyCheck DecodeSettingValue(std::span<const uint8_t> reply, SettingValue& out) {
    const ReplyCheck check = Begin(reply, kDataOffset, out);
    if (check != ReplyCheck::kOk) return check;
    // The value runs from byte 8 to the end of the reply (the exchange gives the reply's true
    // length; its length field has been turned to host order by then and is not read here).
    out.bytes.assign(reply.begin() + kDataOffset, reply.end());
    return check;
}

ReplyCheck DecodeSettingWrite(std::span<const uint8_t> reply, CommandReply& out) {
    const ReplyCheck check = Begin(reply, kDataOffset + 1, out);
    if (check != ReplyCheck::kOk) return check;
    return reply[kDataOffset] == 0 || reply[kDataOffset] == 2 ? check : ReplyCheck::kBadField;
}

}  // namespace qda
