// Reading the controller's stored values into data slots: the progress arithmetic, the slot
// filled from a readout reply, and readouts from the simulator's controller on a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <memory>
#include <string>

#include "comm/Command.h"
#include "settings/Units.h"
#include "simulator/SimController.h"
#include "storage/ReadoutProgress.h"
#include "storage/StorageReadout.h"
#include "support/PtyController.h"
#include "support/ScriptedMessageBackend.h"

namespace {

using qda::ReadoutOutcome;
using qda::test::Bytes;
using qda::test::Chunk;

TEST(ReadoutProgress, PartsPercentAndSecondsAsTheDialogShowsThem) {
    CReadoutProgress progress("蓄積データを取得しています...", 2);
    const struct {
        int started, expected, received;
        int part, seconds, percent;
        bool moved;
        const char* time;
    } ticks[] = {
        {1, 1000, 0, 1, 1, 0, false, "経過時間1秒"},
        {0, 1000, 300, 1, 2, 30, true, "経過時間2秒 完了まで残り4秒"},  // 150 B/s: 1000 / 150 - 2
        {0, 1000, 1000, 1, 3, 100, true, "経過時間3秒 完了まで残り0秒"},
        {1, 2000, 100, 2, 1, 5, true, "経過時間1秒 完了まで残り19秒"},  // the next part starts afresh
        {0, 2000, 100, 2, 2, 5, false, "経過時間2秒 完了まで残り38秒"},
        {0, 0, 0, 2, 3, 0, true, "経過時間3秒"},  // nothing expected: 0 %
    };
    for (const auto& t : ticks) {
        progress.Tick(t.started, t.expected, t.received);
        EXPECT_EQ(progress.Part(), t.part);
        EXPECT_EQ(progress.Seconds(), t.seconds);
        EXPECT_EQ(progress.Percent(), t.percent);
        EXPECT_EQ(progress.PercentChanged(), t.moved);
        EXPECT_EQ(progress.TimeText(), t.time);
    }
    EXPECT_EQ(progress.Caption(), "蓄積データを取得しています...(2/2)");
}

// A decoded readout reply.
std::unique_ptr<qda::StorageReadout> Reply(int status, int format, int unitFlag,
                                           std::initializer_list<int32_t> values, int count = INT32_MIN) {
    auto r = std::make_unique<qda::StorageReadout>();
    r->answered = true;
    r->status = status;
    r->formatIndex = format;
    r->inch = unitFlag == 1;
    r->count = count == INT32_MIN ? static_cast<int>(values.size()) : count;
    r->values = values;
    return r;
}

TEST(FillSlotFromReadout, TakesTheRepliesFormatAndClassifiesEachValue) {
    CStorageData slot;
    ASSERT_TRUE(slot.Prepare());
    // 0.00001 inch: 100 internal units a step; over range from 1000000 steps on.
    auto r = Reply(0, 1, 1, {12300, -4500, 0x7FFFFFFE, qda::kMinusOver, qda::kNoValue, 999999 * 100});
    ASSERT_EQ(qda::FillSlotFromReadout(*r, "Graph02", slot), ReadoutOutcome::kFilled);
    EXPECT_EQ(slot.Name(), "Graph02");
    EXPECT_EQ(slot.Count(), 6);
    EXPECT_EQ(slot.ValidCount(), 3);
    EXPECT_EQ(slot.UnitSystem(), 1);
    EXPECT_EQ(slot.InchFormat(), 1);
    const int32_t expected[] = {12300, -4500, qda::kPlusOver, qda::kMinusOver, qda::kNoValue, 99999900};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(slot.Sample(i), expected[i]) << i;

    // Replies that fill nothing leave the slot as it was.
    const struct {
        std::unique_ptr<qda::StorageReadout> reply;
        ReadoutOutcome outcome;
    } cases[] = {
        {Reply(0, 2, 0, {}), ReadoutOutcome::kNoData},
        {Reply(0, 2, 0, {}, -5), ReadoutOutcome::kNoData},
        {Reply(5, 2, 0, {1, 2}), ReadoutOutcome::kFailed},
        {Reply(0, 6, 0, {1, 2}), ReadoutOutcome::kFailed},  // no such display-digits row
        {Reply(0, 2, 0, {1}, 65537), ReadoutOutcome::kFailed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qda::FillSlotFromReadout(*c.reply, "X", slot), c.outcome);
        EXPECT_EQ(slot.Name(), "Graph02");
        EXPECT_EQ(slot.Count(), 6);
    }
}

// The simulator's controller core on a pty, on a clock the test moves.
class StorageReadoutWithController : public ::testing::Test {
protected:
    std::atomic<int64_t> nowUs{1'000'000};
    qda::sim::SimFaults faults;
    std::unique_ptr<qda::sim::SimController> sim;
    std::atomic<bool> failOut1{false};
    qda::test::PtyController pty;  // its peer thread uses the members above
    qda::test::ScriptedMessageBackend messages;
    std::unique_ptr<qda::test::ScopedMessageBackend> scope;
    CCommand cmd;
    CStorageData slotData[2];

    void SetUp() override {
        scope = std::make_unique<qda::test::ScopedMessageBackend>(messages);
        qda::sim::SimController::Options options;
        options.overRangeShare = 0.1;
        sim = std::make_unique<qda::sim::SimController>(options, faults, [this] { return nowUs.load(); });
        pty.SetScript([this](const Bytes& packet) -> std::vector<Chunk> {
            if (failOut1 && packet[3] == CMD_STORAGE_READ && packet[4] == 0)
                return {Chunk{qda::test::Frame(qda::test::ReplyPacket(CMD_STORAGE_READ + 1, 6))}};
            return {Chunk{qda::test::Frame(sim->HandlePacket(packet))}};
        });
        g_bRetryAvailable = false;
        cmd.SetTimeouts(1000, 3000);
        qda::SerialLine s;
        s.baud = 115200;
        s.devicePath = pty.SlavePath();
        ASSERT_TRUE(cmd.OpenPort(s));
        ASSERT_TRUE(slotData[0].Prepare() && slotData[1].Prepare());
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
    // Stores `points` values of the OUTs in `dsOut` (20 us apart), OUT1 in digits row 1, OUT2 in 3.
    void Store(int dsOut, int points) {
        ASSERT_TRUE(cmd.SetControllerMode(1));
        Write(2, 0, 0, std::string(1, '\0'));  // 20 us
        Write(2, 0, 7, std::string(1, '\0'));  // every sample
        Write(2, 0, 5, std::string(1, static_cast<char>(dsOut)));
        char text[8];
        std::snprintf(text, sizeof text, "%05d", points);
        Write(2, 0, 6, text);
        Write(1, 0, 10, std::string(1, '\1'));
        Write(1, 1, 10, std::string(1, '\3'));
        ASSERT_TRUE(cmd.SetControllerMode(0));
        qda::CommandReply r;
        ASSERT_TRUE(cmd.StorageStart(r) && r.status == 0);
        nowUs += int64_t{points} * 20 + 1000;  // storing has ended by itself
    }
    qda::ReadoutResult Run(int choice, qda::ReadoutStatus& status) {
        CStorageData* const slots[2] = {&slotData[0], &slotData[1]};
        const std::string names[2] = {"Graph01", "Graph02"};
        return qda::RunStorageReadout(cmd, qda::PlanReadout(choice), slots, names, status);
    }
};

TEST_F(StorageReadoutWithController, BothOutsFillTheirSlots) {
    Store(3, 65536);
    qda::ReadoutStatus status;
    const qda::ReadoutResult result = Run(qda::kReadoutBoth, status);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(status.done);
    EXPECT_EQ(status.Title(), "蓄積データを取得しています...(OUT2)");
    for (int out = 0; out < 2; ++out) {
        SCOPED_TRACE(out);
        EXPECT_EQ(result.out[out], ReadoutOutcome::kFilled);
        const CStorageData& s = slotData[out];
        EXPECT_EQ(s.Name(), out == 0 ? "Graph01" : "Graph02");
        EXPECT_EQ(s.Count(), 65536);
        EXPECT_EQ(s.UnitSystem(), 0);
        EXPECT_EQ(s.MmFormat(), out == 0 ? 1 : 3);
        int markers = 0;
        for (int i = 0; i < s.Count(); ++i) {
            const int32_t v = s.Sample(i);
            if (v == qda::kPlusOver || v == qda::kMinusOver || v == qda::kNoValue) ++markers;
        }
        EXPECT_EQ(markers, s.Count() - s.ValidCount());
        EXPECT_GT(markers, 0) << "the heads read out of range now and then";
        EXPECT_GT(s.ValidCount(), 0);
    }
    EXPECT_TRUE(messages.ShownTexts().empty());
}

TEST_F(StorageReadoutWithController, OneOutFailingOrEmptyDoesNotStopTheOther) {
    Store(1, 500);  // OUT1 only: OUT2 holds nothing
    qda::ReadoutStatus status;
    qda::ReadoutResult result = Run(qda::kReadoutBoth, status);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.out[0], ReadoutOutcome::kFilled);
    EXPECT_EQ(result.out[1], ReadoutOutcome::kNoData);
    EXPECT_EQ(slotData[0].Count(), 500);
    EXPECT_EQ(slotData[1].Count(), 0);

    failOut1 = true;
    result = Run(qda::kReadoutBoth, status);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.out[0], ReadoutOutcome::kFailed);
    EXPECT_EQ(result.out[1], ReadoutOutcome::kNoData) << "OUT2 is still read";
    EXPECT_EQ(slotData[0].Count(), 500) << "the failed OUT's slot keeps its values";
    EXPECT_TRUE(status.done);

    result = Run(qda::kReadoutOut2, status);
    EXPECT_FALSE(result.requested[0]);
    EXPECT_TRUE(result.ok);
}

}  // namespace
