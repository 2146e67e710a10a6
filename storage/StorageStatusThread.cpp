#include "storage/StorageStatusThread.h"

#include <system_error>

#include "comm/Command.h"
#include "comm/ControllerReservation.h"

CStorageStatusThread::CStorageStatusThread(CCommand& command, qda::IStorageStatusSink& sink)
    : m_command(command), m_sink(sink) {}

CStorageStatusThread::~CStorageStatusThread() {
    if (m_thread.joinable()) {
        RequestStop();
        m_thread.join();
    }
}

bool CStorageStatusThread::Start() {
    if (m_thread.joinable()) return false;
    m_finished = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CStorageStatusThread::RequestStop() {
    m_stop.Set();
}

void CStorageStatusThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void CStorageStatusThread::RequestRead(bool out1, bool out2) {
    m_readOut1 = out1;
    m_readOut2 = out2;
    m_read.Set();
}

std::string CStorageStatusThread::StatusText() const {
    std::lock_guard<std::mutex> g(m_textLock);
    return m_statusText;
}

void CStorageStatusThread::Run() {
    for (;;) {
        const int which = qda::CEvent::WaitAny({&m_stop, &m_read}, kPollMs);
        if (which == 0) break;
        if (which == 1) {
            ReadOuts();
        } else {
            PollStatus();
        }
    }
    m_finished = true;
    m_sink.Post(qda::kNoticeEnded, 1);
}

void CStorageStatusThread::PollStatus() {
    if (!m_portHeld || !m_statusRequest) return;
    std::string text;
    int storing = 0;
    if (!m_command.GetStorageStatusText(text, &storing)) {
        // The controller does not answer: give the port back; polling waits until an action of
        // the window hands a reference over again. The line still says "未接続".
        m_portHeld = false;
        m_command.ClosePort();
    }
    {
        std::lock_guard<std::mutex> g(m_textLock);
        if (text == m_statusText) return;
        m_statusText = text;
    }
    m_statusRequest = false;
    m_sink.Post(qda::kNoticeStatus, storing);
}

void CStorageStatusThread::ReadOuts() {
    bool allRead = true;
    const bool requested[2] = {m_readOut1.load(), m_readOut2.load()};
    // Both OUTs come from one storage run: no other program may clear or restart it in between.
    qda::CControllerReservation reservation(m_command);
    for (int out = 0; out < 2; ++out) {
        const int notice = out == 0 ? qda::kNoticeOut1Read : qda::kNoticeOut2Read;
        if (!requested[out]) {
            m_sink.Post(notice, 1);
            continue;
        }
        m_readout = qda::StorageReadout{};
        if (reservation.Held() && m_command.StorageRead(m_readout, out)) {
            m_sink.Send(notice, 1);
        } else {
            m_sink.Post(notice, 0);
            allRead = false;
        }
    }
    m_sink.Post(qda::kNoticeReadDone, allRead ? 1 : 0);
}
