#include <cstring>
#include <vector>

#include "cli/CliCommand.h"

namespace qda::cli {

namespace {

void PrintUsage(std::ostream& os) {
    os << "usage: qd-atlas-cli [-jp|-us|-de] <command> [options]\n"
          "       qd-atlas-cli <command> --help\n\ncommands:\n";
    for (const auto& c : AllCommands()) os << "  " << c.summary << "\n";
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CliContext ctx{out, err, {}};
    int i = 1;
    // The language options stand before the command word, as the program accepts them.
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "-jp") == 0 || std::strcmp(argv[i], "-JP") == 0) {
            ctx.language = "jp";
        } else if (std::strcmp(argv[i], "-us") == 0 || std::strcmp(argv[i], "-US") == 0) {
            ctx.language = "us";
        } else if (std::strcmp(argv[i], "-de") == 0 || std::strcmp(argv[i], "-DE") == 0) {
            ctx.language = "de";
        } else {
            break;
        }
    }
    if (i >= argc) {
        PrintUsage(err);
        return kExitUsage;
    }
    const std::string word = argv[i];
    if (word == "--help" || word == "-h" || word == "help") {
        PrintUsage(out);
        return kExitOk;
    }
    for (const auto& c : AllCommands()) {
        if (word != c.word) continue;
        CliArgs args(std::vector<std::string>(argv + i + 1, argv + argc));
        return c.run(args, ctx);
    }
    err << "unknown command: " << word << "\n";
    PrintUsage(err);
    return kExitUsage;
}

}  // namespace qda::cli
