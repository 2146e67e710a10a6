#include "settings/SettingsTransfer.h"

#include <string>
#include <string_view>

#include "comm/Command.h"
#include "comm/ControllerReservation.h"
#include "comm/DebugTrace.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "settings/SettingWireForm.h"
#include "settings/UpdateLock.h"

namespace {

using qda::SettingAddress;

constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;
// Program switching by the panel: a program can be selected by command only while it is in effect.
constexpr int32_t kSwitchByPanel = 0;

// The exchanges of one transfer over the command object, with the debug trace of each failure.
class SettingExchanger {
public:
    explicit SettingExchanger(CCommand& command) : m_command(command) {}

    // Reads address `a`; `data` gets the value bytes of the reply (valid until the next read).
    bool Read(SettingAddress a, std::string_view& data) {
        if (!m_command.SendGetCommandAndReceivePacket(a.group, a.sub, a.item, m_value)) {
            QDA_TRACE("pCommand->SendGetCommandAndReceivePacket failed\n");
            return false;
        }
        data = m_value.Data();
        return true;
    }

    // Reads a one-byte setting.
    bool ReadByte(SettingAddress a, int32_t& value) {
        std::string_view data;
        if (!Read(a, data)) return false;
        if (!qda::DecodeByte(data, value)) {
            QDA_TRACE("reply of %d,%d,%d without data\n", a.group, a.sub, a.item);
            return false;
        }
        return true;
    }

    // Writes `data` to address `a`; true with status 0 and the write accepted. `exchangeFailed`
    // (optional) tells an exchange that did not complete from a reply that refused the write.
    bool Write(SettingAddress a, const std::string& data, bool* exchangeFailed = nullptr) {
        qda::CommandReply reply;
        const bool ok = m_command.SendSetCommandAndReceivePacket(
            a.group, a.sub, a.item, reinterpret_cast<const uint8_t*>(data.data()),
            static_cast<int>(data.size()), reply);
        if (exchangeFailed) *exchangeFailed = !reply.answered;
        if (!ok) QDA_TRACE("pCommand->SendSetCommandAndReceivePacket failed\n");
        return ok;
    }

    bool WriteByte(SettingAddress a, int32_t value, bool* exchangeFailed = nullptr) {
        std::string data;
        if (!qda::EncodeByte(value, data)) {
            QDA_TRACE("value %d at %d,%d,%d is not a byte\n", value, a.group, a.sub, a.item);
            if (exchangeFailed) *exchangeFailed = false;
            return false;
        }
        return Write(a, data, exchangeFailed);
    }

    // Selects program `p`. `exchangeFailed` tells an exchange that did not complete from a reply
    // that refused the selection.
    bool SelectProgram(int32_t p, bool& exchangeFailed) {
        return WriteByte(qda::kProgramAddress, p, &exchangeFailed);
    }

    bool Mode(int mode) { return m_command.SetControllerMode(mode); }

private:
    CCommand& m_command;
    qda::SettingValue m_value;
};

// Reads program address `a` into `program`.
bool ReadProgramSetting(SettingExchanger& x, ProgramSetting& program, int unit, SettingAddress a) {
    std::string_view data;
    if (!x.Read(a, data)) return false;
    if (!qda::DecodeProgramSetting(program, unit, a, data)) {
        QDA_TRACE("reply of %d,%d,%d is not its setting's form\n", a.group, a.sub, a.item);
        return false;
    }
    return true;
}

bool WriteProgramSetting(SettingExchanger& x, const ProgramSetting& program, int unit, SettingAddress a) {
    std::string data;
    if (!qda::EncodeProgramSetting(program, unit, a, data)) {
        QDA_TRACE("setting %d,%d,%d has no wire form\n", a.group, a.sub, a.item);
        return false;
    }
    return x.Write(a, data);
}

// The receive of one program (already selected). False ends the receive.
bool ReadProgram(SettingExchanger& x, ProgramSetting& program, int unit) {
    bool result = true;
    // The display digits first: the lengths of each OUT are read in its digits row.
    if (!ReadProgramSetting(x, program, unit, qda::OutAddress(0, qda::kOutDispDigit))) result = false;
    if (!ReadProgramSetting(x, program, unit, qda::OutAddress(1, qda::kOutDispDigit))) return false;
    for (const SettingAddress& a : qda::ProgramReadOrder())
        if (!ReadProgramSetting(x, program, unit, a)) return false;
    return result;
}

// The send of one program (already selected). False ends the send.
bool WriteProgram(SettingExchanger& x, const ProgramSetting& program, int unit) {
    bool result = true;
    if (!WriteProgramSetting(x, program, unit, qda::OutAddress(0, qda::kOutDispDigit))) result = false;
    if (!WriteProgramSetting(x, program, unit, qda::OutAddress(1, qda::kOutDispDigit))) result = false;
    for (const qda::ProgramWrite& w : qda::ProgramWriteOrder()) {
        const bool ok = w.zeroHysteresis ? x.Write(w.address, "000000")
                                         : WriteProgramSetting(x, program, unit, w.address);
        if (!ok) return false;
    }
    return result;
}

// What a transfer changed of the controller's own state on its way, so that a transfer that fails
// half way can put it back.
struct ControllerSelection {
    int32_t program = -1;    // selected before the transfer; -1 unknown
    int32_t switching = -1;  // program switching before the transfer; -1 unknown
    bool programChanged = false;
    bool switchingChanged = false;
};

// After a failed transfer, while the link still answers: the controller's selected program and
// program switching as they were, then (with `toMeasuring`) measuring mode. A controller that
// does not answer is not waited for again: the first exchange that gets no answer ends it.
void PutBackSelection(SettingExchanger& x, const ControllerSelection& saved, bool toMeasuring) {
    const bool program = saved.programChanged && saved.program >= 0;
    const bool switching = saved.switchingChanged && saved.switching >= 0;
    if (!program && !switching) return;
    QDA_TRACE("putting back program %d and program switching %d\n", saved.program, saved.switching);
    if (!x.Mode(qda::kModeSetting)) return;
    if (program) {
        bool exchangeFailed = false;
        if (!x.SelectProgram(saved.program, exchangeFailed) && exchangeFailed) return;
    }
    if (switching && !x.WriteByte(qda::kPrgChangeAddress, saved.switching)) return;
    if (toMeasuring) x.Mode(qda::kModeMeasuring);
}

bool ReceiveAll(SettingExchanger& x, TransferParam& param, int* outFlag, ControllerSelection& saved) {
    SettingsBlock& image = param.image;
    EnvironmentSetting& env = image.Environment;
    if (!x.Mode(qda::kModeSetting)) {
        if (outFlag) *outFlag = 1;
        return false;
    }
    int32_t savedProgram = 0;
    if (!x.ReadByte(qda::kProgramAddress, savedProgram)) return false;
    if (savedProgram < 0 || savedProgram >= qda::kProgramCount) {
        QDA_TRACE("controller reports program %d\n", savedProgram);
        return false;
    }
    param.program = savedProgram;
    saved.program = savedProgram;
    if (!x.ReadByte(qda::kPrgChangeAddress, env.PrgChange)) return false;
    const int32_t savedSwitching = env.PrgChange;
    saved.switching = savedSwitching;
    // Programs can be selected by command only with switching by the panel in effect, which the
    // controller takes over when it passes through measuring mode.
    saved.switchingChanged = true;
    if (!x.WriteByte(qda::kPrgChangeAddress, kSwitchByPanel)) return false;
    if (!x.Mode(qda::kModeMeasuring) || !x.Mode(qda::kModeSetting)) {
        if (outFlag) *outFlag = 1;
        return false;
    }
    if (!x.ReadByte(qda::kUnitAddress, env.Unit)) return false;

    saved.programChanged = true;
    for (int p = 0; p < qda::kProgramCount; ++p) {
        bool exchangeFailed = false;
        if (!x.SelectProgram(p, exchangeFailed)) {
            if (exchangeFailed) ShowMessage(LoadMessage(qda::msg::kReceiveFailed), kWarning);
            return false;
        }
        if (!ReadProgram(x, image.Programs[p], env.Unit)) return false;
    }

    bool result = true;
    if (!x.ReadByte(qda::kBaudrateAddress, env.Baudrate)) result = false;
    if (!x.ReadByte(qda::kParityAddress, env.Parity)) result = false;
    if (!x.ReadByte(qda::kAutoTransAddress, env.AutoTrans)) result = false;
    if (!x.ReadByte(qda::kPanelLockAddress, env.PanelLock)) result = false;
    if (!x.ReadByte(qda::kEcoAddress, env.Eco)) return false;
    if (result) {
        bool exchangeFailed = false;
        if (!x.SelectProgram(savedProgram, exchangeFailed)) return false;
        saved.programChanged = false;
    }
    if (!x.WriteByte(qda::kPrgChangeAddress, savedSwitching)) return false;
    saved.switchingChanged = false;
    if (!x.Mode(qda::kModeMeasuring)) result = false;
    return result;
}

// SetSettings up to its end step; `complete` tells that every write went through.
bool SendAll(SettingExchanger& x, const TransferParam& param, int full, int* outFlag, bool& complete,
             ControllerSelection& saved) {
    const SettingsBlock& image = param.image;
    const EnvironmentSetting& env = image.Environment;
    if (!x.Mode(qda::kModeSetting)) {
        if (outFlag) *outFlag = 1;
        return false;
    }
    int32_t savedSwitching = 0;
    if (!x.ReadByte(qda::kPrgChangeAddress, savedSwitching)) return false;
    saved.switching = savedSwitching;
    // The controller's own program, to be put back should the send fail.
    if (!x.ReadByte(qda::kProgramAddress, saved.program)) return false;
    saved.switchingChanged = true;
    if (!x.WriteByte(qda::kPrgChangeAddress, kSwitchByPanel)) return false;
    if (!x.Mode(qda::kModeMeasuring) || !x.Mode(qda::kModeSetting)) {
        if (outFlag) *outFlag = 1;
        return false;
    }
    if (full == 1 && !x.WriteByte(qda::kUnitAddress, env.Unit)) return false;

    saved.programChanged = true;
    for (int p = 0; p < qda::kProgramCount; ++p) {
        bool exchangeFailed = false;
        if (!x.SelectProgram(p, exchangeFailed)) return false;
        if (!WriteProgram(x, image.Programs[p], env.Unit)) return false;
    }

    if (full == 1) {
        bool result = true;
        int32_t unused = 0;
        // The controller's serial settings are read before they are written; the replies only
        // tell that the controller answers.
        if (!x.ReadByte(qda::kBaudrateAddress, unused)) result = false;
        if (!x.ReadByte(qda::kParityAddress, unused)) result = false;
        if (!x.WriteByte(qda::kBaudrateAddress, env.Baudrate)) result = false;
        if (!x.WriteByte(qda::kParityAddress, env.Parity)) result = false;
        if (!x.WriteByte(qda::kAutoTransAddress, env.AutoTrans)) result = false;
        if (!x.WriteByte(qda::kPanelLockAddress, env.PanelLock)) result = false;
        if (!x.WriteByte(qda::kEcoAddress, env.Eco)) return false;
        if (!result) return false;
    }
    bool exchangeFailed = false;
    if (!x.SelectProgram(param.program, exchangeFailed)) return false;
    if (!x.WriteByte(qda::kPrgChangeAddress, full == 1 ? env.PrgChange : savedSwitching)) return false;
    saved.programChanged = saved.switchingChanged = false;
    complete = true;
    return true;
}

}  // namespace

bool GetSettings(TransferParam& param, int* outFlag) {
    qda::CUpdateLockHolder lock;
    if (outFlag) *outFlag = 0;
    if (param.command == nullptr) {
        QDA_TRACE("GetSettings failed\n");
        return false;
    }
    // Held to the end: another program's command between ours would leave the controller with
    // half of the settings, or with another program selected.
    qda::CControllerReservation reservation(*param.command);
    if (!reservation.Held()) {
        if (outFlag) *outFlag = 1;
        QDA_TRACE("GetSettings failed\n");
        return false;
    }
    SettingExchanger x(*param.command);
    ControllerSelection saved;
    const bool result = ReceiveAll(x, param, outFlag, saved);
    if (!result) {
        QDA_TRACE("GetSettings failed\n");
        PutBackSelection(x, saved, true);
    }
    return result;
}

bool SetSettings(TransferParam& param, int leaveSettingMode, int full, int* outFlag) {
    qda::CUpdateLockHolder lock;
    if (outFlag) *outFlag = 0;
    if (param.command == nullptr) {
        QDA_TRACE("SetSettings failed\n");
        return false;
    }
    // Held to the end: another program's command between ours would leave the controller with
    // half of the settings, or with another program selected.
    qda::CControllerReservation reservation(*param.command);
    if (!reservation.Held()) {
        if (outFlag) *outFlag = 1;
        QDA_TRACE("SetSettings failed\n");
        return false;
    }
    SettingExchanger x(*param.command);
    bool complete = false;
    ControllerSelection saved;
    bool result = SendAll(x, param, full, outFlag, complete, saved);
    // The end step below returns the controller to measuring mode when asked.
    if (!result) PutBackSelection(x, saved, false);
    if (leaveSettingMode == 1 && !x.Mode(qda::kModeMeasuring)) {
        if (complete) ShowMessage(qda::LoadResourceString(qda::kStrMeasureStartSendFailed), kWarning);
        result = false;
    }
    if (!result) QDA_TRACE("SetSettings failed\n");
    return result;
}

namespace qda {

namespace {

void Finish(TransferParam& param, uintptr_t direction, bool result) {
    param.done = 1;
    if (param.owner) param.owner(param.message, direction, result ? 1 : 0);
}

}  // namespace

void RunReceiveWorker(TransferParam& param) {
    Finish(param, kTransferReceive, GetSettings(param));
}

void RunSendWorker(TransferParam& param) {
    Finish(param, kTransferSend, SetSettings(param, 1, 1));
}

}  // namespace qda
