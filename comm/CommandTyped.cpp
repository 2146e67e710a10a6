// The controller's commands in their typed forms: the packet from the one builder, the exchange,
// and the reply decoded by comm/ControllerReplies.
#include <memory>

#include "comm/Command.h"
#include "comm/CommandPacket.h"

namespace {

constexpr int kWaveformAttempts = 3;

uint8_t Byte(int v) {
    return static_cast<uint8_t>(v);
}

}  // namespace

bool CCommand::Exchange(const std::vector<uint8_t>& packet, qda::ReplyBuffer& reply, qda::ReplyHeader& header,
                        int& replyLength) {
    reply.fill(0);
    replyLength = 0;
    header.answered =
        SendCommandAndReceivePacket(packet.data(), static_cast<int>(packet.size()), reply.data(),
                                    qda::kReplyCapacity, packet[3] + 1, false, false, &replyLength);
    header.status = qda::kNoStatus;
    header.length = header.answered ? replyLength : 0;
    return header.answered;
}

template <class Reply>
bool CCommand::ExchangeAndDecode(int code, std::initializer_list<uint8_t> params, Reply& out,
                                 qda::ReplyCheck (*decode)(std::span<const uint8_t>, Reply&)) {
    out = Reply{};
    qda::ReplyBuffer reply;
    int n = 0;
    if (!Exchange(qda::BuildCommandPacket(code, params), reply, out, n)) return false;
    return decode({reply.data(), static_cast<size_t>(n)}, out) == qda::ReplyCheck::kOk;
}

namespace {

// For the commands whose status the caller reads: the status is decoded, the result is the
// exchange alone.
qda::ReplyCheck StatusOnly(std::span<const uint8_t> reply, qda::CommandReply& out) {
    const qda::ReplyCheck check = qda::DecodeStatus(reply, out);
    return check == qda::ReplyCheck::kStatus ? qda::ReplyCheck::kOk : check;
}

qda::ReplyCheck Status(std::span<const uint8_t> reply, qda::CommandReply& out) {
    return qda::DecodeStatus(reply, out);
}

}  // namespace

bool CCommand::RequestMeasureMode(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_REQUEST_MEASURE_MODE, {}, reply, &StatusOnly);
}

bool CCommand::RequestSettingMode(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_REQUEST_SETTING_MODE, {}, reply, &Status);
}

bool CCommand::AutoZero(qda::CommandReply& reply, int on, int out) {
    return ExchangeAndDecode(CMD_AUTO_ZERO, {Byte(on), Byte(out)}, reply, &Status);
}

bool CCommand::Timing(qda::CommandReply& reply, int on, int out) {
    return ExchangeAndDecode(CMD_TIMING, {Byte(on), Byte(out)}, reply, &Status);
}

bool CCommand::Reset(qda::CommandReply& reply, int out) {
    return ExchangeAndDecode(CMD_RESET, {Byte(out)}, reply, &Status);
}

bool CCommand::GetMeasuredValues(qda::MeasuredValues& values, int outSelection) {
    return ExchangeAndDecode(CMD_GET_MEASURED_VALUES, {Byte(outSelection), 0}, values,
                             &qda::DecodeMeasuredValues);
}

bool CCommand::GetScalingValues(qda::ScalingValues& values) {
    return ExchangeAndDecode(CMD_GET_SCALING_VALUES, {}, values, &qda::DecodeScalingValues);
}

bool CCommand::GetWaveform(qda::WaveReply& wave, int head, int peak) {
    for (int attempt = 0; attempt < kWaveformAttempts; ++attempt) {
        if (ExchangeAndDecode(CMD_GET_WAVEFORM, {Byte(head), Byte(peak)}, wave, &qda::DecodeWaveform))
            return true;
    }
    return false;
}

bool CCommand::CheckSettingMode(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_CHECK_SETTING_MODE, {0, 255}, reply, &StatusOnly);
}

bool CCommand::StorageClear(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_STORAGE_CLEAR, {}, reply, &Status);
}

bool CCommand::StorageRead(qda::StorageReadout& readout, int out) {
    readout = qda::StorageReadout{};
    // The readout needs the large buffer, accepts any reply length and reports its progress.
    auto reply = std::make_unique<qda::StorageReplyBuffer>();
    const std::vector<uint8_t> packet = qda::BuildCommandPacket(CMD_STORAGE_READ, {Byte(out)});
    int n = 0;
    readout.answered =
        SendCommandAndReceivePacket(packet.data(), static_cast<int>(packet.size()), reply->data(),
                                    qda::kStorageReplyCapacity, CMD_STORAGE_READ + 1, true, true, &n);
    if (!readout.answered) return false;
    readout.length = n;
    return qda::DecodeStorageReadout({reply->data(), static_cast<size_t>(n)}, readout) ==
           qda::ReplyCheck::kOk;
}

bool CCommand::StorageStart(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_STORAGE_START, {}, reply, &StatusOnly);
}

bool CCommand::StorageStop(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_STORAGE_STOP, {}, reply, &Status);
}

bool CCommand::GetStorageStatus(qda::StorageStatus& status) {
    status = qda::StorageStatus{};
    qda::ReplyBuffer reply;
    int n = 0;
    if (!Exchange(qda::BuildCommandPacket(CMD_GET_STORAGE_STATUS, {}), reply, status, n)) return false;
    const qda::ReplyCheck check = qda::DecodeStorageStatus({reply.data(), static_cast<size_t>(n)}, status);
    return check == qda::ReplyCheck::kOk || check == qda::ReplyCheck::kStatus;
}

bool CCommand::ClearStatistics(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_CLEAR_STATISTICS, {}, reply, &Status);
}

bool CCommand::GetStatistics(qda::Statistics& statistics, int out) {
    return ExchangeAndDecode(CMD_GET_STATISTICS, {Byte(out), 255}, statistics, &qda::DecodeStatistics);
}

bool CCommand::GetHeadInfo(qda::HeadInfo& info, int head) {
    return ExchangeAndDecode(CMD_GET_HEAD_INFO, {Byte(head)}, info, &qda::DecodeHeadInfo);
}

bool CCommand::InitializeController(qda::CommandReply& reply) {
    return ExchangeAndDecode(CMD_INITIALIZE_CONTROLLER, {}, reply, &Status);
}

bool CCommand::SendGetCommandAndReceivePacket(int group, int sub, int item, qda::SettingValue& value) {
    return ExchangeAndDecode(CMD_READ_SETTING, {Byte(group), Byte(sub), Byte(item), 0}, value,
                             &qda::DecodeSettingValue);
}

bool CCommand::SendSetCommandAndReceivePacket(int group, int sub, int item, const uint8_t* data, int length,
                                              qda::CommandReply& reply) {
    reply = qda::CommandReply{};
    if (length < 0 || (length > 0 && data == nullptr)) return false;
    const uint8_t address[] = {Byte(group), Byte(sub), Byte(item)};
    qda::ReplyBuffer buffer;
    int n = 0;
    const std::vector<uint8_t> packet = qda::BuildCommandPacket(
        CMD_WRITE_SETTING, address, std::span<const uint8_t>(data, static_cast<size_t>(length)));
    if (!Exchange(packet, buffer, reply, n)) return false;
    return qda::DecodeSettingWrite({buffer.data(), static_cast<size_t>(n)}, reply) == qda::ReplyCheck::kOk;
}
