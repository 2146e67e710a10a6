// The serial port list and the COM binding by stable name: which ttys are ports, in which order,
// what the operator reads about them, and an adapter found again under another ttyUSB number.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "comm/PortPathStore.h"
#include "comm/SerialPorts.h"

namespace fs = std::filesystem;
using qda::SerialPortInfo;
using qda::SystemTty;

namespace {

// A scratch folder standing for /dev: device files and a by-id folder of links to them.
class FakeDev {
public:
    FakeDev() {
        char dir[] = "/tmp/qda-ports-XXXXXX";
        m_root = ::mkdtemp(dir);
        fs::create_directories(ById());
    }
    ~FakeDev() { fs::remove_all(m_root); }
    std::string ById() const { return m_root + "/serial/by-id"; }
    std::string Device(const std::string& name) {
        const std::string path = m_root + "/" + name;
        if (!fs::exists(path)) ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600));
        return path;
    }
    std::string Link(const std::string& name, const std::string& target) {
        const std::string path = ById() + "/" + name;
        fs::remove(path);
        fs::create_symlink(target, path);
        return path;
    }

private:
    std::string m_root;
};

SystemTty Tty(const std::string& name, const std::string& device, const std::string& type = "") {
    SystemTty t;
    t.name = name;
    t.device = device;
    t.uartType = type;
    return t;
}

std::vector<std::string> Devices(const std::vector<SerialPortInfo>& ports) {
    std::vector<std::string> d;
    for (const auto& p : ports) d.push_back(p.device);
    return d;
}

// A pseudo-terminal pair standing for one plugged-in adapter.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) slave = ::ptsname(master);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    int master = -1;
    std::string slave;
};

class MapStore : public qda::IPortPathStore {
public:
    std::string PortPath(int n) const override {
        auto it = paths.find(n);
        return it == paths.end() ? std::string() : it->second;
    }
    void SetPortPath(int n, const std::string& path) override { paths[n] = path; }
    std::map<int, std::string> paths;
};

}  // namespace

TEST(SerialPortList, OnlyRealPortsOfTheThreeFamiliesInNumberOrder) {
    FakeDev dev;
    const std::vector<SystemTty> ttys = {
        Tty("ttyUSB10", dev.Device("ttyUSB10")),
        Tty("ttyS1", dev.Device("ttyS1"), "0"),  // an on-board name with no UART behind it
        Tty("ttyACM0", dev.Device("ttyACM0")),
        Tty("ttyS0", dev.Device("ttyS0"), "4"),
        Tty("tty5", dev.Device("tty5")),  // a virtual console
        Tty("ttyUSB2", dev.Device("ttyUSB2")),
        Tty("ttyS", dev.Device("ttyS"), "4"),
        Tty("ttyUSBx", dev.Device("ttyUSBx")),
        Tty("ttyS2", dev.Device("ttyS2")),  // no type attribute: not a serial core port
    };
    const auto ports = qda::BuildSerialPortList(ttys, dev.ById());
    EXPECT_EQ(Devices(ports), (std::vector<std::string>{dev.Device("ttyS0"), dev.Device("ttyUSB2"),
                                                        dev.Device("ttyUSB10"), dev.Device("ttyACM0")}));
}

TEST(SerialPortList, StableNameFromUdevLinksElseFromTheByIdFolder) {
    FakeDev dev;
    SystemTty fromUdev = Tty("ttyUSB0", dev.Device("ttyUSB0"));
    fromUdev.links = {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
                      "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"};
    const std::string acmLink = dev.Link("usb-Vantor_QD_Adapter_77-if00", dev.Device("ttyACM0"));
    dev.Link("usb-Gone_Adapter-if00", dev.Device("ttyACM9"));  // leads to a device not listed
    const auto ports = qda::BuildSerialPortList(
        {fromUdev, Tty("ttyACM0", dev.Device("ttyACM0")), Tty("ttyACM1", dev.Device("ttyACM1"))}, dev.ById());
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].byId, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    EXPECT_EQ(ports[1].byId, acmLink);
    EXPECT_EQ(ports[2].byId, "");
    EXPECT_EQ(qda::StablePortPath(ports[0]), ports[0].byId);
    EXPECT_EQ(qda::StablePortPath(ports[2]), dev.Device("ttyACM1"));
}

TEST(SerialPortList, AdapterStringsAreMadeSafeToShowAndToPrint) {
    struct Case {
        std::string manufacturer, product, serial;
        std::string description, serialShown;
    };
    const std::string longName(150, 'x');
    // 127 ASCII bytes and a three-byte character across the 128-byte cut.
    const std::string cutCharacter = std::string(127, 'a') + "\xE6\xB8\xAC" + "b";
    const Case cases[] = {
        {"FTDI", "FT232R USB UART", "A1B2C3", "FTDI FT232R USB UART", "A1B2C3"},
        {"Prolific", "Prolific USB-Serial", "", "Prolific USB-Serial", ""},  // maker not repeated
        {"", "CDC ACM", "", "CDC ACM", ""},
        {"Maker", "", "", "Maker", ""},
        {"Ev\til", "Line\nBreak\r", " 12\t34 ", "Ev il Line Break", "12 34"},
        {"", longName, "", std::string(128, 'x'), ""},
        {"", cutCharacter, "", std::string(127, 'a'), ""},
    };
    FakeDev dev;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        SystemTty t = Tty("ttyUSB0", dev.Device("ttyUSB0"));
        t.manufacturer = c.manufacturer;
        t.description = c.product;
        t.serialNumber = c.serial;
        const auto ports = qda::BuildSerialPortList({t}, dev.ById());
        ASSERT_EQ(ports.size(), 1u);
        EXPECT_EQ(qda::PortDescription(ports[0]), c.description);
        EXPECT_EQ(ports[0].serialNumber, c.serialShown);
    }
}

TEST(SerialPortList, AdapterBackUnderAnotherNumberIsFoundThroughItsStableName) {
    FakeDev dev;
    Pty first, second;
    ASSERT_FALSE(first.slave.empty());
    ASSERT_FALSE(second.slave.empty());
    const std::string name = "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";

    // Plugged in as ttyUSB0: COM3 is bound to the stable name the dialog offers.
    dev.Link(name, first.slave);
    auto ports = qda::BuildSerialPortList({Tty("ttyUSB0", first.slave)}, dev.ById());
    ASSERT_EQ(ports.size(), 1u);
    MapStore store;
    qda::SetPortPathStore(&store);
    store.SetPortPath(3, qda::StablePortPath(ports[0]));
    EXPECT_EQ(store.PortPath(3), dev.ById() + "/" + name);

    // Unplugged: the binding finds nothing, and stays.
    fs::remove(dev.ById() + "/" + name);
    ports = qda::BuildSerialPortList({}, dev.ById());
    EXPECT_EQ(qda::FindPortForPath(ports, store.PortPath(3)), -1);

    // Back as ttyUSB1 behind another device node: found again, and COM3 opens it.
    dev.Link(name, second.slave);
    ports = qda::BuildSerialPortList({Tty("ttyUSB1", second.slave)}, dev.ById());
    ASSERT_EQ(qda::FindPortForPath(ports, store.PortPath(3)), 0);
    ::unsetenv("QDA_COM3");
    const std::string path = qda::ResolveComPortPath(3);
    qda::SetPortPathStore(nullptr);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, "CC,", 3), 3);
    ::close(fd);
    char got[3] = {};
    ASSERT_EQ(::read(second.master, got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "CC,");
}

TEST(SerialPortList, BindingsFindTheirPortByDeviceByStableNameOrByWhereTheyLead) {
    FakeDev dev;
    const std::string device = dev.Device("ttyUSB0");
    const std::string link = dev.Link("usb-A-if00", device);
    const std::string otherLink = dev.ById() + "/../by-path-link";
    fs::create_symlink(device, otherLink);
    const auto ports = qda::BuildSerialPortList(
        {Tty("ttyS0", dev.Device("ttyS0"), "4"), Tty("ttyUSB0", device)}, dev.ById());
    const std::pair<std::string, int> cases[] = {
        {device, 1},    {link, 1},
        {otherLink, 1}, {dev.Device("ttyS0"), 0},
        {"", -1},       {"/dev/nonexistent-tty", -1},
    };
    for (const auto& [bound, index] : cases) EXPECT_EQ(qda::FindPortForPath(ports, bound), index) << bound;
}

TEST(SerialPortList, ThisMachinesPortsAreCharacterDevices) {
    const auto ports = qda::ListSerialPorts();
    if (ports.empty()) GTEST_SKIP() << "this machine reports no serial port";
    for (const SerialPortInfo& p : ports) {
        struct stat st {};
        ASSERT_EQ(::stat(p.device.c_str(), &st), 0) << p.device;
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << p.device;
        const std::string name = fs::path(p.device).filename().string();
        if (name.rfind("ttyS", 0) == 0) {
            // An on-board port is listed only with a UART behind it.
            std::string type;
            std::FILE* f = std::fopen(("/sys/class/tty/" + name + "/type").c_str(), "r");
            ASSERT_NE(f, nullptr);
            char buf[16] = {};
            if (std::fgets(buf, sizeof buf, f)) type = buf;
            std::fclose(f);
            EXPECT_NE(std::atoi(type.c_str()), 0) << name;
        }
    }
}
