#pragma once
// Where the named devices' Unix sockets live: $VANTORUSB_SOCKET_DIR when set, else
// $XDG_RUNTIME_DIR/vantorusb, else /run/vantorusb. The host serves in the first; a client tries
// them in order, so a user's own host and the system service are both found.
#include <string>
#include <vector>

namespace qda {

// Directories in the order a client tries them.
std::vector<std::string> VantorUsbSocketDirectories();
// The directory the driver host serves in.
std::string VantorUsbServeDirectory();
// True when `name` can be a socket file name (not empty, at most 64 characters, no '/', not "."/"..").
bool IsValidDeviceName(const std::string& name);

}  // namespace qda
