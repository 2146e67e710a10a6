// Bytes written to and read from a pipe device.
#include <gtest/gtest.h>

#include <deque>
#include <numeric>

#include "usblib/PipeFraming.h"

namespace {

TEST(PipeFramingTest, MessagesArePaddedToWholePackets) {
    struct Case {
        uint32_t length, packet;
        std::vector<size_t> writes;
    } cases[] = {
        {10, 64, {64}},         {58, 64, {64}},          {59, 64, {128}}, {0, 64, {64}},
        {10, 512, {512}},       {5000, 64, {4096, 960}},  // 5006 bytes framed, padded to 5056
        {70000, 64, {4, 4096}},                           // long form: the length alone, then data chunks
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<uint8_t> data(c.length);
        std::iota(data.begin(), data.end(), 0);
        const auto writes = qda::FramePipeMessage(data.data(), c.length, c.packet);
        ASSERT_GE(writes.size(), c.writes.size());
        for (size_t i = 0; i < c.writes.size(); ++i) EXPECT_EQ(writes[i].size(), c.writes[i]);
        size_t total = 0;
        for (const auto& w : writes) {
            EXPECT_LE(w.size(), 4096u);
            total += w.size();
        }
        if (c.length <= 0xFFFF) {
            EXPECT_EQ(total, c.packet * ((c.packet + c.length + 5) / c.packet));
            EXPECT_EQ(std::string(writes[0].begin(), writes[0].begin() + 4), "TRHS");
            EXPECT_EQ(writes[0][4] | (writes[0][5] << 8), static_cast<int>(c.length));
        } else {
            EXPECT_EQ(writes[0], (std::vector<uint8_t>{0x70, 0x11, 0x01, 0x00}));
            EXPECT_EQ(total - 4, c.packet * ((c.packet + c.length - 1) / c.packet));
        }
    }
    EXPECT_TRUE(qda::FramePipeMessage(nullptr, 0, 0).empty());
}

TEST(PipeFramingTest, ReplyReads) {
    struct Case {
        const char* name;
        std::deque<int> reads;  // bytes each read returns; -1 = failure
        uint32_t expected, retries;
        int64_t result;
        size_t readsMade;
    } cases[] = {
        {"empty reads before data are repeated", {0, 0, 30}, 100, 0, 30, 3},
        {"retry count gives up", {0, 0, 0, 30}, 100, 3, -1, 3},
        // No retry count still gives up on a device that never answers: it holds every
        // process's lock meanwhile.
        {"silent device with no retry count", {}, 100, 0, -1, qda::kPipeSilentReadLimit},
        {"short packet ends the reply", {30, 40}, 1000, 0, 30, 1},
        {"whole packets continue until no data", {4096, 64, 0}, 10000, 0, 4160, 3},
        {"stops at the expected count", {4096, 4096}, 5000, 0, 5000, 2},
        {"failed read", {64, -1}, 1000, 0, -1, 2},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> reply(c.expected);
        size_t made = 0;
        auto read = [&](uint8_t*, uint32_t ask) -> int {
            // A loop that never ends shows as a failure after a thousand reads.
            if (++made > 1000) return -1;
            if (c.reads.empty()) return 0;
            const int n = c.reads.front();
            c.reads.pop_front();
            return n < 0 ? -1 : std::min<int>(n, static_cast<int>(ask));
        };
        EXPECT_EQ(qda::ReadPipeReply(read, reply.data(), c.expected, c.retries, 64), c.result);
        EXPECT_EQ(made, c.readsMade);
    }
}

}  // namespace
