#pragma once
// The connection options of the qd-atlas-cli commands that talk to the controller, and the
// session that holds the link open for one command.
#include <memory>
#include <string>

#include "cli/CliCommand.h"
#include "comm/Command.h"
#include "resources/ConsoleMessageBackend.h"

namespace qda::cli {

// The option lines every controller command's usage text shows.
extern const char* const kConnectionUsage;

// Takes --serial PATH | --com N, --baud RATE and --parity even|odd|none (RS-232C) or --usb from
// args into `link`. Defaults: COM1, 9600 baud, no parity. Bad values are recorded as usage errors
// in args; returns false then.
bool TakeConnectionOptions(CliArgs& args, qda::LinkParams& link);

// One controller command's run: installs the console message backend and the language, opens
// the link, prints the controller's error replies, and closes the link at the end.
class ControllerSession {
public:
    explicit ControllerSession(CliContext& ctx);
    ~ControllerSession();
    ControllerSession(const ControllerSession&) = delete;
    ControllerSession& operator=(const ControllerSession&) = delete;

    // Opens the link; prints "本体に接続できません" and returns false when it cannot.
    bool Open(const qda::LinkParams& link);
    CCommand& Command() { return *m_command; }
    ConsoleMessageBackend& Console() { return m_console; }

    // Prints the message `text` and, when the controller answered with a non-zero status, that
    // status's text; returns kExitFailure.
    int Fail(const std::string& text, const qda::ReplyHeader& reply);

private:
    CliContext& m_ctx;
    ConsoleMessageBackend m_console;
    IMessageBackend* m_previous;
    std::unique_ptr<CCommand> m_command;
    bool m_open = false;
};

// The frame of every controller command: --help, the connection options, the command's own
// words (parse returns false for a usage error), then the action on an open link.
template <class Parse, class Action>
int RunControllerCommand(CliArgs& args, CliContext& ctx, const char* usage, Parse parse, Action action) {
    if (args.TakeHelp()) {
        ctx.out << usage << kConnectionUsage;
        return kExitOk;
    }
    qda::LinkParams link;
    const bool connectionOk = TakeConnectionOptions(args, link);
    const bool wordsOk = parse(args);
    if (!args.CheckAllConsumed(ctx.err) || !connectionOk || !wordsOk) {
        ctx.err << usage << kConnectionUsage;
        return kExitUsage;
    }
    ControllerSession session(ctx);
    if (!session.Open(link)) return kExitFailure;
    return action(session);
}

}  // namespace qda::cli
