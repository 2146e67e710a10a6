#pragma once
// A scripted controller on a pseudo-terminal for the monitor workers: it answers measured-value,
// timing, scaling-value and mode packets from settable state and records what it was sent; and
// a recorder of the notifications a worker posts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "comm/Command.h"
#include "comm/CommandCodes.h"
#include "support/PtyController.h"
#include "support/ScriptedMessageBackend.h"

namespace qda::test {

struct Notification {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class NotificationLog {
public:
    void Post(unsigned m, std::uintptr_t w, std::intptr_t l) {
        std::lock_guard lock(m_lock);
        m_items.push_back({m, w, l});
        m_changed.notify_all();
    }
    // Waits up to `ms` for the next notification; false on time-out.
    bool Next(Notification& n, int ms = 3000) {
        std::unique_lock lock(m_lock);
        if (!m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !m_items.empty(); }))
            return false;
        n = m_items.front();
        m_items.pop_front();
        return true;
    }
    size_t Pending() {
        std::lock_guard lock(m_lock);
        return m_items.size();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Notification> m_items;
};

// What the scripted controller answers; every field may be changed while a worker runs.
struct ControllerScript {
    std::atomic<int> measuredStatus{0};
    std::atomic<uint8_t> outFlags[2] = {0x20, 0x20};
    std::atomic<uint8_t> headFlags[2] = {0, 0};
    std::atomic<int> value[2] = {12340, -560};
    std::atomic<int> timingStatus{0};
    std::atomic<int> timingStatusForBoth{0};
    std::atomic<int> scalingStatus{0};
    std::atomic<bool> silent{false};
};

class ScriptedMeasuringController {
public:
    explicit ScriptedMeasuringController(ControllerScript& script) : m_script(script) {
        m_pty.SetScript([this](const Bytes& p) { return Answer(p); });
        g_bRetryAvailable = false;
        m_command.SetTimeouts(400, 1000);
    }
    ~ScriptedMeasuringController() {
        while (m_command.RefCount() > 0) m_command.ClosePort();
    }
    bool Open() {
        SerialLine s;
        s.baud = 115200;
        s.devicePath = m_pty.SlavePath();
        return m_pty.ok() && m_command.OpenPort(s);
    }
    CCommand& Command() { return m_command; }
    // Every packet with `code`, in order.
    std::vector<Bytes> Sent(int code) const {
        std::vector<Bytes> out;
        for (const Bytes& p : m_pty.Packets())
            if (p.size() > 3 && p[3] == code) out.push_back(p);
        return out;
    }
    // The timing commands as (on, out) pairs.
    std::vector<std::pair<int, int>> TimingCommands() const {
        std::vector<std::pair<int, int>> out;
        for (const Bytes& p : Sent(CMD_TIMING)) out.emplace_back(p[4], p[5]);
        return out;
    }

private:
    std::vector<Chunk> Answer(const Bytes& p) {
        if (m_script.silent) return {};
        const int code = p[3];
        switch (code) {
            case CMD_GET_MEASURED_VALUES: {
                Bytes data(16, 0);
                data[1] = 0x22;  // 0.0001 mm rows
                data[2] = 0x44;
                data[3] = 0;
                for (int i = 0; i < 2; ++i) {
                    const Bytes v = BE32(static_cast<uint32_t>(m_script.value[i].load()));
                    std::copy(v.begin(), v.end(), data.begin() + 4 + 4 * i);
                    data[static_cast<size_t>(12 + i)] = m_script.outFlags[i];
                    data[static_cast<size_t>(14 + i)] = m_script.headFlags[i];
                }
                const int status = m_script.measuredStatus;
                return {Chunk{Frame(ReplyPacket(code + 1, status, status == 0 ? data : Bytes{}))}};
            }
            case CMD_TIMING: {
                const int status =
                    p[5] == 255 ? m_script.timingStatusForBoth.load() : m_script.timingStatus.load();
                return {Chunk{Frame(ReplyPacket(code + 1, status))}};
            }
            case CMD_GET_SCALING_VALUES: {
                Bytes data(20, 0);
                for (int i = 0; i < 4; ++i) {
                    const Bytes v = BE32(static_cast<uint32_t>(1000 * (i + 1)));
                    std::copy(v.begin(), v.end(), data.begin() + 4 + 4 * i);
                }
                const int status = m_script.scalingStatus;
                return {Chunk{Frame(ReplyPacket(code + 1, status, status == 0 ? data : Bytes{}))}};
            }
            default:
                return {Chunk{Frame(ReplyPacket(code + 1, 0))}};
        }
    }

    ControllerScript& m_script;
    PtyController m_pty;
    CCommand m_command;
};

}  // namespace qda::test
