// The storage window's start, stop and clear rules and its status worker, against the
// simulator's controller on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "ControllerOnPty.h"
#include "comm/CommandCodes.h"
#include "resources/Messages.h"
#include "storage/StorageActions.h"
#include "storage/StorageStatusThread.h"

namespace {

using qda::StorageActionResult;
using namespace std::chrono_literals;

class StorageActionsTest : public qda::test::ControllerOnPty {
protected:
    void SetUp() override {
        ControllerOnPty::SetUp();
        ASSERT_TRUE(cmd.OpenPort(link));
    }
    // Command codes sent since the last call.
    std::vector<int> Sent() {
        std::vector<int> codes;
        const auto packets = pty.Packets();
        for (size_t i = m_seen; i < packets.size(); ++i) codes.push_back(packets[i][3]);
        m_seen = packets.size();
        return codes;
    }
    bool Contains(const std::vector<int>& codes, int code) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }
    size_t m_seen = 0;
};

TEST_F(StorageActionsTest, StartSwitchesToMeasuringAndFailsWithoutAnOutToStore) {
    // Nothing to store (the program's target OUT is OFF): the controller refuses with status 6.
    StorageActionResult r = qda::StartStorage(cmd);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, 341);
    EXPECT_TRUE(r.reply.answered);
    EXPECT_EQ(r.reply.status, 6);

    Program(3, 1000);
    ASSERT_TRUE(cmd.SetControllerMode(1));
    Sent();
    r = qda::StartStorage(cmd);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, 0);
    EXPECT_TRUE(Contains(Sent(), CMD_REQUEST_MEASURE_MODE));
    EXPECT_NE(State().find("mode=measuring"), std::string::npos);
    EXPECT_NE(State().find("storing=1"), std::string::npos);

    silent = true;
    r = qda::StartStorage(cmd);
    EXPECT_EQ(r.message, 341);
    EXPECT_FALSE(r.reply.answered);
}

TEST_F(StorageActionsTest, StopSendsTheStopOnlyWhileStoring) {
    Program(1, 60000);
    ASSERT_TRUE(qda::StartStorage(cmd).ok);
    nowUs += 2000;  // 100 values
    Sent();
    EXPECT_TRUE(qda::StopStorage(cmd).ok);
    EXPECT_TRUE(Contains(Sent(), CMD_STORAGE_STOP));
    EXPECT_NE(State().find("storing=0 count1=100"), std::string::npos) << State();
    EXPECT_TRUE(qda::StopStorage(cmd).ok);
    EXPECT_FALSE(Contains(Sent(), CMD_STORAGE_STOP)) << "not storing: nothing to stop";

    ASSERT_TRUE(cmd.SetControllerMode(1));
    const StorageActionResult r = qda::StopStorage(cmd);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, 343);
}

TEST_F(StorageActionsTest, ClearAsksWhileStoringAndSendsNothingWithNothingStored) {
    int asked = 0;
    auto answer = [&](bool yes) {
        return [&asked, yes] {
            ++asked;
            return yes;
        };
    };
    // Nothing stored: message 257, no clear sent.
    Sent();
    StorageActionResult r = qda::ClearStorage(cmd, answer(true));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, 257);
    EXPECT_EQ(r.style, MB_OK | MB_ICONINFORMATION);
    EXPECT_FALSE(Contains(Sent(), CMD_STORAGE_CLEAR));
    EXPECT_EQ(asked, 0);

    // Storing: the question; No leaves the storage running.
    Program(2, 60000);
    ASSERT_TRUE(qda::StartStorage(cmd).ok);
    nowUs += 1000;
    Sent();
    r = qda::ClearStorage(cmd, answer(false));
    EXPECT_TRUE(r.declined);
    EXPECT_EQ(r.message, 0);
    EXPECT_EQ(asked, 1);
    const std::vector<int> none = Sent();
    EXPECT_FALSE(Contains(none, CMD_STORAGE_STOP) || Contains(none, CMD_STORAGE_CLEAR));
    EXPECT_NE(State().find("storing=1"), std::string::npos);

    // Yes stops and clears.
    r = qda::ClearStorage(cmd, answer(true));
    EXPECT_TRUE(r.ok && r.cleared);
    EXPECT_NE(State().find("storing=0 count1=0 count2=0"), std::string::npos) << State();

    // Setting mode: back to measuring, nothing to clear.
    ASSERT_TRUE(cmd.SetControllerMode(1));
    r = qda::ClearStorage(cmd, answer(true));
    EXPECT_EQ(r.message, 257);
    EXPECT_NE(State().find("mode=measuring"), std::string::npos);

    silent = true;
    r = qda::ClearStorage(cmd, answer(true));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, 333);
}

// Records the worker's notices; a sent notice copies the readout as the window does.
class RecordingSink : public qda::IStorageStatusSink {
public:
    struct Notice {
        int wParam;
        intptr_t lParam;
        bool sent;
        int count;  // values of the readout handed over (sent notices)
    };
    CStorageStatusThread* worker = nullptr;

    void Post(int wParam, intptr_t lParam) override { Add({wParam, lParam, false, 0}); }
    void Send(int wParam, intptr_t lParam) override {
        Add({wParam, lParam, true, static_cast<int>(worker->Readout().values.size())});
    }
    // Waits until a notice with `wParam` has come; takes the notices up to it and returns them.
    std::vector<Notice> TakeUntil(int wParam, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock<std::mutex> g(m_lock);
        auto find = [&] {
            return std::find_if(m_notices.begin(), m_notices.end(),
                                [&](const Notice& n) { return n.wParam == wParam; });
        };
        if (!m_changed.wait_for(g, limit, [&] { return find() != m_notices.end(); })) return {};
        const auto it = find() + 1;
        std::vector<Notice> taken(m_notices.begin(), it);
        m_notices.erase(m_notices.begin(), it);
        return taken;
    }
    // Waits for a notice with `wParam` (dropping those before it).
    bool WaitFor(int wParam, Notice& out, std::chrono::milliseconds limit = 3000ms) {
        const std::vector<Notice> taken = TakeUntil(wParam, limit);
        if (taken.empty()) return false;
        out = taken.back();
        return true;
    }
    std::vector<Notice> Taken() {
        std::lock_guard<std::mutex> g(m_lock);
        return std::exchange(m_notices, {});
    }

private:
    void Add(const Notice& n) {
        std::lock_guard<std::mutex> g(m_lock);
        m_notices.push_back(n);
        m_changed.notify_all();
    }
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Notice> m_notices;
};

class StorageWorkerTest : public qda::test::ControllerOnPty {
protected:
    RecordingSink sink;
    std::unique_ptr<CStorageStatusThread> worker;

    void SetUp() override {
        ControllerOnPty::SetUp();
        worker = std::make_unique<CStorageStatusThread>(cmd, sink);
        sink.worker = worker.get();
    }
    void TearDown() override {
        worker.reset();
        ControllerOnPty::TearDown();
    }
    // Opens the link for the worker and starts it, as the window does at opening.
    void StartHoldingThePort() {
        ASSERT_TRUE(cmd.OpenPort(link));
        worker->SetPortHeld(true);
        ASSERT_TRUE(worker->Start());
    }
};

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

TEST_F(StorageWorkerTest, StatusLinesTravelOneAtATimeAndOnlyWhenChanged) {
    ASSERT_TRUE(cmd.OpenPort(link));
    Program(1, 60000);
    worker->SetPortHeld(true);
    ASSERT_TRUE(worker->Start());
    RecordingSink::Notice n{};
    ASSERT_TRUE(sink.WaitFor(qda::kNoticeStatus, n));
    EXPECT_EQ(n.lParam, 0);
    EXPECT_TRUE(Has(worker->StatusText(), "停止中")) << worker->StatusText();
    EXPECT_FALSE(worker->StatusRequest());

    // The window has not shown that line yet: nothing more comes, whatever happens.
    qda::CommandReply r;
    ASSERT_TRUE(cmd.StorageStart(r) && r.status == 0);
    std::this_thread::sleep_for(1200ms);
    for (const auto& taken : sink.Taken()) EXPECT_NE(taken.wParam, qda::kNoticeStatus);

    worker->SetStatusRequest(true);
    ASSERT_TRUE(sink.WaitFor(qda::kNoticeStatus, n));
    EXPECT_EQ(n.lParam, 1);
    EXPECT_TRUE(Has(worker->StatusText(), "蓄積中"));

    // The same line again is not handed over.
    worker->SetStatusRequest(true);
    std::this_thread::sleep_for(1200ms);
    for (const auto& taken : sink.Taken()) EXPECT_NE(taken.wParam, qda::kNoticeStatus);
    EXPECT_TRUE(worker->StatusRequest());

    worker->RequestStop();
    ASSERT_TRUE(sink.WaitFor(qda::kNoticeEnded, n));
    EXPECT_EQ(n.lParam, 1);
    EXPECT_TRUE(worker->Finished());
}

TEST_F(StorageWorkerTest, ASilentControllerTakesThePortAwayUntilItIsHandedBack) {
    ASSERT_TRUE(cmd.OpenPort(link));
    ASSERT_TRUE(worker->Start());
    // Without a port reference the worker does not poll.
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(pty.PacketCount(), 0);

    worker->SetPortHeld(true);
    RecordingSink::Notice n{};
    ASSERT_TRUE(sink.WaitFor(qda::kNoticeStatus, n));
    silent = true;
    worker->SetStatusRequest(true);
    ASSERT_TRUE(sink.WaitFor(qda::kNoticeStatus, n, 5000ms));
    EXPECT_TRUE(Has(worker->StatusText(), "未接続")) << worker->StatusText();
    EXPECT_FALSE(worker->PortHeld());
    EXPECT_EQ(cmd.RefCount(), 0) << "the worker closed its reference";

    silent = false;
    worker->SetStatusRequest(true);
    const int before = pty.PacketCount();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(pty.PacketCount(), before) << "no polling without a port reference";

    // An action hands its reference over: polling resumes.
    ASSERT_TRUE(cmd.OpenPort(link));
    worker->SetPortHeld(true);
    ASSERT_TRUE(sink.WaitFor(qda::kNoticeStatus, n));
    EXPECT_TRUE(Has(worker->StatusText(), "停止中"));
}

TEST_F(StorageWorkerTest, ReadoutHandsEachOutOverAndReportsFailures) {
    ASSERT_TRUE(cmd.OpenPort(link));
    Program(3, 500);
    qda::CommandReply r;
    ASSERT_TRUE(cmd.StorageStart(r) && r.status == 0);
    nowUs += 500 * 20 + 1000;  // storing has ended by itself
    ASSERT_TRUE(worker->Start());

    struct Step {
        bool out1, out2, silent;
        std::vector<RecordingSink::Notice> expected;
    };
    const Step steps[] = {
        {true, true, false, {{2, 1, true, 500}, {3, 1, true, 500}, {4, 1, false, 0}}},
        {false, true, false, {{2, 1, false, 0}, {3, 1, true, 500}, {4, 1, false, 0}}},
        {true, false, false, {{2, 1, true, 500}, {3, 1, false, 0}, {4, 1, false, 0}}},
        // One OUT failing does not stop the other from being asked for.
        {true, true, true, {{2, 0, false, 0}, {3, 0, false, 0}, {4, 0, false, 0}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.out1) + std::to_string(step.out2) + std::to_string(step.silent));
        silent = step.silent;
        const int before = pty.PacketCount();
        worker->RequestRead(step.out1, step.out2);
        const std::vector<RecordingSink::Notice> got = sink.TakeUntil(qda::kNoticeReadDone, 5000ms);
        ASSERT_EQ(got.size(), step.expected.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].wParam, step.expected[k].wParam) << k;
            EXPECT_EQ(got[k].lParam, step.expected[k].lParam) << k;
            EXPECT_EQ(got[k].sent, step.expected[k].sent) << k;
            EXPECT_EQ(got[k].count, step.expected[k].count) << k;
        }
        EXPECT_EQ(pty.PacketCount() - before, (step.out1 ? 1 : 0) + (step.out2 ? 1 : 0));
    }
}

}  // namespace
