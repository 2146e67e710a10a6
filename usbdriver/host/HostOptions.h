#pragma once
// Command-line options of vantorusbd.
#include <cstdint>
#include <string>
#include <vector>

namespace qda {

struct HostOptions {
    std::string simulatorSocket;  // --sim PATH: the simulated bus instead of libusb
    std::string socketDirectory;  // --socket-dir DIR (default: see VantorUsbServeDirectory)
    std::string group;            // --group NAME: members may use the device too
    uint16_t vendorId = 0x1209;   // --vid HEX
    uint16_t productId = 0x000A;  // --pid HEX
    bool help = false;
};

// Parses the arguments without the program name; false with `error` on a bad one.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error);
const char* HostUsage();

}  // namespace qda
