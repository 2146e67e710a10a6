#include "storage/StorageReadout.h"

#include <vector>

#include "comm/ByteOrder.h"
#include "comm/Command.h"
#include "resources/Messages.h"

namespace qda {

namespace {

constexpr int kMsgReadingOut1 = 360;  // "蓄積データを取得しています...(OUT1)"
constexpr int kMsgReadingOut2 = 361;  // "蓄積データを取得しています...(OUT2)"
constexpr int kFormatRows = 6;        // display-digit rows 0..5

}  // namespace

ReadoutPlan PlanReadout(int choice) {
    switch (choice) {
        case kReadoutOut1:
            return {true, false, kMsgReadingOut1, 1};
        case kReadoutOut2:
            return {false, true, kMsgReadingOut2, 1};
        case kReadoutBoth:
            return {true, true, kMsgReadingOut1, 2};
        default:
            return {};
    }
}

ReadoutOutcome FillSlotFromReadout(const StorageReplyBuffer& reply, const std::string& name,
                                   CStorageData& slot) {
    if (reply[4] != kStatusOk) return ReadoutOutcome::kFailed;
    const int32_t count = LoadHostI32(&reply[12]);
    if (count <= 0) return ReadoutOutcome::kNoData;
    const int format = reply[8];
    if (count > slot.Capacity() || count > kStorageMaxValues || format >= kFormatRows)
        return ReadoutOutcome::kFailed;
    std::vector<int32_t> values(static_cast<size_t>(count));
    for (size_t i = 0; i < values.size(); ++i) values[i] = LoadHostI32(&reply[16 + 4 * i]);
    // The format comes first: the values are classified in it.
    slot.Clear();
    slot.SetReadoutFormat(reply[9], format);
    slot.Fill(name, values.data(), count);
    return ReadoutOutcome::kFilled;
}

ReadoutOutcome ReadOutIntoSlot(CCommand& command, int out, StorageReplyBuffer& reply, const std::string& name,
                               CStorageData& slot) {
    if (!command.StorageRead(reply, out)) return ReadoutOutcome::kFailed;
    return FillSlotFromReadout(reply, name, slot);
}

ReadoutResult RunStorageReadout(CCommand& command, const ReadoutPlan& plan, StorageReplyBuffer& reply,
                                CStorageData* const slots[2], const std::string names[2],
                                ReadoutStatus& status) {
    ReadoutResult result;
    result.requested[0] = plan.readOut1;
    result.requested[1] = plan.readOut2;
    status.done = false;
    status.SetTitle(LoadMessage(plan.titleMessage));
    bool ok = plan.readOut1 || plan.readOut2;
    for (int out = 0; out < 2; ++out) {
        if (result.requested[out]) {
            result.out[out] = ReadOutIntoSlot(command, out, reply, names[out], *slots[out]);
            if (result.out[out] == ReadoutOutcome::kFailed) ok = false;
        }
        if (out == 0) status.SetTitle(LoadMessage(kMsgReadingOut2));
    }
    result.ok = ok;
    status.done = true;
    return result;
}

}  // namespace qda
