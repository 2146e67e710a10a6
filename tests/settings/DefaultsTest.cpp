// Resets, the copy buffer and change detection of the settings block.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/SettingsCopyBuffer.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "settings/Validation.h"
#include "support/ScriptedMessageBackend.h"

namespace {

TEST(DefaultsTest, DefaultBlockPassesTheWholeBlockCheckWithoutAMessage) {
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scope(messages);
    SettingsBlock block = qda::DefaultBlock();
    const SettingsBlock before = block;
    EXPECT_TRUE(qda::ValidateOpenedBlock(block, 0));
    EXPECT_TRUE(qda::IsSameBlock(block, before));
    EXPECT_TRUE(messages.ShownTexts().empty());
}

TEST(DefaultsTest, BlockDefaultsKeepThePcSideValuesTheyDoNotOwn) {
    SettingsBlock block{};
    block.Programs[3].HeadB.IsRunBeforeSendSetting = 1;
    block.WaveView[1].InitialXScale = 7;
    block.WaveView[1].HeadLetter = 'B';
    block.Programs[5].ListWord = 99;
    SetBlockDefaults(block);
    EXPECT_EQ(block.Programs[3].HeadB.IsRunBeforeSendSetting, 1);
    EXPECT_EQ(block.Programs[3].HeadA.IsRunBeforeSendSetting, 0);
    EXPECT_EQ(block.WaveView[1].InitialXScale, 7);
    EXPECT_EQ(block.WaveView[1].HeadLetter, '\0');
    EXPECT_EQ(block.Programs[5].ListWord, 0);
    EXPECT_STREQ(block.StorageGraph[3].GraphName, "Graph04");
    EXPECT_EQ(block.StorageGraph[1].Color, 0xFF0000u);
    EXPECT_EQ(block.PcComm.Parity, 2);
    EXPECT_EQ(block.Environment.Parity, 2);
}

TEST(DefaultsTest, UnitChangeResetsEveryProgramButTheEnvironment) {
    SettingsBlock block = qda::DefaultBlock();
    CSettingsCopyBuffer buffer;
    buffer.CopyOut(block.Programs[0].Out1);
    buffer.CopyHead(block.Programs[0].HeadA);
    for (ProgramSetting& p : block.Programs) {
        p.Out1.ToleUpper = 1000;
        p.Out2.ToleLower = -1000;
        p.Common.DSPoints = 10;
    }
    block.Environment.Baudrate = 3;
    block.Environment.Unit = qda::kUnitImperial;
    // What the environment dialog's confirmed unit change does.
    buffer.ClearAll();
    for (int p = 0; p < qda::kProgramCount; ++p) SetProgramDefaults(block, p, block.Environment.Unit);

    for (const ProgramSetting& p : block.Programs) {
        EXPECT_EQ(p.Out1.ToleUpper, 500000);  // 0.05 inch in 0.1 uinch
        EXPECT_EQ(p.Out2.ToleLower, -500000);
        EXPECT_EQ(p.Common.DSPoints, 65536);
    }
    EXPECT_EQ(block.Environment.Baudrate, 3);
    EXPECT_FALSE(buffer.PasteOut(nullptr));
    EXPECT_FALSE(buffer.PasteHead(nullptr));
    EXPECT_FALSE(buffer.PasteProgram(nullptr));
    EXPECT_FALSE(buffer.PasteCommon(nullptr));
}

TEST(DefaultsTest, LengthDefaultsOnlyForLengthUnits) {
    OutSetting out{};
    out.ToleUpper = 123;
    out.ScaleBIn2 = 456;
    out.AScaleIn1 = 789;
    SetOutDefaults(out, 2);
    EXPECT_EQ(out.ToleUpper, 123);
    EXPECT_EQ(out.ScaleBIn2, 456);
    EXPECT_EQ(out.AScaleIn1, 789);
    EXPECT_EQ(out.FilterAverage, 4);
    EXPECT_EQ(out.AScaleOut2, -10.0);
    SetOutDefaults(out, 1);
    EXPECT_EQ(out.ToleUpper, 500000);
    EXPECT_EQ(out.ScaleBIn2, 100000);
    EXPECT_EQ(out.AScaleIn1, 100000);
}

TEST(DefaultsTest, DigitsResetTouchesOnlyTheDisplayDependentValues) {
    OutSetting out{};
    SetOutDefaults(out, 0);
    out.Calc = 3;
    out.FilterType = 1;
    out.DispDigitMm = 5;
    out.ToleUpper = 7;
    out.ToleHys = 3;
    out.ScaleAOut2 = 9;
    out.Offset = 11;
    out.AScaleOut1 = 2.5;
    out.AScaleIn2 = 5;
    ResetOutForDigits(out, 0);
    EXPECT_EQ(out.Calc, 3);
    EXPECT_EQ(out.FilterType, 1);
    EXPECT_EQ(out.DispDigitMm, 5);
    EXPECT_EQ(out.ToleUpper, 500000);
    EXPECT_EQ(out.ToleHys, 0);
    EXPECT_EQ(out.ScaleAOut2, 100000);
    EXPECT_EQ(out.Offset, 0);
    EXPECT_EQ(out.AScaleOut1, 10.0);
    EXPECT_EQ(out.AScaleIn2, -100000);
}

TEST(DefaultsTest, CopyBufferSlotsAreIndependentByteCopies) {
    CSettingsCopyBuffer buffer;
    SettingsBlock block = qda::DefaultBlock();
    OutSetting out = block.Programs[0].Out1;
    out.Calc = 2;
    out.AScaleOut1 = 1.234;
    buffer.CopyOut(out);
    out.Calc = 4;  // the slot keeps what was copied

    EXPECT_TRUE(buffer.PasteOut(nullptr));
    EXPECT_FALSE(buffer.PasteHead(nullptr));
    OutSetting pasted{};
    ASSERT_TRUE(buffer.PasteOut(&pasted));
    EXPECT_EQ(pasted.Calc, 2);
    EXPECT_EQ(pasted.AScaleOut1, 1.234);

    HeadSetting head{};
    EXPECT_FALSE(buffer.PasteHead(&head));  // empty slot leaves the destination alone
    const HeadSetting empty{};
    EXPECT_EQ(std::memcmp(&head, &empty, sizeof head), 0);

    buffer.ClearAll();
    EXPECT_FALSE(buffer.PasteOut(&pasted));
    EXPECT_EQ(&CSettingsCopyBuffer::Global(), &CSettingsCopyBuffer::Global());
}

TEST(DefaultsTest, ByteComparisonSeesEveryFieldChange) {
    const SettingsBlock reference = qda::DefaultBlock();
    SettingsBlock current = reference;
    EXPECT_TRUE(qda::IsSameBlock(current, reference));
    current.Programs[7].Out2.AScaleOut2 = -9.999;
    EXPECT_FALSE(qda::IsSameBlock(current, reference));
    current = reference;
    current.StorageGraph[3].GraphName[19] = 'x';
    EXPECT_FALSE(qda::IsSameBlock(current, reference));
    // Two blocks built the same way are equal byte for byte, gaps included.
    EXPECT_TRUE(qda::IsSameBlock(qda::DefaultBlock(), reference));
}

}  // namespace
