#pragma once
// The command words of qd-atlas-cli. Each group of commands lives in its own source file and
// is listed once in CommandTable.cpp.
#include <ostream>
#include <span>
#include <string>

#include "cli/CliArgs.h"

namespace qda::cli {

struct CliContext {
    std::ostream& out;
    std::ostream& err;
    // "jp", "us" or "de" from the language option before the command word; "" when none was given.
    std::string language;
};

struct CliCommand {
    const char* word;                            // first word on the command line, e.g. "settings"
    const char* summary;                         // one line for the general usage text
    int (*run)(CliArgs& args, CliContext& ctx);  // returns an ExitCode
};

// Every command of qd-atlas-cli, in the order the usage text lists them.
std::span<const CliCommand> AllCommands();

// Runs qd-atlas-cli with argv[1..]; returns the process exit code.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace qda::cli
