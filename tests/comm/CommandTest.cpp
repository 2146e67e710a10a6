// CCommand against a scripted controller on a real pseudo-terminal: bytes on the wire, reply
// matching, retries, error reports, notifications, and the mode handling.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "comm/Command.h"
#include "comm/DumpRecords.h"
#include "comm/DumpSink.h"
#include "support/PtyController.h"
#include "support/ScriptedMessageBackend.h"

namespace {

using namespace std::chrono_literals;
using qda::test::BE32;
using qda::test::Bytes;
using qda::test::Chunk;
using qda::test::Frame;
using qda::test::PtyController;
using qda::test::ReplyPacket;

Bytes ErMessage(const char* digits) {
    return {'E', 'R', ',', '0', '0', ',', uint8_t(digits[0]), uint8_t(digits[1]), '\r'};
}
Bytes Tg() {
    Bytes b = {'T', 'G', ','};
    b.resize(14, '0');
    return b;
}
Bytes N(char which) {
    Bytes b = {'N', uint8_t(which), ','};
    b.resize(12, '0');
    return b;
}
std::vector<Chunk> Answer(const Bytes& packet) {
    return {Chunk{Frame(packet)}};
}

// The message the error target is registered with (the main window's WM_CONTROLLER_ERROR).
constexpr unsigned kErrorMessage = 0x0408;

struct PostedError {
    unsigned message;
    uintptr_t wParam;
    intptr_t lParam;
};

class CommandOverPty : public ::testing::Test {
protected:
    PtyController peer;
    CCommand cmd;
    qda::test::ScriptedMessageBackend messages;
    std::unique_ptr<qda::test::ScopedMessageBackend> scope;
    std::mutex postedLock;
    std::vector<PostedError> posted;

    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        scope = std::make_unique<qda::test::ScopedMessageBackend>(messages);
        // Each test starts past the program's start-up grace unless it is about that grace.
        g_bRetryAvailable = false;
        g_bDiscardER = false;
        cmd.SetTimeouts(300, 1500);
        cmd.SetErrorNotifyWindow(
            [this](unsigned m, uintptr_t w, intptr_t l) {
                std::lock_guard<std::mutex> g(postedLock);
                posted.push_back({m, w, l});
            },
            kErrorMessage);
        ASSERT_TRUE(Open());
    }
    void TearDown() override {
        while (cmd.RefCount() > 0) cmd.ClosePort();
    }
    bool Open() {
        qda::SerialLine s;
        s.baud = 115200;
        s.parity = qda::Parity::kNone;
        s.devicePath = peer.SlavePath();
        return cmd.OpenPort(s);
    }
    std::vector<PostedError> Posted() {
        std::lock_guard<std::mutex> g(postedLock);
        return posted;
    }
    std::vector<int> Codes() {
        std::vector<int> codes;
        for (const Bytes& p : peer.Packets()) codes.push_back(p.size() > 3 ? p[3] : -1);
        return codes;
    }
};

TEST_F(CommandOverPty, FourByteCommandGoesOutAsTwelveBytes) {
    peer.SetScript([](const Bytes&) {
        Bytes data = BE32(1234);
        Bytes c2 = BE32(70000);
        data.insert(data.end(), c2.begin(), c2.end());
        data.push_back(1);
        return Answer(ReplyPacket(43, 0, data));
    });
    qda::StorageStatus reply;
    ASSERT_TRUE(cmd.GetStorageStatus(reply));
    const uint8_t sum = 0x00 ^ 0x04 ^ 0x07 ^ 42;
    EXPECT_EQ(peer.RawReceived(), (Bytes{'C', 'C', ',', 0, 0, 0, 4, 0x00, 0x04, 0x07, 42, sum}));
    EXPECT_EQ(reply.count[0], 1234) << "counts converted to host order";
    EXPECT_EQ(reply.count[1], 70000);
    EXPECT_EQ(reply.length, 17);
}

TEST_F(CommandOverPty, PacketsOfTheCommandSet) {
    peer.SetScript([](const Bytes& p) { return Answer(ReplyPacket(p[3] + 1, 0, Bytes(60, 0))); });
    qda::CommandReply r;
    qda::SettingValue value;
    qda::MeasuredValues measured;
    qda::WaveReply wave;
    qda::Statistics statistics;
    qda::HeadInfo info;
    const uint8_t data[] = {'1', '2'};
    EXPECT_TRUE(cmd.SendGetCommandAndReceivePacket(1, 0, 14, value));
    EXPECT_TRUE(cmd.SendSetCommandAndReceivePacket(0, 255, 7, nullptr, 0, r));
    EXPECT_TRUE(cmd.SendSetCommandAndReceivePacket(2, 0, 3, data, 2, r));
    EXPECT_TRUE(cmd.AutoZero(r, 1, 1));
    EXPECT_TRUE(cmd.Timing(r, 0, 255));
    EXPECT_TRUE(cmd.Reset(r, 1));
    EXPECT_TRUE(cmd.GetMeasuredValues(measured, 255));
    EXPECT_TRUE(cmd.GetWaveform(wave, 1, 3));
    EXPECT_TRUE(cmd.CheckSettingMode(r));
    EXPECT_TRUE(cmd.GetStatistics(statistics, 1));
    EXPECT_TRUE(cmd.GetHeadInfo(info, 0));
    EXPECT_TRUE(cmd.InitializeController(r));
    const std::vector<Bytes> expected = {
        {0, 8, 7, 10, 1, 0, 14, 0}, {0, 7, 7, 8, 0, 255, 7}, {0, 9, 7, 8, 2, 0, 3, '1', '2'},
        {0, 6, 7, 12, 1, 1},        {0, 6, 7, 14, 0, 255},   {0, 5, 7, 16, 1},
        {0, 6, 7, 20, 255, 0},      {0, 6, 7, 24, 1, 3},     {0, 6, 7, 26, 0, 255},
        {0, 6, 7, 46, 1, 255},      {0, 5, 7, 52, 0},        {0, 4, 7, 66},
    };
    EXPECT_EQ(peer.Packets(), expected);
}

TEST_F(CommandOverPty, ReplyFieldsAreConvertedAndChecked) {
    std::map<int, Bytes> data;
    data[21] = {0, 0x12, 0x00, 0, 0, 0, 0x30, 0x39, 0xFF, 0xFF, 0xFF, 0xFE, 0x20, 0x84, 0x01, 0x80};
    data[53] = {0, 0x82};
    auto answerWith = [](std::map<int, Bytes> replies) {
        return [replies](const Bytes& p) {
            auto it = replies.find(p[3] + 1);
            return Answer(ReplyPacket(p[3] + 1, 0, it == replies.end() ? Bytes{} : it->second));
        };
    };
    peer.SetScript(answerWith(data));
    qda::MeasuredValues r;
    ASSERT_TRUE(cmd.GetMeasuredValues(r, 255));
    EXPECT_EQ(r.value[0], 12345);
    EXPECT_EQ(r.value[1], -2);
    EXPECT_EQ(r.out[0].raw, 0x20);
    qda::HeadInfo info;
    ASSERT_TRUE(cmd.GetHeadInfo(info, 0));
    std::string name;
    EXPECT_TRUE(CCommand::GetHeadModelName(info.modelCode, name));
    EXPECT_EQ(name, "QD-R145W");
    // A reply too short for the fields it should carry is not taken as values.
    data[21] = {0, 0, 0, 0};
    peer.SetScript(answerWith(data));
    EXPECT_FALSE(cmd.GetMeasuredValues(r, 255));
}

TEST_F(CommandOverPty, FramesLongerThanTheSendQueueAreNotSent) {
    peer.SetScript([](const Bytes&) { return Answer(ReplyPacket(9, 0, {0})); });
    qda::CommandReply r;
    const Bytes data(242, '0');
    // 7 + 241 packet bytes make a 256-byte frame: the send queue takes it whole.
    EXPECT_TRUE(cmd.SendSetCommandAndReceivePacket(1, 0, 0, data.data(), 241, r));
    EXPECT_EQ(peer.RawReceived().size(), 256u);
    // One more byte does not fit; nothing goes out.
    EXPECT_FALSE(cmd.SendSetCommandAndReceivePacket(1, 0, 0, data.data(), 242, r));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(peer.RawReceived().size(), 256u);
}

TEST_F(CommandOverPty, WriteAcceptanceByteDecides) {
    struct Case {
        int status, byte8;
        bool ok;
    } cases[] = {{0, 0, true}, {0, 2, true}, {0, 1, false}, {5, 0, false}};
    for (const Case& c : cases) {
        peer.SetScript([c](const Bytes&) { return Answer(ReplyPacket(9, c.status, {uint8_t(c.byte8)})); });
        qda::CommandReply r;
        const uint8_t v = 1;
        EXPECT_EQ(cmd.SendSetCommandAndReceivePacket(1, 0, 2, &v, 1, r), c.ok) << c.status << "/" << c.byte8;
    }
}

TEST_F(CommandOverPty, ReplySplitOverReadsCompletesOnItsLastByte) {
    // Pieces 200 ms apart: longer in total than both time-outs (300 ms silence, 1500 ms wait would
    // not matter), so each piece must restart the silence watch.
    peer.SetScript([](const Bytes&) {
        const Bytes f = Frame(ReplyPacket(45, 0));
        std::vector<Chunk> chunks;
        for (size_t i = 0; i < f.size(); i += 4)
            chunks.push_back({Bytes(f.begin() + i, f.begin() + std::min(f.size(), i + 4)), 200});
        return chunks;
    });
    const auto start = std::chrono::steady_clock::now();
    qda::CommandReply r;
    EXPECT_TRUE(cmd.ClearStatistics(r));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 500ms);
}

TEST_F(CommandOverPty, NotificationsBeforeTheReplyAreSkipped) {
    peer.SetScript([](const Bytes&) {
        return std::vector<Chunk>{{Tg(), 20}, {N('1'), 20}, {N('2'), 0}, {Frame(ReplyPacket(35, 0))}};
    });
    qda::CommandReply r;
    EXPECT_TRUE(cmd.StorageClear(r));
    // All in one read as well.
    peer.SetScript([](const Bytes&) {
        Bytes all = Tg();
        Bytes n = N('2');
        Bytes f = Frame(ReplyPacket(35, 0));
        all.insert(all.end(), n.begin(), n.end());
        all.insert(all.end(), f.begin(), f.end());
        return std::vector<Chunk>{{all}};
    });
    EXPECT_TRUE(cmd.StorageClear(r));
}

TEST_F(CommandOverPty, ErrorMessageAtStartIsDiscardedThenReported) {
    g_bDiscardER = true;
    peer.SetScript([](const Bytes&) { return std::vector<Chunk>{{ErMessage("01")}}; });
    qda::CommandReply r;
    EXPECT_FALSE(cmd.RequestSettingMode(r)) << "discarded: the exchange ends by time-out";
    EXPECT_FALSE(r.answered);
    EXPECT_TRUE(g_bDiscardER.load());
    // Once anything else has come from the controller, "ER," is the reply with its code.
    peer.SetScript([](const Bytes&) { return std::vector<Chunk>{{Tg(), 30}, {ErMessage("04")}}; });
    EXPECT_FALSE(cmd.RequestSettingMode(r));
    EXPECT_FALSE(g_bDiscardER.load());
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(CCommand::GetErrorText(r.status), "チェックサムエラー");
    EXPECT_TRUE(Posted().empty()) << "an error message is not an error reply";
}

TEST_F(CommandOverPty, ErrorReplyReachesTheRegisteredWindow) {
    peer.SetScript([](const Bytes&) { return Answer(ReplyPacket(0xFF, 7)); });
    qda::CommandReply r;
    EXPECT_FALSE(cmd.StorageStop(r));
    const auto p = Posted();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].message, kErrorMessage);
    EXPECT_EQ(p[0].wParam, 7u);
    EXPECT_EQ(p[0].lParam, 0);
}

TEST_F(CommandOverPty, OnlyTheFirstFailureOfTheProcessIsRetried) {
    g_bRetryAvailable = true;
    auto calls = std::make_shared<std::atomic<int>>(0);
    peer.SetScript([calls](const Bytes&) {
        return ++*calls == 1 ? Answer(ReplyPacket(0xFF, 1)) : Answer(ReplyPacket(45, 0));
    });
    qda::CommandReply r;
    EXPECT_TRUE(cmd.ClearStatistics(r)) << "the first failure is sent once more";
    EXPECT_EQ(peer.PacketCount(), 2);
    EXPECT_TRUE(Posted().empty()) << "the retried error is silent";
    EXPECT_FALSE(g_bRetryAvailable.load());

    peer.SetScript([](const Bytes&) { return Answer(ReplyPacket(0xFF, 1)); });
    EXPECT_FALSE(cmd.ClearStatistics(r));
    EXPECT_EQ(peer.PacketCount(), 3) << "a later failure is not retried";
    ASSERT_EQ(Posted().size(), 1u);
    EXPECT_EQ(Posted()[0].wParam, 1u);
}

TEST_F(CommandOverPty, BadFrameFailsAndNoLateBytesLeakIntoTheNextExchange) {
    auto calls = std::make_shared<std::atomic<int>>(0);
    peer.SetScript([calls](const Bytes&) {
        if (++*calls == 1) {
            Bytes f = Frame(ReplyPacket(45, 0));
            f.back() ^= 0x5A;  // checksum broken
            return std::vector<Chunk>{{f}};
        }
        return Answer(ReplyPacket(45, 0));
    });
    qda::CommandReply r;
    EXPECT_FALSE(cmd.ClearStatistics(r));
    EXPECT_TRUE(cmd.ClearStatistics(r));
}

TEST_F(CommandOverPty, SilenceFailsTheExchangeAndEmptiesTheQueues) {
    peer.SetScript([](const Bytes&) { return std::vector<Chunk>{}; });
    qda::CommandReply r;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(cmd.InitializeController(r));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1400ms)
        << "the silence watch ends it, not the long wait";
}

TEST_F(CommandOverPty, ControllerStateCancelsRovaTuning) {
    peer.SetScript([](const Bytes& p) {
        switch (p[3]) {
            case CMD_GET_STORAGE_STATUS:
                return Answer(ReplyPacket(43, 5));
            case CMD_CHECK_SETTING_MODE:
                return Answer(ReplyPacket(27, 5));
            case CMD_WRITE_SETTING:
                return Answer(ReplyPacket(9, 0, {0}));
        }
        return std::vector<Chunk>{};
    });
    int storing = -1, mode = -1, c1 = -1, c2 = -1;
    EXPECT_TRUE(cmd.GetControllerState(&storing, &mode, &c1, &c2));
    EXPECT_EQ(mode, qda::kModeSetting);
    EXPECT_EQ(storing, 0);
    const auto packets = peer.Packets();
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[2], (Bytes{0, 7, 7, CMD_WRITE_SETTING, 0, 255, 9})) << "cancel on both heads, no data";
}

TEST_F(CommandOverPty, ControllerStateTable) {
    struct Case {
        const char* name;
        int storageStatus, checkStatus, cancelStatus;
        bool ok;
        int mode;
    } cases[] = {
        {"measuring", 0, -1, -1, true, 0},
        {"setting", 5, 0, -1, true, 1},
        {"cancel refused 5", 5, 5, 5, true, 1},
        {"cancel fails", 5, 5, 1, false, 2},
        {"other status", 3, -1, -1, false, 2},
        {"check silent", 5, -2, -1, true, 2},
        // The mode check's status 5 is still in the buffer; it is no answer to the cancel.
        {"cancel unanswered", 5, 5, -3, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peer.SetScript([c](const Bytes& p) {
            switch (p[3]) {
                case CMD_GET_STORAGE_STATUS:
                    return Answer(ReplyPacket(43, c.storageStatus, Bytes(9, 0)));
                case CMD_CHECK_SETTING_MODE:
                    if (c.checkStatus == -2) return Answer(ReplyPacket(0x55, 0));  // wrong reply code
                    return Answer(ReplyPacket(27, c.checkStatus));
                case CMD_WRITE_SETTING:
                    if (c.cancelStatus == -3) return std::vector<Chunk>{};
                    return Answer(ReplyPacket(9, c.cancelStatus, {0}));
            }
            return std::vector<Chunk>{};
        });
        int mode = -1;
        EXPECT_EQ(cmd.GetControllerState(nullptr, &mode, nullptr, nullptr), c.ok);
        EXPECT_EQ(mode, c.mode);
    }
}

// A controller that switches modes as asked.
struct ModeController {
    std::atomic<int> mode{0};
    std::atomic<bool> ignoreSettingRequest{false};
    std::vector<Chunk> operator()(const Bytes& p) {
        switch (p[3]) {
            case CMD_GET_STORAGE_STATUS:
                return Answer(ReplyPacket(43, mode == 0 ? 0 : 5, Bytes(9, 0)));
            case CMD_CHECK_SETTING_MODE:
                return Answer(ReplyPacket(27, mode == 1 ? 0 : 5));
            case CMD_REQUEST_SETTING_MODE:
                if (!ignoreSettingRequest) mode = 1;
                return Answer(ReplyPacket(7, 0));
            case CMD_REQUEST_MEASURE_MODE: {
                const int status = mode == 0 ? 5 : 0;  // already measuring: "state error"
                mode = 0;
                return Answer(ReplyPacket(5, status));
            }
        }
        return {};
    }
};

TEST_F(CommandOverPty, SetControllerModeBothWays) {
    auto ctl = std::make_shared<ModeController>();
    peer.SetScript([ctl](const Bytes& p) { return (*ctl)(p); });
    EXPECT_TRUE(cmd.SetControllerMode(1));
    EXPECT_EQ(Codes(), (std::vector<int>{42, 6, 42, 26}));
    EXPECT_TRUE(cmd.SetControllerMode(1)) << "already in setting mode";
    EXPECT_TRUE(cmd.SetControllerMode(0));
    EXPECT_EQ(ctl->mode.load(), 0);
    EXPECT_TRUE(cmd.SetControllerMode(0)) << "status 5 while already measuring is success";
    EXPECT_TRUE(messages.Shown().empty());

    ctl->ignoreSettingRequest = true;
    EXPECT_FALSE(cmd.SetControllerMode(1));
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "状態取得に失敗しました。");
}

TEST_F(CommandOverPty, StorageStatusLine) {
    peer.SetScript([](const Bytes&) {
        Bytes d = BE32(12);
        Bytes c2 = BE32(345);
        d.insert(d.end(), c2.begin(), c2.end());
        d.push_back(1);
        return Answer(ReplyPacket(43, 0, d));
    });
    std::string text;
    EXPECT_TRUE(cmd.GetStorageStatusText(text));
    EXPECT_EQ(text, "蓄積データ数 - OUT1 :    12点 OUT2 :   345点   現在の状態 - 蓄積中\n");

    peer.SetScript([](const Bytes&) { return Answer(ReplyPacket(43, 5)); });  // setting mode, check silent
    EXPECT_TRUE(cmd.GetStorageStatusText(text));
    EXPECT_EQ(text, "蓄積データ数 - OUT1 : ***** OUT2 : *****   現在の状態 - *****\n");

    peer.SetScript([](const Bytes&) { return std::vector<Chunk>{}; });
    EXPECT_FALSE(cmd.GetStorageStatusText(text));
    EXPECT_EQ(text, "蓄積データ数 - OUT1 : ***** OUT2 : *****   現在の状態 - 未接続\n");
}

TEST_F(CommandOverPty, StorageReadTakesCountedValuesAndRefusesTooMany) {
    auto readout = [](uint32_t count, size_t values) {
        Bytes d = {0, 0, 0, 0};
        Bytes c = BE32(count);
        d.insert(d.end(), c.begin(), c.end());
        for (size_t i = 0; i < values; ++i) {
            Bytes v = BE32(static_cast<uint32_t>(-static_cast<int32_t>(i) * 1000));
            d.insert(d.end(), v.begin(), v.end());
        }
        return Answer(ReplyPacket(37, 0, d));
    };
    qda::StorageReadout reply;
    peer.SetScript([readout](const Bytes&) { return readout(3, 3); });
    ASSERT_TRUE(cmd.StorageRead(reply, 1));
    EXPECT_EQ(reply.count, 3);
    ASSERT_EQ(reply.values.size(), 3u);
    EXPECT_EQ(reply.values[2], -2000);
    int started = -1, expected = -1, received = -1;
    cmd.GetTransferProgress(&started, &expected, &received);
    EXPECT_EQ(started + expected + received, 0) << "no progress outside a readout";

    peer.SetScript([readout](const Bytes&) { return readout(65537, 0); });
    EXPECT_FALSE(cmd.StorageRead(reply, 0));
    peer.SetScript([readout](const Bytes&) { return readout(10, 3); });
    EXPECT_FALSE(cmd.StorageRead(reply, 0)) << "a count the reply does not carry";
}

TEST_F(CommandOverPty, StorageReadoutReportsItsProgress) {
    constexpr int kValues = 3000;
    Bytes data = {0, 0, 0, 0};
    Bytes count = BE32(kValues);
    data.insert(data.end(), count.begin(), count.end());
    data.resize(data.size() + 4 * kValues, 0x11);
    const Bytes frame = Frame(ReplyPacket(37, 0, data));
    peer.SetScript([frame](const Bytes&) {
        std::vector<Chunk> chunks;
        for (size_t i = 0; i < frame.size(); i += 2000)
            chunks.push_back(
                {Bytes(frame.begin() + i, frame.begin() + std::min(frame.size(), i + 2000)), 15});
        return chunks;
    });
    std::atomic<bool> done{false};
    std::atomic<int> starts{0}, maxExpected{0}, maxReceived{0}, samples{0};
    std::thread poller([&] {
        while (!done) {
            int started = 0, expected = 0, received = 0;
            cmd.GetTransferProgress(&started, &expected, &received);
            starts += started;
            if (expected > 0) ++samples;
            maxExpected = std::max(maxExpected.load(), expected);
            maxReceived = std::max(maxReceived.load(), received);
            std::this_thread::sleep_for(2ms);
        }
    });
    qda::StorageReadout reply;
    const bool ok = cmd.StorageRead(reply, 0);
    done = true;
    poller.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(starts.load(), 1) << "the started flag is handed out once";
    EXPECT_EQ(maxExpected.load(), static_cast<int>(frame.size()));
    EXPECT_GT(samples.load(), 3) << "progress is visible while the reply comes in";
    EXPECT_LE(maxReceived.load(), static_cast<int>(frame.size()));
    int started = -1, expected = -1, received = -1;
    cmd.GetTransferProgress(&started, &expected, &received);
    EXPECT_EQ(started + expected + received, 0);
}

struct RecordingSink : qda::IDumpSink {
    std::mutex lock;
    std::vector<std::pair<std::string, Bytes>> blocks;
    void Log(const char* caption, const uint8_t* b, int n) override {
        std::lock_guard<std::mutex> g(lock);
        blocks.emplace_back(caption, Bytes(b, b + n));
    }
};

TEST_F(CommandOverPty, DumpSinkSeesWhatIsSentAndTaken) {
    RecordingSink sink;
    qda::SetDumpSink(&sink);
    const Bytes answer = Frame(ReplyPacket(45, 0));
    peer.SetScript([answer](const Bytes&) { return std::vector<Chunk>{{Tg()}, {answer}}; });
    qda::CommandReply r;
    EXPECT_TRUE(cmd.ClearStatistics(r));
    qda::SetDumpSink(nullptr);
    ASSERT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks[0].first, "Send data");
    EXPECT_EQ(sink.blocks[0].second.size(), 12u);
    EXPECT_EQ(sink.blocks[1].first, "Recevie data");
    EXPECT_EQ(sink.blocks[1].second, answer);
}

TEST_F(CommandOverPty, DumpListIsCopiedAndClearedWhileTheSerialWorkerLogs) {
    auto recorder = std::make_unique<qda::CDumpRecorder>();
    std::atomic<int> lockFailures{0};
    recorder->SetNotifications({}, [&] { ++lockFailures; });
    recorder->SetEnabled(true);
    qda::SetDumpSink(recorder.get());
    const Bytes answer = Frame(ReplyPacket(45, 0));
    peer.SetScript([answer](const Bytes&) { return std::vector<Chunk>{{answer}}; });
    std::atomic<bool> done{false};
    std::atomic<int> ok{0};
    constexpr int kExchanges = 100;
    // The replies are taken from the receive queue, and logged, on the port's worker thread.
    std::thread exchanges([&] {
        qda::CommandReply r;
        for (int i = 0; i < kExchanges; ++i) ok += cmd.ClearStatistics(r) ? 1 : 0;
        done = true;
    });
    // Meanwhile the window copies, takes rows and clears; every copy is whole records in order.
    int copies = 0;
    std::vector<qda::DumpRow> taken;
    while (!done.load()) {
        const std::string text = recorder->Text();
        ++copies;
        EXPECT_EQ(text.rfind("No.\tTime\tCaption\tLength\tData\r\n", 0), 0u);
        int previous = -1;
        for (size_t at = text.find("\r\n") + 2; at < text.size(); at = text.find("\r\n", at) + 2) {
            const std::string line = text.substr(at, text.find("\r\n", at) - at);
            if (!line.empty() && line[0] == '\t') continue;  // a record's further row
            ASSERT_GE(line.size(), 5u) << line;
            const int number = std::stoi(line.substr(0, 4));
            EXPECT_GT(number, previous) << "records out of order or torn";
            previous = number;
        }
        recorder->TakeNewRows(taken);
        if (copies % 5 == 0) recorder->Clear();
        std::this_thread::sleep_for(1ms);
    }
    exchanges.join();
    EXPECT_EQ(ok.load(), kExchanges);
    EXPECT_EQ(lockFailures.load(), 0);
    // Each exchange logged its frame and its reply, numbered without a gap.
    EXPECT_EQ(recorder->Counter(), 2 * kExchanges);
    EXPECT_GT(copies, 1);

    // Withdrawn while exchanges go on: once cleared, the recorder can go.
    std::thread more([&] {
        qda::CommandReply r;
        for (int i = 0; i < 10; ++i) cmd.ClearStatistics(r);
    });
    std::this_thread::sleep_for(2ms);
    EXPECT_TRUE(qda::ClearDumpSink(recorder.get()));
    recorder.reset();
    more.join();
    EXPECT_EQ(qda::GetDumpSink(), nullptr);
}

TEST_F(CommandOverPty, ExchangesFromSeveralThreadsAreOneAtATime) {
    // The peer answers each command with its own code, so a mixed-up reply would show.
    peer.SetScript([](const Bytes& p) {
        return std::vector<Chunk>{{Frame(ReplyPacket(p[3] + 1, 0, {p[4]})), 1}};
    });
    std::atomic<int> wrong{0};
    // Each thread reads its own address (group = its number); the value echoes it back.
    auto worker = [&](int group) {
        for (int i = 0; i < 15; ++i) {
            qda::SettingValue v;
            if (!cmd.SendGetCommandAndReceivePacket(group, 0, 0, v) || v.bytes.empty() || v.bytes[0] != group)
                ++wrong;
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    // A third caller opens and closes its own reference meanwhile, as windows do.
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(Open());
        cmd.ClosePort();
    }
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(peer.PacketCount(), 30);
}

TEST_F(CommandOverPty, OpenAndCloseAreCounted) {
    EXPECT_EQ(cmd.RefCount(), 1);
    EXPECT_TRUE(Open());
    EXPECT_EQ(cmd.RefCount(), 2);
    cmd.ClosePort();
    EXPECT_EQ(cmd.GetCommKind(), qda::LinkKind::kSerial);
    cmd.ClosePort();
    EXPECT_EQ(cmd.GetCommKind(), qda::LinkKind::kNone);
    cmd.ClosePort();
    EXPECT_EQ(cmd.RefCount(), -1) << "one close too many leaves a negative count";
    qda::CommandReply r;
    EXPECT_FALSE(cmd.ClearStatistics(r)) << "nothing is sent on a closed link";
}

TEST(CommandOpen, FailedOpenLeavesNothingOpen) {
    CCommand cmd;
    qda::SerialLine s;
    s.devicePath = "/nonexistent/tty";
    EXPECT_FALSE(cmd.OpenPort(s));
    EXPECT_EQ(cmd.RefCount(), 0);
    EXPECT_EQ(cmd.GetCommKind(), qda::LinkKind::kNone);
    EXPECT_FALSE(cmd.OpenPort(qda::UsbLink{})) << "no USB transport installed";
    EXPECT_EQ(cmd.RefCount(), 0);
}

TEST(CommandTexts, HeadModelNames) {
    struct Case {
        int code;
        const char* name;
        bool ok;
    } cases[] = {{0x00, "QD-R17", true}, {0x10, "QD-R12", true},   {0x21, "QD-R31", true},
                 {0x06, "QD-R06", true}, {0x82, "QD-R145W", true}, {0x94, "QD-R450", true},
                 {0x56, "QD-R06", true}, {0x43, "QD-R65", true},   {0x0F, "未接続", false},
                 {0x07, "未接続", false}};
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(CCommand::GetHeadModelName(c.code, text), c.ok) << c.code;
        EXPECT_EQ(text, c.name) << c.code;
    }
}

TEST(CommandTexts, ErrorTexts) {
    EXPECT_EQ(CCommand::GetErrorText(0), "エラーなし");
    EXPECT_EQ(CCommand::GetErrorText(5), "状態エラー");
    EXPECT_EQ(CCommand::GetErrorText(6), "その他のエラー");
    EXPECT_EQ(CCommand::GetErrorText(12), "エラーコード[12]\n");
}

}  // namespace

namespace {

// The typed forms put the same packets on the wire as the command set names them, keep the
// controller's status when it refuses, and tell a refusal from silence.
class TypedCommandsOverPty : public CommandOverPty {};

TEST_F(TypedCommandsOverPty, SamePacketsAndDecodedReplies) {
    std::map<int, Bytes> data;
    data[21] = {0, 0x12, 0x00, 0, 0, 0, 0x30, 0x39, 0xFF, 0xFF, 0xFF, 0xFE, 0x20, 0x84, 0x01, 0x80};
    data[53] = {0, 0x82};
    data[9] = {2};
    data[11] = {'3', '7'};
    peer.SetScript([data](const Bytes& p) {
        auto it = data.find(p[3] + 1);
        return Answer(ReplyPacket(p[3] + 1, 0, it == data.end() ? Bytes(60, 0) : it->second));
    });
    qda::CommandReply r;
    qda::SettingValue value;
    qda::MeasuredValues measured;
    qda::WaveReply wave;
    qda::Statistics stats;
    qda::HeadInfo info;
    const uint8_t bytes[] = {'1', '2'};
    EXPECT_TRUE(cmd.SendGetCommandAndReceivePacket(1, 0, 14, value));
    EXPECT_EQ(value.Text(), "37");
    EXPECT_TRUE(cmd.SendSetCommandAndReceivePacket(0, 255, 7, nullptr, 0, r));
    EXPECT_TRUE(cmd.SendSetCommandAndReceivePacket(2, 0, 3, bytes, 2, r));
    EXPECT_TRUE(cmd.AutoZero(r, 1, 1));
    EXPECT_TRUE(cmd.Timing(r, 0, 255));
    EXPECT_TRUE(cmd.Reset(r, 1));
    EXPECT_TRUE(cmd.GetMeasuredValues(measured, 255));
    EXPECT_EQ(measured.value[0], 12345);
    EXPECT_EQ(measured.value[1], -2);
    EXPECT_TRUE(measured.out[0].Go());
    EXPECT_TRUE(cmd.GetWaveform(wave, 1, 3));
    EXPECT_TRUE(cmd.CheckSettingMode(r));
    EXPECT_TRUE(cmd.GetStatistics(stats, 1));
    EXPECT_TRUE(cmd.GetHeadInfo(info, 0));
    EXPECT_EQ(info.modelCode, 0x82);
    EXPECT_TRUE(cmd.InitializeController(r));
    const std::vector<Bytes> expected = {
        {0, 8, 7, 10, 1, 0, 14, 0}, {0, 7, 7, 8, 0, 255, 7}, {0, 9, 7, 8, 2, 0, 3, '1', '2'},
        {0, 6, 7, 12, 1, 1},        {0, 6, 7, 14, 0, 255},   {0, 5, 7, 16, 1},
        {0, 6, 7, 20, 255, 0},      {0, 6, 7, 24, 1, 3},     {0, 6, 7, 26, 0, 255},
        {0, 6, 7, 46, 1, 255},      {0, 5, 7, 52, 0},        {0, 4, 7, 66},
    };
    EXPECT_EQ(peer.Packets(), expected);
}

TEST_F(TypedCommandsOverPty, RefusalSilenceAndShortReplies) {
    // Status 5 from a command with a check: the command fails, the status is kept.
    peer.SetScript([](const Bytes& p) { return Answer(ReplyPacket(p[3] + 1, 5)); });
    qda::MeasuredValues measured;
    EXPECT_FALSE(cmd.GetMeasuredValues(measured, 0));
    EXPECT_TRUE(measured.answered);
    EXPECT_EQ(measured.status, 5);
    // ... and from a command whose status the caller reads: the exchange counts.
    qda::CommandReply mode;
    EXPECT_TRUE(cmd.RequestMeasureMode(mode));
    EXPECT_EQ(mode.status, 5);
    qda::StorageStatus storage;
    EXPECT_TRUE(cmd.GetStorageStatus(storage)) << "status 5 needs no counts";
    EXPECT_EQ(storage.status, 5);

    // An "ER," message is the reply with its code as status.
    peer.SetScript([](const Bytes&) { return std::vector<Chunk>{{ErMessage("03")}}; });
    qda::CommandReply setting;
    EXPECT_FALSE(cmd.RequestSettingMode(setting));
    EXPECT_TRUE(setting.answered);
    EXPECT_EQ(setting.status, 3);

    // A status 0 reply without the counts is not a storage status.
    peer.SetScript([](const Bytes&) { return Answer(ReplyPacket(43, 0, {0, 0, 0, 1})); });
    EXPECT_FALSE(cmd.GetStorageStatus(storage));

    // Silence: no answer, no status.
    peer.SetScript([](const Bytes&) { return std::vector<Chunk>{}; });
    qda::WaveReply wave;
    EXPECT_FALSE(cmd.GetWaveform(wave, 0, 0));
    EXPECT_FALSE(wave.answered);
    EXPECT_EQ(wave.status, qda::kNoStatus);
    EXPECT_EQ(Codes(), (std::vector<int>{20, 4, 42, 6, 42, 24, 24, 24}))
        << "the waveform is tried three times";
}

TEST_F(TypedCommandsOverPty, StorageReadoutDecodesTheCountedValues) {
    peer.SetScript([](const Bytes&) {
        Bytes d = {4, 1, 0, 0};
        Bytes c = BE32(2);
        d.insert(d.end(), c.begin(), c.end());
        for (uint32_t v : {7u, 0x80000002u}) {
            Bytes b = BE32(v);
            d.insert(d.end(), b.begin(), b.end());
        }
        return Answer(ReplyPacket(37, 0, d));
    });
    qda::StorageReadout readout;
    ASSERT_TRUE(cmd.StorageRead(readout, 1));
    EXPECT_EQ(readout.formatIndex, 4);
    EXPECT_TRUE(readout.inch);
    EXPECT_EQ(readout.values, (std::vector<int32_t>{7, static_cast<int32_t>(0x80000002u)}));
    EXPECT_EQ(peer.Packets().back(), (Bytes{0, 5, 7, 36, 1}));
}

}  // namespace
