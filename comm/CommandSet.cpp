// The controller's commands: one operation each, building the packet, running the exchange,
// checking the reply and converting its big-endian fields to host order in place.
#include <vector>

#include "comm/ByteOrder.h"
#include "comm/Command.h"

namespace {

constexpr int kStatusOffset = 4;
constexpr int kWaveformAttempts = 3;

bool StatusOk(const qda::ReplyBuffer& reply) {
    return reply[kStatusOffset] == qda::kStatusOk;
}

// Replies are checked for length as well: a reply too short for the fields a command reads
// fails instead of showing zeros as values.
bool Covers(int replyLength, int bytes) {
    return replyLength >= bytes;
}

}  // namespace

bool CCommand::Simple(qda::ReplyBuffer& reply, int code, std::initializer_list<uint8_t> params,
                      int* replyLength) {
    uint8_t packet[16];
    const int length = 4 + static_cast<int>(params.size());
    qda::StoreBE16(packet, static_cast<uint16_t>(length));
    packet[2] = 0x07;
    packet[3] = static_cast<uint8_t>(code);
    int i = 4;
    for (uint8_t p : params) packet[i++] = p;
    return SendCommandAndReceivePacket(packet, length, reply.data(), qda::kReplyCapacity, code + 1, false,
                                       false, replyLength);
}

bool CCommand::SendGetCommandAndReceivePacket(int group, int sub, int item, qda::ReplyBuffer& reply) {
    int n = 0;
    return Simple(reply, CMD_READ_SETTING,
                  {static_cast<uint8_t>(group), static_cast<uint8_t>(sub), static_cast<uint8_t>(item), 0},
                  &n) &&
           StatusOk(reply) && Covers(n, 8);
}

bool CCommand::SendSetCommandAndReceivePacket(int group, int sub, int item, const uint8_t* data, int length,
                                              qda::ReplyBuffer& reply) {
    bool answered = false;
    return WriteSetting(group, sub, item, data, length, reply, answered);
}

bool CCommand::CancelRovaTuning(qda::ReplyBuffer& reply, bool& answered) {
    return WriteSetting(0, 255, 9, nullptr, 0, reply, answered);
}

bool CCommand::WriteSetting(int group, int sub, int item, const uint8_t* data, int length,
                            qda::ReplyBuffer& reply, bool& answered) {
    answered = false;
    if (length < 0 || (length > 0 && data == nullptr)) return false;
    std::vector<uint8_t> packet(static_cast<size_t>(7 + length));
    qda::StoreBE16(packet.data(), static_cast<uint16_t>(packet.size()));
    packet[2] = 0x07;
    packet[3] = CMD_WRITE_SETTING;
    packet[4] = static_cast<uint8_t>(group);
    packet[5] = static_cast<uint8_t>(sub);
    packet[6] = static_cast<uint8_t>(item);
    for (int i = 0; i < length; ++i) packet[static_cast<size_t>(7 + i)] = data[i];
    int n = 0;
    if (!SendCommandAndReceivePacket(packet.data(), static_cast<int>(packet.size()), reply.data(),
                                     qda::kReplyCapacity, CMD_WRITE_SETTING + 1, false, false, &n))
        return false;
    answered = true;
    // Byte 8 = 2 is the controller's "accepted" as well.
    return StatusOk(reply) && Covers(n, 9) && (reply[8] == 0 || reply[8] == 2);
}

bool CCommand::RequestMeasureMode(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_REQUEST_MEASURE_MODE, {});
}

bool CCommand::RequestSettingMode(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_REQUEST_SETTING_MODE, {}) && StatusOk(reply);
}

bool CCommand::AutoZero(qda::ReplyBuffer& reply, int on, int out) {
    return Simple(reply, CMD_AUTO_ZERO, {static_cast<uint8_t>(on), static_cast<uint8_t>(out)}) &&
           StatusOk(reply);
}

bool CCommand::Timing(qda::ReplyBuffer& reply, int on, int out) {
    return Simple(reply, CMD_TIMING, {static_cast<uint8_t>(on), static_cast<uint8_t>(out)}) &&
           StatusOk(reply);
}

bool CCommand::Reset(qda::ReplyBuffer& reply, int out) {
    return Simple(reply, CMD_RESET, {static_cast<uint8_t>(out)}) && StatusOk(reply);
}

bool CCommand::GetMeasuredValues(qda::ReplyBuffer& reply, int outSelection) {
    int n = 0;
    if (!Simple(reply, CMD_GET_MEASURED_VALUES, {static_cast<uint8_t>(outSelection), 0}, &n)) return false;
    qda::ConvertBE32InPlace(&reply[12]);
    qda::ConvertBE32InPlace(&reply[16]);
    return StatusOk(reply) && Covers(n, 24);
}

bool CCommand::GetScalingValues(qda::ReplyBuffer& reply) {
    int n = 0;
    if (!Simple(reply, CMD_GET_SCALING_VALUES, {}, &n)) return false;
    for (int off : {12, 16, 20, 24}) qda::ConvertBE32InPlace(&reply[static_cast<size_t>(off)]);
    return StatusOk(reply) && Covers(n, 28);
}

bool CCommand::GetWaveform(qda::ReplyBuffer& reply, int head, int peak) {
    for (int attempt = 0; attempt < kWaveformAttempts; ++attempt) {
        int n = 0;
        if (!Simple(reply, CMD_GET_WAVEFORM, {static_cast<uint8_t>(head), static_cast<uint8_t>(peak)}, &n))
            continue;
        for (int off = 10; off <= 20; off += 2) qda::ConvertBE16InPlace(&reply[static_cast<size_t>(off)]);
        if (StatusOk(reply) && Covers(n, 22)) return true;
    }
    return false;
}

bool CCommand::CheckSettingMode(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_CHECK_SETTING_MODE, {0, 255});
}

bool CCommand::StorageClear(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_STORAGE_CLEAR, {}) && StatusOk(reply);
}

bool CCommand::StorageRead(qda::StorageReplyBuffer& reply, int out) {
    uint8_t packet[5];
    qda::StoreBE16(packet, 5);
    packet[2] = 0x07;
    packet[3] = CMD_STORAGE_READ;
    packet[4] = static_cast<uint8_t>(out);
    int n = 0;
    if (!SendCommandAndReceivePacket(packet, 5, reply.data(), qda::kStorageReplyCapacity,
                                     CMD_STORAGE_READ + 1, true, true, &n))
        return false;
    qda::ConvertBE32InPlace(&reply[12]);
    for (int i = 0; i < qda::kStorageMaxValues; ++i)
        qda::ConvertBE32InPlace(&reply[static_cast<size_t>(16 + 4 * i)]);
    if (reply[kStatusOffset] != qda::kStatusOk || !Covers(n, 16)) return false;
    const int32_t count = qda::LoadHostI32(&reply[12]);
    // The count is checked against the limit and against the bytes that really came.
    return count <= qda::kStorageMaxValues && (count <= 0 || Covers(n, 16 + 4 * count));
}

bool CCommand::StorageStart(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_STORAGE_START, {});
}

bool CCommand::StorageStop(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_STORAGE_STOP, {}) && StatusOk(reply);
}

bool CCommand::GetStorageStatus(qda::ReplyBuffer& reply) {
    int n = 0;
    if (!Simple(reply, CMD_GET_STORAGE_STATUS, {}, &n)) return false;
    qda::ConvertBE32InPlace(&reply[8]);
    qda::ConvertBE32InPlace(&reply[12]);
    // The caller reads the status; a success reply must also carry the counts and the flag.
    return !StatusOk(reply) || Covers(n, 17);
}

bool CCommand::ClearStatistics(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_CLEAR_STATISTICS, {}) && StatusOk(reply);
}

bool CCommand::GetStatistics(qda::ReplyBuffer& reply, int out) {
    int n = 0;
    if (!Simple(reply, CMD_GET_STATISTICS, {static_cast<uint8_t>(out), 255}, &n)) return false;
    for (int off = 16; off <= 56; off += 4) qda::ConvertBE32InPlace(&reply[static_cast<size_t>(off)]);
    return StatusOk(reply) && Covers(n, 60);
}

bool CCommand::GetHeadInfo(qda::ReplyBuffer& reply, int head) {
    int n = 0;
    return Simple(reply, CMD_GET_HEAD_INFO, {static_cast<uint8_t>(head)}, &n) && StatusOk(reply) &&
           Covers(n, 10);
}

bool CCommand::InitializeController(qda::ReplyBuffer& reply) {
    return Simple(reply, CMD_INITIALIZE_CONTROLLER, {}) && StatusOk(reply);
}
