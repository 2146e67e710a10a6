// CDataStorage: the controller side — the link and the status worker, start, stop and clear, and
// the stored values the worker hands over.
#include <QCoreApplication>
#include <QLabel>
#include <chrono>
#include <cstring>
#include <thread>

#include "comm/Command.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "storage/DataStorage.h"
#include "storage/StorageActions.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr int kMsgNoDataToRead = 311;
constexpr int kMsgWorkerFailed = 317;
constexpr int kMsgReadFailed = 334;
constexpr int kMsgClearStop = 338;
constexpr int kMsgNotConnected = 357;
constexpr int kMsgReadingOut2 = 361;

}  // namespace

void CDataStorage::OpenLink() {
    if (m_command == nullptr || !m_command->OpenPort(m_settings.PcComm)) {
        // The window stays usable with files; the status line stays empty.
        ShowMessageCode(kMsgNotConnected, MB_OK | MB_ICONWARNING);
        return;
    }
    m_sink = std::make_unique<qda::StorageWindowSink>(this);
    auto worker = std::make_unique<CStorageStatusThread>(*m_command, *m_sink);
    worker->SetStatusRequest(true);
    worker->SetPortHeld(true);
    if (!worker->Start()) {
        m_command->ClosePort();
        ShowMessageCode(kMsgWorkerFailed, MB_OK | MB_ICONWARNING);
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
    if (!opened || !r.ok) ShowMessageCode(341, MB_OK | MB_ICONWARNING);
    UpdateButtons();
}

bool CDataStorage::OnStop() {
    qda::StorageActionResult r;
    const bool opened = m_command != nullptr && m_command->OpenPort(m_settings.PcComm);
    if (opened) {
        r = qda::StopStorage(*m_command);
        HandOverPort();
    }
    if (!opened || !r.ok) ShowMessageCode(343, MB_OK | MB_ICONWARNING);
    UpdateButtons();
    return opened && r.ok;
}

void CDataStorage::OnClear() {
    if (m_command == nullptr || !m_command->OpenPort(m_settings.PcComm)) {
        ShowMessageCode(333, MB_OK | MB_ICONWARNING);
        return;
    }
    const qda::StorageActionResult r = qda::ClearStorage(
        *m_command, [] { return ShowMessageCode(kMsgClearStop, MB_YESNO | MB_ICONQUESTION) == IDYES; });
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
            if (lParam == 0) ShowMessageCode(kMsgReadFailed, MB_OK | MB_ICONWARNING);
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
            ShowMessageCode(kMsgNoDataToRead, MB_OK | MB_ICONWARNING);
        } else if (qda::FillSlotFromReadout(readout, name, m_slots[static_cast<size_t>(slot)]) ==
                       qda::ReadoutOutcome::kFilled &&
                   m_chartReady) {
            m_display->ShowReadSlot(slot);
            RefreshList();
            UpdateButtons();
        }
    }
    if (out == 0)
        m_readoutStatus.SetTitle(LoadMessage(kMsgReadingOut2));
    else
        m_readoutStatus.done = true;
}
