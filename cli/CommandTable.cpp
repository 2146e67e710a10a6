#include "cli/CliCommand.h"

namespace qda::cli {

// Each command group defines its entry function in its own source file.
int RunSettingsCommand(CliArgs& args, CliContext& ctx);

std::span<const CliCommand> AllCommands() {
    static const CliCommand kCommands[] = {
        {"settings", "settings defaults|check|normalize: settings files", RunSettingsCommand},
    };
    return kCommands;
}

}  // namespace qda::cli
