#include "support/PtyController.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace qda::test {

Bytes BE32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

Bytes Frame(const Bytes& packet) {
    Bytes f = {'C', 'C', ','};
    const Bytes len = BE32(static_cast<uint32_t>(packet.size()));
    f.insert(f.end(), len.begin(), len.end());
    uint8_t sum = 0;
    for (uint8_t b : packet) sum ^= b;
    f.insert(f.end(), packet.begin(), packet.end());
    f.push_back(sum);
    return f;
}

Bytes ReplyPacket(int code, int status, const Bytes& data) {
    Bytes p(8, 0);
    const size_t len = 8 + data.size();
    p[0] = static_cast<uint8_t>(len >> 8);
    p[1] = static_cast<uint8_t>(len);
    p[2] = 0x07;
    p[3] = static_cast<uint8_t>(code);
    p[4] = static_cast<uint8_t>(status);
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

PtyController::PtyController() {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    m_slavePath = name;
    // Holding the slave open keeps the master from reporting a hang-up while the port under
    // test is closed and reopened.
    m_slaveKeep = slave;
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_thread = std::thread(&PtyController::Run, this);
}

PtyController::~PtyController() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_master >= 0) ::close(m_master);
    if (m_slaveKeep >= 0) ::close(m_slaveKeep);
}

void PtyController::SetScript(Script script) {
    std::lock_guard<std::mutex> g(m_lock);
    m_script = std::move(script);
}

void PtyController::Inject(const Bytes& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + off, bytes.size() - off);
        if (n > 0)
            off += static_cast<size_t>(n);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<Bytes> PtyController::Packets() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_packets;
}

Bytes PtyController::RawReceived() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_raw;
}

int PtyController::PacketCount() const {
    std::lock_guard<std::mutex> g(m_lock);
    return static_cast<int>(m_packets.size());
}

void PtyController::Run() {
    uint8_t buf[4096];
    while (!m_stop) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0) continue;
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        std::vector<std::vector<Chunk>> answers;
        {
            std::lock_guard<std::mutex> g(m_lock);
            m_raw.insert(m_raw.end(), buf, buf + n);
            m_pending.insert(m_pending.end(), buf, buf + n);
            // Take every complete frame; anything before a "CC," tag is skipped.
            for (;;) {
                while (m_pending.size() >= 3 && std::memcmp(m_pending.data(), "CC,", 3) != 0)
                    m_pending.erase(m_pending.begin());
                if (m_pending.size() < 7) break;
                const uint32_t len = (uint32_t(m_pending[3]) << 24) | (uint32_t(m_pending[4]) << 16) |
                                     (uint32_t(m_pending[5]) << 8) | m_pending[6];
                if (m_pending.size() < len + 8) break;
                Bytes packet(m_pending.begin() + 7, m_pending.begin() + 7 + len);
                m_pending.erase(m_pending.begin(), m_pending.begin() + 8 + len);
                m_packets.push_back(packet);
                if (m_script) answers.push_back(m_script(packet));
            }
        }
        for (const auto& chunks : answers) {
            for (const auto& c : chunks) {
                Inject(c.bytes);
                if (c.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(c.pauseMs));
            }
        }
    }
}

}  // namespace qda::test
