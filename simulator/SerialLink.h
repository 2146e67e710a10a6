#pragma once
// Serves the controller over a pseudo-terminal as the RS-232C line: reads command frames on the
// master side, answers them through SimController, and applies the serial faults (ER messages,
// notifications, bad checksums, split replies) and, on request, the pace of a real line.
// One worker thread; Start/Stop from any thread.

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "simulator/SerialFrameParser.h"
#include "simulator/SimController.h"
#include "simulator/SimFaults.h"

namespace qda::sim {

class SerialLink {
public:
    static constexpr int kPaceLine = -1;

    struct Options {
        std::string linkPath;  // symlink to the slave device, when not empty
        // 0 = as fast as the pty goes; N = 10 bits per byte at N baud; kPaceLine = at the speed the
        // client set on the line (cfsetospeed on its end).
        int paceBaud = 0;
        int frameTimeoutMs = 500;  // an unfinished frame is dropped after this much quiet
        bool verbose = false;      // one line per exchange on stderr
    };

    SerialLink(SimController& controller, SimFaults& faults, Options options);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Creates the pseudo-terminal (raw mode) and the symlink. False with `error` on failure.
    bool Open(std::string& error);
    // The slave device path a client opens, e.g. /dev/pts/5.
    const std::string& SlavePath() const { return slavePath_; }
    void Start();
    // Stops the worker, closes the pty and removes the symlink. Safe to call twice.
    void Stop();

private:
    void Run();
    void Process(const std::vector<uint8_t>& packet);
    void SendErMessage(int code);
    // Writes bytes to the line, paced and split as asked. False when stopping or the peer stalls.
    bool Send(std::span<const uint8_t> bytes, size_t chunk = 0, int delayMs = 0);
    bool WritePaced(std::span<const uint8_t> bytes);
    bool WriteAll(std::span<const uint8_t> bytes);
    // Sleeps until the given steady-clock microsecond, waking early only to stop. False when stopping.
    bool SleepUntil(int64_t us);
    // Baud rate to pace at now (0 = no pacing).
    int PaceBaud() const;

    SimController& controller_;
    SimFaults& faults_;
    Options options_;
    std::string slavePath_;
    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the line open between clients so the master never hangs up
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::thread thread_;
    SerialFrameParser parser_;
    int64_t rxDoneUs_ = 0;  // when the last received byte would have arrived on a real line
    int64_t txFreeUs_ = 0;  // when the line is free to send again
};

}  // namespace qda::sim
