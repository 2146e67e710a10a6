#pragma once
// Why a link could not be opened or reached: the reason an operator needs beside the program's
// own message ("本体に接続できません" and the like), in the current language.
#include <string>

namespace qda {

enum class LinkFailureKind {
    kNone,
    kNoSuchDevice,      // serial: the device path does not exist
    kPermission,        // serial: permission denied (detail: the group that owns the device)
    kInUse,             // serial: another process holds the port (detail: that process, if known)
    kNotTty,            // serial: the path is no serial line
    kOther,             // serial: any other system error (error)
    kUsbNoHost,         // USB: no driver host serves the device (detail: the socket paths looked for)
    kUsbAccessRefused,  // USB: the driver host refused this user
    kUsbNoDevice,       // USB: the driver host runs, no controller is attached
    kUsbInUse,          // USB: another program has reserved the controller
    kUsbNoAnswer,       // USB: the controller did not answer in time
    kUsbOther,          // USB: any other failure (error)
};

struct LinkFailure {
    LinkFailureKind kind = LinkFailureKind::kNone;
    std::string path;    // the device path (serial)
    std::string detail;  // group, process or socket paths, as the kind says
    int error = 0;       // errno
    bool Known() const { return kind != LinkFailureKind::kNone; }
};

// The reason as one line of text in the current language ("" for kNone).
std::string LinkFailureText(const LinkFailure& failure);

// A serial port at `path` that failed to open with `error` (errno): the kind, with the group
// that owns the device for a permission failure and the process that holds it (from /proc)
// for a port in use.
LinkFailure DescribeSerialFailure(const std::string& path, int error);

// A USB exchange or device check that failed with `error` (errno from the USB access library);
// `socketPaths` names where a driver host was looked for.
LinkFailure DescribeUsbFailure(int error, const std::string& socketPaths);

}  // namespace qda
