#include "PollRecorder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>

#include "comm/CommandCodes.h"

namespace qda::bench {

namespace {

constexpr int kNoSource = -1;

// The bare packet inside a block: RS-232C frames it as "CC," + 4 length bytes + packet + sum.
const uint8_t* Packet(const uint8_t* bytes, int length, int& packetLength) {
    if (length >= 3 && std::memcmp(bytes, "CC,", 3) == 0) {
        packetLength = length - 8;
        return bytes + 7;
    }
    packetLength = length;
    return bytes;
}

int SourceOfRequest(const uint8_t* packet, int length) {
    if (length < 4) return kNoSource;
    if (packet[3] == CMD_GET_MEASURED_VALUES) return kCalcPolls;
    if (packet[3] == CMD_GET_WAVEFORM && length >= 5) return packet[4] == 0 ? kWaveAPolls : kWaveBPolls;
    return kNoSource;
}

}  // namespace

void CPollRecorder::Log(const char* caption, const uint8_t* bytes, int length) {
    const int64_t now = NowNs();
    int n = 0;
    const uint8_t* packet = Packet(bytes, length, n);
    std::lock_guard<std::mutex> guard(m_lock);
    if (std::strcmp(caption, kDumpCaptionSend) == 0) {
        m_lastSource = SourceOfRequest(packet, n);
        if (m_lastSource == kNoSource) return;
        m_times[static_cast<size_t>(m_lastSource)].sent.push_back(now);
        m_times[static_cast<size_t>(m_lastSource)].replied.push_back(0);
        return;
    }
    // The command layer runs one exchange at a time: a reply answers the request sent last.
    if (m_lastSource == kNoSource) return;
    m_times[static_cast<size_t>(m_lastSource)].replied.back() = now;
    m_lastSource = kNoSource;
}

PollTimes CPollRecorder::Times(PollSource source, int64_t from, int64_t to) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const PollTimes& all = m_times[static_cast<size_t>(source)];
    PollTimes out;
    for (size_t i = 0; i < all.sent.size(); ++i) {
        if (all.sent[i] < from || all.sent[i] > to) continue;
        out.sent.push_back(all.sent[i]);
        out.replied.push_back(all.replied[i]);
    }
    return out;
}

size_t CPollRecorder::Sent(PollSource source) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_times[static_cast<size_t>(source)].sent.size();
}

}  // namespace qda::bench
