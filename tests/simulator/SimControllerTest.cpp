// The controller stand-in answers bare command packets exactly as a controller would:
// these tests hand it bytes and look at the reply bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "simulator/ControlChannel.h"
#include "simulator/SimController.h"
#include "simulator/SimFaults.h"
#include "simulator/SimOptions.h"
#include "simulator/SimTestUtil.h"

using namespace simtest;
using qda::sim::SimController;
using qda::sim::SimFaults;

namespace {

class SimControllerTest : public ::testing::Test {
protected:
    SimControllerTest() { Make(); }
    void Make(SimController::Options o = {}) {
        sim_ = std::make_unique<SimController>(o, faults_, [this] { return now_; });
    }
    std::vector<uint8_t> Send(const std::vector<uint8_t>& p) { return sim_->HandlePacket(p); }
    // Sends and expects the regular reply code; returns the reply.
    std::vector<uint8_t> Ok(const std::vector<uint8_t>& p, uint8_t status = 0) {
        std::vector<uint8_t> r = Send(p);
        EXPECT_GE(r.size(), 8u);
        if (r.size() < 8) return std::vector<uint8_t>(8, 0xEE);
        EXPECT_EQ(r[3], p[3] + 1) << "command " << int(p[3]);
        EXPECT_EQ(r[4], status) << "command " << int(p[3]);
        EXPECT_EQ(U16(r, 0), r.size() & 0xFFFF);
        EXPECT_EQ(r[2], 0x07);
        return r;
    }
    void SettingMode() { Ok(Packet(6)); }
    void MeasuringMode() { Ok(Packet(4)); }
    std::string ReadText(uint8_t g, uint8_t s, uint8_t i) { return Data(Ok(Read(g, s, i))); }
    uint8_t WriteResult(const std::vector<uint8_t>& p) {
        const auto r = Ok(p);
        return r.size() > 8 ? r[8] : 0xEE;
    }

    int64_t now_ = 1'000'000;
    SimFaults faults_{7};
    std::unique_ptr<SimController> sim_;
};

struct ModeCase {
    const char* name;
    std::vector<uint8_t> packet;
    uint8_t measuring;  // status in measuring mode
    uint8_t setting;    // status in setting mode
};

TEST_F(SimControllerTest, EachCommandAnswersStateErrorInTheWrongMode) {
    const ModeCase cases[] = {
        {"request measure mode", Packet(4), 5, 0},
        {"request setting mode", Packet(6), 0, 5},
        {"write setting", WriteByte(2, 0, 0, 3), 5, 0},
        {"read setting", Read(4, 255, 0), 5, 0},
        {"auto zero", Packet(12, {1, 0}), 0, 5},
        {"timing", Packet(14, {1, 255}), 0, 5},
        {"reset", Packet(16, {1}), 0, 5},
        {"measured values", Packet(20, {255, 0}), 0, 5},
        {"scaling values", Packet(22), 5, 0},
        {"waveform", Packet(24, {0, 0}), 0, 5},
        {"check setting mode", Packet(26, {0, 255}), 5, 0},
        {"storage clear", Packet(34), 0, 5},
        {"storage read", Packet(36, {0}), 0, 5},
        {"storage start (nothing to store)", Packet(38), 6, 5},
        {"storage stop", Packet(40), 0, 5},
        {"storage status", Packet(42), 0, 5},
        {"clear statistics", Packet(44), 0, 5},
        {"statistics", Packet(46, {0, 255}), 0, 5},
        {"head info", Packet(52, {1}), 0, 0},
        {"initialize", Packet(66), 0, 0},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Make();
        Ok(c.packet, c.measuring);
        Make();
        SettingMode();
        Ok(c.packet, c.setting);
    }
}

TEST_F(SimControllerTest, MalformedPacketsGetLengthOrCommandErrors) {
    auto wrongLength = Packet(42);
    wrongLength[1] = 9;  // length field says 9, packet has 4 bytes
    EXPECT_EQ(Send(wrongLength)[4], 2);
    EXPECT_EQ(Send(Packet(42, {0}))[4], 2);    // one byte too many
    EXPECT_EQ(Send(Packet(20, {255}))[4], 2);  // one byte short
    EXPECT_EQ(Send({0, 3, 7})[4], 2);          // too short to name a command
    auto badMarker = Packet(42);
    badMarker[2] = 0x08;
    EXPECT_EQ(Send(badMarker)[4], 1);
    const auto unknown = Send(Packet(18));
    EXPECT_EQ(unknown[3], 19);
    EXPECT_EQ(unknown[4], 1);
    EXPECT_EQ(Send(Packet(20, {2, 0}))[4], 1);  // OUT selection 2 does not exist
}

TEST_F(SimControllerTest, DefaultSettingsReadBackInWireForm) {
    SettingMode();
    const struct {
        uint8_t g, s, i;
        std::string text;
    } cases[] = {
        {0, 0, 0, std::string(1, '\0')},
        {0, 1, 1, "99,01"},
        {0, 0, 5, "008"},
        {0, 0, 6, "\x04"},
        {1, 0, 2, "+00.0000,+00.0000,+01.0000,+01.0000"},
        {1, 1, 3, "+00.0000,+00.0000,+01.0000,+01.0000"},
        {1, 0, 5, "\x04"},
        {1, 0, 6, "\x02"},
        {1, 0, 9, "+00.0000"},
        {1, 0, 10, "\x02"},
        {1, 0, 11, "+01.0000,+10.000,-01.0000,-10.000"},
        {1, 1, 13, "+05.0000,-05.0000"},
        {1, 0, 14, "00.0000"},
        {2, 0, 0, "\x03"},
        {2, 0, 6, "65536"},
        {2, 0, 7, "\x04"},
        {3, 0, 1, "\x02"},
        {4, 255, 0, std::string(1, '\0')},
        {4, 0, 1, std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.g) + "," + std::to_string(c.s) + "," + std::to_string(c.i));
        EXPECT_EQ(ReadText(c.g, c.s, c.i), c.text);
    }
}

TEST_F(SimControllerTest, WrittenValuesReadBackAndRepeatsReportUnchanged) {
    SettingMode();
    const struct {
        uint8_t g, s, i;
        std::string written, read;
    } cases[] = {
        {0, 0, 1, "10,05", "10,05"},
        {0, 1, 5, "123", "123"},
        {1, 1, 11, "+010000,+10000,-010000,-02500", "+01.0000,+10.000,-01.0000,-02.500"},
        {1, 0, 13, "+001234,-000050", "+00.1234,-00.0050"},
        {1, 0, 9, "-000460", "-00.0460"},
        {1, 1, 2, "-000100,+000000,+009000,+010000", "-00.0100,+00.0000,+00.9000,+01.0000"},
        {2, 0, 6, "01000", "01000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(WriteResult(Write(c.g, c.s, c.i, c.written)), 0);
        EXPECT_EQ(ReadText(c.g, c.s, c.i), c.read);
        EXPECT_EQ(WriteResult(Write(c.g, c.s, c.i, c.written)), 2);
    }
    // The texts follow the OUT's display digits: 0.1 um steps put the point before the last digit.
    ASSERT_EQ(WriteResult(WriteByte(1, 0, 10, 4)), 0);
    EXPECT_EQ(ReadText(1, 0, 9), "-00046.0");
}

TEST_F(SimControllerTest, OutOfRangeOrMalformedWritesAreRefused) {
    SettingMode();
    const struct {
        const char* name;
        std::vector<uint8_t> packet;
        uint8_t status, result;
    } cases[] = {
        {"ROVA upper below lower", Write(0, 0, 1, "05,10"), 0, 1},
        {"ROVA limit 0", Write(0, 0, 1, "10,00"), 0, 1},
        {"ROVA mode 2", WriteByte(0, 0, 0, 2), 0, 1},
        {"tolerance lower above upper", Write(1, 0, 13, "-000001,+000001"), 0, 1},
        {"hysteresis as wide as the band", Write(1, 0, 14, "100000"), 0, 1},
        {"points 65537", Write(2, 0, 6, "65537"), 0, 1},
        {"points 0", Write(2, 0, 6, "00000"), 0, 1},
        {"equal scaling inputs", Write(1, 0, 2, "+000010,+000000,+000010,+000100"), 0, 1},
        {"voltage beyond 10.5 V", Write(1, 0, 11, "+010000,+10501,-010000,-10000"), 0, 1},
        {"letters in a number", Write(1, 0, 9, "+00a000"), 0, 1},
        {"program 8", WriteByte(4, 255, 0, 8), 0, 1},
        {"byte value with two bytes", Write(0, 0, 0, "\x01\x01"), 2, 0},
        {"tolerance text one short", Write(1, 0, 13, "+001000,-00100"), 2, 0},
        {"no such group", WriteByte(5, 0, 0, 0), 1, 0},
        {"no such item", WriteByte(3, 0, 4, 0), 1, 0},
        {"tuning action with data", WriteByte(0, 0, 7, 0), 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = Ok(c.packet, c.status);
        if (c.status == 0) {
            ASSERT_EQ(r.size(), 9u);
            EXPECT_EQ(r[8], c.result);
        }
    }
    Ok(Read(0, 0, 2), 1);    // an item that holds no value
    Ok(Read(0, 255, 0), 1);  // both heads cannot be read at once
    // Nothing above changed a value.
    EXPECT_EQ(ReadText(0, 0, 1), "99,01");
    EXPECT_EQ(ReadText(1, 0, 13), "+05.0000,-05.0000");
    EXPECT_EQ(ReadText(2, 0, 6), "65536");
}

TEST_F(SimControllerTest, HysteresisMustBeClearedBeforeNarrowingTheTolerances) {
    SettingMode();
    ASSERT_EQ(WriteResult(Write(1, 0, 14, "040000")), 0);           // 4 mm within a 10 mm band
    EXPECT_EQ(WriteResult(Write(1, 0, 13, "+001000,-001000")), 1);  // 0.2 mm band < 4 mm hysteresis
    ASSERT_EQ(WriteResult(Write(1, 0, 14, "000000")), 0);
    EXPECT_EQ(WriteResult(Write(1, 0, 13, "+001000,-001000")), 0);
    EXPECT_EQ(WriteResult(Write(1, 0, 14, "001000")), 0);
    EXPECT_EQ(ReadText(1, 0, 14), "00.1000");
}

TEST_F(SimControllerTest, ProgramsKeepTheirOwnSettingsAndTerminalSwitchingLocksTheProgram) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(4, 255, 0, 3)), 0);
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 5, 1)), 0);
    EXPECT_EQ(ReadText(4, 255, 0), "\x03");
    ASSERT_EQ(WriteResult(WriteByte(4, 255, 0, 0)), 0);
    EXPECT_EQ(ReadText(2, 0, 5), std::string(1, '\0'));
    ASSERT_EQ(WriteResult(WriteByte(4, 255, 0, 3)), 0);
    EXPECT_EQ(ReadText(2, 0, 5), "\x01");

    // Program switching by terminal takes effect once the controller measures again; from then
    // on the program cannot be selected over the link until it is switched back to the panel.
    ASSERT_EQ(WriteResult(WriteByte(3, 0, 3, 1)), 0);
    EXPECT_EQ(WriteResult(WriteByte(4, 255, 0, 2)), 0);
    MeasuringMode();
    SettingMode();
    EXPECT_EQ(WriteResult(WriteByte(4, 255, 0, 5)), 1);
    EXPECT_EQ(ReadText(4, 255, 0), "\x02");
    ASSERT_EQ(WriteResult(WriteByte(3, 0, 3, 0)), 0);
    MeasuringMode();
    SettingMode();
    EXPECT_EQ(WriteResult(WriteByte(4, 255, 0, 5)), 0);
}

TEST_F(SimControllerTest, UnitChangeStartsEveryProgramAfreshInTheNewUnit) {
    SettingMode();
    ASSERT_EQ(WriteResult(Write(1, 0, 13, "+001000,-001000")), 0);
    ASSERT_EQ(WriteResult(WriteByte(4, 0, 1, 1)), 0);
    EXPECT_EQ(ReadText(4, 0, 1), "\x01");
    // +-0.05 inch shown in the 0.1 mil row is +-50.0 mil; the scaling's 0.01 inch is 10.0 mil.
    EXPECT_EQ(ReadText(1, 0, 13), "+00050.0,-00050.0");
    EXPECT_EQ(ReadText(1, 1, 2), "+00000.0,+00000.0,+00010.0,+00010.0");
}

TEST_F(SimControllerTest, StorageCountsGrowAtTheProgrammedIntervalUntilFull) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 5, 3)), 0);    // both OUTs
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 0, 5)), 0);    // 1 ms sampling
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 7, 2)), 0);    // every 5th sample: 5 ms
    ASSERT_EQ(WriteResult(Write(2, 0, 6, "00040")), 0);  // 40 points
    MeasuringMode();
    Ok(Packet(38));
    now_ += 52'000;
    auto st = Ok(Packet(42));
    ASSERT_EQ(st.size(), 20u);
    EXPECT_EQ(I32(st, 8), 10);
    EXPECT_EQ(I32(st, 12), 10);
    EXPECT_EQ(st[16], 1);
    Ok(Packet(36, {0}), 5);  // no readout while storing
    Ok(Packet(34), 5);       // nor clearing

    now_ += 1'000'000;
    st = Ok(Packet(42));
    EXPECT_EQ(I32(st, 8), 40);
    EXPECT_EQ(st[16], 0);  // stopped by itself when full

    const auto r = Ok(Packet(36, {1}));
    ASSERT_EQ(r.size(), 16u + 4 * 40);
    EXPECT_EQ(r[8], 2);  // display digits row of OUT2
    EXPECT_EQ(r[9], 0);  // metric
    EXPECT_EQ(I32(r, 12), 40);
    for (int i = 0; i < 40; ++i) EXPECT_LT(std::abs(I32(r, 16 + 4 * i)), 100000000) << i;

    Ok(Packet(34));
    st = Ok(Packet(42));
    EXPECT_EQ(I32(st, 8), 0);
    EXPECT_EQ(Ok(Packet(36, {0})).size(), 16u);
}

TEST_F(SimControllerTest, StorageResumesAfterStopAndIsClearedBySettingMode) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 5, 2)), 0);  // OUT2 only
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 0, 5)), 0);
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 7, 0)), 0);  // every 1 ms
    MeasuringMode();
    Ok(Packet(38));
    now_ += 10'500;
    Ok(Packet(40));
    now_ += 50'000;
    auto st = Ok(Packet(42));
    EXPECT_EQ(I32(st, 8), 0);
    EXPECT_EQ(I32(st, 12), 10);
    Ok(Packet(38));
    now_ += 5'000;
    EXPECT_EQ(I32(Ok(Packet(42)), 12), 15);
    Ok(Packet(40));
    EXPECT_EQ(Ok(Packet(36, {1})).size(), 16u + 4 * 15);
    SettingMode();
    MeasuringMode();
    EXPECT_EQ(I32(Ok(Packet(42)), 12), 0);
}

TEST_F(SimControllerTest, MeasuredValuesCarryFormatFlagsAndMoveDeterministically) {
    const auto a = Ok(Packet(20, {255, 0}));
    ASSERT_EQ(a.size(), 24u);
    EXPECT_EQ(a[9], 0x22);          // display rows of OUT1 and OUT2
    EXPECT_EQ(a[10], 0x44);         // four decimals each (0.0001 mm)
    EXPECT_EQ(a[11], 0);            // metric
    EXPECT_EQ(a[20] & 0x70, 0x20);  // GO within the default +-5 mm
    EXPECT_EQ(a[22] & 0x03, 0);     // head A lamp green
    EXPECT_EQ(I32(a, 12) % 10, 0);  // on the 0.0001 mm step

    // The same seed at the same instant gives the same bytes; time moves the values.
    Make();
    EXPECT_EQ(Send(Packet(20, {255, 0})), a);
    now_ += 3'000'000;
    EXPECT_NE(I32(Send(Packet(20, {255, 0})), 12), I32(a, 12));
    SimController::Options other;
    other.seed = 99;
    Make(other);
    now_ -= 3'000'000;
    EXPECT_NE(I32(Send(Packet(20, {255, 0})), 12), I32(a, 12));

    // Only OUT1 asked: OUT2 has no value.
    Make();
    EXPECT_EQ(I32(Ok(Packet(20, {0, 0})), 16), INT32_MIN);
}

TEST_F(SimControllerTest, AutoZeroTimingAndJudgementShowInTheFlags) {
    Ok(Packet(12, {1, 0}));
    auto r = Ok(Packet(20, {255, 0}));
    EXPECT_EQ(r[20] & 0x80, 0x80);
    EXPECT_LT(std::abs(I32(r, 12)), 1000);  // within 10 um of the new zero
    Ok(Packet(14, {1, 1}));
    r = Ok(Packet(20, {255, 0}));
    EXPECT_EQ(r[21] & 0x01, 0x01);
    Ok(Packet(14, {0, 255}));
    Ok(Packet(12, {0, 0}));
    r = Ok(Packet(20, {255, 0}));
    EXPECT_EQ(r[20] & 0x81, 0);
    EXPECT_EQ(r[21] & 0x01, 0);

    // A tolerance band far from the reading judges every value HI.
    SettingMode();
    ASSERT_EQ(WriteResult(Write(1, 0, 13, "-900000,-990000")), 0);
    MeasuringMode();
    EXPECT_EQ(Ok(Packet(20, {255, 0}))[20] & 0x70, 0x40);
}

TEST_F(SimControllerTest, AutomaticOutputFollowsTimingInputs) {
    Ok(Packet(14, {1, 0}));
    EXPECT_TRUE(sim_->TakeAutomaticOutput().empty());  // off by default
    Ok(Packet(14, {0, 0}));
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(3, 0, 2, 3)), 0);  // both OUTs
    MeasuringMode();
    Ok(Packet(14, {1, 255}));
    const auto messages = sim_->TakeAutomaticOutput();
    ASSERT_EQ(messages.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(messages[i].size(), 12u);
        EXPECT_EQ(messages[i].substr(0, 3), i == 0 ? "N1," : "N2,");
        EXPECT_EQ(messages[i].substr(10), "\r\n");
    }
    Ok(Packet(14, {0, 255}));
    EXPECT_TRUE(sim_->TakeAutomaticOutput().empty());
}

TEST_F(SimControllerTest, ImperialUnitChangesTheReportedFormat) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(4, 0, 1, 1)), 0);
    ASSERT_EQ(WriteResult(WriteByte(1, 1, 10, 1)), 0);  // OUT2 in 0.00001 inch
    MeasuringMode();
    const auto r = Ok(Packet(20, {255, 0}));
    EXPECT_EQ(r[9], 0x21);
    EXPECT_EQ(r[10], 0x15);  // 0.1 mil: one decimal; 0.00001 inch: five
    EXPECT_EQ(r[11], 1);
    EXPECT_EQ(I32(r, 16) % 100, 0);  // 0.1 uinch units on the 0.00001 inch step
    EXPECT_EQ(Ok(Packet(46, {1, 255}))[11], 1);
}

TEST_F(SimControllerTest, MissingHeadAndOverRangeGiveMarkers) {
    SimController::Options o;
    o.headModel[0] = 0x0F;
    Make(o);
    auto r = Ok(Packet(20, {255, 0}));
    EXPECT_EQ(I32(r, 12), INT32_MIN);
    EXPECT_EQ(r[22] & 0x03, 3);
    EXPECT_EQ(Ok(Packet(52, {0}))[9], 0x0F);

    sim_->SetHeadModel(0, 0x00);
    sim_->SetOverRangeShare(1.0);
    r = Ok(Packet(20, {255, 0}));
    EXPECT_TRUE(I32(r, 12) == 0x7FFFFFFE || I32(r, 12) == 0x7FFFFFFF) << I32(r, 12);
    EXPECT_EQ(r[22] & 0x13, 0x12);  // red lamp and the alarm lamp
    sim_->SetOverRangeShare(0);
    EXPECT_LT(std::abs(I32(Ok(Packet(20, {255, 0})), 12)), 100000);
}

TEST_F(SimControllerTest, StatisticsSummariseTheValuesSinceTheLastClear) {
    Ok(Packet(44));
    now_ += 1'000'000;
    const auto r = Ok(Packet(46, {0, 255}));
    ASSERT_EQ(r.size(), 60u);
    EXPECT_EQ(r[10], 4);
    EXPECT_EQ(r[11], 0);
    const int32_t avg = I32(r, 24), max = I32(r, 28), min = I32(r, 32), range = I32(r, 36), dev = I32(r, 40);
    const int32_t count = I32(r, 44), hi = I32(r, 48), go = I32(r, 52), lo = I32(r, 56);
    EXPECT_EQ(count, 100);  // one value every 10 ms
    EXPECT_EQ(hi + go + lo, count);
    EXPECT_EQ(go, count);
    EXPECT_LE(min, avg);
    EXPECT_LE(avg, max);
    EXPECT_EQ(range, max - min);
    EXPECT_GT(dev, 0);
    EXPECT_LE(dev, range);

    Ok(Packet(44));
    const auto cleared = Ok(Packet(46, {0, 255}));
    EXPECT_EQ(I32(cleared, 44), 0);
    EXPECT_EQ(I32(cleared, 24), INT32_MIN);
}

TEST_F(SimControllerTest, WaveformHasSegmentFlagsSamplesAndPeaks) {
    auto r = Ok(Packet(24, {0, 0}));
    ASSERT_EQ(r.size(), 1046u);
    EXPECT_EQ(r[8], 0x0F);
    EXPECT_EQ(U16(r, 10), 1024);
    const int peak = U16(r, 14);
    ASSERT_GT(peak, 0);
    EXPECT_EQ(U16(r, 16), 0);  // a standard body shows one surface
    const auto top = std::max_element(r.begin() + 22, r.end()) - (r.begin() + 22);
    EXPECT_NEAR(top, peak, 3);
    EXPECT_GT(r[22 + peak], 150);

    // Transparent 2: four surfaces, and the chosen peak is levelled by ROVA.
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(0, 0, 4, 3)), 0);
    MeasuringMode();
    r = Ok(Packet(24, {0, 3}));
    int peaks = 0;
    for (int i = 0; i < 4; ++i) peaks += U16(r, 14 + 2 * i) != 0;
    EXPECT_GE(peaks, 3);
    Ok(Packet(24, {2, 0}), 1);
    Ok(Packet(24, {0, 4}), 1);

    sim_->SetWaveSegments(0x07);
    EXPECT_EQ(U16(Ok(Packet(24, {1, 0})), 10), 768);
}

TEST_F(SimControllerTest, WaveformPeaksDriftOrStayWhereTheyAreFixed) {
    const int start = U16(Ok(Packet(24, {0, 0})), 14);
    now_ += 4'000'000;  // a quarter of head A's sweep later
    const int later = U16(Ok(Packet(24, {0, 0})), 14);
    EXPECT_GT(std::abs(later - start), 20) << "the peak moves with the head's distance";

    sim_->SetWavePeaks({10, 600});
    for (int i = 0; i < 3; ++i) {
        now_ += 1'500'000;
        const auto r = Ok(Packet(24, {0, 0}));
        EXPECT_EQ(U16(r, 14), 10);
        EXPECT_EQ(U16(r, 16), 600);
        EXPECT_EQ(U16(r, 18), 0);
        EXPECT_GT(r[22 + 600], 100);
    }
    // A fixed peak beyond the segments the controller reports is not there.
    sim_->SetWaveSegments(0x01);
    EXPECT_EQ(U16(Ok(Packet(24, {0, 0})), 16), 0);
    sim_->SetWavePeaks({});
    sim_->SetWaveSegments(0x0F);
    EXPECT_NE(U16(Ok(Packet(24, {0, 0})), 14), 10);
}

TEST_F(SimControllerTest, EachRovaPeakSelectionGivesItsOwnWave) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(0, 0, 4, 3)), 0);  // head A: "透明体2"
    MeasuringMode();
    std::vector<std::vector<uint8_t>> waves;
    for (uint8_t peak = 0; peak < 4; ++peak) {
        const auto r = Ok(Packet(24, {0, peak}));
        waves.emplace_back(r.begin() + 22, r.end());
        // The selected surface is levelled near the same height whichever it is.
        const int at = U16(r, 14 + 2 * peak);
        if (at > 0) {
            EXPECT_NEAR(r[22 + at], 225, 20) << "peak " << int(peak);
        }
    }
    for (size_t a = 0; a < 4; ++a)
        for (size_t b = a + 1; b < 4; ++b) EXPECT_NE(waves[a], waves[b]) << a << " " << b;
}

TEST_F(SimControllerTest, InjectedStatusReplies) {
    std::string error;
    EXPECT_FALSE(faults_.Add("status", "24:0", error)) << "status 0 is no fault";
    ASSERT_TRUE(faults_.Add("status", "24:5:2", error)) << error;
    for (int i = 0; i < 2; ++i) {
        const auto r = Ok(Packet(24, {0, 0}), 5);
        EXPECT_EQ(r.size(), 8u) << "no data with the status";
    }
    EXPECT_EQ(Ok(Packet(24, {0, 0})).size(), 1046u);
    EXPECT_TRUE(faults_.Describe().empty());
}

TEST_F(SimControllerTest, HeadInfoGivesModelCodes) {
    EXPECT_EQ(Ok(Packet(52, {0}))[9], 0x00);
    EXPECT_EQ(Ok(Packet(52, {1}))[9], 0x21);
    Ok(Packet(52, {2}), 1);
}

TEST_F(SimControllerTest, RovaTuningStartFinishAndCancel) {
    SettingMode();
    Ok(Write(0, 255, 9, ""), 5);  // nothing to cancel
    Ok(Write(0, 0, 8, ""), 5);    // nothing to finish

    // While tuning, the controller answers only the tuning actions (and head information).
    EXPECT_EQ(WriteResult(Write(0, 0, 7, "")), 0);
    Ok(Read(0, 0, 0), 5);
    Ok(Packet(26, {0, 255}), 5);
    Ok(Packet(42), 5);
    Ok(Packet(4), 5);
    Ok(Write(0, 1, 7, ""), 5);
    Ok(Packet(52, {0}));
    EXPECT_EQ(WriteResult(Write(0, 0, 8, "")), 0);
    Ok(Packet(26, {0, 255}));
    EXPECT_EQ(ReadText(0, 0, 0), "\x01");  // MANUAL after tuning
    const std::string range = ReadText(0, 0, 1);
    ASSERT_EQ(range.size(), 5u);
    EXPECT_EQ(range[2], ',');
    EXPECT_GE(std::stoi(range.substr(0, 2)), std::stoi(range.substr(3, 2)));
    EXPECT_NE(range, "99,01");

    // Cancelling (both heads at once, as a state query does) leaves the ROVA settings alone.
    EXPECT_EQ(WriteResult(Write(0, 1, 7, "")), 0);
    EXPECT_EQ(WriteResult(Write(0, 255, 9, "")), 0);
    EXPECT_EQ(ReadText(0, 1, 0), std::string(1, '\0'));
    EXPECT_EQ(ReadText(0, 1, 1), "99,01");
    MeasuringMode();
}

TEST_F(SimControllerTest, ScalingValuesAreTheHeadReadingsSeenByEachOut) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(1, 1, 10, 0)), 0);  // OUT2 in 0.01 mm steps
    const auto r = Ok(Packet(22));
    ASSERT_EQ(r.size(), 28u);
    EXPECT_EQ(I32(r, 12) % 10, 0);
    EXPECT_EQ(I32(r, 20) % 1000, 0);
    EXPECT_NEAR(I32(r, 12), I32(r, 20), 500);
    EXPECT_GT(I32(r, 16), 40000);  // head B sits near 0.8 mm
}

TEST_F(SimControllerTest, InjectedErrorRepliesAndSilence) {
    std::string error;
    ASSERT_TRUE(faults_.Add("error-reply", "20:3:1", error)) << error;
    auto r = Send(Packet(20, {255, 0}));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[3], 0xFF);
    EXPECT_EQ(r[4], 3);
    Ok(Packet(20, {255, 0}));  // the rule fired once

    ASSERT_TRUE(faults_.Add("silence", "42:2", error));
    EXPECT_TRUE(Send(Packet(42)).empty());
    EXPECT_TRUE(Send(Packet(42)).empty());
    Ok(Packet(42));

    // A memory error on every command is repaired by initialising the controller.
    ASSERT_TRUE(faults_.Add("error-reply", "all:7", error));
    EXPECT_EQ(Send(Packet(42))[3], 0xFF);
    EXPECT_EQ(Send(Packet(6))[4], 7);
    Ok(Packet(66));
    Ok(Packet(42));
}

TEST_F(SimControllerTest, InitialisationRestoresFactoryStateAndMeasuringMode) {
    SettingMode();
    ASSERT_EQ(WriteResult(WriteByte(2, 0, 5, 3)), 0);
    ASSERT_EQ(WriteResult(WriteByte(4, 255, 0, 6)), 0);
    ASSERT_EQ(WriteResult(WriteByte(3, 0, 6, 2)), 0);
    Ok(Packet(66));
    Ok(Packet(42));  // measuring again
    SettingMode();
    EXPECT_EQ(ReadText(4, 255, 0), std::string(1, '\0'));
    EXPECT_EQ(ReadText(2, 0, 5), std::string(1, '\0'));
    EXPECT_EQ(ReadText(3, 0, 6), std::string(1, '\0'));
}

TEST_F(SimControllerTest, ModeSwitchedAtTheControllerRefusesPollsUntilMeasuringAgain) {
    qda::sim::ControlChannel control(*sim_, faults_);
    Ok(Packet(12, {1, 0}));  // auto-zero on
    EXPECT_EQ(control.Execute("mode setting"), "OK");
    Ok(Packet(20, {255, 0}), 5);
    Ok(Packet(46, {0, 0}), 5);
    Ok(Packet(22));  // scaling values answer in setting mode
    EXPECT_EQ(control.Execute("state").rfind("OK mode=setting", 0), 0u);
    EXPECT_EQ(control.Execute("mode measuring"), "OK");
    const auto r = Ok(Packet(20, {255, 0}));
    EXPECT_EQ(r[20] & 0x80, 0);                          // measuring afresh: auto-zero is off
    EXPECT_EQ(control.Execute("mode measuring"), "OK");  // already there: no change
    Ok(Packet(20, {255, 0}));
    EXPECT_EQ(control.Execute("mode sleeping").rfind("ERROR", 0), 0u);
}

TEST(SimFaultsTest, MalformedRulesAreRefused) {
    SimFaults f;
    std::string error;
    const struct {
        const char* kind;
        const char* text;
        bool ok;
    } cases[] = {
        {"error-reply", "20:7", true},
        {"error-reply", "all:1:3", true},
        {"error-reply", "20", false},
        {"error-reply", "256:1", false},
        {"error-reply", "x:1", false},
        {"er-message", "10:04", true},
        {"er-message", "10:100", false},
        {"notify", "42:TG+N1+N2", true},
        {"notify", "42:TG+XX", false},
        {"bad-checksum", "all:0.25", true},
        {"bad-checksum", "all:1.5", false},
        {"silence", "all", true},
        {"silence", "20:0", false},
        {"split", "all:3:10", true},
        {"split", "all:0:10", false},
        {"split", "all:3", false},
        {"crash", "all", false},
    };
    for (const auto& c : cases) EXPECT_EQ(f.Add(c.kind, c.text, error), c.ok) << c.kind << " " << c.text;
    EXPECT_EQ(f.Describe().size(), 7u);
    f.Clear();
    EXPECT_TRUE(f.Describe().empty());
}

TEST(SimFaultsTest, ChecksumShareIsReproducibleForASeed) {
    auto draw = [](uint64_t seed) {
        SimFaults f(seed);
        std::string error;
        f.Add("bad-checksum", "all:0.5", error);
        std::vector<bool> hits;
        for (int i = 0; i < 64; ++i) hits.push_back(f.TakeBadChecksum(20));
        return hits;
    };
    const auto a = draw(5);
    EXPECT_EQ(a, draw(5));
    EXPECT_NE(a, draw(6));
    const auto n = std::count(a.begin(), a.end(), true);
    EXPECT_GT(n, 10);
    EXPECT_LT(n, 54);
}

}  // namespace

TEST(SimOptionsTest, WavePeakListsAndTheControlChannel) {
    struct Case {
        const char* text;
        bool ok;
        std::vector<uint16_t> peaks;
    } cases[] = {
        {"120", true, {120}},     {"1,300,700,1023", true, {1, 300, 700, 1023}},
        {"0", false, {}},          // 0 means "no peak" on the wire
        {"1024", false, {}},       // beyond the buffer
        {"1,2,3,4,5", false, {}},  // at most four
        {"12.5", false, {}},      {"12,", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<uint16_t> peaks{99};
        EXPECT_EQ(qda::sim::ParseWavePeaks(c.text, peaks), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(peaks, c.peaks) << c.text;
        }
    }
    qda::sim::SimOptions o;
    std::string error;
    ASSERT_TRUE(qda::sim::ParseSimOptions({"--wave-peaks", "40,80", "--status", "24:5:3"}, o, error))
        << error;
    EXPECT_EQ(o.controller.wavePeaks, (std::vector<uint16_t>{40, 80}));
    EXPECT_FALSE(qda::sim::ParseSimOptions({"--wave-peaks", "0"}, o, error));

    SimFaults faults;
    SimController sim(o.controller, faults);
    qda::sim::ControlChannel channel(sim, faults);
    EXPECT_EQ(channel.Execute("wave-peaks 500"), "OK");
    EXPECT_EQ(channel.Execute("wave-peaks drift"), "OK");
    EXPECT_EQ(channel.Execute("wave-peaks 2000").rfind("ERROR", 0), 0u);
    EXPECT_EQ(channel.Execute("status 24:5:1"), "OK");
    EXPECT_EQ(channel.Execute("faults"), "OK status 24:5:1");
}
