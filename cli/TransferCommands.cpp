// qd-atlas-cli receive|send: all settings between the controller and a settings file, as the
// program's receive (F4) and send (F3) commands move them.
#include <string>

#include "cli/CliCommand.h"
#include "cli/ConnectionOptions.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "settings/Configuration.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "settings/SettingsTransfer.h"
#include "settings/Validation.h"

namespace qda::cli {

namespace {

constexpr int kMsgReceiveCommError = 320;
constexpr int kMsgSendCommError = 322;
constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;
constexpr unsigned kInformation = MB_OK | MB_ICONINFORMATION;

constexpr const char* kReceiveUsage =
    "usage: qd-atlas-cli receive -o FILE.qdt [--yes] [connection options]\n"
    "Receives the settings of all 8 programs, the environment and the unit from the controller,\n"
    "checks every program as the program does after a receive, and saves them as a settings file\n"
    "whose active program is the controller's selected program.\n"
    "Receiving clears the controller's stored data: while it stores, the command refuses unless\n"
    "--yes is given.\n"
    "Exit 0: \"設定を受信しました。\". Exit 1: the program's message is printed, FILE is untouched.\n";

constexpr const char* kSendUsage =
    "usage: qd-atlas-cli send FILE.qdt [--programs-only] [--yes] [connection options]\n"
    "Reads and checks FILE as the program's open command does, then sends the 8 programs, the\n"
    "environment, the unit and the program-switching setting to the controller and returns it to\n"
    "measuring mode; the file's active program becomes the controller's selected program.\n"
    "--programs-only sends the 8 programs only and keeps the controller's environment, unit and\n"
    "program switching. Sending clears the controller's stored data: while it stores, the command\n"
    "refuses unless --yes is given.\n"
    "Exit 0: \"設定を送信しました。\". Exit 1: the program's message is printed.\n";

int Fail(int message) {
    ShowMessage(LoadMessage(message), kWarning);
    return kExitFailure;
}

// Asks the controller's state as the receive and send commands do before they start. False when
// the state cannot be read (`failMessage` shown) or the operator does not agree to clear the
// stored data.
bool ReadyForTransfer(ControllerSession& s, bool yes, int storingQuestion, int failMessage) {
    int storing = 0;
    if (!s.Command().GetControllerState(&storing, nullptr, nullptr, nullptr)) {
        Fail(failMessage);
        return false;
    }
    if (!storing) return true;
    s.Console().SetAssumeYes(yes);
    return ShowMessage(LoadMessage(storingQuestion), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace

int RunReceiveCommand(CliArgs& args, CliContext& ctx) {
    std::string path;
    bool yes = false;
    return RunControllerCommand(
        args, ctx, kReceiveUsage,
        [&](CliArgs& a) {
            const auto out = a.TakeOption("--output", "-o");
            yes = a.TakeFlag("--yes");
            if (!out || out->empty()) return false;
            path = *out;
            return true;
        },
        [&](ControllerSession& s) -> int {
            if (!ReadyForTransfer(s, yes, qda::msg::kReceiveWhileStoring, qda::msg::kReceiveFailed))
                return kExitFailure;
            // The parts the controller does not hold keep their defaults.
            TransferParam param;
            param.command = &s.Command();
            param.image = DefaultBlock();
            int outFlag = 0;
            if (!GetSettings(param, &outFlag))
                return Fail(outFlag == 1 ? qda::msg::kReceiveFailed : kMsgReceiveCommError);
            // The check of the receive completion; a failing record shows its own message and
            // nothing is saved.
            if (!ValidatePrograms(param.image)) return kExitFailure;
            if (!CConfiguration().Save(path, param.image, param.program)) return Fail(kMsgSettingsSaveFailed);
            ShowMessage(LoadMessage(qda::msg::kReceived), kInformation);
            return kExitOk;
        });
}

int RunSendCommand(CliArgs& args, CliContext& ctx) {
    std::string path;
    bool programsOnly = false;
    bool yes = false;
    SettingsBlock block = DefaultBlock();
    int active = 0;
    return RunControllerCommand(
        args, ctx, kSendUsage,
        [&](CliArgs& a) {
            programsOnly = a.TakeFlag("--programs-only");
            yes = a.TakeFlag("--yes");
            const auto file = a.TakePositional();
            if (!file || file->empty()) return false;
            path = *file;
            return true;
        },
        [&](ControllerSession& s) -> int {
            std::string reason;
            const SettingsFileStatus status = ReadAndCheckSettingsFile(path, block, active, &reason);
            if (status != SettingsFileStatus::kAdopted) {
                const int code = Fail(SettingsFileStatusMessage(status));
                if (!reason.empty()) ctx.err << path << ": " << reason << "\n";
                return code;
            }
            if (!ReadyForTransfer(s, yes, qda::msg::kSendWhileStoring, qda::msg::kSendFailed))
                return kExitFailure;
            TransferParam param;
            param.command = &s.Command();
            param.image = block;
            param.program = active;
            int outFlag = 0;
            if (!SetSettings(param, 1, programsOnly ? 0 : 1, &outFlag))
                return Fail(outFlag == 1 ? qda::msg::kSendTransferFailed : kMsgSendCommError);
            ShowMessage(LoadMessage(qda::msg::kSent), kInformation);
            return kExitOk;
        });
}

}  // namespace qda::cli
