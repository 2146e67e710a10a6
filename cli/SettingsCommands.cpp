// qd-atlas-cli settings ...: settings files without the program's windows.
#include <ostream>
#include <string>

#include "cli/CliCommand.h"
#include "resources/ConsoleMessageBackend.h"
#include "resources/Messages.h"
#include "resources/StringTable.h"
#include "settings/Configuration.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"

namespace qda::cli {

namespace {

constexpr const char* kSettingsUsage =
    "usage: qd-atlas-cli settings <subcommand> [options]\n"
    "\n"
    "subcommands:\n"
    "  defaults -o FILE        write the default settings (active program 0) to FILE\n"
    "  check FILE              read FILE and check it as the program's open command does;\n"
    "                          exit 0 when the program would adopt it, 1 otherwise\n"
    "  normalize FILE -o OUT   read and check FILE, then write it to OUT in the program's form\n"
    "\n"
    "Run 'qd-atlas-cli settings <subcommand> --help' for one subcommand.\n";

constexpr const char* kDefaultsUsage =
    "usage: qd-atlas-cli settings defaults -o FILE\n"
    "Writes a settings file holding the default settings of all 8 programs and the environment,\n"
    "with active program 0. An existing FILE is replaced only when the new one is complete.\n";

constexpr const char* kCheckUsage =
    "usage: qd-atlas-cli settings check FILE\n"
    "Reads FILE over the default settings and checks every program, the environment and the\n"
    "active program silently, as the program does when it opens a settings file.\n"
    "Exit 0: the program would adopt the file. Exit 1: the program's message is printed.\n";

constexpr const char* kNormalizeUsage =
    "usage: qd-atlas-cli settings normalize FILE -o OUT\n"
    "Reads and checks FILE as 'check' does, then writes the settings to OUT as the program saves\n"
    "them (CR LF lines, TAB indentation, every key). OUT may be FILE itself.\n";

constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

int UsageError(CliContext& ctx, const char* usage) {
    ctx.err << usage;
    return kExitUsage;
}

// Reads and checks `path` as the program's open command; prints its message on failure.
bool ReadChecked(const std::string& path, SettingsBlock& block, int& active, std::ostream& err) {
    block = DefaultBlock();
    active = 0;
    std::string reason;
    const SettingsFileStatus status = ReadAndCheckSettingsFile(path, block, active, &reason);
    if (status == SettingsFileStatus::kAdopted) return true;
    ShowMessage(LoadMessage(SettingsFileStatusMessage(status)), kWarning);
    if (status == SettingsFileStatus::kReadFailed && !reason.empty()) err << path << ": " << reason << "\n";
    return false;
}

bool SaveReported(const std::string& path, const SettingsBlock& block, int active) {
    if (CConfiguration().Save(path, block, active)) return true;
    ShowMessage(LoadMessage(kMsgSettingsSaveFailed), kWarning);
    return false;
}

int RunDefaults(CliArgs& args, CliContext& ctx) {
    if (args.TakeHelp()) {
        ctx.out << kDefaultsUsage;
        return kExitOk;
    }
    const auto out = args.TakeOption("--output", "-o");
    if (!args.CheckAllConsumed(ctx.err) || !out || out->empty()) return UsageError(ctx, kDefaultsUsage);
    return SaveReported(*out, DefaultBlock(), 0) ? kExitOk : kExitFailure;
}

int RunCheck(CliArgs& args, CliContext& ctx) {
    if (args.TakeHelp()) {
        ctx.out << kCheckUsage;
        return kExitOk;
    }
    const auto file = args.TakePositional();
    if (!args.CheckAllConsumed(ctx.err) || !file || file->empty()) return UsageError(ctx, kCheckUsage);
    SettingsBlock block{};
    int active = 0;
    return ReadChecked(*file, block, active, ctx.err) ? kExitOk : kExitFailure;
}

int RunNormalize(CliArgs& args, CliContext& ctx) {
    if (args.TakeHelp()) {
        ctx.out << kNormalizeUsage;
        return kExitOk;
    }
    const auto out = args.TakeOption("--output", "-o");
    const auto file = args.TakePositional();
    if (!args.CheckAllConsumed(ctx.err) || !file || file->empty() || !out || out->empty()) {
        return UsageError(ctx, kNormalizeUsage);
    }
    SettingsBlock block{};
    int active = 0;
    if (!ReadChecked(*file, block, active, ctx.err)) return kExitFailure;
    return SaveReported(*out, block, active) ? kExitOk : kExitFailure;
}

}  // namespace

int RunSettingsCommand(CliArgs& args, CliContext& ctx) {
    // The system's messages go to the command's error stream and never wait for an answer.
    ConsoleMessageBackend console(ctx.err);
    IMessageBackend* previous = SetMessageBackend(&console);
    if (!ctx.language.empty()) SelectLanguage(ctx.language);

    int result = kExitUsage;
    const auto sub = args.TakePositional();
    if (!sub) {
        if (args.TakeHelp()) {
            ctx.out << kSettingsUsage;
            result = kExitOk;
        } else {
            result = UsageError(ctx, kSettingsUsage);
        }
    } else if (*sub == "defaults") {
        result = RunDefaults(args, ctx);
    } else if (*sub == "check") {
        result = RunCheck(args, ctx);
    } else if (*sub == "normalize") {
        result = RunNormalize(args, ctx);
    } else {
        ctx.err << "unknown settings subcommand: " << *sub << "\n";
        result = UsageError(ctx, kSettingsUsage);
    }
    SetMessageBackend(previous);
    return result;
}

}  // namespace qda::cli
