#include "cli/CliCommand.h"

namespace qda::cli {

// Each command group defines its entry function in its own source file.
int RunSettingsCommand(CliArgs& args, CliContext& ctx);
// Controller commands (ControllerCommands.cpp, StorageCommands.cpp).
int RunStateCommand(CliArgs& args, CliContext& ctx);
int RunModeCommand(CliArgs& args, CliContext& ctx);
int RunHeadInfoCommand(CliArgs& args, CliContext& ctx);
int RunMeasureCommand(CliArgs& args, CliContext& ctx);
int RunStatsCommand(CliArgs& args, CliContext& ctx);
int RunStatsClearCommand(CliArgs& args, CliContext& ctx);
int RunZeroCommand(CliArgs& args, CliContext& ctx);
int RunResetCommand(CliArgs& args, CliContext& ctx);
int RunTimingCommand(CliArgs& args, CliContext& ctx);
int RunWaveformCommand(CliArgs& args, CliContext& ctx);
int RunInitControllerCommand(CliArgs& args, CliContext& ctx);
int RunStorageCommand(CliArgs& args, CliContext& ctx);
// Settings transfer (TransferCommands.cpp).
int RunReceiveCommand(CliArgs& args, CliContext& ctx);
int RunSendCommand(CliArgs& args, CliContext& ctx);
// The serial ports of this machine (PortsCommand.cpp).
int RunPortsCommand(CliArgs& args, CliContext& ctx);

std::span<const CliCommand> AllCommands() {
    static const CliCommand kCommands[] = {
        {"settings", "settings defaults|check|normalize: settings files", RunSettingsCommand},
        {"receive", "receive -o FILE: all settings from the controller into a settings file",
         RunReceiveCommand},
        {"send", "send FILE [--programs-only]: a settings file's settings to the controller", RunSendCommand},
        {"state", "state: the controller's storage status line", RunStateCommand},
        {"mode", "mode measure|setting: switch the controller's mode", RunModeCommand},
        {"head-info", "head-info A|B: model name of a sensor head", RunHeadInfoCommand},
        {"measure", "measure [--count N] [--interval MS]: measured values of OUT1 and OUT2",
         RunMeasureCommand},
        {"stats", "stats: statistics of OUT1 and OUT2", RunStatsCommand},
        {"stats-clear", "stats-clear: clear the statistics", RunStatsClearCommand},
        {"zero", "zero 1|2 on|off: auto-zero of an OUT", RunZeroCommand},
        {"reset", "reset 1|2: reset input to an OUT", RunResetCommand},
        {"timing", "timing 1|2|both: timing input", RunTimingCommand},
        {"waveform", "waveform A|B [--peak N]: received-light waveform as CSV", RunWaveformCommand},
        {"storage", "storage status|start|stop|clear|load|read: the data storage", RunStorageCommand},
        {"init-controller", "init-controller: initialise the controller", RunInitControllerCommand},
        {"ports", "ports: the serial ports of this machine, one a line", RunPortsCommand},
    };
    return kCommands;
}

}  // namespace qda::cli
