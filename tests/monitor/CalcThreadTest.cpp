// The measured-value and scaling workers against a scripted controller on a real
// pseudo-terminal: the reading hand-over, status 5, failures, timing inputs as the controller's
// state asks for them, the update lock and the return to measuring mode.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "monitor/CalcThread.h"
#include "monitor/MonitorWorkerSupport.h"
#include "monitor/ScalingThread.h"
#include "monitor/TimingRule.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "settings/UpdateLock.h"

namespace {

using qda::CalcThreadParam;
using qda::test::ControllerScript;
using qda::test::Notification;
using qda::test::NotificationLog;
using qda::test::ScriptedMeasuringController;

constexpr int kFastPeriodMs = 40;

class CalcWorker : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(controller.Open());
        param.notify = [this](unsigned m, std::uintptr_t w, std::intptr_t l) { log.Post(m, w, l); };
        param.command = &controller.Command();
        param.periodMs = kFastPeriodMs;
    }
    void TearDown() override { Stop(); }
    void Start() {
        param.Reset();
        thread = std::thread([this] { qda::RunCalcThread(param); });
    }
    void Stop() {
        if (!thread.joinable()) return;
        param.stop.Set();
        thread.join();
    }
    // The next notification, which must come.
    Notification Next() {
        Notification n{};
        EXPECT_TRUE(log.Next(n)) << "no notification from the worker";
        return n;
    }
    // Takes the reading as the window does and asks for the next.
    void TakeReading() {
        const Notification n = Next();
        ASSERT_EQ(n.wParam, qda::kCalcNotifyReading);
        ASSERT_EQ(n.lParam, 1);
        ASSERT_FALSE(param.readingRequested.load());
        param.readingRequested = true;
    }

    ControllerScript script;
    ScriptedMeasuringController controller{script};
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scoped{messages};
    NotificationLog log;
    CalcThreadParam param;
    std::thread thread;
};

TEST_F(CalcWorker, ReadingIsHandedOverOnlyAfterTheWindowTookThePreviousOne) {
    param.outSelection = qda::kSelectOut2;
    Start();
    const Notification n = Next();
    EXPECT_EQ(n.message, qda::WM_CALC_NOTIFY);
    EXPECT_EQ(n.wParam, qda::kCalcNotifyReading);
    EXPECT_EQ(n.lParam, 1);
    EXPECT_EQ(param.reply.value[0], 12340);
    EXPECT_EQ(param.reply.value[1], -560);
    EXPECT_TRUE(param.timingAllowed[0] && param.timingAllowed[1]);  // the first reading allows both
    // Not taken: several periods pass without a request.
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * kFastPeriodMs));
    EXPECT_EQ(controller.Sent(CMD_GET_MEASURED_VALUES).size(), 1u);
    EXPECT_EQ(log.Pending(), 0u);
    script.value[0] = 777;
    param.readingRequested = true;
    TakeReading();
    EXPECT_EQ(param.reply.value[0], 777);
    const auto sent = controller.Sent(CMD_GET_MEASURED_VALUES);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0][4], 1);  // OUT selection 1: only OUT2 shown
    Stop();
    const Notification end = Next();
    EXPECT_EQ(end.wParam, qda::kCalcNotifyEnded);
    EXPECT_EQ(end.lParam, 1);
    EXPECT_TRUE(param.ended);
    EXPECT_EQ(param.failureMessage, 0);
}

TEST_F(CalcWorker, StatusFiveIsReportedAndPollingGoesOnOtherFailuresEndTheWorker) {
    script.measuredStatus = 5;
    Start();
    for (int i = 0; i < 3; ++i) {
        const Notification n = Next();
        EXPECT_EQ(n.wParam, qda::kCalcNotifyReading);
        EXPECT_EQ(n.lParam, 0);
    }
    EXPECT_TRUE(param.readingRequested);  // still waiting for a reading
    script.measuredStatus = 0;
    TakeReading();
    script.measuredStatus = 1;
    const Notification end = Next();
    EXPECT_EQ(end.wParam, qda::kCalcNotifyEnded);
    EXPECT_EQ(end.lParam, 0);
    EXPECT_EQ(param.failureMessage, qda::kStrCalcReadFailed);
    thread.join();
    EXPECT_TRUE(messages.ShownTexts().empty());  // the window shows the message, not the worker
}

TEST_F(CalcWorker, SilentControllerEndsTheWorkerWithTheReadingMessage) {
    script.silent = true;
    Start();
    const Notification end = Next();
    EXPECT_EQ(end.wParam, qda::kCalcNotifyEnded);
    EXPECT_EQ(end.lParam, 0);
    EXPECT_EQ(param.failureMessage, qda::kStrCalcReadFailed);
}

TEST_F(CalcWorker, NoLinkEndsAtOnce) {
    CCommand closed;
    param.command = &closed;
    param.periodMs = 0;
    Start();
    const Notification end = Next();
    EXPECT_EQ(end.wParam, qda::kCalcNotifyEnded);
    EXPECT_EQ(end.lParam, 0);
    EXPECT_TRUE(controller.Sent(CMD_GET_MEASURED_VALUES).empty());
}

// Timing inputs: which commands reach the controller for each state of the last reading.
struct TimingCase {
    const char* name;
    uint8_t out1, out2;    // OUT flags (bit 0 timing on)
    uint8_t headA, headB;  // head flags (bit 7 pulsed timing)
    int event;             // 1 OUT1, 2 OUT2, 3 both at once
    std::vector<std::pair<int, int>> commands;
};

TEST_F(CalcWorker, TimingIsHeldOrPulsedAsTheLastReadingAsks) {
    const TimingCase cases[] = {
        {"OUT1 off, held form", 0x20, 0x20, 0x00, 0x00, 1, {{1, 0}}},
        {"OUT1 held on is released", 0x21, 0x20, 0x00, 0x00, 1, {{1, 0}, {0, 0}}},
        {"OUT1 pulsed form", 0x20, 0x20, 0x80, 0x00, 1, {{1, 0}, {0, 0}}},
        {"OUT2 pulsed by head B's bit", 0x20, 0x20, 0x00, 0x80, 2, {{1, 1}, {0, 1}}},
        {"both on: one pulse to both", 0x21, 0x21, 0x00, 0x00, 3, {{1, 255}, {0, 255}}},
        {"both pulsed", 0x20, 0x20, 0x80, 0x80, 3, {{1, 255}, {0, 255}}},
        {"both held off: held on both", 0x20, 0x20, 0x00, 0x00, 3, {{1, 255}}},
        {"mixed states: one by one", 0x21, 0x20, 0x00, 0x00, 3, {{1, 0}, {0, 0}, {1, 1}}},
        {"mixed forms: one by one", 0x20, 0x20, 0x80, 0x00, 3, {{1, 0}, {0, 0}, {1, 1}}},
    };
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(c.name);
        Stop();
        while (log.Pending() > 0) Next();
        script.outFlags[0] = c.out1;
        script.outFlags[1] = c.out2;
        script.headFlags[0] = c.headA;
        script.headFlags[1] = c.headB;
        const size_t before = controller.TimingCommands().size();
        Start();
        TakeReading();
        param.timingAllowed[0] = param.timingAllowed[1] = false;  // the window's click
        (c.event == 1 ? param.timingOut1 : c.event == 2 ? param.timingOut2 : param.simultaneousTiming).Set();
        TakeReading();
        const auto all = controller.TimingCommands();
        const std::vector<std::pair<int, int>> sent(all.begin() + static_cast<std::ptrdiff_t>(before),
                                                    all.end());
        EXPECT_EQ(sent, c.commands);
        // The buttons of the OUTs that received timing come back with this reading.
        const bool both = c.event == 3;
        EXPECT_EQ(param.timingAllowed[0].load(), both || c.event == 1);
        EXPECT_EQ(param.timingAllowed[1].load(), both || c.event == 2);
    }
}

TEST_F(CalcWorker, TimingGivenWhileTheReadingWaitsAllowsTheButtonWithTheNextReading) {
    Start();
    Next();  // the first reading, not taken yet
    param.timingAllowed[0] = false;
    param.timingOut1.Set();
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kFastPeriodMs));
    EXPECT_EQ(controller.TimingCommands().size(), 1u);
    EXPECT_FALSE(param.timingAllowed[0]);
    param.readingRequested = true;
    TakeReading();
    EXPECT_TRUE(param.timingAllowed[0]);
}

TEST_F(CalcWorker, FailedTimingToOneOutEndsTheWorkerFailedJointTimingDoesNot) {
    Start();
    TakeReading();
    script.timingStatusForBoth = 1;
    param.simultaneousTiming.Set();  // both held off: one command to both, refused
    TakeReading();
    EXPECT_FALSE(param.ended);
    EXPECT_TRUE(param.timingAllowed[0] && param.timingAllowed[1]);
    script.timingStatus = 1;
    param.timingOut2.Set();
    const Notification end = Next();
    EXPECT_EQ(end.wParam, qda::kCalcNotifyEnded);
    EXPECT_EQ(end.lParam, 0);
    EXPECT_EQ(param.failureMessage, qda::kStrCalcTimingFailed);

    // A refused joint command alone still marks the run as failed, without a message.
    script.timingStatus = 0;
    thread.join();
    Start();
    TakeReading();
    param.simultaneousTiming.Set();
    TakeReading();
    Stop();
    const Notification end2 = Next();
    EXPECT_EQ(end2.lParam, 0);
    EXPECT_EQ(param.failureMessage, 0);
}

TEST_F(CalcWorker, NoPollWhileATransferHoldsTheUpdateLock) {
    qda::UpdateLock().acquire();
    Start();
    param.timingOut1.Set();
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * kFastPeriodMs));
    EXPECT_TRUE(controller.Sent(CMD_GET_MEASURED_VALUES).empty());
    EXPECT_TRUE(controller.TimingCommands().empty());
    qda::UpdateLock().release();
    TakeReading();  // the timing marked meanwhile goes out before the reading
    EXPECT_EQ(controller.TimingCommands().size(), 1u);
}

TEST_F(CalcWorker, PollDueWhileAWaveformPollHoldsTheLockGoesOutInTheSamePeriod) {
    // A waveform window polling on the same period holds the update lock across the moments the
    // measured-value polls come due (60 % of each 100 ms period, as two waveform exchanges at
    // 115200 baud do of 300 ms); the readings must still come once a period.
    constexpr auto kPeriod = std::chrono::milliseconds(100);
    param.periodMs = static_cast<int>(kPeriod.count());
    std::atomic<bool> neighbourRuns{true};
    const auto grid = std::chrono::steady_clock::now();
    std::thread neighbour([&] {
        for (auto at = grid; neighbourRuns; at += kPeriod) {
            std::this_thread::sleep_until(at);
            qda::UpdateLock().acquire();
            std::this_thread::sleep_until(at + kPeriod * 6 / 10);
            qda::UpdateLock().release();
        }
    });
    std::this_thread::sleep_until(grid + kPeriod / 5);  // the worker's polls fall at 20 % of the hold
    Start();
    const auto started = std::chrono::steady_clock::now();
    constexpr int kReadings = 8;
    for (int i = 0; i < kReadings; ++i) TakeReading();
    const auto took = std::chrono::steady_clock::now() - started;
    neighbourRuns = false;
    neighbour.join();
    // Each reading waits for the end of the hold (40 ms into its period), none for a whole period more.
    EXPECT_LT(took, kPeriod * (kReadings + 2));
    EXPECT_GE(took, kPeriod * (kReadings - 1));
}

// The scaling dialog's worker.
class ScalingWorker : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(controller.Open());
        param.notify = [this](unsigned m, std::uintptr_t w, std::intptr_t l) { log.Post(m, w, l); };
        param.command = &controller.Command();
        param.periodMs = kFastPeriodMs;
        thread = std::thread([this] { qda::RunScalingThread(param); });
    }
    void TearDown() override {
        param.stop.Set();
        if (thread.joinable()) thread.join();
    }
    Notification Next() {
        Notification n{};
        EXPECT_TRUE(log.Next(n)) << "no notification from the worker";
        return n;
    }

    ControllerScript script;
    ScriptedMeasuringController controller{script};
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scoped{messages};
    NotificationLog log;
    qda::ScalingThreadParam param;
    std::thread thread;
};

TEST_F(ScalingWorker, ReadingsThenMeasuringModeWhenStopped) {
    Notification n = Next();
    EXPECT_EQ(n.wParam, qda::kScalingNotifyReading);
    EXPECT_EQ(param.reply.value[0][0], 1000);
    EXPECT_EQ(param.reply.value[0][1], 2000);
    EXPECT_EQ(param.reply.value[1][0], 3000);
    EXPECT_EQ(param.reply.value[1][1], 4000);
    param.readingRequested = true;
    EXPECT_EQ(Next().wParam, qda::kScalingNotifyReading);
    EXPECT_TRUE(controller.Sent(CMD_REQUEST_MEASURE_MODE).empty());
    param.stop.Set();
    n = Next();
    EXPECT_EQ(n.wParam, qda::kScalingNotifyEnded);
    EXPECT_EQ(n.lParam, 1);
    thread.join();  // the done flag follows the notification
    EXPECT_TRUE(param.done);
    EXPECT_EQ(controller.Sent(CMD_REQUEST_MEASURE_MODE).size(), 1u);
}

TEST_F(ScalingWorker, RefusedReadingShowsTheStatusAndStillReturnsToMeasuringMode) {
    script.scalingStatus = 5;
    const Notification n = Next();
    EXPECT_EQ(n.wParam, qda::kScalingNotifyEnded);
    EXPECT_EQ(n.lParam, 0);
    EXPECT_EQ(param.failureText, CCommand::GetErrorText(5));
    EXPECT_TRUE(param.measuringAgain);
    EXPECT_EQ(controller.Sent(CMD_REQUEST_MEASURE_MODE).size(), 1u);
}

TEST_F(ScalingWorker, SilentControllerGivesTheReadingMessageAndIsNotAskedAgain) {
    script.silent = true;
    const Notification n = Next();
    EXPECT_EQ(n.wParam, qda::kScalingNotifyEnded);
    EXPECT_EQ(param.failureText, qda::LoadResourceString(qda::kStrScalingReadFailed));
    EXPECT_FALSE(param.measuringAgain);
    EXPECT_TRUE(controller.Sent(CMD_REQUEST_MEASURE_MODE).empty());
}

}  // namespace
