#include "comm/Command.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "comm/ByteOrder.h"
#include "comm/DebugTrace.h"
#include "comm/DumpSink.h"

namespace {

constexpr int kParserAttempts = 100;
// The send buffer holds at most 1008 bytes of frame.
constexpr int kSendBufferSize = 1008;
constexpr int kFrameOverhead = 8;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// The receive queue of the link as the parsers see it; consuming reads of replies are logged.
class CCommand::QueueAdapter : public qda::IByteQueue {
public:
    explicit QueueAdapter(qda::ITransport& t) : m_t(t) {}
    int Peek(uint8_t* destination, int length) override {
        int n = 0;
        m_t.PeekQueued(destination, length, &n);
        return n;
    }
    int Read(uint8_t* destination, int length, bool logged) override {
        int n = 0;
        m_t.ReadQueued(destination, length, &n);
        if (logged && n > 0) qda::DumpLog(qda::kDumpCaptionReceive, destination, n);
        return n;
    }
    void ClearAll() override { m_t.ClearQueues(); }

private:
    qda::ITransport& m_t;
};

CCommand::CCommand() : m_parser(g_bDiscardER) {
    // A new communication object starts with no dump window registered.
    qda::SetDumpSink(nullptr);
}

CCommand::~CCommand() {
    CloseTransport();
}

bool CCommand::OpenPort(const PcCommSetting& pc) {
    qda::LinkParams params;
    if (qda::LinkParamsOf(pc, params)) return OpenPort(params);
    // Settings that name no link fail as an open does: counted, then released.
    std::lock_guard<std::mutex> guard(m_openLock);
    if (Transport() != nullptr) {
        ++m_nRefCount;
        return true;
    }
    ++m_nRefCount;
    ClosePortLocked();
    return false;
}

bool CCommand::OpenPort(const qda::LinkParams& params) {
    std::lock_guard<std::mutex> guard(m_openLock);
    if (Transport() != nullptr) {
        ++m_nRefCount;
        return true;
    }
    bool ok = false;
    {
        // An exchange started on another thread meanwhile sees either no link or the whole link.
        std::lock_guard<std::mutex> exchange(m_exchangeLock);
        m_hMessageReady.Reset();
        m_hPartialData.Reset();
        ok = OpenTransport(params);
    }
    ++m_nRefCount;
    if (!ok) {
        ClosePortLocked();
        return false;
    }
    return true;
}

void CCommand::ClosePort() {
    std::lock_guard<std::mutex> guard(m_openLock);
    ClosePortLocked();
}

void CCommand::ClosePortLocked() {
    // Only the step to exactly 0 releases the link; a count driven below 0 releases nothing.
    if (--m_nRefCount != 0) return;
    // An exchange in progress on another thread finishes (or fails) before the link goes.
    std::lock_guard<std::mutex> exchange(m_exchangeLock);
    CloseTransport();
}

void CCommand::SetTimeouts(int responseMs, int waitMs) {
    SetResponseTimeout(responseMs);
    m_waitTimeoutMs = waitMs;
}

void CCommand::SetErrorNotifyWindow(qda::ErrorNotifyTarget target, unsigned message) {
    std::lock_guard<std::mutex> guard(m_notifyLock);
    m_errorTarget = std::move(target);
    m_errorMessage = message;
}

void CCommand::PostControllerError(int code) {
    qda::ErrorNotifyTarget target;
    unsigned message;
    {
        std::lock_guard<std::mutex> guard(m_notifyLock);
        target = m_errorTarget;
        message = m_errorMessage;
    }
    if (target) target(message, static_cast<uintptr_t>(code), 0);
}

void CCommand::GetTransferProgress(int* started, int* expected, int* received) {
    if (m_bTrackProgress) {
        if (started) *started = m_bSendStarted.exchange(false) ? 1 : 0;
        if (expected) *expected = m_nExpected;
        if (received) *received = m_nReceived;
        return;
    }
    if (started) *started = 0;
    if (expected) *expected = 0;
    if (received) *received = 0;
}

bool CCommand::SendCommandAndReceivePacket(const uint8_t* packet, int length, uint8_t* reply, int capacity,
                                           int expectedCode, bool acceptAnyLength, bool trackProgress,
                                           int* replyLength) {
    if (replyLength) *replyLength = 0;
    if (packet == nullptr || reply == nullptr || length < 4 || capacity < 8) return false;
    std::lock_guard<std::mutex> lock(m_exchangeLock);
    qda::ITransport* t = Transport();
    if (t == nullptr) return false;
    m_bTrackProgress = trackProgress;
    m_nCapacity = capacity;

    const bool serial = t->Kind() == qda::LinkKind::kSerial;
    std::vector<uint8_t> bytes;
    if (serial) {
        if (length + kFrameOverhead > kSendBufferSize) return false;
        bytes.reserve(static_cast<size_t>(length + kFrameOverhead));
        bytes.insert(bytes.end(), {'C', 'C', ','});
        uint8_t len[4];
        qda::StoreBE32(len, static_cast<uint32_t>(length));
        bytes.insert(bytes.end(), len, len + 4);
        uint8_t sum = 0;
        for (int i = 0; i < length; ++i) sum ^= packet[i];
        bytes.insert(bytes.end(), packet, packet + length);
        bytes.push_back(sum);
    } else {
        bytes.assign(packet, packet + length);
    }

    bool ok = false;
    for (;;) {
        ok = ExchangeOnce(bytes.data(), static_cast<int>(bytes.size()), reply, capacity, expectedCode,
                          acceptAnyLength, replyLength);
        m_nExpected = 0;
        m_nReceived = 0;
        if (!ok) {
            // Nothing queued may be taken for the answer to the next command.
            if (serial) t->ClearError();
            t->ClearQueues();
            t->DisarmResponseTimer();
        }
        // The first failure on the serial link in the life of the process is sent once more.
        if (!ok && serial && g_bRetryAvailable.exchange(false)) {
            QDA_TRACE("retrying command 0x%02x\r\n", packet[3]);
            continue;
        }
        break;
    }
    m_bTrackProgress = false;
    return ok;
}

bool CCommand::ExchangeOnce(const uint8_t* bytes, int length, uint8_t* reply, int capacity, int expectedCode,
                            bool acceptAnyLength, int* replyLength) {
    qda::ITransport* t = Transport();
    const bool serial = t->Kind() == qda::LinkKind::kSerial;
    m_nExpected = 0;
    m_nReceived = 0;
    m_bSendStarted = true;
    // A report left from before this send cannot end this exchange.
    m_hMessageReady.Reset();
    m_hPartialData.Reset();
    qda::DumpLog(qda::kDumpCaptionSend, bytes, length);
    if (!t->Send(bytes, length)) {
        QDA_TRACE("send refused (%d bytes)\r\n", length);
        return false;
    }
    if (serial) t->ArmResponseTimer(ResponseTimeout());

    const int64_t start = NowMs();
    for (;;) {
        const int waitMs = m_waitTimeoutMs;
        const int which = qda::CEvent::WaitAny({&m_hMessageReady, &m_hPartialData}, waitMs);
        if (which == 1) continue;  // part of a reply: wait afresh
        if (which < 0) {
            QDA_TRACE("no answer within %d ms\r\n", waitMs);
            return false;
        }
        if (LastReport().bSuccess != 1) {
            QDA_TRACE("link report %d\r\n", LastReport().nType);
            return false;
        }
        const qda::ParseResult r = RunParser(reply, capacity, expectedCode, acceptAnyLength);
        if (r.step != qda::ParseStep::kReply) {
            if (serial && m_parser.Unusable()) {
                QDA_TRACE("unusable data\r\n");
                return false;
            }
            continue;
        }
        if (r.code == qda::kNotificationMarker && r.source == qda::ReplySource::kNotification) {
            if (NowMs() - start >= waitMs) return false;
            // More may be queued behind the notification.
            m_hMessageReady.Set();
            continue;
        }
        if (r.code == (expectedCode & 0xFF)) {
            if (replyLength) *replyLength = r.length;
            return true;
        }
        if (r.code == REPLY_CODE_ERROR) {
            // The silent retry comes first; only a failure that stands is reported.
            if (!(serial && g_bRetryAvailable.load())) PostControllerError(reply[4]);
            QDA_TRACE("error reply %d\r\n", reply[4]);
            return false;
        }
        QDA_TRACE("unexpected reply code 0x%02x\r\n", r.code);
        return false;
    }
}

qda::ParseResult CCommand::RunParser(uint8_t* reply, int capacity, int expectedCode, bool acceptAnyLength) {
    qda::ITransport* t = Transport();
    QueueAdapter queue(*t);
    if (t->Kind() != qda::LinkKind::kSerial)
        return qda::ParseUsbReply(queue, reply, capacity, acceptAnyLength);
    m_parser.ResetUnusable();
    for (int attempt = 0; attempt < kParserAttempts; ++attempt) {
        const qda::ParseResult r = m_parser.ParseOnce(queue, reply, capacity, expectedCode);
        if (r.step != qda::ParseStep::kTryAgain) return r;
        // Nothing (more) queued: no use spinning, the next notification wakes the exchange.
        if (t->ReceiveQueueCount() == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return qda::ParseResult{qda::ParseStep::kNoReply, 0, 0, qda::ReplySource::kNone};
}

void CCommand::OnReceiveNotify(const CommReport& report) {
    qda::ITransport* t = Transport();
    if (t == nullptr || t->Kind() != qda::LinkKind::kSerial) {
        m_hMessageReady.Set();
        return;
    }
    if (report.nType == qda::kEventTxEmpty) return;
    if (report.nType != qda::kEventDataArrived) {
        m_hMessageReady.Set();  // time-out or port error: the exchange fails on the report
        return;
    }
    uint8_t head[7];
    int n = 0;
    t->PeekQueued(head, sizeof head, &n);
    const int available = t->ReceiveQueueCount();
    if (n < 7) return;
    auto tag = [&](const char* s) { return std::memcmp(head, s, 3) == 0; };
    if (tag("ER,")) {
        (available >= 9 ? m_hMessageReady : m_hPartialData).Set();
    } else if (tag("CC,")) {
        const uint32_t L = qda::LoadBE32(head + 3);
        const int64_t frame = static_cast<int64_t>(L) + kFrameOverhead;
        if (m_bTrackProgress) {
            m_nReceived = available;
            m_nExpected = static_cast<int>(std::min<int64_t>(frame, INT32_MAX));
        }
        // A length that no reply can have goes to the parser at once, which drops it.
        if (L < 4 || L > static_cast<uint32_t>(m_nCapacity.load()) || available >= frame) {
            m_hMessageReady.Set();
        } else {
            m_hPartialData.Set();
        }
    } else if (tag("TG,")) {
        if (available >= 14) m_hMessageReady.Set();
    } else if (tag("N1,") || tag("N2,")) {
        if (available >= 12) m_hMessageReady.Set();
    } else {
        m_hMessageReady.Set();
    }
}
