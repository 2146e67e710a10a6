// The mode handling and the texts of CCommand.
#include <cstdio>

#include "comm/ByteOrder.h"
#include "comm/Command.h"
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

bool CCommand::GetControllerState(int* storing, int* mode, int* out1Count, int* out2Count) {
    int s = 0, m = qda::kModeUnknown, c1 = 0, c2 = 0;
    auto publish = [&](bool result) {
        if (storing) *storing = s;
        if (mode) *mode = m;
        if (out1Count) *out1Count = c1;
        if (out2Count) *out2Count = c2;
        return result;
    };
    qda::ReplyBuffer reply{};
    if (!GetStorageStatus(reply)) return publish(false);
    if (reply[4] == qda::kStatusOk) {
        m = qda::kModeMeasuring;
        c1 = qda::LoadHostI32(&reply[8]);
        c2 = qda::LoadHostI32(&reply[12]);
        s = reply[16] == 1 ? 1 : 0;
        return publish(true);
    }
    if (reply[4] != qda::kStatusStateError) return publish(false);

    // Not measuring: setting mode, or ROVA tuning still running.
    if (!CheckSettingMode(reply)) return publish(true);  // mode stays unknown
    if (reply[4] == qda::kStatusOk) {
        m = qda::kModeSetting;
        return publish(true);
    }
    if (reply[4] != qda::kStatusStateError) return publish(false);
    // ROVA tuning is active: cancel it on both heads (group 0, sub 255, item 9, no data).
    const bool cancelled = SendSetCommandAndReceivePacket(0, 255, 9, nullptr, 0, reply);
    if (cancelled || reply[4] == qda::kStatusStateError) {
        m = qda::kModeSetting;
        return publish(true);
    }
    return publish(false);
}

bool CCommand::SetControllerMode(int mode) {
    qda::ReplyBuffer reply{};
    if (mode == qda::kModeSetting) {
        int state = qda::kModeUnknown;
        if (!GetControllerState(nullptr, &state, nullptr, nullptr)) return false;
        if (state == qda::kModeSetting) return true;
        if (state != qda::kModeMeasuring) return false;
        if (!RequestSettingMode(reply)) return false;
        if (!GetControllerState(nullptr, &state, nullptr, nullptr)) return false;
        if (state == qda::kModeSetting) return true;
        ShowMessage(qda::LoadResourceString(qda::kStrStateQueryFailed), MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!RequestMeasureMode(reply)) return false;
    if (reply[4] == qda::kStatusOk) return true;
    if (reply[4] != qda::kStatusStateError) return false;
    // Status 5 also comes when the controller is measuring already.
    int state = qda::kModeUnknown;
    return GetControllerState(nullptr, &state, nullptr, nullptr) && state == qda::kModeMeasuring;
}

bool CCommand::GetStorageStatusText(std::string& text, int* storingOut) {
    int storing = 0, mode = qda::kModeUnknown, c1 = 0, c2 = 0;
    const bool ok = GetControllerState(&storing, &mode, &c1, &c2);
    if (storingOut != nullptr) *storingOut = ok && mode == qda::kModeMeasuring ? storing : 0;
    std::string state;
    const std::string noCount = qda::LoadResourceString(qda::kStrStorageCountUnknown);
    std::string out1 = noCount;
    std::string out2 = noCount;
    if (!ok) {
        state = LoadMessage(kMessageNotConnected);
    } else if (mode == qda::kModeMeasuring) {
        out1 = FormatCount(c1);
        out2 = FormatCount(c2);
        state =
            qda::LoadResourceString(storing ? qda::kStrStorageStateStoring : qda::kStrStorageStateStopped);
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
