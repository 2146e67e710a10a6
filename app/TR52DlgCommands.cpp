// CTR52Dlg: copy, paste, initialise, open, save, the option dialogs, help, version and exit.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstring>

#include "app/MainTransfer.h"
#include "app/MainWindowDialogs.h"
#include "app/MainWindowLogic.h"
#include "app/TR52Dlg.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/PageSupport.h"
#include "pages/SettingsListBuilder.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabList.h"
#include "pages/TabOut.h"
#include "resources/Messages.h"
#include "settings/Configuration.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "windowing/ToolWindows.h"

void CTR52Dlg::UpdatePasteButton() {
    Button(IDC_PASTE)->setEnabled(Button(IDC_COPY)->isEnabled() &&
                                  CSettingsCopyBuffer::Global().PasteProgram(nullptr));
}

void CTR52Dlg::OnCopy() {
    if (CommitPages(1)) CSettingsCopyBuffer::Global().CopyProgram(m_settings.Programs[GetSelectedProgram()]);
    UpdatePasteButton();
}

void CTR52Dlg::OnPaste() {
    if (!CSettingsCopyBuffer::Global().PasteProgram(nullptr)) return;
    if (ShowMessageCode(259, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const int program = GetSelectedProgram();
    CSettingsCopyBuffer::Global().PasteProgram(&m_settings.Programs[program]);
    LoadPagesFromProgram(program);
    RefreshPages();
    RebuildListPage();
}

void CTR52Dlg::ResetProgram(int index) {
    if (index < 0 || index > 7) return;
    SetProgramDefaults(m_settings, index, m_settings.Environment.Unit);
    LoadPagesFromProgram(index);
    RefreshPages();
}

void CTR52Dlg::OnInitialise() {
    if (ShowMessageCode(328, MB_YESNO | MB_ICONQUESTION) == IDYES) ResetProgram(GetSelectedProgram());
    RebuildListPage();
}

void CTR52Dlg::OnInitialiseAll() {
    if (ShowMessageCode(329, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        for (int i = 0; i < 8; ++i) ResetProgram(i);
        // The pages hold the last program's values, which are the same defaults; they show the
        // selected program again.
        LoadPagesFromProgram(GetSelectedProgram());
        RefreshPages();
    }
    RebuildListPage();
}

QString CTR52Dlg::SettingsFileFilter() const {
    // Message 7 "QD-Atlas設定ファイル (*%s)|*%s||" with "qdt" for both places, as a Qt filter.
    QString text = qda::MessageQ(7);
    text.replace(QStringLiteral("%s"), QStringLiteral(".qdt"));
    const QStringList parts = text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QStringLiteral("*.qdt") : parts.front();
}

bool CTR52Dlg::LoadSettingsFile(const QString& path) {
    m_strFilePath = path;
    SettingsBlock image = m_settings;
    int program = 0;
    std::string reason;
    const qda::SettingsFileStatus status =
        qda::ReadAndCheckSettingsFile(path.toStdString(), image, program, &reason);
    if (status != qda::SettingsFileStatus::kAdopted) {
        if (status == qda::SettingsFileStatus::kReadFailed && !reason.empty()) {
            // The reason follows the message: a FIFO or a device is named as such.
            ShowMessage(LoadMessage(qda::SettingsFileStatusMessage(status)) + "\n" + path.toStdString() +
                            ": " + reason,
                        MB_OK | MB_ICONWARNING);
        } else {
            ShowMessageCode(qda::SettingsFileStatusMessage(status), MB_ICONWARNING);
        }
        if (status == qda::SettingsFileStatus::kInvalid) UpdatePasteButton();
        return false;
    }
    AdoptImage(image, program);
    UpdatePasteButton();
    return true;
}

void CTR52Dlg::OnOpen() {
    QString chosen;
    qda::EnableToolWindows(false);
    const bool ok = m_dialogs->GetOpenFileName(this, SettingsFileFilter(), m_strFilePath, chosen);
    qda::EnableToolWindows(true);
    if (ok && LoadSettingsFile(chosen)) return;
    if (m_bStartupPending) {
        ShowMessageCode(313, MB_ICONWARNING);
        ResetToDefaults(true);
        m_bStartupPending = false;
    }
}

bool CTR52Dlg::SaveAs() {
    QString chosen;
    qda::EnableToolWindows(false);
    const bool ok = m_dialogs->GetSaveFileName(this, SettingsFileFilter(), m_strFilePath, chosen);
    qda::EnableToolWindows(true);
    if (!ok) return false;
    m_strFilePath = QString::fromStdString(qda::WithSettingsExtension(chosen.toStdString()));
    CConfiguration configuration;
    if (!configuration.Save(m_strFilePath.toStdString(), m_settings, GetSelectedProgram())) {
        ShowMessageCode(qda::kMsgSettingsSaveFailed, MB_ICONWARNING);
        return false;
    }
    m_settingsRef = m_settings;
    RebuildListPage();
    return true;
}

bool CTR52Dlg::OnSave() {
    return CommitPages(1) && SaveAs();
}

void CTR52Dlg::OnEnvironment() {
    // The unit setting is offered only with Alt and Shift held while Caps Lock and Num Lock are on.
    const Qt::KeyboardModifiers held = m_dialogs->QueryModifiers();
    const bool extended = (held & Qt::AltModifier) && (held & Qt::ShiftModifier) && m_dialogs->LockKeysOn();
    EnvironmentSetting env = m_settings.Environment;
    bool unitChanged = false;
    qda::EnableToolWindows(false);
    const bool ok = m_dialogs->RunEnvironment(this, env, extended, unitChanged);
    qda::EnableToolWindows(true);
    if (ok) {
        m_settings.Environment = env;
        if (unitChanged) {
            CSettingsCopyBuffer::Global().ClearAll();
            for (int i = 0; i < 8; ++i) ResetProgram(i);
            LoadPagesFromProgram(GetSelectedProgram());
            RefreshPages();
        }
    }
    RebuildListPage();
    UpdatePasteButton();
}

void CTR52Dlg::HandPcCommToWindows() {
    const PcCommSetting pc = m_settings.PcComm;
    CallPage(0, false, [this, pc] { m_headA->SetPcComm(pc); });
    CallPage(1, false, [this, pc] { m_headB->SetPcComm(pc); });
    CallPage(2, false, [this, pc] { m_out1->SetPcComm(pc); });
    CallPage(3, false, [this, pc] { m_out2->SetPcComm(pc); });
    CallPage(5, false, [this, pc] { m_list->SetPcComm(pc); });
    HandPcCommToWaveWindows();
    HandPcCommToCalcWindow();
}

void CTR52Dlg::OnPcComm() {
    PcCommSetting pc = m_settings.PcComm;
    qda::EnableToolWindows(false);
    const bool ok = m_dialogs->RunPcComm(this, pc);
    qda::EnableToolWindows(true);
    if (!ok) return;
    const bool changed = pc.CommType != m_settings.PcComm.CommType || pc.PortNo != m_settings.PcComm.PortNo ||
                         pc.Baudrate != m_settings.PcComm.Baudrate || pc.Parity != m_settings.PcComm.Parity;
    if (changed) {
        if (m_command.RefCount() > 0) {
            if (ShowMessageCode(247, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
            // Communication stops: the acquiring windows let go of the old link first.
            StopWaveWindows(true);
            StopCalcWindow(true);
        }
        m_settings.PcComm = pc;
    }
    HandPcCommToWindows();
}

void CTR52Dlg::OnHelp() {
    OpenHelpDocument("QD-Atlas.pdf");
}

void CTR52Dlg::OpenHelpDocument(const std::string& document) {
    const QString path = QDir(m_options.helpRoot)
                             .filePath(QString::fromStdString(qda::HelpFolder(m_options.languageIndex)) +
                                       QLatin1Char('/') + QString::fromStdString(document));
    // A missing document is reported here; the desktop's opener would only fail later, unseen.
    if (!QFileInfo(path).isFile() || !m_dialogs->OpenDocument(path)) ShowMessageCode(371, MB_ICONWARNING);
}

void CTR52Dlg::OnAbout() {
    qda::EnableToolWindows(false);
    m_dialogs->RunAbout(this);
    qda::EnableToolWindows(true);
}

void CTR52Dlg::OnExit() {
    if (m_ended) return;
    const bool wasEnabled = isEnabled();
    // A transfer still running or a window acquiring: the windows stop, and exit comes back when
    // the transfer may have finished.
    const bool waveBusy = StopWaveWindows(false);
    const bool calcBusy = StopCalcWindow(false);
    const bool busy = TransferRunning() || waveBusy || calcBusy;
    if (busy) {
        PumpMessages(&m_messageWindow, 500);
        QMetaObject::invokeMethod(
            this, [this] { OnExit(); }, Qt::QueuedConnection);
    }
    SaveWavePlacements();
    SaveCalcPlacement();
    if (!wasEnabled || busy) return;

    // Quiet check: are the pages valid, and do programs or environment differ from the reference?
    const int silent = IsMessageSilent();
    SetMessageSilent(1);
    bool valid = true;
    for (int tab = 0; tab < 6 && valid; ++tab) valid = CheckPage(tab, 1) == 1;
    if (valid) {
        for (int tab = 0; tab < 6; ++tab) StorePage(tab);
    }
    m_settingsRef.PcComm = m_settings.PcComm;
    std::memcpy(m_settingsRef.WaveView, m_settings.WaveView, sizeof m_settings.WaveView);
    m_settingsRef.CalcView = m_settings.CalcView;
    std::memcpy(m_settingsRef.StorageGraph, m_settings.StorageGraph, sizeof m_settings.StorageGraph);
    SetMessageSilent(silent);

    if (!valid || !qda::IsSameBlock(m_settings, m_settingsRef)) {
        switch (ShowMessageCode(301, MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDYES:
                if (!OnSave()) return;
                break;
            case IDNO:
                break;
            default:
                return;
        }
    }

    StoreWaveRecords();
    StoreCalcRecord();
    SaveRegistryState();
    qda::DestroySettingsListPages();
    m_ended = true;
    qApp->removeEventFilter(this);
    QDialog::done(0);
}

void CTR52Dlg::SaveRegistryState() {
    if (m_options.store == nullptr) return;
    qda::CRegistrySettings registry(*m_options.store);
    CConfiguration configuration(&registry);
    // Registry failures are silent: the next start uses the defaults for what is missing.
    configuration.Save("", m_settings, 0);
}
