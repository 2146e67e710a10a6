#pragma once
// The simulator's controller core answering on a pseudo-terminal, on a clock the test moves, with
// a command object connected to it at 115200 baud. `silent` makes the controller stop answering.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "comm/Command.h"
#include "simulator/SimController.h"
#include "support/PtyController.h"
#include "support/ScriptedMessageBackend.h"

namespace qda::test {

class ControllerOnPty : public ::testing::Test {
protected:
    std::atomic<int64_t> nowUs{1'000'000};
    std::atomic<bool> silent{false};
    qda::sim::SimFaults faults;
    std::unique_ptr<qda::sim::SimController> sim;
    PtyController pty;  // its peer thread uses the members above
    ScriptedMessageBackend messages;
    std::unique_ptr<ScopedMessageBackend> scope;
    CCommand cmd;
    qda::SerialLine link;

    void SetUp() override {
        scope = std::make_unique<ScopedMessageBackend>(messages);
        sim = std::make_unique<qda::sim::SimController>(qda::sim::SimController::Options{}, faults,
                                                        [this] { return nowUs.load(); });
        pty.SetScript([this](const Bytes& packet) -> std::vector<Chunk> {
            if (silent) return {};
            return {Chunk{Frame(sim->HandlePacket(packet))}};
        });
        g_bRetryAvailable = false;
        cmd.SetTimeouts(300, 1000);
        link.baud = 115200;
        link.devicePath = pty.SlavePath();
    }
    void TearDown() override {
        while (cmd.RefCount() > 0) cmd.ClosePort();
    }
    void Write(int group, int sub, int item, const std::string& data) {
        qda::CommandReply r;
        ASSERT_TRUE(cmd.SendSetCommandAndReceivePacket(group, sub, item,
                                                       reinterpret_cast<const uint8_t*>(data.data()),
                                                       static_cast<int>(data.size()), r))
            << group << "," << sub << "," << item;
    }
    // Programs the storage of the OUTs in `dsOut` (1 OUT1, 2 OUT2, 3 both), `points` values one
    // every 20 us, and leaves the controller measuring (the link must be open).
    void Program(int dsOut, int points) {
        ASSERT_TRUE(cmd.SetControllerMode(1));
        Write(2, 0, 0, std::string(1, '\0'));  // sampling every 20 us
        Write(2, 0, 7, std::string(1, '\0'));  // store every sample
        Write(2, 0, 5, std::string(1, static_cast<char>(dsOut)));
        char text[8];
        std::snprintf(text, sizeof text, "%05d", points);
        Write(2, 0, 6, text);
        ASSERT_TRUE(cmd.SetControllerMode(0));
    }
    std::string State() { return sim->Describe(); }
};

}  // namespace qda::test
