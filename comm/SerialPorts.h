#pragma once
// The serial ports this machine has (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*), found through libudev,
// with the stable /dev/serial/by-id name udev gives a USB adapter and what the adapter tells about
// itself. A COM port bound to the by-id name still finds the adapter when it comes back under
// another ttyUSB number.
#include <string>
#include <vector>

namespace qda {

struct SerialPortInfo {
    std::string device;        // "/dev/ttyUSB0"
    std::string byId;          // "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", or ""
    std::string description;   // "FT232R USB UART", or "" (on-board ports)
    std::string manufacturer;  // "FTDI", or ""
    std::string serialNumber;  // "A1B2C3", or ""
};

// One tty as the system reports it, before the port list is put together.
struct SystemTty {
    std::string name;                // kernel name, "ttyUSB0"
    std::string device;              // device node, "/dev/ttyUSB0"
    std::string uartType;            // serial core's "type" attribute ("0" = no UART behind an on-board port)
    std::vector<std::string> links;  // symbolic links udev made for it
    std::string description, manufacturer, serialNumber;
};

// The ttys of the tty subsystem through libudev (the udev database where it exists, else sysfs).
std::vector<SystemTty> EnumerateSystemTtys();

// The port list from `ttys`: only ttyS (with a UART behind it), ttyUSB and ttyACM, in that order
// and by number; the by-id name from the udev links, else from the links in `byIdDir` that lead to
// the device. The adapter's strings come from the device itself: control characters become
// spaces and each is cut to 128 bytes.
std::vector<SerialPortInfo> BuildSerialPortList(const std::vector<SystemTty>& ttys,
                                                const std::string& byIdDir = "/dev/serial/by-id");

// The ports of this machine: BuildSerialPortList(EnumerateSystemTtys()).
std::vector<SerialPortInfo> ListSerialPorts();

// What the operator reads about a port: maker and product ("FTDI FT232R USB UART"), "" when unknown.
std::string PortDescription(const SerialPortInfo& port);

// The path a COM port is bound to for `port`: its by-id name when it has one, else its device.
std::string StablePortPath(const SerialPortInfo& port);

// The index in `ports` of the port that `boundPath` (a stored COM binding) reaches now: the port
// whose device or by-id name it is, or whose device it leads to; -1 when none (an adapter that is
// unplugged, or a path of no listed port).
int FindPortForPath(const std::vector<SerialPortInfo>& ports, const std::string& boundPath);

}  // namespace qda
