#include "cli/ConnectionOptions.h"

#include "comm/UsbPort.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "resources/StringTable.h"

namespace qda::cli {

namespace {

// Messages of the controller's error replies: codes 1-4 and 7 have their own, the rest share one.
constexpr int kMsgHeadNotRecognised = 372;
constexpr int kMsgMemoryError = 376;
constexpr int kMsgOtherControllerError = 377;
constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

int ControllerErrorMessage(int code) {
    if (code >= 1 && code <= 4) return kMsgHeadNotRecognised + code - 1;
    if (code == 7) return kMsgMemoryError;
    return kMsgOtherControllerError;
}

}  // namespace

const char* const kConnectionUsage =
    "connection options:\n"
    "  --serial PATH            the controller's tty (e.g. /dev/ttyUSB0, a pseudo-terminal)\n"
    "  --com N                  COM1..COM9 through the COMn device mapping (QDA_COM<n>,\n"
    "                           then /dev/ttyS<n-1>); default COM1\n"
    "  --baud RATE              9600 (default), 19200, 38400, 57600 or 115200\n"
    "  --parity even|odd|none   default none\n"
    "  --usb                    the controller on USB, through vantorusbd (named device VantorUSB_U-0)\n";

bool TakeConnectionOptions(CliArgs& args, qda::LinkParams& link) {
    bool ok = true;
    // Defaults: COM1, 9600 baud, no parity.
    qda::SerialLine line;
    int comNumber = 1;
    const bool usb = args.TakeFlag("--usb");
    const auto serial = args.TakeOption("--serial");
    const auto com = args.TakeOption("--com");
    if (usb) {
        if (serial || com) {
            args.AddError("--usb excludes --serial and --com");
            ok = false;
        }
        // The program's start-up registration with the USB library, and USB links as CUsbPort.
        CUsbPort::Install();
    }
    if (serial && com) {
        args.AddError("--serial and --com exclude each other");
        ok = false;
    }
    if (serial) {
        if (serial->empty()) {
            args.AddError("--serial needs a device path");
            ok = false;
        }
        line.devicePath = *serial;
    }
    if (com) {
        const auto n = ParseIntArg(*com, 1, 9);
        if (!n) {
            args.AddError("--com must be 1 to 9");
            ok = false;
        } else {
            comNumber = static_cast<int>(*n);
        }
    }
    if (const auto baud = args.TakeOption("--baud")) {
        int index = -1;
        for (int i = 0; i < 5; ++i)
            if (*baud == std::to_string(qda::BaudOfIndex(i))) index = i;
        if (index < 0) {
            args.AddError("--baud must be 9600, 19200, 38400, 57600 or 115200");
            ok = false;
        } else {
            line.baud = qda::BaudOfIndex(index);
        }
    }
    if (const auto parity = args.TakeOption("--parity")) {
        if (*parity == "even") {
            line.parity = qda::Parity::kEven;
        } else if (*parity == "odd") {
            line.parity = qda::Parity::kOdd;
        } else if (*parity == "none") {
            line.parity = qda::Parity::kNone;
        } else {
            args.AddError("--parity must be even, odd or none");
            ok = false;
        }
    }
    if (usb) {
        link = qda::UsbLink{};
        return ok;
    }
    if (line.devicePath.empty()) {
        // COMn through the device mapping; the number is 1-9 by now, so it always has a path.
        qda::SerialLine com;
        if (qda::ComPortLine(comNumber, com)) line.devicePath = com.devicePath;
    }
    link = line;
    return ok;
}

ControllerSession::ControllerSession(CliContext& ctx)
    : m_ctx(ctx), m_console(ctx.err), m_previous(SetMessageBackend(&m_console)) {
    if (!ctx.language.empty()) SelectLanguage(ctx.language);
    m_command = std::make_unique<CCommand>();
    // The controller's error replies are shown as the main window shows them; the console has no
    // window message of its own, so the message number is left at 0.
    m_command->SetErrorNotifyWindow(
        [](unsigned, uintptr_t code, intptr_t) {
            ShowMessage(LoadMessage(ControllerErrorMessage(static_cast<int>(code))), kWarning);
        },
        0);
}

ControllerSession::~ControllerSession() {
    if (m_open) m_command->ClosePort();
    m_command.reset();
    SetMessageBackend(m_previous);
}

bool ControllerSession::Open(const qda::LinkParams& link) {
    m_open = m_command->OpenPort(link);
    if (!m_open) {
        // The program's message is the headline; the reason follows on its own line.
        ShowMessage(LoadMessage(qda::msg::kCannotConnect), kWarning);
        TellLinkReason();
    }
    return m_open;
}

void ControllerSession::TellLinkReason() {
    if (m_reasonTold) return;
    const qda::LinkFailure failure = m_command->LastLinkFailure();
    if (!failure.Known()) return;
    m_reasonTold = true;
    m_ctx.err << qda::LinkFailureText(failure) << "\n";
}

int ControllerSession::Fail(const std::string& text, const qda::ReplyHeader& reply) {
    ShowMessage(text, kWarning);
    if (reply.answered && reply.status != qda::kStatusOk)
        ShowMessage(CCommand::GetErrorText(reply.status), kWarning);
    return kExitFailure;
}

}  // namespace qda::cli
