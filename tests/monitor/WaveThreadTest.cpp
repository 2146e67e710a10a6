// The waveform worker against a scripted waveform source: the request-flag handshake, the
// status rules (status 5 on the first request against later ones), the update lock and the end
// messages.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "monitor/WaveThread.h"
#include "resources/Messages.h"
#include "settings/UpdateLock.h"
#include "support/ScriptedMessageBackend.h"

using namespace std::chrono_literals;
using qda::CWaveThread;
using qda::WaveReply;

namespace {

// Answers each request with the next scripted status (0 = a good waveform), then with 0.
class ScriptedSource : public qda::IWaveformSource {
public:
    explicit ScriptedSource(std::vector<int> statuses) : m_statuses(statuses.begin(), statuses.end()) {}
    bool GetWaveform(WaveReply& reply, int head, int peak) override {
        std::lock_guard lock(m_lock);
        // The worker polls under the update lock.
        m_lockHeld.push_back(!qda::UpdateLock().try_acquire());
        if (!m_lockHeld.back()) qda::UpdateLock().release();
        m_requests.push_back({head, peak});
        int status = 0;
        if (!m_statuses.empty()) {
            status = m_statuses.front();
            m_statuses.pop_front();
        }
        reply = WaveReply{};
        reply.answered = status >= 0;
        reply.status = status;
        reply.sampleCount = 1024;
        reply.sample[0] = static_cast<uint8_t>(m_requests.size());
        return status == 0;
    }
    struct Request {
        int head, peak;
    };
    std::vector<Request> Requests() const {
        std::lock_guard lock(m_lock);
        return m_requests;
    }
    std::vector<bool> LockHeld() const {
        std::lock_guard lock(m_lock);
        return m_lockHeld;
    }

private:
    mutable std::mutex m_lock;
    std::deque<int> m_statuses;
    std::vector<Request> m_requests;
    std::vector<bool> m_lockHeld;
};

// Collects the worker's messages.
class Inbox {
public:
    qda::WavePostTarget Target() {
        return [this](unsigned message, uintptr_t w, intptr_t l) {
            std::lock_guard lock(m_lock);
            m_messages.push_back({message, w, l});
            m_changed.notify_all();
        };
    }
    struct Message {
        unsigned message;
        uintptr_t wParam;
        intptr_t lParam;
        bool operator==(const Message&) const = default;
    };
    // Waits until `n` messages have come.
    std::vector<Message> WaitFor(size_t n, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(m_lock);
        m_changed.wait_for(lock, limit, [&] { return m_messages.size() >= n; });
        return m_messages;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Message> m_messages;
};

constexpr Inbox::Message kNew{1025, 1, 1};
constexpr Inbox::Message kNothingNew{1025, 1, 0};
constexpr Inbox::Message kEndedOk{1025, 0, 1};
constexpr Inbox::Message kEndedFailed{1025, 0, 0};

class WaveThreadTest : public ::testing::Test {
protected:
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scoped{messages};
};

}  // namespace

TEST(WavePoll, StatusRules) {
    using qda::WavePollOutcome;
    struct Case {
        bool ok;
        int status;
        bool first;
        WavePollOutcome outcome;
    } cases[] = {
        {true, 0, true, WavePollOutcome::kNewWaveform},
        {true, 0, false, WavePollOutcome::kNewWaveform},
        {false, 5, true, WavePollOutcome::kFailed},
        {false, 5, false, WavePollOutcome::kNothingNew},
        {false, 1, false, WavePollOutcome::kFailed},
        {false, qda::kNoStatus, false, WavePollOutcome::kFailed},
        {true, 3, false, WavePollOutcome::kStatusText},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qda::ClassifyWaveformRequest(c.ok, c.status, c.first), c.outcome)
            << c.ok << " " << c.status << " " << c.first;
}

TEST_F(WaveThreadTest, NewWaveformWaitsForTheWindowBeforeTheNextRequest) {
    ScriptedSource source({0, 0});
    Inbox inbox;
    CWaveThread worker(source, inbox.Target(), qda::LinkKind::kUsb, 1, 2);
    ASSERT_TRUE(worker.Start());
    ASSERT_EQ(inbox.WaitFor(1), std::vector<Inbox::Message>{kNew});
    // The window has not taken the reply: the worker asks for nothing more.
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(source.Requests().size(), 1u);
    WaveReply reply;
    ASSERT_TRUE(worker.TakeReply(reply));
    EXPECT_EQ(reply.sample[0], 1);
    EXPECT_FALSE(worker.TakeReply(reply)) << "the buffer is the worker's again";
    worker.SetPeakSelection(3);
    ASSERT_EQ(inbox.WaitFor(2).size(), 2u);
    worker.Stop();
    const auto all = inbox.WaitFor(3);
    EXPECT_EQ(all.back(), kEndedOk);
    EXPECT_TRUE(worker.Finished());
    const auto requests = source.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].head, 1);
    EXPECT_EQ(requests[0].peak, 2);
    EXPECT_EQ(requests[1].peak, 3) << "the next request uses the new peak selection";
    for (bool held : source.LockHeld()) EXPECT_TRUE(held);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(WaveThreadTest, BusyOnTheFirstRequestEndsAcquisition) {
    ScriptedSource source({5});
    Inbox inbox;
    CWaveThread worker(source, inbox.Target(), qda::LinkKind::kSerial, 0, 0);
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(inbox.WaitFor(1), std::vector<Inbox::Message>{kEndedFailed});
    worker.Join();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], LoadMessage(369));
    EXPECT_EQ(messages.Shown()[0].style, MB_ICONWARNING);
    // The update lock is free again.
    ASSERT_TRUE(qda::UpdateLock().try_acquire());
    qda::UpdateLock().release();
}

TEST_F(WaveThreadTest, BusyLaterSkipsAndGoesOn) {
    ScriptedSource source({0, 5, 5, 0});
    Inbox inbox;
    CWaveThread worker(source, inbox.Target(), qda::LinkKind::kUsb, 0, 0);
    ASSERT_TRUE(worker.Start());
    ASSERT_EQ(inbox.WaitFor(1).size(), 1u);
    WaveReply reply;
    ASSERT_TRUE(worker.TakeReply(reply));
    const auto seen = inbox.WaitFor(4);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1], kNothingNew);
    EXPECT_EQ(seen[2], kNothingNew);
    EXPECT_EQ(seen[3], kNew);
    EXPECT_EQ(worker.LastStatus(), 0);
    worker.Stop();
    EXPECT_EQ(inbox.WaitFor(5).back(), kEndedOk);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(WaveThreadTest, SilenceOrAnotherStatusEndsWithMessage369) {
    for (int status : {qda::kNoStatus, 1, 2}) {
        messages.Clear();
        ScriptedSource source({0, status});
        Inbox inbox;
        CWaveThread worker(source, inbox.Target(), qda::LinkKind::kUsb, 0, 0);
        ASSERT_TRUE(worker.Start());
        ASSERT_EQ(inbox.WaitFor(1).size(), 1u);
        WaveReply reply;
        ASSERT_TRUE(worker.TakeReply(reply));
        EXPECT_EQ(inbox.WaitFor(2).back(), kEndedFailed) << status;
        worker.Join();
        EXPECT_EQ(worker.LastStatus(), status);
        ASSERT_EQ(messages.ShownTexts().size(), 1u) << status;
        EXPECT_EQ(messages.ShownTexts()[0], LoadMessage(369));
    }
}

TEST_F(WaveThreadTest, NoPollWhileTheUpdateLockIsHeld) {
    ScriptedSource source({0});
    Inbox inbox;
    qda::UpdateLock().acquire();
    CWaveThread worker(source, inbox.Target(), qda::LinkKind::kUsb, 0, 0);
    ASSERT_TRUE(worker.Start());
    std::this_thread::sleep_for(600ms);
    EXPECT_TRUE(source.Requests().empty()) << "a settings transfer holds the lock";
    qda::UpdateLock().release();
    EXPECT_EQ(inbox.WaitFor(1), std::vector<Inbox::Message>{kNew});
    worker.Stop();
    worker.Join();
}

TEST_F(WaveThreadTest, AnUnpolledLinkEndsAtOnceWithSuccess) {
    ScriptedSource source({});
    Inbox inbox;
    CWaveThread worker(source, inbox.Target(), qda::LinkKind::kNone, 0, 0);
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(inbox.WaitFor(1), std::vector<Inbox::Message>{kEndedOk});
    worker.Join();
    EXPECT_TRUE(source.Requests().empty());
}

TEST_F(WaveThreadTest, DestroyingARunningWorkerStopsIt) {
    ScriptedSource source({});
    Inbox inbox;
    {
        CWaveThread worker(source, inbox.Target(), qda::LinkKind::kUsb, 0, 0);
        ASSERT_TRUE(worker.Start());
        inbox.WaitFor(1);
    }
    EXPECT_EQ(inbox.WaitFor(2).back(), kEndedOk);
}
