#include "storage/StorageReadout.h"

#include "comm/Command.h"
#include "comm/ControllerReservation.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"

namespace qda {

namespace {

constexpr int kFormatRows = 6;  // display-digit rows 0..5

}  // namespace

ReadoutPlan PlanReadout(int choice) {
    switch (choice) {
        case kReadoutOut1:
            return {true, false, qda::msg::kReadingOut1, 1};
        case kReadoutOut2:
            return {false, true, qda::msg::kReadingOut2, 1};
        case kReadoutBoth:
            return {true, true, qda::msg::kReadingOut1, 2};
        default:
            return {};
    }
}

ReadoutOutcome FillSlotFromReadout(const StorageReadout& readout, const std::string& name,
                                   CStorageData& slot) {
    if (readout.status != kStatusOk) return ReadoutOutcome::kFailed;
    const int32_t count = readout.count;
    if (count <= 0) return ReadoutOutcome::kNoData;
    const int format = readout.formatIndex;
    if (count > slot.Capacity() || count > kStorageMaxValues || format >= kFormatRows ||
        readout.values.size() != static_cast<size_t>(count))
        return ReadoutOutcome::kFailed;
    // The format comes first: the values are classified in it.
    slot.Clear();
    slot.SetReadoutFormat(readout.inch ? 1 : 0, format);
    slot.Fill(name, readout.values.data(), count);
    return ReadoutOutcome::kFilled;
}

ReadoutOutcome ReadOutIntoSlot(CCommand& command, int out, const std::string& name, CStorageData& slot) {
    StorageReadout readout;
    if (!command.StorageRead(readout, out)) return ReadoutOutcome::kFailed;
    return FillSlotFromReadout(readout, name, slot);
}

ReadoutResult RunStorageReadout(CCommand& command, const ReadoutPlan& plan, CStorageData* const slots[2],
                                const std::string names[2], ReadoutStatus& status) {
    ReadoutResult result;
    result.requested[0] = plan.readOut1;
    result.requested[1] = plan.readOut2;
    status.done = false;
    status.SetTitle(LoadMessage(plan.titleMessage));
    // Both OUTs are read while no other program can clear or restart the storage between them.
    CControllerReservation reservation(command);
    bool ok = (plan.readOut1 || plan.readOut2) && reservation.Held();
    for (int out = 0; out < 2; ++out) {
        if (result.requested[out] && reservation.Held()) {
            result.out[out] = ReadOutIntoSlot(command, out, names[out], *slots[out]);
            if (result.out[out] == ReadoutOutcome::kFailed) ok = false;
        }
        if (out == 0) status.SetTitle(LoadMessage(qda::msg::kReadingOut2));
    }
    result.ok = ok;
    status.done = true;
    return result;
}

}  // namespace qda
