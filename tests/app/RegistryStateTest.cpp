// The state kept between runs: the registry primitives' size contracts, the block's round trip
// through the in-memory store and the QSettings store, the restore check at start-up and the
// window placement rule.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstring>

#include "app/SettingsRegistryStore.h"
#include "resources/Messages.h"
#include "settings/RegistryState.h"
#include "settings/SettingsDefaults.h"
#include "support/ScriptedMessageBackend.h"

using namespace qda;

namespace {

TEST(RegistryPrimitives, ReadsKeepTheirSizeContracts) {
    MemoryRegistryStore store;
    EXPECT_EQ(RegReadInt(store, "ENVIRONMENT", "UNIT", 7), 7) << "missing value gives the default";
    RegWriteInt(store, "ENVIRONMENT", "UNIT", 1);
    EXPECT_EQ(RegReadInt(store, "ENVIRONMENT", "UNIT", 7), 1);

    // An 8-byte double does not fit the 4-byte read: the default stays.
    RegWriteDouble(store, "X", "D", 2.5);
    EXPECT_EQ(RegReadInt(store, "X", "D", 42), 42);
    EXPECT_DOUBLE_EQ(RegReadDouble(store, "X", "D", 0.0), 2.5);

    // Binary reads succeed only for the exact size.
    const uint8_t five[5] = {1, 2, 3, 4, 5};
    RegWriteBinary(store, "B", "V", five, sizeof five);
    uint8_t four[4] = {};
    EXPECT_FALSE(RegReadBinary(store, "B", "V", four, sizeof four));
    uint8_t six[6] = {};
    EXPECT_FALSE(RegReadBinary(store, "B", "V", six, sizeof six));
    uint8_t exact[5] = {};
    EXPECT_TRUE(RegReadBinary(store, "B", "V", exact, sizeof exact));
    EXPECT_EQ(std::memcmp(exact, five, 5), 0);

    // Strings: the NUL counts; a text that does not fit leaves the default.
    char buffer[17];
    RegWriteString(store, "S", "FITS", "ABCDEFGHIJKLMNOP");  // 16 characters + NUL = 17 bytes
    RegReadString(store, "S", "FITS", "Graph01", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "ABCDEFGHIJKLMNOP");
    RegWriteString(store, "S", "LONG", "ABCDEFGHIJKLMNOPQ");
    RegReadString(store, "S", "LONG", "Graph01", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Graph01");
    RegReadString(store, "S", "NONE", "Graph02", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Graph02");
}

TEST(RegistryPrimitives, WritesFailSilentlyOnAReadOnlyStore) {
    MemoryRegistryStore store;
    store.SetReadOnly(true);
    EXPECT_FALSE(RegWriteInt(store, "A", "B", 1));
    CRegistrySettings registry(store);
    EXPECT_FALSE(registry.SaveBlock(DefaultBlock()));
    EXPECT_EQ(store.Count(), 0u);
}

SettingsBlock Normalised(SettingsBlock block) {
    for (ProgramSetting& p : block.Programs) p.ListWord = 0;
    for (WaveViewSetting& w : block.WaveView) w.HeadLetter = '\0';
    return block;
}

class RegistryBlock : public ::testing::Test {
protected:
    test::ScriptedMessageBackend messages;
    test::ScopedMessageBackend scoped{messages};
};

TEST_F(RegistryBlock, EmptyStoreGivesTheDefaults) {
    MemoryRegistryStore store;
    SettingsBlock block = DefaultBlock();
    CRegistrySettings registry(store);
    ASSERT_TRUE(registry.LoadBlock(block));
    SettingsBlock expected = Normalised(DefaultBlock());
    for (ProgramSetting& p : expected.Programs)
        p.HeadA.IsRunBeforeSendSetting = p.HeadB.IsRunBeforeSendSetting = 1;
    EXPECT_TRUE(IsSameBlock(block, expected));
    for (const ProgramSetting& p : block.Programs) {
        EXPECT_EQ(p.HeadA.IsRunBeforeSendSetting, 1);
        EXPECT_EQ(p.HeadB.IsRunBeforeSendSetting, 1);
    }
}

SettingsBlock ChangedBlock(int unit) {
    SettingsBlock block = DefaultBlock();
    block.Environment.Unit = unit;
    for (int p = 0; p < 8; ++p) SetProgramDefaults(block, p, unit);
    block.Environment.Baudrate = 4;
    block.Programs[3].HeadB.AlarmCnt = 123;
    block.Programs[7].Out2.ToleUpper = 400000;
    block.Programs[7].Out2.AScaleIn1 = 90000;
    block.Programs[5].Out1.AScaleOut2 = -2.5;
    block.Programs[2].Common.DSPoints = 1000;
    block.PcComm.CommType = 1;
    block.PcComm.PortNo = 3;
    block.WaveView[1].InitialXScale = 5;
    block.CalcView.IsDisplayResult = 1;
    block.StorageGraph[2].Color = 0x123456;
    std::strcpy(block.StorageGraph[3].GraphName, "Thickness");
    return block;
}

TEST_F(RegistryBlock, RoundTripThroughBothStores) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int unit : {0, 1}) {
        SettingsBlock saved = ChangedBlock(unit);
        saved.Programs[1].ListWord = 9;  // never stored
        MemoryRegistryStore memory;
        CSettingsRegistryStore file(dir.filePath(QStringLiteral("state%1.conf").arg(unit)));
        for (IRegistryStore* store :
             {static_cast<IRegistryStore*>(&memory), static_cast<IRegistryStore*>(&file)}) {
            CRegistrySettings registry(*store);
            ASSERT_TRUE(registry.SaveBlock(saved));
        }
        ASSERT_TRUE(file.Sync());
        // A second QSettings object reads the file as the next run would.
        CSettingsRegistryStore reopened(dir.filePath(QStringLiteral("state%1.conf").arg(unit)));
        for (IRegistryStore* store :
             {static_cast<IRegistryStore*>(&memory), static_cast<IRegistryStore*>(&reopened)}) {
            SettingsBlock loaded = DefaultBlock();
            CRegistrySettings registry(*store);
            ASSERT_TRUE(registry.LoadBlock(loaded));
            EXPECT_TRUE(IsSameBlock(loaded, Normalised(saved))) << "unit " << unit;
            EXPECT_STREQ(loaded.StorageGraph[3].GraphName, "Thickness");
        }
        // The unit-dependent names follow the unit.
        RegType type{};
        EXPECT_TRUE(memory.Has("PROGRAM07\\OUT2",
                               unit == 0 ? "HEADDISPLAYVALUE_UM_A_1" : "HEADDISPLAYVALUE_INCH_A_1"));
        EXPECT_FALSE(memory.Has("PROGRAM07\\OUT2",
                                unit == 0 ? "HEADDISPLAYVALUE_INCH_A_1" : "HEADDISPLAYVALUE_UM_A_1"));
        ASSERT_TRUE(memory.Has("PROGRAM05\\OUT1", "OUTPUTVALUE2", &type));
        EXPECT_EQ(type, RegType::kBinary);
        ASSERT_TRUE(memory.Has("STORAGE", "GRAPHNAME04", &type));
        EXPECT_EQ(type, RegType::kString);
    }
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(RegistryBlock, LongGraphNameKeepsTheDefault) {
    MemoryRegistryStore store;
    RegWriteString(store, "STORAGE", "GRAPHNAME02", "ABCDEFGHIJKLMNOPQR");
    SettingsBlock block = DefaultBlock();
    CRegistrySettings(store).LoadBlock(block);
    EXPECT_STREQ(block.StorageGraph[1].GraphName, "Graph02");
}

TEST_F(RegistryBlock, RestoreFallsBackToDefaultsAtTheFirstFailedCheck) {
    struct Case {
        const char* what;
        const char* subkey;
        const char* name;
        int value;
        bool adopted;
        int shown;            // messages shown
        const char* message;  // start of the message shown, or nullptr
    };
    const Case cases[] = {
        {"good value", "PROGRAM04\\HEADA", "NUMALARM", 50, true, 0, nullptr},
        {"bad unit", "ENVIRONMENT", "UNIT", 5, false, 1, "UNITが不正です。"},
        {"bad head value", "PROGRAM06\\HEADB", "MEASUREMODE", 9, false, 0, nullptr},
        {"bad common value", "PROGRAM00\\COMMON", "SAMPLINGRATE", 17, false, 1, nullptr},
    };
    for (const Case& c : cases) {
        messages.Clear();
        MemoryRegistryStore store;
        CRegistrySettings(store).SaveBlock(DefaultBlock());
        RegWriteInt(store, "COMMUNICATION", "PORTNO", 2);
        RegWriteInt(store, c.subkey, c.name, c.value);
        SettingsBlock block{};
        EXPECT_EQ(RestoreSavedState(store, block, false), c.adopted) << c.what;
        if (c.adopted) {
            EXPECT_EQ(block.PcComm.PortNo, 2) << c.what;
            EXPECT_TRUE(messages.Shown().empty()) << c.what;
        } else {
            EXPECT_TRUE(IsSameBlock(block, DefaultBlock())) << c.what;
            ASSERT_EQ(messages.Shown().size(), static_cast<size_t>(c.shown)) << c.what;
            if (c.message != nullptr) {
                EXPECT_EQ(messages.Shown()[0].text.rfind(c.message, 0), 0u) << messages.Shown()[0].text;
            }
        }
    }
    // Skipping (Shift or Ctrl held) ignores a good saved state.
    MemoryRegistryStore store;
    RegWriteInt(store, "COMMUNICATION", "PORTNO", 2);
    SettingsBlock block{};
    EXPECT_FALSE(RestoreSavedState(store, block, true));
    EXPECT_TRUE(IsSameBlock(block, DefaultBlock()));
}

TEST_F(RegistryBlock, FailedRestoreKeepsThePcSidePreferences) {
    // The head option "send before tuning" and the waveform windows' initial scale are the PC's
    // own; a saved state that fails its check resets the settings around them.
    SettingsBlock saved = DefaultBlock();
    for (ProgramSetting& p : saved.Programs)
        p.HeadA.IsRunBeforeSendSetting = p.HeadB.IsRunBeforeSendSetting = 1;
    saved.Programs[3].HeadA.IsRunBeforeSendSetting = 0;
    saved.WaveView[0].InitialXScale = 3;
    saved.WaveView[1].InitialXScale = 2;
    MemoryRegistryStore store;
    CRegistrySettings(store).SaveBlock(saved);
    RegWriteInt(store, "PROGRAM01\\HEADA", "NUMALARM", 50);
    RegWriteInt(store, "PROGRAM06\\HEADB", "MEASUREMODE", 9);
    SettingsBlock block{};
    EXPECT_FALSE(RestoreSavedState(store, block, false));
    EXPECT_TRUE(IsSameBlock(block, saved)) << "only the checked settings go back to their defaults";
    EXPECT_EQ(block.Programs[1].HeadA.AlarmCnt, 8);
    EXPECT_EQ(block.Programs[3].HeadA.IsRunBeforeSendSetting, 0);
    EXPECT_EQ(block.Programs[4].HeadB.IsRunBeforeSendSetting, 1);
    EXPECT_EQ(block.WaveView[0].InitialXScale, 3);
}

TEST(WindowPlacement, AppliedOnlyWhenPartlyOnTheDesktop) {
    struct Case {
        int left, top, right, bottom;
        bool applied;
    };
    // Desktop 1920 x 1080.
    const Case cases[] = {
        {100, 100, 500, 400, true},         {1920 - 41, 100, 2300, 400, true},
        {1920 - 40, 100, 2300, 400, false},  // starts 40 px left of the right edge
        {1920 - 30, 100, 2300, 400, false}, {100, -1, 500, 400, false},  // title bar above the desktop
        {100, 0, 500, 400, true},           {-600, 10, 0, 400, false},   // ends at the left edge
        {-600, 10, 1, 400, true},           {100, 1080 - 40, 500, 1400, false},
    };
    for (const Case& c : cases) {
        WindowPlacementRecord r;
        r.left = c.left;
        r.top = c.top;
        r.right = c.right;
        r.bottom = c.bottom;
        EXPECT_EQ(IsPlacementOnDesktop(r, 1920, 1080), c.applied) << c.left << "," << c.top;
    }
}

TEST(WindowPlacement, StoredAs44BytesUnderItsWindowName) {
    MemoryRegistryStore store;
    WindowPlacementRecord r;
    r.showCmd = kShowMaximized;
    r.left = 10;
    r.bottom = 300;
    ASSERT_TRUE(WritePlacement(store, WaveWindowName('B'), r));
    RegType type{};
    ASSERT_TRUE(store.Has("WINDOWPLACEMENT", "WINDOWPLACEMENT_WAVE_B", &type));
    EXPECT_EQ(type, RegType::kBinary);
    uint8_t raw[44];
    EXPECT_TRUE(RegReadBinary(store, "WINDOWPLACEMENT", "WINDOWPLACEMENT_WAVE_B", raw, 44));
    EXPECT_EQ(raw[0], 44);
    WindowPlacementRecord back;
    ASSERT_TRUE(ReadPlacement(store, "WAVE_B", back));
    EXPECT_EQ(back.showCmd, 3u);
    EXPECT_EQ(back.bottom, 300);
    // A record of another size is not a placement.
    const uint8_t shortRecord[40] = {};
    RegWriteBinary(store, "WINDOWPLACEMENT", "WINDOWPLACEMENT_CALC", shortRecord, sizeof shortRecord);
    EXPECT_FALSE(ReadPlacement(store, "CALC", back));
}

}  // namespace
