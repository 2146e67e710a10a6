#include "comm/SerialPorts.h"

#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <tuple>

namespace qda {

namespace {

namespace fs = std::filesystem;

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string Text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

// The first of the udev properties and the USB device's attributes that has a value. The
// attributes are the adapter's own strings; the properties exist only where udev runs.
std::string FirstOf(udev_device* tty, udev_device* usb, const char* attribute,
                    std::initializer_list<const char*> properties) {
    if (usb != nullptr) {
        std::string value = Text(udev_device_get_sysattr_value(usb, attribute));
        if (!value.empty()) return value;
    }
    for (const char* p : properties) {
        std::string value = Text(udev_device_get_property_value(tty, p));
        if (!value.empty()) return value;
    }
    return {};
}

// Port family and number for ordering: ttyS before ttyUSB before ttyACM, then by number.
// Family -1: not a serial port of this list.
std::pair<int, long> Family(const std::string& name) {
    static const char* const kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};
    for (int f = 0; f < 3; ++f) {
        const size_t n = std::strlen(kFamilies[f]);
        if (name.size() <= n || name.compare(0, n, kFamilies[f]) != 0) continue;
        const std::string digits = name.substr(n);
        if (digits.size() > 6 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return {-1, 0};
        return {f, std::strtol(digits.c_str(), nullptr, 10)};
    }
    return {-1, 0};
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::canonical(path, ec);
    return ec ? std::string() : p.string();
}

bool IsByIdLink(const std::string& link, const std::string& byIdDir) {
    const std::string prefix = byIdDir.empty() || byIdDir.back() == '/' ? byIdDir : byIdDir + "/";
    return !prefix.empty() && link.size() > prefix.size() && link.compare(0, prefix.size(), prefix) == 0;
}

// A string an adapter reports about itself, made safe to show and to print as one field of a
// tab-separated line: no control characters, no surrounding spaces, at most 128 bytes (cut before
// a partial UTF-8 sequence).
std::string CleanDeviceString(const std::string& text) {
    std::string s = text.substr(0, 128);
    if (text.size() > 128) {
        // Step back over the continuation bytes to the last sequence's lead byte; drop the
        // sequence when the cut left it short.
        size_t lead = s.size();
        while (lead > 0 && (static_cast<unsigned char>(s[lead - 1]) & 0xC0) == 0x80) --lead;
        if (lead > 0) {
            const unsigned char byte = static_cast<unsigned char>(s[lead - 1]);
            const size_t need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            if (s.size() - (lead - 1) < need) s.resize(lead - 1);
        }
    }
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<SystemTty> EnumerateSystemTtys() {
    std::vector<SystemTty> ttys;
    UdevPtr<udev> context(udev_new());
    if (!context) return ttys;
    UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate) return ttys;
    udev_enumerate_add_match_subsystem(enumerate.get(), "tty");
    udev_enumerate_scan_devices(enumerate.get());
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevPtr<udev_device> tty(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!tty) continue;
        SystemTty t;
        t.name = Text(udev_device_get_sysname(tty.get()));
        if (Family(t.name).first < 0) continue;
        t.device = Text(udev_device_get_devnode(tty.get()));
        if (t.device.empty()) t.device = "/dev/" + t.name;
        t.uartType = Text(udev_device_get_sysattr_value(tty.get(), "type"));
        udev_list_entry* link = nullptr;
        udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(tty.get())) {
            t.links.push_back(Text(udev_list_entry_get_name(link)));
        }
        // Borrowed from `tty`, which keeps its parents alive.
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
        t.description = FirstOf(tty.get(), usb, "product", {"ID_MODEL_FROM_DATABASE", "ID_MODEL"});
        t.manufacturer = FirstOf(tty.get(), usb, "manufacturer", {"ID_VENDOR_FROM_DATABASE", "ID_VENDOR"});
        t.serialNumber = FirstOf(tty.get(), usb, "serial", {"ID_SERIAL_SHORT"});
        ttys.push_back(std::move(t));
    }
    return ttys;
}

std::vector<SerialPortInfo> BuildSerialPortList(const std::vector<SystemTty>& ttys,
                                                const std::string& byIdDir) {
    // The by-id links that exist now, by the device they lead to (udev keeps them even where its
    // database is not visible, as in a container given the host's /dev).
    std::vector<std::pair<std::string, std::string>> byIdTargets;
    std::error_code ec;
    for (fs::directory_iterator it(byIdDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string target = Canonical(it->path().string());
        if (!target.empty()) byIdTargets.emplace_back(target, it->path().string());
    }
    std::sort(byIdTargets.begin(), byIdTargets.end());

    std::vector<std::tuple<int, long, SerialPortInfo>> found;
    for (const SystemTty& t : ttys) {
        const auto [family, number] = Family(t.name);
        if (family < 0) continue;
        // An on-board port name with no UART behind it (serial core type 0) is no port.
        if (family == 0 && (t.uartType.empty() || t.uartType == "0")) continue;
        SerialPortInfo port{t.device,
                            {},
                            CleanDeviceString(t.description),
                            CleanDeviceString(t.manufacturer),
                            CleanDeviceString(t.serialNumber)};
        for (const std::string& link : t.links) {
            if (IsByIdLink(link, "/dev/serial/by-id") || IsByIdLink(link, byIdDir)) {
                port.byId = link;
                break;
            }
        }
        if (port.byId.empty()) {
            const std::string device = Canonical(t.device);
            for (const auto& [target, link] : byIdTargets) {
                if (!device.empty() && target == device) {
                    port.byId = link;
                    break;
                }
            }
        }
        found.emplace_back(family, number, std::move(port));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::vector<SerialPortInfo> ports;
    for (auto& f : found) ports.push_back(std::move(std::get<2>(f)));
    return ports;
}

std::vector<SerialPortInfo> ListSerialPorts() {
    return BuildSerialPortList(EnumerateSystemTtys());
}

std::string PortDescription(const SerialPortInfo& port) {
    if (port.manufacturer.empty()) return port.description;
    if (port.description.empty()) return port.manufacturer;
    // Many adapters repeat the maker in the product name.
    if (port.description.rfind(port.manufacturer, 0) == 0) return port.description;
    return port.manufacturer + " " + port.description;
}

std::string StablePortPath(const SerialPortInfo& port) {
    return port.byId.empty() ? port.device : port.byId;
}

int FindPortForPath(const std::vector<SerialPortInfo>& ports, const std::string& boundPath) {
    if (boundPath.empty()) return -1;
    for (size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].device == boundPath || (!ports[i].byId.empty() && ports[i].byId == boundPath))
            return static_cast<int>(i);
    }
    // Any other link (or a path spelled differently) that leads to a listed device.
    const std::string target = Canonical(boundPath);
    if (target.empty()) return -1;
    for (size_t i = 0; i < ports.size(); ++i) {
        if (Canonical(ports[i].device) == target) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace qda
