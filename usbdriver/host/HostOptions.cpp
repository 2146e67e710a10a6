#include "usbdriver/host/HostOptions.h"

#include <cstdlib>

namespace qda {
namespace {
bool ParseId(const std::string& text, uint16_t& out) {
    if (text.empty() || text.size() > 6) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || value > 0xFFFF) return false;
    out = static_cast<uint16_t>(value);
    return true;
}
}  // namespace

const char* HostUsage() {
    return "usage: vantorusbd [--sim SOCKET] [--socket-dir DIR] [--group NAME] [--vid HEX] [--pid HEX]\n"
           "  Serves the named device VantorUSB_U-0 of the controller on a Unix socket.\n"
           "  --sim SOCKET      use the simulated bus of qd-atlas-sim --usb-socket SOCKET instead of USB\n"
           "  --socket-dir DIR  where to serve (default $VANTORUSB_SOCKET_DIR, else "
           "$XDG_RUNTIME_DIR/vantorusb,\n"
           "                    else /run/vantorusb)\n"
           "  --group NAME      members of this group may use the device (default: only this user and root)\n"
           "  --vid HEX --pid HEX  the controller's USB IDs (default 1209:000a)\n";
}

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            options.help = true;
            continue;
        }
        if (a != "--sim" && a != "--socket-dir" && a != "--group" && a != "--vid" && a != "--pid") {
            error = "unknown option " + a;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "missing value after " + a;
            return false;
        }
        const std::string& value = args[++i];
        if (a == "--sim") {
            options.simulatorSocket = value;
        } else if (a == "--socket-dir") {
            options.socketDirectory = value;
        } else if (a == "--group") {
            options.group = value;
        } else if (a == "--vid" || a == "--pid") {
            if (!ParseId(value, a == "--vid" ? options.vendorId : options.productId)) {
                error = "bad USB ID " + value + " (four hexadecimal digits)";
                return false;
            }
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

}  // namespace qda
