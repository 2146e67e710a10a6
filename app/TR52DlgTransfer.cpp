// CTR52Dlg: receive and send of all settings on worker threads, their completion, the synchronous
// sends the pages ask for, and the controller's error replies.
#include <system_error>

#include "app/MainTransfer.h"
#include "app/MainWindowLogic.h"
#include "app/TR52Dlg.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/PageSupport.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabList.h"
#include "pages/TabOut.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsTransfer.h"
#include "settings/Validation.h"
#include "windowing/WindowMessage.h"

#include <QAction>

bool CTR52Dlg::TransferRunning() const {
    return m_receive->running.load() || m_send->running.load();
}

namespace {
// The program's message with, on the line below, why the link could not reach the controller
// (a port that cannot be opened, no driver host, ...) when the link knows.
void ShowLinkFailure(CCommand& command, int code) {
    const qda::LinkFailure failure = command.LastLinkFailure();
    if (!failure.Known()) {
        ShowMessageCode(code, MB_ICONWARNING);
        return;
    }
    ShowMessage(LoadMessage(code) + "\n" + qda::LinkFailureText(failure), MB_OK | MB_ICONWARNING);
}
}  // namespace

void CTR52Dlg::EnableCommands(bool enable) {
    for (int id : {IDC_RECEIVE, IDC_SEND, IDC_STORAGE, IDC_COPY, IDC_INIT, IDC_INIT_ALL, IDC_ENVIRONMENT,
                   IDC_OPEN, IDC_SAVE, IDC_EXIT}) {
        if (QWidget* w = qda::FindControl(this, id)) w->setEnabled(enable);
    }
    for (CDrawnButton* b : m_programButtons) b->setEnabled(enable);
    m_pagesEnabled = enable;
    for (QWidget* page : m_pages) {
        if (page != nullptr) page->setEnabled(enable);
    }
    m_tab->setEnabled(enable);
    Button(IDC_PASTE)->setEnabled(enable && CSettingsCopyBuffer::Global().PasteProgram(nullptr));
    EnableWaveWindows(enable);
    EnableCalcWindow(enable);
    for (int id : {ID_SEND, ID_RECEIVE, ID_STORAGE, ID_FILE_SAVE, ID_FILE_OPEN, ID_EXIT, ID_PCCOMM}) {
        if (QAction* a = MenuAction(id)) a->setEnabled(enable);
    }
}

namespace {

// Fills a transfer's parameter block for a new transfer from `image`.
void Prepare(qda::MainTransfer& t, QObject* owner, CCommand& command, const SettingsBlock& image,
             int program) {
    t.param.done = 0;
    t.param.owner = [owner](unsigned message, uintptr_t wParam, intptr_t lParam) {
        qda::PostWindowMessage(owner, message, wParam, lParam);
    };
    t.param.message = WM_TRANSFER_DONE;
    t.param.command = &command;
    t.param.event = std::make_unique<qda::CEvent>(false);
    t.param.image = image;
    t.param.program = program;
}

// Starts `body` on the transfer's thread; false when no thread could be started.
template <class Body>
bool StartWorker(qda::MainTransfer& t, Body body) {
    if (t.thread.joinable()) t.thread.join();
    t.running = true;
    try {
        t.thread = std::thread([&t, body] { body(t.param); });
    } catch (const std::system_error&) {
        t.running = false;
        return false;
    }
    return true;
}

}  // namespace

void CTR52Dlg::ReceiveStartupFallback() {
    if (!m_bStartupPending) return;
    ShowMessageCode(qda::msg::kStartingWithDefaults, MB_ICONWARNING);
    qda::SetEnvironmentDefaults(m_settings.Environment);
    for (int i = 0; i < 8; ++i) ResetProgram(i);
    LoadPagesFromProgram(GetSelectedProgram());
    RefreshPages();
    m_settingsRef = m_settings;
    RebuildListPage();
    m_bStartupPending = false;
}

void CTR52Dlg::OnReceive() {
    if (TransferRunning()) return;
    Prepare(*m_receive, this, m_command, m_settings, GetSelectedProgram());
    if (!m_command.OpenPort(m_settings.PcComm)) {
        ShowLinkFailure(m_command, qda::msg::kReceiveFailed);
        EnableCommands(true);
        ReceiveStartupFallback();
        return;
    }
    int storing = 0, mode = 0, count1 = 0, count2 = 0;
    if (!m_command.GetControllerState(&storing, &mode, &count1, &count2)) {
        ShowLinkFailure(m_command, qda::msg::kReceiveFailed);
        m_command.ClosePort();
        ReceiveStartupFallback();
        return;
    }
    if (storing != 0 &&
        ShowMessageCode(qda::msg::kReceiveWhileStoring, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        m_command.ClosePort();
        ReceiveStartupFallback();
        return;
    }
    EnableCommands(false);
    if (!StartWorker(*m_receive, [](TransferParam& p) { qda::RunReceiveWorker(p); })) {
        ShowMessageCode(qda::msg::kReceiveFailed, MB_ICONWARNING);
        EnableCommands(true);
        m_command.ClosePort();
        ReceiveStartupFallback();
    }
}

void CTR52Dlg::OnSend() {
    if (TransferRunning()) return;
    // The page checks in order; a failing page is shown without moving the tab selection.
    for (int tab = 0; tab < 6; ++tab) {
        if (CheckPage(tab, 1) != 1) {
            ShowPage(tab);
            RebuildListPage();
            return;
        }
    }
    for (int tab = 0; tab < 6; ++tab) StorePage(tab);
    const int program = GetSelectedProgram();
    Prepare(*m_send, this, m_command, m_settings, program);
    if (!m_command.OpenPort(m_settings.PcComm)) {
        ShowLinkFailure(m_command, qda::msg::kSendFailed);
        EnableCommands(true);
        RebuildListPage();
        return;
    }
    int storing = 0, mode = 0, count1 = 0, count2 = 0;
    if (!m_command.GetControllerState(&storing, &mode, &count1, &count2)) {
        ShowLinkFailure(m_command, qda::msg::kSendFailed);
        m_command.ClosePort();
        RebuildListPage();
        return;
    }
    if (storing != 0 && ShowMessageCode(qda::msg::kSendWhileStoring, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        m_command.ClosePort();
        RebuildListPage();
        return;
    }
    EnableCommands(false);
    // The controller's serial settings about to be sent become the PC's, so that the next
    // connection speaks the controller's new speed and parity.
    const EnvironmentSetting& env = m_settings.Environment;
    if (env.Baudrate != m_settings.PcComm.Baudrate || env.Parity != m_settings.PcComm.Parity) {
        m_settings.PcComm.Baudrate = env.Baudrate;
        m_settings.PcComm.Parity = env.Parity;
        // Over RS-232C the line changes speed after the send: acquiring windows let go of it and
        // start again afterwards with the new settings.
        if (m_settings.PcComm.CommType == 1) {
            StopWaveWindows(true, true);
            StopCalcWindow(true, true);
        }
    }
    if (!StartWorker(*m_send, [](TransferParam& p) { qda::RunSendWorker(p); })) {
        ShowMessageCode(qda::msg::kSendFailed, MB_ICONWARNING);
        EnableCommands(true);
        m_command.ClosePort();
    }
    RebuildListPage();
}

void CTR52Dlg::OnTransferDone(int kind, bool success) {
    qda::MainTransfer& t = kind == 0 ? *m_receive : *m_send;
    // The worker posts the message as its last act.
    if (t.thread.joinable()) t.thread.join();
    if (kind == 0) {
        if (success) {
            SettingsBlock& image = t.param.image;
            const int unit = image.Environment.Unit;
            bool valid = true;
            for (int p = 0; p < 8 && valid; ++p) {
                ProgramSetting& program = image.Programs[p];
                valid = ValidateHead(HeadPage(0), program.HeadA, false) &&
                        ValidateHead(HeadPage(1), program.HeadB, false) &&
                        ValidateOut(OutPage(0), unit, program.Out1) &&
                        ValidateOut(OutPage(1), unit, program.Out2) &&
                        ValidateCommon(CommonPage(), program.Common);
            }
            // The PC's own parts are never received: they stay as they are.
            image.PcComm = m_settings.PcComm;
            std::memcpy(image.WaveView, m_settings.WaveView, sizeof image.WaveView);
            image.CalcView = m_settings.CalcView;
            std::memcpy(image.StorageGraph, m_settings.StorageGraph, sizeof image.StorageGraph);
            if (valid) {
                const int program = t.param.program >= 0 && t.param.program <= 7 ? t.param.program : 0;
                AdoptImage(image, program);
            }
            ShowMessageCode(qda::msg::kReceived, MB_ICONINFORMATION);
        } else {
            // With the reason when the link knows it (another program holds the controller, ...).
            ShowLinkFailure(m_command, qda::msg::kReceiveFailed);
            ReceiveStartupFallback();
        }
        t.param.event.reset();
        EnableCommands(true);
        m_bStartupPending = false;
        m_command.ClosePort();
        t.running = false;
        UpdatePasteButton();
        return;
    }
    if (success) {
        m_settingsRef = m_settings;
        RebuildListPage();
        ShowMessageCode(qda::msg::kSent, MB_ICONINFORMATION);
    } else {
        ShowLinkFailure(m_command, qda::msg::kSendTransferFailed);
    }
    t.param.event.reset();
    EnableCommands(true);
    m_command.ClosePort();
    t.running = false;
    HandPcCommToWindows();
    RestartWaveWindows();
    RestartCalcWindow();
}

std::intptr_t CTR52Dlg::OnSynchronousSend() {
    if (TransferRunning() || !CommitPages(1)) return 0;
    qda::MainTransfer& t = *m_send;
    Prepare(t, this, m_command, m_settings, GetSelectedProgram());
    if (!m_command.OpenPort(m_settings.PcComm)) {
        ShowLinkFailure(m_command, qda::msg::kSendFailed);
        return 0;
    }
    EnableCommands(false);
    const bool result = SetSettings(t.param, 1, 0);
    t.param.event.reset();
    EnableCommands(true);
    m_command.ClosePort();
    return result ? 1 : 0;
}

std::intptr_t CTR52Dlg::OnTransferRequest(int operation, SettingsBlock* image) {
    const int program = GetSelectedProgram();
    if (operation == 2) return program;
    if ((operation != 0 && operation != 1) || image == nullptr || TransferRunning()) return 0;
    qda::MainTransfer& t = operation == 0 ? *m_send : *m_receive;
    Prepare(t, this, m_command, *image, program);
    // The storage window's own copy carries the PC communication settings used here.
    if (!m_command.OpenPort(image->PcComm)) {
        ShowLinkFailure(m_command, operation == 0 ? qda::msg::kSendFailed : qda::msg::kReceiveFailed);
        t.param.event.reset();
        return 0;
    }
    int couldNotStart = 0;
    bool result = false;
    if (operation == 0) {
        result = SetSettings(t.param, 1, 0, &couldNotStart);
        if (!result) {
            ShowMessageCode(couldNotStart == 1 ? qda::msg::kSendTransferFailed : 322, MB_ICONWARNING);
        } else {
            m_settings = t.param.image;
            *image = t.param.image;
            LoadPagesFromProgram(program);
            RefreshPages();
            RebuildListPage();
        }
    } else {
        result = GetSettings(t.param, &couldNotStart);
        if (!result) {
            ShowMessageCode(couldNotStart == 0 ? 320 : qda::msg::kReceiveFailed, MB_ICONWARNING);
        } else {
            if (t.param.image.Environment.Unit != m_settings.Environment.Unit) {
                CSettingsCopyBuffer::Global().ClearAll();
            }
            m_settings = t.param.image;
            *image = t.param.image;
            LoadPagesFromProgram(program);
            RefreshPages();
            // The reference text shows the received image; the reference copy itself stays.
            m_strRefListText = ListText(t.param.image, program);
            m_refTextBlock = m_settingsRef;
            m_refTextProgram = program;
            m_refTextValid = true;
            RebuildListPage();
            const int controllerProgram = t.param.program >= 0 && t.param.program <= 7 ? t.param.program : 0;
            SelectProgram(true, controllerProgram);
            EnableCommands(true);
        }
    }
    t.param.event.reset();
    m_command.ClosePort();
    return result ? 1 : 0;
}

void CTR52Dlg::OnControllerError(int code) {
    ShowMessageCode(qda::ControllerErrorMessage(code), MB_ICONERROR);
    if (code == 7) InitialiseController();
}

void CTR52Dlg::InitialiseController() {
    // A controller whose memory was lost speaks 9600 baud again.
    PcCommSetting pc = m_settings.PcComm;
    pc.Baudrate = 0;
    bool ok = false;
    if (m_command.OpenPort(pc)) {
        qda::CommandReply reply;
        ok = m_command.InitializeController(reply);
        m_command.ClosePort();
    }
    if (ok) {
        ShowMessageCode(378, MB_ICONINFORMATION);
    } else {
        ShowMessageCode(379, MB_ICONERROR);
    }
}
