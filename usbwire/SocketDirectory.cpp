#include "usbwire/SocketDirectory.h"

#include <cstdlib>

namespace qda {

std::vector<std::string> VantorUsbSocketDirectories() {
    if (const char* dir = std::getenv("VANTORUSB_SOCKET_DIR"); dir && *dir) return {dir};
    std::vector<std::string> dirs;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        dirs.push_back(std::string(runtime) + "/vantorusb");
    dirs.push_back("/run/vantorusb");
    return dirs;
}

std::string VantorUsbServeDirectory() {
    return VantorUsbSocketDirectories().front();
}

bool IsValidDeviceName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && name.find('/') == std::string::npos && name != "." &&
           name != ".." && name.find('\0') == std::string::npos;
}

}  // namespace qda
