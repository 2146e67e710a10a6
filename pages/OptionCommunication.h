#pragma once
// COptionCommunication: the modal dialog of the PC's own link to the controller (USB or RS-232C,
// port, baud rate, parity). It also lists the serial ports this machine has and binds each COM
// port to one of them (by its stable by-id name where it has one), kept in the port path store.
#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "comm/SerialPorts.h"

#include "settings/SettingsBlock.h"
#include "settings/ValidationFocus.h"
#include "windowing/WidgetMessageWindow.h"

class COptionCommunication : public QDialog, public qda::IValidationFocus {
    Q_OBJECT
public:
    enum : int {
        IDC_BAUDRATE = 1108,
        IDC_PARITY = 1109,
        IDC_USB = 1117,
        IDC_RS232C = 1118,
        IDC_PORT = 1119,
        IDC_PORT_PATH = 1120,
        IDC_PORT_DEVICE = 1121,
        IDC_PORT_RESCAN = 1122,
    };
    using PortLister = std::function<std::vector<qda::SerialPortInfo>()>;

    explicit COptionCommunication(QWidget* parent = nullptr);
    ~COptionCommunication() override;

    // The values to edit; selects the radio and the combos and updates the enables.
    void SetRecord(const PcCommSetting& pc);
    // After OK: the values as edited.
    const PcCommSetting& Record() const { return m_pc; }
    int LastFocusId() const { return m_lastFocusId; }
    // Where the port list comes from (default: this machine's ports); lists them again.
    void SetPortLister(PortLister lister);
    // The device path each COM port (index 0 = COM1) is bound to as edited ("" = its default).
    const std::array<std::string, 9>& Bindings() const { return m_bindings; }

    void FocusControl(int dialogId, int controlId, bool selectText) override;
    // OK: reads the controls and checks them; closes only when the check passes.
    void accept() override;

protected:
    void showEvent(QShowEvent*) override;

private:
    void UpdateEnables();
    void UpdatePortPath();
    // Lists the ports again and refills the device combo for the selected COM port.
    void Rescan();
    void FillDeviceCombo();
    void OnDeviceChosen(int index);

    PcCommSetting m_pc{};
    PortLister m_lister;
    std::vector<qda::SerialPortInfo> m_ports;
    std::array<std::string, 9> m_bindings{};  // as edited; written to the store on OK
    std::array<std::string, 9> m_stored{};    // as the store had them
    int m_lastFocusId = -1;
    qda::WidgetMessageWindow m_messageWindow;
};
