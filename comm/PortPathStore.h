#pragma once
// Where COM1 ... COM9 live on this machine. Each COMn maps to a tty device path: the
// environment variable QDA_COM<n> wins (tests point it at a pseudo-terminal), then the path
// kept in the installed store (the settings store backs it), then the default /dev/ttyS<n-1>,
// the first on-board serial ports, as COM1 is on the machines the controller ships with.
#include <string>

namespace qda {

class IPortPathStore {
public:
    virtual ~IPortPathStore() = default;
    // The configured device path of COM<portNo>, or "" when none is configured.
    virtual std::string PortPath(int portNo) const = 0;
    // Remembers the device path of COM<portNo> ("" removes it).
    virtual void SetPortPath(int portNo, const std::string& path) = 0;
};

// Installs the process-wide store (nullptr: defaults and environment only). The caller keeps
// ownership and keeps it alive while ports are opened.
void SetPortPathStore(IPortPathStore* store);
IPortPathStore* GetPortPathStore();

// The default device path of COM<portNo>: /dev/ttyS<portNo-1>.
std::string DefaultComPortPath(int portNo);

// The device path for COM<portNo> (1-9): environment, store, default. "" for any other number,
// since a port name carries one digit.
std::string ResolveComPortPath(int portNo);

}  // namespace qda
