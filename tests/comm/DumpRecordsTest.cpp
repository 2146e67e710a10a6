// The dump list: rows of a logged block, the copied text, and the lock a logging thread waits for.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "comm/DumpRecords.h"

namespace {

using qda::DumpRow;

std::vector<uint8_t> Counting(int n) {
    std::vector<uint8_t> b(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    return b;
}

TEST(DumpRecords, OneRowPer32BytesAndAtMost256) {
    const qda::DumpClock at{9, 5, 7, 42};
    // A 12-byte frame: one row, the offset and a blank, then twelve ":xx".
    const std::vector<uint8_t> frame = {0x43, 0x43, 0x2C, 0x08, 0x07, 0xAB,
                                        0x00, 0x01, 0x02, 0x0F, 0x10, 0xFF};
    std::vector<DumpRow> rows = qda::FormatDumpRecord(7, at, "Send data", frame.data(), 12);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].number, "0007");
    EXPECT_EQ(rows[0].time, "09:05:07:042");
    EXPECT_EQ(rows[0].caption, "Send data");
    EXPECT_EQ(rows[0].length, "12");
    EXPECT_EQ(rows[0].data, "00000000 :43:43:2c:08:07:ab:00:01:02:0f:10:ff");

    // A 300-byte reply: eight full rows, only the first 256 bytes; the length tells all 300.
    const std::vector<uint8_t> reply = Counting(300);
    rows = qda::FormatDumpRecord(12345, at, "Recevie data", reply.data(), 300);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].number, "12345");
    EXPECT_EQ(rows[0].length, "300");
    for (size_t i = 0; i < rows.size(); ++i) {
        char offset[16];
        std::snprintf(offset, sizeof offset, "%08X ", static_cast<unsigned>(i * 32));
        EXPECT_EQ(rows[i].data.rfind(offset, 0), 0u) << i;
        EXPECT_EQ(rows[i].data.size(), 9u + 32u * 3u) << i;
        if (i > 0) {
            EXPECT_TRUE(rows[i].number.empty() && rows[i].time.empty() && rows[i].caption.empty() &&
                        rows[i].length.empty());
        }
    }
    EXPECT_EQ(rows[7].data.substr(rows[7].data.size() - 3), ":ff");

    // A final partial row, and a block without bytes that still has its first row.
    rows = qda::FormatDumpRecord(0, at, "Send data", reply.data(), 33);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].data, "00000020 :20");
    rows = qda::FormatDumpRecord(0, at, "Send data", nullptr, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].data, "");
}

TEST(DumpRecords, RecorderNumbersCopiesAndClears) {
    qda::CDumpRecorder recorder;
    const std::vector<uint8_t> b = Counting(40);
    recorder.Log("Send data", b.data(), 4);  // not enabled: the window is not shown
    EXPECT_EQ(recorder.Counter(), 0);
    recorder.SetEnabled(true);
    recorder.Log("Send data", b.data(), 4);
    recorder.Log("Recevie data", b.data(), 40);
    const std::string text = recorder.Text();
    const std::regex expected(
        "No\\.\tTime\tCaption\tLength\tData\r\n"
        "0000\t\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d\tSend data\t4\t00000000 :00:01:02:03\r\n"
        "0001\t\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d\tRecevie data\t40\t00000000 (:[0-9a-f]{2}){32}\r\n"
        "\t\t\t\t00000020 :20:21:22:23:24:25:26:27\r\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;

    std::vector<DumpRow> taken;
    EXPECT_EQ(recorder.TakeNewRows(taken), 3u);
    EXPECT_EQ(recorder.TakeNewRows(taken), 0u);
    // Clearing deletes the rows; the counter goes on.
    recorder.Clear();
    recorder.Log("Send data", b.data(), 1);
    taken.clear();
    ASSERT_EQ(recorder.TakeNewRows(taken), 1u);
    EXPECT_EQ(taken[0].number, "0002");
}

TEST(DumpRecords, LoggerGivesUpAfterASecondWhileTheListIsHeld) {
    qda::CDumpRecorder recorder;
    recorder.SetEnabled(true);
    std::atomic<int> failures{0}, added{0};
    recorder.SetNotifications([&] { ++added; }, [&] { ++failures; });
    const uint8_t byte = 0x55;
    std::chrono::steady_clock::duration waited{};
    {
        auto held = recorder.Hold();
        std::thread logger([&] {
            const auto start = std::chrono::steady_clock::now();
            recorder.Log("Send data", &byte, 1);
            waited = std::chrono::steady_clock::now() - start;
        });
        logger.join();
    }
    EXPECT_GE(waited, std::chrono::milliseconds(950));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ(failures.load(), 1);
    EXPECT_EQ(added.load(), 0);
    // Nothing was logged, not even a number.
    EXPECT_EQ(recorder.Counter(), 0);
    std::vector<DumpRow> rows;
    EXPECT_EQ(recorder.TakeNewRows(rows), 0u);
    recorder.Log("Send data", &byte, 1);
    EXPECT_EQ(added.load(), 1);
}

}  // namespace
