// The mode handling and the texts of CCommand.
#include <cstdio>

#include "comm/Command.h"
#include "comm/SettingAddresses.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

constexpr int kMessageStatusLine = 337;
constexpr int kMessageNotConnected = 359;

// Fills the three "%s" of a status line format without handing a resource text to printf.
std::string FillThree(const std::string& format, const std::string& a, const std::string& b,
                      const std::string& c) {
    const std::string* args[] = {&a, &b, &c};
    std::string out;
    int next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next < 3) {
            out += *args[next++];
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

// "%5d" and the points sign, the count format of the status line.
std::string FormatCount(int count) {
    const std::string format = qda::LoadResourceString(qda::kStrStorageCountFormat);
    const size_t at = format.find("%5d");
    char number[16];
    std::snprintf(number, sizeof number, "%5d", count);
    if (at == std::string::npos) return number;
    return format.substr(0, at) + number + format.substr(at + 3);
}

}  // namespace

std::string CCommand::GetErrorText(int code) {
    static const int kIds[] = {qda::kStrStatusNoError,       qda::kStrStatusCommandError,
                               qda::kStrStatusLengthError,   qda::kStrStatusTimeoutError,
                               qda::kStrStatusChecksumError, qda::kStrStatusStateError,
                               qda::kStrStatusOtherError};
    if (code >= 0 && code <= 6) return qda::LoadResourceString(kIds[code]);
    // The resource's only conversion is the code's "%d".
    const std::string format = qda::LoadResourceString(qda::kStrStatusUnknownFormat);
    const size_t at = format.find("%d");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + std::to_string(code) + format.substr(at + 2);
}

bool CCommand::GetControllerState(qda::ControllerState& state) {
    state = qda::ControllerState{};
    qda::StorageStatus status;
    if (!GetStorageStatus(status)) return false;
    if (status.status == qda::kStatusOk) {
        state.mode = qda::kModeMeasuring;
        state.count = status.count;
        state.storing = status.storing;
        return true;
    }
    if (status.status != qda::kStatusStateError) return false;

    // Not measuring: setting mode, or ROVA tuning still running.
    qda::CommandReply check;
    if (!CheckSettingMode(check)) return true;  // mode stays unknown
    if (check.status == qda::kStatusOk) {
        state.mode = qda::kModeSetting;
        return true;
    }
    if (check.status != qda::kStatusStateError) return false;
    // ROVA tuning is active: cancel it on both heads (an action, no data).
    const qda::SettingAddress cancel = qda::kCancelTuningBothAddress;
    qda::CommandReply cancelled;
    if (SendSetCommandAndReceivePacket(cancel.group, cancel.sub, cancel.item, nullptr, 0, cancelled) ||
        cancelled.status == qda::kStatusStateError) {
        state.mode = qda::kModeSetting;
        return true;
    }
    return false;
}

bool CCommand::GetControllerState(int* storing, int* mode, int* out1Count, int* out2Count) {
    qda::ControllerState state;
    const bool ok = GetControllerState(state);
    if (storing) *storing = state.storing ? 1 : 0;
    if (mode) *mode = state.mode;
    if (out1Count) *out1Count = state.count[0];
    if (out2Count) *out2Count = state.count[1];
    return ok;
}

bool CCommand::SetControllerMode(int mode) {
    qda::ControllerState state;
    if (mode == qda::kModeSetting) {
        if (!GetControllerState(state)) return false;
        if (state.mode == qda::kModeSetting) return true;
        if (state.mode != qda::kModeMeasuring) return false;
        qda::CommandReply request;
        if (!RequestSettingMode(request)) return false;
        if (!GetControllerState(state)) return false;
        if (state.mode == qda::kModeSetting) return true;
        ShowMessage(qda::LoadResourceString(qda::kStrStateQueryFailed), MB_OK | MB_ICONWARNING);
        return false;
    }
    qda::CommandReply request;
    if (!RequestMeasureMode(request)) return false;
    if (request.status == qda::kStatusOk) return true;
    if (request.status != qda::kStatusStateError) return false;
    // Status 5 also comes when the controller is measuring already.
    return GetControllerState(state) && state.mode == qda::kModeMeasuring;
}

bool CCommand::GetStorageStatusText(std::string& text, int* storingOut) {
    qda::ControllerState controller;
    const bool ok = GetControllerState(controller);
    const int mode = controller.mode;
    if (storingOut != nullptr) *storingOut = ok && mode == qda::kModeMeasuring && controller.storing ? 1 : 0;
    std::string state;
    const std::string noCount = qda::LoadResourceString(qda::kStrStorageCountUnknown);
    std::string out1 = noCount;
    std::string out2 = noCount;
    if (!ok) {
        state = LoadMessage(kMessageNotConnected);
    } else if (mode == qda::kModeMeasuring) {
        out1 = FormatCount(controller.count[0]);
        out2 = FormatCount(controller.count[1]);
        state = qda::LoadResourceString(controller.storing ? qda::kStrStorageStateStoring
                                                           : qda::kStrStorageStateStopped);
    } else if (mode == qda::kModeSetting || mode == qda::kModeUnknown) {
        state = noCount;
    } else {
        state = qda::LoadResourceString(qda::kStrStorageStateSystemError);
    }
    text = FillThree(LoadMessage(kMessageStatusLine), out1, out2, state);
    return ok;
}

bool CCommand::GetHeadModelName(int modelCode, std::string& text) {
    static const int kBase[] = {12, 24, 140, 60, 450, 350, 6};
    const int low = modelCode & 0x0F;
    if (low > 6) {
        text = LoadMessage(kMessageNotConnected);
        return false;
    }
    int number = kBase[low];
    if (low != 6) {
        if ((modelCode & 0x10) == 0) number += 5;
        if (((modelCode >> 5) & 0x03) == 1) number += 2;
    }
    const bool wide = (modelCode & 0x80) != 0 && low != 4 && low != 5 && low != 6;
    char buf[32];
    std::snprintf(buf, sizeof buf, "QD-R%02d%s", number, wide ? "W" : "");
    text = buf;
    return true;
}
