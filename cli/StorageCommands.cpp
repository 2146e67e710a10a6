// qd-atlas-cli storage status|start|stop|clear|load: the controller's data storage. Start, stop
// and clear follow the same rules as the storage window's buttons (storage/StorageActions.h).
#include <string>

#include "cli/CliCommand.h"
#include "cli/ConnectionOptions.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "storage/StorageActions.h"

namespace qda::cli {

int RunStorageLoad(CliArgs& args, CliContext& ctx);
int RunStorageRead(CliArgs& args, CliContext& ctx);

namespace {

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

// Shows an action's message: a failure with the controller's status text, when it gave one.
int Report(ControllerSession& s, const StorageActionResult& result) {
    if (result.ok) {
        if (result.message != 0) ShowMessage(LoadMessage(result.message), result.style);
        return kExitOk;
    }
    if (result.message == 0) return kExitFailure;
    return s.Fail(LoadMessage(result.message), result.reply);
}

int RunStart(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStorageUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int { return Report(s, StartStorage(s.Command())); });
}

int RunStop(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStorageUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int { return Report(s, StopStorage(s.Command())); });
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
            const StorageActionResult result = ClearStorage(s.Command(), [] {
                return ShowMessage(LoadMessage(qda::msg::kStopAndClear), MB_YESNO | MB_ICONQUESTION) == IDYES;
            });
            return Report(s, result);
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
