#pragma once
// A scripted controller on the far end of a pseudo-terminal, for the communication tests.
// The test gets the slave path to open; a peer thread reads "CC," frames from the master side,
// records each command packet and writes back whatever the script returns for it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qda::test {

using Bytes = std::vector<uint8_t>;

// A "CC," frame around a packet: tag, 32-bit big-endian length, packet, XOR checksum.
Bytes Frame(const Bytes& packet);
// A reply packet: big-endian length, 0x07, code, status, 3 zero bytes, then data.
Bytes ReplyPacket(int code, int status, const Bytes& data = {});
// A big-endian 32-bit value as 4 bytes.
Bytes BE32(uint32_t v);

// One piece of what the peer writes back: bytes, then an optional pause before the next piece.
struct Chunk {
    Bytes bytes;
    int pauseMs = 0;
};

class PtyController {
public:
    // Answers a received command packet with the chunks to write (empty: stay silent).
    using Script = std::function<std::vector<Chunk>(const Bytes& packet)>;

    PtyController();
    ~PtyController();

    bool ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }
    int MasterFd() const { return m_master; }

    void SetScript(Script script);
    // Writes bytes to the line at once (unsolicited data).
    void Inject(const Bytes& bytes);

    // Every command packet received so far, and every raw byte received.
    std::vector<Bytes> Packets() const;
    Bytes RawReceived() const;
    int PacketCount() const;

private:
    void Run();

    int m_master = -1;
    int m_slaveKeep = -1;  // keeps the line up between opens
    std::string m_slavePath;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_lock;
    Script m_script;
    std::vector<Bytes> m_packets;
    Bytes m_raw;
    Bytes m_pending;
};

}  // namespace qda::test
