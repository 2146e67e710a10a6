// qd-atlas-cli ports: the serial ports of this machine, as the PC communication dialog lists them.
#include <string>

#include "cli/CliCommand.h"
#include "comm/SerialPorts.h"

namespace qda::cli {

namespace {

constexpr const char* kPortsUsage =
    "usage: qd-atlas-cli ports\n"
    "Lists the serial ports of this machine (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*), one a line:\n"
    "DEVICE<TAB>BY-ID<TAB>DESCRIPTION<TAB>SERIAL, where BY-ID is the stable /dev/serial/by-id name of a\n"
    "USB adapter (it stays when the adapter comes back under another number; give it to --serial),\n"
    "DESCRIPTION the adapter's maker and product and SERIAL its serial number; unknown fields are empty.\n";

}  // namespace

int RunPortsCommand(CliArgs& args, CliContext& ctx) {
    if (args.TakeHelp()) {
        ctx.out << kPortsUsage;
        return kExitOk;
    }
    if (!args.CheckAllConsumed(ctx.err)) {
        ctx.err << kPortsUsage;
        return kExitUsage;
    }
    for (const SerialPortInfo& port : ListSerialPorts()) {
        ctx.out << port.device << '\t' << port.byId << '\t' << PortDescription(port) << '\t'
                << port.serialNumber << '\n';
    }
    return kExitOk;
}

}  // namespace qda::cli
