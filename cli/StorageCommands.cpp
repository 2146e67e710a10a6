// qd-atlas-cli storage status|start|stop|clear|load: the controller's data storage.
#include <string>

#include "cli/CliCommand.h"
#include "cli/ConnectionOptions.h"
#include "resources/Messages.h"

namespace qda::cli {

int RunStorageLoad(CliArgs& args, CliContext& ctx);
int RunStorageRead(CliArgs& args, CliContext& ctx);

namespace {

constexpr int kMsgNoDataToClear = 257;
constexpr int kMsgClearFailed = 333;
constexpr int kMsgStopAndClear = 338;
constexpr int kMsgStartFailed = 341;
constexpr int kMsgStopFailed = 343;
constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

constexpr const char* kStorageUsage =
    "usage: qd-atlas-cli storage <subcommand> [options]\n"
    "\n"
    "subcommands:\n"
    "  status [connection options]          print the storage status line\n"
    "  start [connection options]           start storing (switches to measuring mode first)\n"
    "  stop [connection options]            stop storing\n"
    "  clear [--yes] [connection options]   clear the stored data; while storing, --yes stops\n"
    "                                       storing first (without it nothing is cleared)\n"
    "  load FILE                            read a storage data file and print the slot it gives\n"
    "  read --out 1|2|both -o FILE.csv [--o2 FILE2.csv] [--stop] [connection options]\n"
    "                                       read the stored values into storage data files\n";

int Fail(int message) {
    ShowMessage(LoadMessage(message), kWarning);
    return kExitFailure;
}

int RunStatus(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStorageUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            std::string line;
            const bool ok = s.Command().GetStorageStatusText(line);
            ctx.out << line;
            return ok ? kExitOk : kExitFailure;
        });
}

int RunStart(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStorageUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            CCommand& c = s.Command();
            CommandReply r;
            int mode = kModeUnknown;
            if (!c.GetControllerState(nullptr, &mode, nullptr, nullptr)) return Fail(kMsgStartFailed);
            if (mode == kModeSetting) {
                // Storing runs in measuring mode.
                if (!c.RequestMeasureMode(r) || r.status != kStatusOk)
                    return s.Fail(LoadMessage(kMsgStartFailed), r);
                if (!c.GetControllerState(nullptr, &mode, nullptr, nullptr)) return Fail(kMsgStartFailed);
            }
            if (mode != kModeMeasuring) return Fail(kMsgStartFailed);
            if (!c.StorageStart(r) || r.status != kStatusOk) return s.Fail(LoadMessage(kMsgStartFailed), r);
            return kExitOk;
        });
}

// Stops storing when the controller stores; false when it cannot tell or the stop fails
// (`r` then holds the controller's answer, if any).
bool StopStoring(CCommand& c, CommandReply& r) {
    int storing = 0, mode = kModeUnknown;
    if (!c.GetControllerState(&storing, &mode, nullptr, nullptr) || mode != kModeMeasuring) return false;
    if (!storing) return true;
    return c.StorageStop(r);
}

int RunStop(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStorageUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            CommandReply r;
            if (StopStoring(s.Command(), r)) return kExitOk;
            return s.Fail(LoadMessage(kMsgStopFailed), r);
        });
}

int RunClear(CliArgs& args, CliContext& ctx) {
    bool yes = false;
    return RunControllerCommand(
        args, ctx, kStorageUsage,
        [&](CliArgs& a) {
            yes = a.TakeFlag("--yes");
            return true;
        },
        [&](ControllerSession& s) -> int {
            s.Console().SetAssumeYes(yes);
            CCommand& c = s.Command();
            int storing = 0, mode = kModeUnknown, c1 = 0, c2 = 0;
            if (!c.GetControllerState(&storing, &mode, &c1, &c2)) return Fail(kMsgClearFailed);
            if (mode == kModeSetting) {
                c.SetControllerMode(kModeMeasuring);
                ShowMessage(LoadMessage(kMsgNoDataToClear), MB_OK | MB_ICONINFORMATION);
                return kExitOk;
            }
            if (mode != kModeMeasuring) return Fail(kMsgClearFailed);
            if (storing) {
                if (ShowMessage(LoadMessage(kMsgStopAndClear), MB_YESNO | MB_ICONQUESTION) != IDYES)
                    return kExitFailure;
                CommandReply r;
                if (!c.StorageStop(r)) return s.Fail(LoadMessage(kMsgStopFailed), r);
            } else if (c1 == 0 && c2 == 0) {
                ShowMessage(LoadMessage(kMsgNoDataToClear), MB_OK | MB_ICONINFORMATION);
                return kExitOk;
            }
            CommandReply r;
            if (!c.StorageClear(r)) return s.Fail(LoadMessage(kMsgClearFailed), r);
            return kExitOk;
        });
}

}  // namespace

int RunStorageCommand(CliArgs& args, CliContext& ctx) {
    const auto sub = args.TakePositional();
    if (!sub) {
        if (args.TakeHelp()) {
            ctx.out << kStorageUsage << kConnectionUsage;
            return kExitOk;
        }
        ctx.err << kStorageUsage;
        return kExitUsage;
    }
    if (*sub == "status") return RunStatus(args, ctx);
    if (*sub == "start") return RunStart(args, ctx);
    if (*sub == "stop") return RunStop(args, ctx);
    if (*sub == "clear") return RunClear(args, ctx);
    if (*sub == "load") return RunStorageLoad(args, ctx);
    if (*sub == "read") return RunStorageRead(args, ctx);
    ctx.err << "unknown storage subcommand: " << *sub << "\n" << kStorageUsage;
    return kExitUsage;
}

}  // namespace qda::cli
