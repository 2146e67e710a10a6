// CDataStorage: the controller side — the link and the status worker, start, stop and clear, and
// the stored values the worker hands over.
#include <QCoreApplication>
#include <QLabel>
#include <chrono>
#include <cstring>
#include <thread>

#include "comm/Command.h"
#include "pages/PageSupport.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "storage/DataStorage.h"
#include "storage/LoadStorage.h"
#include "storage/LoadStorageSelect.h"
#include "storage/ReadoutSelection.h"
#include "storage/StorageActions.h"
#include "storage/StorageSettingDialog.h"
#include "windowing/WindowMessage.h"

void CDataStorage::OpenLink() {
    if (m_command == nullptr || !m_command->OpenPort(m_settings.PcComm)) {
        // The window stays usable with files; the status line stays empty.
        ShowMessageCode(qda::msg::kCannotConnect, MB_OK | MB_ICONWARNING);
        return;
    }
    m_sink = std::make_unique<qda::StorageWindowSink>(this);
    auto worker = std::make_unique<CStorageStatusThread>(*m_command, *m_sink);
    worker->SetStatusRequest(true);
    worker->SetPortHeld(true);
    if (!worker->Start()) {
        m_command->ClosePort();
        ShowMessageCode(qda::msg::kStorageWorkerFailed, MB_OK | MB_ICONWARNING);
        QMetaObject::invokeMethod(
            this, [this] { OnClose(); }, Qt::QueuedConnection);
        return;
    }
    m_worker = std::move(worker);
}

void CDataStorage::HandOverPort() {
    if (m_command == nullptr) return;
    if (m_worker && !m_worker->PortHeld()) {
        // The worker lost its reference after a failed poll: this one lets it poll again.
        m_worker->SetPortHeld(true);
        return;
    }
    // The worker holds its own (or there is no worker to take this one).
    m_command->ClosePort();
}

void CDataStorage::StopWorker() {
    if (!m_worker) return;
    m_worker->RequestStop();
    // The worker may be handing over values (a synchronous send) or showing nothing at all:
    // keep the window's events going until it has ended.
    while (m_worker && !m_worker->Finished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!m_worker) return;
    m_worker->Join();
    if (m_worker->PortHeld() && m_command != nullptr) {
        m_command->ClosePort();
        m_worker->SetPortHeld(false);
    }
    m_worker.reset();
}

void CDataStorage::OnStart() {
    qda::StorageActionResult r;
    const bool opened = m_command != nullptr && m_command->OpenPort(m_settings.PcComm);
    if (opened) {
        r = qda::StartStorage(*m_command);
        HandOverPort();
    }
    if (!opened || !r.ok) ShowMessageCode(qda::msg::kStorageStartFailed, MB_OK | MB_ICONWARNING);
    UpdateButtons();
}

bool CDataStorage::OnStop() {
    qda::StorageActionResult r;
    const bool opened = m_command != nullptr && m_command->OpenPort(m_settings.PcComm);
    if (opened) {
        r = qda::StopStorage(*m_command);
        HandOverPort();
    }
    if (!opened || !r.ok) ShowMessageCode(qda::msg::kStorageStopFailed, MB_OK | MB_ICONWARNING);
    UpdateButtons();
    return opened && r.ok;
}

void CDataStorage::OnClear() {
    if (m_command == nullptr || !m_command->OpenPort(m_settings.PcComm)) {
        ShowMessageCode(qda::msg::kStorageClearFailed, MB_OK | MB_ICONWARNING);
        return;
    }
    const qda::StorageActionResult r = qda::ClearStorage(*m_command, [] {
        return ShowMessageCode(qda::msg::kStopAndClear, MB_YESNO | MB_ICONQUESTION) == IDYES;
    });
    HandOverPort();
    if (r.message != 0) ShowMessageCode(r.message, r.style);
    RefreshList();
    UpdateButtons();
}

void CDataStorage::OnWorkerMessage(std::uintptr_t wParam, std::intptr_t lParam) {
    switch (wParam) {
        case qda::kNoticeEnded:
            if (lParam != 1 && m_worker) {
                // The worker failed: it is gone and its reference with it.
                m_worker->Join();
                if (m_worker->PortHeld() && m_command != nullptr) m_command->ClosePort();
                m_worker.reset();
            }
            return;
        case qda::kNoticeStatus:
            if (!m_worker || m_worker->StatusRequest()) return;
            m_status->setText(QString::fromStdString(m_worker->StatusText()).trimmed());
            m_storing = lParam != 0;
            UpdateButtons();
            m_worker->SetStatusRequest(true);
            return;
        case qda::kNoticeOut1Read:
        case qda::kNoticeOut2Read:
            OnOutValues(wParam == qda::kNoticeOut1Read ? 0 : 1, lParam == 1);
            return;
        case qda::kNoticeReadDone:
            if (lParam == 0 || m_readoutRejected)
                ShowMessageCode(qda::msg::kReadoutFailed, MB_OK | MB_ICONWARNING);
            m_readoutRejected = false;
            return;
        default:
            return;
    }
}

void CDataStorage::OnOutValues(int out, bool success) {
    const bool requested = out == 0 ? (m_readoutChoice & 1) != 0 : (m_readoutChoice & 2) != 0;
    if (success && requested && m_worker) {
        const qda::StorageReadout& readout = m_worker->Readout();
        const int slot = m_destination[static_cast<size_t>(out)];
        const StorageGraphSetting& header = m_display->Header(slot);
        const std::string name(header.GraphName, strnlen(header.GraphName, sizeof header.GraphName));
        if (readout.status == 0 && readout.count <= 0) {
            m_readoutStatus.done = true;
            ShowMessageCode(qda::msg::kNoDataToRead, MB_OK | MB_ICONWARNING);
        } else if (qda::FillSlotFromReadout(readout, name, m_slots[static_cast<size_t>(slot)]) !=
                   qda::ReadoutOutcome::kFilled) {
            // An answer the slot cannot take (a display format or a count out of bounds) is a
            // failed readout too, not a silent one; the slot keeps what it held.
            m_readoutRejected = true;
        } else if (m_chartReady) {
            m_display->ShowReadSlot(slot);
            RefreshList();
            UpdateButtons();
        }
    }
    if (out == 0)
        m_readoutStatus.SetTitle(LoadMessage(qda::msg::kReadingOut2));
    else
        m_readoutStatus.done = true;
}

void CDataStorage::OnReadout() {
    // 1. Which OUT into which slot; the program's target OUT is the first choice.
    std::array<int, qda::kStorageSlots> counts{};
    for (int s = 0; s < qda::kStorageSlots; ++s)
        counts[static_cast<size_t>(s)] = m_slots[static_cast<size_t>(s)].Count();
    CLoadStorageSelect select(this);
    select.SetSelection({m_settings.Programs[m_activeProgram].Common.DSOut, 0, 1}, counts);
    const bool chosen = select.exec() == QDialog::Accepted;
    SetMessageOwner(&m_messageWindow);
    if (!chosen) return;
    // 2. A storing controller is stopped first, with the operator's consent.
    if (m_storing) {
        if (ShowMessageCode(qda::msg::kStopAndRead, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        if (!OnStop()) return;
    }
    // 3. The plan of the choice.
    const qda::ReadoutSelection choice = select.Selection();
    const qda::ReadoutPlan plan = qda::PlanReadout(choice.choice);
    if (!plan.readOut1 && !plan.readOut2) return;
    // 4. The worker reads; without one nobody would, and the progress would wait for ever.
    if (m_command == nullptr || !m_worker || !m_command->OpenPort(m_settings.PcComm)) {
        ShowMessageCode(qda::msg::kNoCommunication, MB_OK | MB_ICONWARNING);
        return;
    }
    m_readoutChoice = (plan.readOut1 ? 1 : 0) | (plan.readOut2 ? 2 : 0);
    m_destination = {choice.out1Slot, choice.out2Slot};
    m_readoutStatus.done = false;
    m_readoutRejected = false;
    m_readoutStatus.SetTitle(LoadMessage(plan.titleMessage));
    m_worker->RequestRead(plan.readOut1, plan.readOut2);
    if (m_command->GetCommKind() == qda::LinkKind::kSerial) {
        CLoadStorage progress(*m_command, m_readoutStatus, plan.parts, this);
        progress.exec();
        SetMessageOwner(&m_messageWindow);
        if (m_command->RefCount() == 0 || m_command->GetCommKind() == qda::LinkKind::kNone)
            ShowMessageCode(qda::msg::kNoCommunication, MB_OK | MB_ICONWARNING);
    }
    HandOverPort();
}

void CDataStorage::OnStorageSettings() {
    CStorageSetting dialog(this);
    dialog.Setup(m_settings, m_activeProgram, m_owner, m_requestMessage, m_command);
    dialog.exec();
    m_settings = dialog.Block();
    m_activeProgram = dialog.ActiveProgram();
    SetMessageOwner(&m_messageWindow);
    // A transfer ends with the link closed: the worker polls again with a reference of its own.
    if (dialog.Transferred() && m_worker && !m_worker->PortHeld() && m_command != nullptr &&
        m_command->OpenPort(m_settings.PcComm))
        m_worker->SetPortHeld(true);
}
