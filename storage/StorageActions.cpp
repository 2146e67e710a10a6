#include "storage/StorageActions.h"

#include "comm/Command.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"

namespace qda {

namespace {

StorageActionResult Failed(int message, const CommandReply& reply = {}) {
    StorageActionResult r;
    r.message = message;
    r.style = MB_OK | MB_ICONWARNING;
    r.reply = reply;
    return r;
}

StorageActionResult Succeeded() {
    StorageActionResult r;
    r.ok = true;
    return r;
}

StorageActionResult NothingToClear() {
    StorageActionResult r;
    r.ok = true;
    r.message = qda::msg::kNoDataToClear;
    r.style = MB_OK | MB_ICONINFORMATION;
    return r;
}

}  // namespace

StorageActionResult StartStorage(CCommand& command) {
    ControllerState state;
    if (!command.GetControllerState(state)) return Failed(qda::msg::kStorageStartFailed);
    if (state.mode == kModeSetting) {
        // The controller stores only while it measures.
        CommandReply reply;
        if (!command.RequestMeasureMode(reply) || reply.status != kStatusOk)
            return Failed(qda::msg::kStorageStartFailed, reply);
        if (!command.GetControllerState(state)) return Failed(qda::msg::kStorageStartFailed);
    }
    if (state.mode != kModeMeasuring) return Failed(qda::msg::kStorageStartFailed);
    CommandReply reply;
    if (!command.StorageStart(reply) || reply.status != kStatusOk)
        return Failed(qda::msg::kStorageStartFailed, reply);
    return Succeeded();
}

StorageActionResult StopStorage(CCommand& command) {
    ControllerState state;
    if (!command.GetControllerState(state) || state.mode != kModeMeasuring)
        return Failed(qda::msg::kStorageStopFailed);
    if (!state.storing) return Succeeded();
    CommandReply reply;
    if (!command.StorageStop(reply)) return Failed(qda::msg::kStorageStopFailed, reply);
    return Succeeded();
}

StorageActionResult ClearStorage(CCommand& command, const std::function<bool()>& confirmStop) {
    ControllerState state;
    if (!command.GetControllerState(state)) return Failed(qda::msg::kStorageClearFailed);
    if (state.mode == kModeSetting) {
        // Setting mode holds no stored data (entering it cleared them); measuring resumes.
        command.SetControllerMode(kModeMeasuring);
        return NothingToClear();
    }
    if (state.mode != kModeMeasuring) return Failed(qda::msg::kStorageClearFailed);
    if (state.storing) {
        if (!confirmStop || !confirmStop()) {
            StorageActionResult r;
            r.declined = true;
            return r;
        }
        CommandReply reply;
        if (!command.StorageStop(reply)) return Failed(qda::msg::kStorageStopFailed, reply);
    } else if (state.count[0] == 0 && state.count[1] == 0) {
        return NothingToClear();
    }
    CommandReply reply;
    if (!command.StorageClear(reply)) return Failed(qda::msg::kStorageClearFailed, reply);
    StorageActionResult r = Succeeded();
    r.cleared = true;
    return r;
}

}  // namespace qda
