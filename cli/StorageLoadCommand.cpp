// qd-atlas-cli storage load FILE: reads a storage data file as the data storage window loads it
// into a slot, and prints what the slot would hold.
#include <string>

#include "cli/CliCommand.h"
#include "resources/ConsoleMessageBackend.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "resources/StringTable.h"
#include "storage/StorageFile.h"

namespace qda::cli {

namespace {

constexpr const char* kLoadUsage =
    "usage: qd-atlas-cli storage load FILE\n"
    "Reads a storage data file (.csv) as the data storage window loads it into a data slot and\n"
    "prints the slot's name, the declared and the read number of values, the number of values the\n"
    "slot takes, how many of them are valid (not a marker), the unit and the format.\n"
    "Exit 0: the file was read (a count mismatch is reported but still succeeds).\n"
    "Exit 1: the file could not be read; the program's message and the reason are printed.\n";

}  // namespace

int RunStorageLoad(CliArgs& args, CliContext& ctx) {
    if (args.TakeHelp()) {
        ctx.out << kLoadUsage;
        return kExitOk;
    }
    const auto path = args.TakePositional();
    if (!args.CheckAllConsumed(ctx.err) || !path || path->empty()) {
        ctx.err << kLoadUsage;
        return kExitUsage;
    }

    ConsoleMessageBackend console(ctx.err);
    IMessageBackend* previous = SetMessageBackend(&console);
    if (!ctx.language.empty()) SelectLanguage(ctx.language);

    int exitCode = kExitOk;
    CStorageData slot;
    StorageFileContent content;
    std::string error;
    if (!slot.Prepare()) {
        ShowMessage(LoadMessage(qda::msg::kStorageFileReadFailed), MB_OK | MB_ICONWARNING);
        ctx.err << *path << ": out of memory\n";
        exitCode = kExitFailure;
    } else if (CStorageFile::Read(slot, *path, &content, &error) != 1) {
        ShowMessage(LoadMessage(qda::msg::kStorageFileReadFailed), MB_OK | MB_ICONWARNING);
        ctx.err << *path << ": " << error << "\n";
        exitCode = kExitFailure;
    } else {
        ctx.out << "name: " << slot.Name() << "\n"
                << "declared: " << content.declaredCount << "\n"
                << "read: " << content.valuesRead << "\n"
                << "count: " << slot.Count() << "\n"
                << "valid: " << slot.ValidCount() << "\n"
                << "unit: " << content.unitText << "\n"
                << "format: " << content.formatText << "\n";
    }
    SetMessageBackend(previous);
    return exitCode;
}

}  // namespace qda::cli
