// The controller's replies decoded from the bytes it sends: fields, statuses, and replies that are
// short or carry a field out of range.
#include <gtest/gtest.h>

#include <functional>

#include "comm/ByteOrder.h"
#include "comm/ControllerReplies.h"

namespace {

using Bytes = std::vector<uint8_t>;
using qda::ReplyCheck;

// A reply packet: header (length, 0, code), status, three unread bytes, then `data` from byte 8.
Bytes Reply(int code, int status, const Bytes& data = {}) {
    Bytes r(8 + data.size(), 0);
    for (size_t i = 0; i < data.size(); ++i) r[8 + i] = data[i];
    qda::StoreBE16(r.data(), static_cast<uint16_t>(r.size()));
    r[3] = static_cast<uint8_t>(code);
    r[4] = static_cast<uint8_t>(status);
    return r;
}

void Put32(Bytes& b, size_t offset, uint32_t v) {
    if (b.size() < offset + 4) b.resize(offset + 4, 0);
    qda::StoreBE32(&b[offset], v);
}

Bytes MeasuredReply() {
    Bytes r = Reply(21, 0, Bytes(16, 0));
    r[9] = 0x23;   // rows: OUT1 2, OUT2 3
    r[10] = 0x41;  // decimals: OUT1 4, OUT2 1
    r[11] = 1;     // inch
    Put32(r, 12, 12345);
    Put32(r, 16, static_cast<uint32_t>(-2));
    r[20] = 0xA0;  // zero on, GO
    r[21] = 0x49;  // HI (bits 6 and 3), timing on
    r[22] = 0x92;  // pulsed timing, second lamp, red
    r[23] = 0x0B;  // third lamp, dark
    return r;
}

TEST(ControllerReplies, MeasuredValues) {
    qda::MeasuredValues v;
    ASSERT_EQ(qda::DecodeMeasuredValues(MeasuredReply(), v), ReplyCheck::kOk);
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.format[0].rowHint, 2);
    EXPECT_EQ(v.format[1].rowHint, 3);
    EXPECT_EQ(v.format[0].decimals, 4);
    EXPECT_EQ(v.format[1].decimals, 1);
    EXPECT_TRUE(v.format[0].UnitValid());
    EXPECT_EQ(v.value[0], 12345);
    EXPECT_EQ(v.value[1], -2);
    EXPECT_TRUE(v.out[0].AutoZero());
    EXPECT_TRUE(v.out[0].Go());
    EXPECT_FALSE(v.out[0].Hi());
    EXPECT_TRUE(v.out[0].NormalStyle());
    EXPECT_FALSE(v.out[0].Timing());
    EXPECT_TRUE(v.out[1].Hi());
    EXPECT_FALSE(v.out[1].Go());
    EXPECT_FALSE(v.out[1].NormalStyle()) << "HI is drawn in the alert style";
    EXPECT_TRUE(v.out[1].Timing());
    EXPECT_EQ(v.head[0].StateColour(), qda::HeadFlags::kRed);
    EXPECT_TRUE(v.head[0].SecondLamp());
    EXPECT_TRUE(v.head[0].PulsedTiming());
    EXPECT_EQ(v.head[1].StateColour(), qda::HeadFlags::kDark);
    EXPECT_TRUE(v.head[1].ThirdLamp());
    EXPECT_FALSE(v.head[1].PulsedTiming());

    Bytes badUnit = MeasuredReply();
    badUnit[11] = 2;
    ASSERT_EQ(qda::DecodeMeasuredValues(badUnit, v), ReplyCheck::kOk);
    EXPECT_FALSE(v.format[0].UnitValid()) << "unit code 2 makes both values unusable";
    EXPECT_FALSE(v.format[1].UnitValid());
}

TEST(ControllerReplies, JudgementBits) {
    struct Case {
        uint8_t flags;
        bool hi, go, lo, normal;
    };
    const Case cases[] = {
        {0x00, false, false, false, false}, {0x20, false, true, false, true},
        {0x04, false, true, false, false},  {0x30, false, true, true, false},
        {0x10, false, false, true, false},  {0x02, false, false, true, false},
        {0x08, true, false, false, false},  {0x24, false, true, false, true},
        {0xE0, true, true, false, false},
    };
    for (const Case& c : cases) {
        const qda::OutFlags f{c.flags};
        EXPECT_EQ(f.Hi(), c.hi) << int(c.flags);
        EXPECT_EQ(f.Go(), c.go) << int(c.flags);
        EXPECT_EQ(f.Lo(), c.lo) << int(c.flags);
        EXPECT_EQ(f.NormalStyle(), c.normal) << int(c.flags);
    }
}

TEST(ControllerReplies, StatisticsCarryElevenFields) {
    Bytes r = Reply(47, 0, Bytes(52, 0));
    r[9] = 1;
    r[10] = 3;
    r[11] = 0;
    for (uint32_t i = 0; i < 11; ++i) Put32(r, 16 + 4 * i, 100 + i);
    Put32(r, 24, static_cast<uint32_t>(-5000));
    qda::Statistics s;
    ASSERT_EQ(qda::DecodeStatistics(r, s), ReplyCheck::kOk);
    EXPECT_EQ(s.format.rowHint, 1);
    EXPECT_EQ(s.format.decimals, 3);
    EXPECT_EQ(s.format.unitCode, 0);
    EXPECT_EQ(s.field[0], 100);
    EXPECT_EQ(s.field[1], 101);
    EXPECT_EQ(s.RowValue(qda::Statistics::kAverage), -5000) << "the average is the field at 24";
    EXPECT_EQ(s.RowValue(qda::Statistics::kLoCount), 110) << "the LO count is the field at 56";
    EXPECT_TRUE(qda::Statistics::IsMeasuredRow(qda::Statistics::kDeviation));
    EXPECT_FALSE(qda::Statistics::IsMeasuredRow(qda::Statistics::kCount));
}

TEST(ControllerReplies, WaveformSamplesAndPeaks) {
    Bytes r = Reply(25, 0, Bytes(14, 0));
    r[8] = 0x07;
    qda::StoreBE16(&r[10], 768);
    for (int i = 0; i < 4; ++i) qda::StoreBE16(&r[14 + 2 * i], static_cast<uint16_t>(100 * (i + 1)));
    for (int i = 0; i < 1024; ++i) r.push_back(static_cast<uint8_t>(i & 0xFF));
    qda::WaveReply w;
    ASSERT_EQ(qda::DecodeWaveform(r, w), ReplyCheck::kOk);
    EXPECT_EQ(w.segmentFlags, 7);
    EXPECT_EQ(w.sampleCount, 768);
    EXPECT_EQ(w.ValidSamples(), 768);
    EXPECT_EQ(w.peak, (std::array<uint16_t, 4>{100, 200, 300, 400}));
    EXPECT_EQ(w.sample[0], 0);
    EXPECT_EQ(w.sample[255], 255);
    EXPECT_EQ(w.sample[1023], 255);

    // A short reply leaves the samples it does not carry at 0, and a count beyond the buffer is
    // never believed.
    Bytes shortReply(r.begin(), r.begin() + 22 + 10);
    qda::StoreBE16(&shortReply[10], 5000);
    w.sample.fill(9);
    ASSERT_EQ(qda::DecodeWaveform(shortReply, w), ReplyCheck::kOk);
    EXPECT_EQ(w.sample[9], 9);
    EXPECT_EQ(w.sample[10], 0);
    EXPECT_EQ(w.ValidSamples(), 1024);
}

TEST(ControllerReplies, StorageStatusAndReadout) {
    Bytes status = Reply(43, 0);
    Put32(status, 8, 1234);
    Put32(status, 12, 70000);
    status.push_back(1);
    qda::StorageStatus st;
    ASSERT_EQ(qda::DecodeStorageStatus(status, st), ReplyCheck::kOk);
    EXPECT_EQ(st.count, (std::array<int32_t, 2>{1234, 70000}));
    EXPECT_TRUE(st.storing);
    status[16] = 2;
    ASSERT_EQ(qda::DecodeStorageStatus(status, st), ReplyCheck::kOk);
    EXPECT_FALSE(st.storing) << "only 1 means storing";

    Bytes readout = Reply(37, 0, {3, 1, 0, 0});
    Put32(readout, 12, 3);
    Put32(readout, 16, 10);
    Put32(readout, 20, 0x80000001u);
    Put32(readout, 24, static_cast<uint32_t>(-7));
    qda::StorageReadout rd;
    ASSERT_EQ(qda::DecodeStorageReadout(readout, rd), ReplyCheck::kOk);
    EXPECT_EQ(rd.formatIndex, 3);
    EXPECT_TRUE(rd.inch);
    EXPECT_EQ(rd.count, 3);
    EXPECT_EQ(rd.values, (std::vector<int32_t>{10, static_cast<int32_t>(0x80000001u), -7}));

    Bytes none = Reply(37, 0, {2, 0, 0, 0});
    Put32(none, 12, static_cast<uint32_t>(-1));
    ASSERT_EQ(qda::DecodeStorageReadout(none, rd), ReplyCheck::kOk);
    EXPECT_FALSE(rd.inch);
    EXPECT_EQ(rd.count, -1);
    EXPECT_TRUE(rd.values.empty());
}

TEST(ControllerReplies, ScalingHeadInfoAndSettings) {
    Bytes scaling = Reply(23, 0, Bytes(4, 0));
    Put32(scaling, 12, 1);
    Put32(scaling, 16, 2);
    Put32(scaling, 20, 3);
    Put32(scaling, 24, 0x7FFFFFFF);
    qda::ScalingValues sc;
    ASSERT_EQ(qda::DecodeScalingValues(scaling, sc), ReplyCheck::kOk);
    EXPECT_EQ(sc.value[0][0], 1) << "head A as OUT1 sees it";
    EXPECT_EQ(sc.value[0][1], 2) << "head B as OUT1 sees it";
    EXPECT_EQ(sc.value[1][0], 3) << "head A as OUT2 sees it";
    EXPECT_EQ(sc.value[1][1], 0x7FFFFFFF);

    qda::HeadInfo info;
    ASSERT_EQ(qda::DecodeHeadInfo(Reply(53, 0, {0, 0x82}), info), ReplyCheck::kOk);
    EXPECT_EQ(info.modelCode, 0x82);

    qda::SettingValue value;
    ASSERT_EQ(qda::DecodeSettingValue(Reply(11, 0, {'4', '2'}), value), ReplyCheck::kOk);
    EXPECT_EQ(value.Text(), "42");
    ASSERT_EQ(qda::DecodeSettingValue(Reply(11, 0), value), ReplyCheck::kOk);
    EXPECT_TRUE(value.bytes.empty()) << "a setting reply may carry no value";

    qda::CommandReply write;
    EXPECT_EQ(qda::DecodeSettingWrite(Reply(9, 0, {0}), write), ReplyCheck::kOk);
    EXPECT_EQ(qda::DecodeSettingWrite(Reply(9, 0, {2}), write), ReplyCheck::kOk) << "2 is accepted as well";
    EXPECT_EQ(qda::DecodeSettingWrite(Reply(9, 0, {1}), write), ReplyCheck::kBadField);
    EXPECT_EQ(qda::DecodeSettingWrite(Reply(9, 0), write), ReplyCheck::kTooShort);
}

// Every decoder: a refusing status reads no field, a reply cut anywhere before its last field
// fails, and a reply too short for its status fails without reading beyond its end.
TEST(ControllerReplies, ShortAndRefusingReplies) {
    struct Case {
        const char* name;
        Bytes whole;
        std::function<ReplyCheck(std::span<const uint8_t>)> decode;
    };
    Bytes readout = Reply(37, 0, {1, 0, 0, 0});
    Put32(readout, 12, 2);
    Put32(readout, 16, 5);
    Put32(readout, 20, 6);
    Bytes status = Reply(43, 0, Bytes(9, 0));
    Bytes waveform = Reply(25, 0, Bytes(14, 0));
    const Case cases[] = {
        {"measured", MeasuredReply(),
         [](std::span<const uint8_t> r) {
             qda::MeasuredValues v;
             return qda::DecodeMeasuredValues(r, v);
         }},
        {"statistics", Reply(47, 0, Bytes(52, 0)),
         [](std::span<const uint8_t> r) {
             qda::Statistics v;
             return qda::DecodeStatistics(r, v);
         }},
        {"waveform", waveform,
         [](std::span<const uint8_t> r) {
             qda::WaveReply v;
             return qda::DecodeWaveform(r, v);
         }},
        {"storage status", status,
         [](std::span<const uint8_t> r) {
             qda::StorageStatus v;
             return qda::DecodeStorageStatus(r, v);
         }},
        {"storage readout", readout,
         [](std::span<const uint8_t> r) {
             qda::StorageReadout v;
             return qda::DecodeStorageReadout(r, v);
         }},
        {"scaling", Reply(23, 0, Bytes(20, 0)),
         [](std::span<const uint8_t> r) {
             qda::ScalingValues v;
             return qda::DecodeScalingValues(r, v);
         }},
        {"head info", Reply(53, 0, {0, 0}),
         [](std::span<const uint8_t> r) {
             qda::HeadInfo v;
             return qda::DecodeHeadInfo(r, v);
         }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.decode(c.whole), ReplyCheck::kOk) << c.name;
        for (size_t cut = 0; cut < c.whole.size(); ++cut) {
            const Bytes part(c.whole.begin(), c.whole.begin() + static_cast<std::ptrdiff_t>(cut));
            // The waveform's samples may be short; its fixed fields may not.
            if (std::string(c.name) == "waveform" && cut >= 22) continue;
            EXPECT_EQ(c.decode(part), ReplyCheck::kTooShort) << c.name << " cut at " << cut;
        }
        Bytes refused = c.whole;
        refused[4] = 5;
        EXPECT_EQ(c.decode(refused), ReplyCheck::kStatus) << c.name;
        Bytes refusedShort(refused.begin(), refused.begin() + 5);
        EXPECT_EQ(c.decode(refusedShort), ReplyCheck::kStatus) << c.name << ": a refusal needs no fields";
    }
}

TEST(ControllerReplies, StorageCountIsBelievedOnlyAsFarAsTheValuesCame) {
    qda::StorageReadout rd;
    Bytes tooMany = Reply(37, 0, {1, 0, 0, 0});
    Put32(tooMany, 12, 65537);
    EXPECT_EQ(qda::DecodeStorageReadout(tooMany, rd), ReplyCheck::kBadField);
    Bytes huge = tooMany;
    Put32(huge, 12, 0xFFFFFFF0u - 1);  // negative as a signed count: no values
    EXPECT_EQ(qda::DecodeStorageReadout(huge, rd), ReplyCheck::kOk);
    EXPECT_TRUE(rd.values.empty());
    Bytes missing = Reply(37, 0, {1, 0, 0, 0});
    Put32(missing, 12, 3);
    Put32(missing, 16, 1);
    Put32(missing, 20, 2);
    EXPECT_EQ(qda::DecodeStorageReadout(missing, rd), ReplyCheck::kTooShort)
        << "two values for a count of three";
    Bytes full = Reply(37, 0, {1, 0, 0, 0});
    Put32(full, 12, 65536);
    full.resize(16 + 4 * 65536, 0);
    EXPECT_EQ(qda::DecodeStorageReadout(full, rd), ReplyCheck::kOk);
    EXPECT_EQ(rd.values.size(), 65536u);
}

}  // namespace
