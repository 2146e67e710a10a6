#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "resources/lang/LanguageModule.h"

namespace qda::cli {

namespace {

void PrintUsage(std::ostream& os) {
    os << "usage: qd-atlas-cli [-jp|-us|-de] <command> [options]\n"
          "       qd-atlas-cli <command> --help\n\ncommands:\n";
    for (const auto& c : AllCommands()) os << "  " << c.summary << "\n";
}

// The folder of this program, from /proc/self/exe ("" when it cannot be read).
std::string ProgramDir() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    const std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

// The messages of the chosen language come from its module, as in the program; without the module
// they would silently stay Japanese, so a module that will not load ends the run.
bool LoadLanguage(const std::string& language, std::ostream& err) {
    std::string reason;
    if (LoadLanguageModule(language, LanguageModuleDir(ProgramDir()), &reason)) return true;
    err << "qd-atlas-cli: cannot load the language module of -" << language << ": " << reason << "\n";
    return false;
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
    if (!ctx.language.empty() && !LoadLanguage(ctx.language, err)) return kExitFailure;
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
