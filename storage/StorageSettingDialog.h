#pragma once
// CStorageSetting: the dialog "データストレージ設定" (dialog 160) that edits the storage fields of
// the active program (target OUT, number of points, storage period factor) in its own copy of the
// settings, and sends all settings to the controller or receives them from it through the main
// window (WM_TRANSFER_REQUEST: 0 send the copy, 1 receive into the copy, 2 the selected program).
//
// Use from the storage window:
//   CStorageSetting dlg(this);
//   dlg.Setup(m_block, m_activeProgram, m_mainWindow, WM_TRANSFER_REQUEST, m_command);
//   dlg.exec();                                    // "閉じる" ends it
//   m_block = dlg.Block(); m_activeProgram = dlg.ActiveProgram();
//   if (dlg.Transferred()) { ... settings went to or came from the controller ... }
// While it is open it is the owner of message boxes; the storage window takes that back afterwards.
#include <QDialog>
#include <memory>

#include "settings/SettingsBlock.h"

class CCommand;
namespace qda {
class IMessageWindow;
}

class CStorageSetting : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 160;
    // Control identifiers (also the objectNames).
    static constexpr int IDC_DS_OUT = 1171;
    static constexpr int IDC_DS_POINTS = 1172;
    static constexpr int IDC_DS_FREQ = 1173;
    static constexpr int IDC_RECEIVE = 12;
    static constexpr int IDC_SEND = 4;
    static constexpr int IDC_CLOSE = 2;

    explicit CStorageSetting(QWidget* parent = nullptr);
    ~CStorageSetting() override;

    // The dialog's copy of the settings and its active program (0..7), the main window that answers
    // `requestMessage`, and the command object used to ask whether the controller is storing.
    void Setup(const SettingsBlock& block, int activeProgram, QObject* owner, unsigned requestMessage,
               CCommand* command);
    const SettingsBlock& Block() const { return m_block; }
    int ActiveProgram() const { return m_program; }
    // True once settings were sent to or received from the controller.
    bool Transferred() const { return m_transferred; }

    // Puts the three fields into the copy; false with message 325 and the focus on the points
    // edit when the number of points is not 1 ... 65536 (the copy keeps its previous number).
    bool StoreFields();

    // The buttons' actions (also what their clicks run).
    void Receive();
    void Send();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowFields();
    // True when the controller answers that it is storing in measuring mode (a failed query is not
    // storing: the main window's transfer reports what went wrong).
    bool ControllerIsStoring();
    // The copy's active program passes the page checks, each failing one showing its message.
    bool CheckActiveProgram();
    std::intptr_t Request(int operation);

    SettingsBlock m_block{};
    int m_program = 0;
    QObject* m_owner = nullptr;
    unsigned m_requestMessage = 0;
    CCommand* m_command = nullptr;
    bool m_transferred = false;
    std::unique_ptr<qda::IMessageWindow> m_messageWindow;
    qda::IMessageWindow* m_previousOwner = nullptr;
};
