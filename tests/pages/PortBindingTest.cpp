// The PC communication dialog binds COM ports to this machine's serial ports: what it lists, what
// OK stores, and a binding that finds its adapter again under another device, or keeps it while
// the adapter is unplugged.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <map>

#include "PageTestSupport.h"
#include "comm/PortPathStore.h"
#include "pages/OptionCommunication.h"

using namespace qda;
using namespace qda::test;

namespace {

class MapStore : public IPortPathStore {
public:
    std::string PortPath(int n) const override {
        auto it = paths.find(n);
        return it == paths.end() ? std::string() : it->second;
    }
    void SetPortPath(int n, const std::string& path) override {
        paths[n] = path;
        ++writes;
    }
    std::map<int, std::string> paths;
    int writes = 0;
};

class PortBindingTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        ::unsetenv("QDA_COM1");
        ::unsetenv("QDA_COM3");
        SetPortPathStore(&store);
    }
    void TearDown() override {
        SetPortPathStore(nullptr);
        PageTest::TearDown();
    }
    static QStringList Items(QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        return items;
    }
    MapStore store;
};

const SerialPortInfo kOnBoard{"/dev/ttyS0", "", "", "", ""};
const SerialPortInfo kFtdi{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0",
                           "FT232R USB UART", "FTDI", "A1B2C3"};
const SerialPortInfo kAcm{"/dev/ttyACM0", "", "CDC ACM", "", ""};

}  // namespace

TEST_F(PortBindingTest, ListsThePortsAndStoresTheChosenOneByItsStableName) {
    COptionCommunication dlg;
    dlg.SetPortLister([] { return std::vector<SerialPortInfo>{kOnBoard, kFtdi, kAcm}; });
    dlg.SetRecord(PcCommSetting{kCommRs232c, 2, 0, 2});
    dlg.show();
    auto* device = Control<QComboBox>(&dlg, COptionCommunication::IDC_PORT_DEVICE);
    EXPECT_EQ(Items(device),
              (QStringList{QString::fromUtf8("標準 (/dev/ttyS2)"), "/dev/ttyS0",
                           "/dev/ttyUSB0  FTDI FT232R USB UART  [A1B2C3]", "/dev/ttyACM0  CDC ACM"}));
    EXPECT_EQ(device->currentIndex(), 0);
    EXPECT_TRUE(device->isEnabled());
    EXPECT_EQ(Control<QLabel>(&dlg, COptionCommunication::IDC_PORT_PATH)->text(), "/dev/ttyS2");

    device->setCurrentIndex(2);
    emit device->activated(2);
    EXPECT_EQ(Control<QLabel>(&dlg, COptionCommunication::IDC_PORT_PATH)->text(),
              QString::fromStdString(kFtdi.byId));
    EXPECT_TRUE(store.paths.empty()) << "nothing is stored before OK";
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(store.PortPath(3), kFtdi.byId);
    EXPECT_EQ(store.writes, 1) << "only the COM port that changed is written";
    EXPECT_EQ(ResolveComPortPath(3), kFtdi.byId);
}

TEST_F(PortBindingTest, BindingFindsItsAdapterUnderAnotherDeviceAndSurvivesItsAbsence) {
    store.paths[3] = kFtdi.byId;
    SerialPortInfo moved = kFtdi;
    moved.device = "/dev/ttyUSB1";
    std::vector<SerialPortInfo> present{kOnBoard, moved};
    COptionCommunication dlg;
    dlg.SetPortLister([&present] { return present; });
    dlg.SetRecord(PcCommSetting{kCommRs232c, 2, 0, 2});
    auto* device = Control<QComboBox>(&dlg, COptionCommunication::IDC_PORT_DEVICE);
    EXPECT_EQ(device->currentText(), "/dev/ttyUSB1  FTDI FT232R USB UART  [A1B2C3]");

    // Unplugged, then the list searched again: the binding is shown as not connected and kept.
    present = {kOnBoard};
    Control<QPushButton>(&dlg, COptionCommunication::IDC_PORT_RESCAN)->click();
    EXPECT_EQ(device->currentText(), QString::fromStdString(kFtdi.byId) + QString::fromUtf8(" (未接続)"));
    dlg.accept();
    EXPECT_EQ(store.PortPath(3), kFtdi.byId);
    EXPECT_EQ(store.writes, 0);
}

TEST_F(PortBindingTest, CancelAndTheDefaultChoiceKeepOrClearTheBinding) {
    store.paths[1] = "/dev/ttyUSB0";
    {
        COptionCommunication dlg;
        dlg.SetPortLister([] { return std::vector<SerialPortInfo>{kOnBoard, kFtdi}; });
        dlg.SetRecord(PcCommSetting{kCommRs232c, 0, 0, 2});
        auto* device = Control<QComboBox>(&dlg, COptionCommunication::IDC_PORT_DEVICE);
        EXPECT_EQ(device->currentIndex(), 2) << "a binding by device path still finds its port";
        device->setCurrentIndex(0);
        emit device->activated(0);
        dlg.reject();
    }
    EXPECT_EQ(store.PortPath(1), "/dev/ttyUSB0") << "cancel stores nothing";
    COptionCommunication dlg;
    dlg.SetPortLister([] { return std::vector<SerialPortInfo>{kOnBoard, kFtdi}; });
    dlg.SetRecord(PcCommSetting{kCommRs232c, 0, 0, 2});
    auto* device = Control<QComboBox>(&dlg, COptionCommunication::IDC_PORT_DEVICE);
    device->setCurrentIndex(0);
    emit device->activated(0);
    dlg.accept();
    EXPECT_EQ(store.PortPath(1), "");
    EXPECT_EQ(ResolveComPortPath(1), "/dev/ttyS0");

    // With USB chosen the device choice is off, like the other serial settings.
    Control<QRadioButton>(&dlg, COptionCommunication::IDC_USB)->click();
    EXPECT_FALSE(device->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&dlg, COptionCommunication::IDC_PORT_RESCAN)->isEnabled());
}
