// The slot header's rules without a widget: names at opening, the name buffer, the forwarded keys.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/GraphHeadRules.h"

namespace {

using qda::IsStorageWindowKey;

TEST(GraphHeadRules, OpeningShowsTheSlotsDefaultNameWithOffsetZeroAndKeepsTheColour) {
    StorageGraphSetting stored{};
    stored.IsEnable = 0;
    stored.Offset = -1234;
    stored.Color = 0x123456;
    std::strcpy(stored.GraphName, "Left wheel");
    const char* names[] = {"Graph01", "Graph02", "Graph03", "Graph04"};
    for (int slot = 0; slot < 4; ++slot) {
        const StorageGraphSetting r = qda::PreparedGraphRecord(stored, slot);
        EXPECT_STREQ(r.GraphName, names[slot]);
        EXPECT_EQ(r.IsEnable, 1);
        EXPECT_EQ(r.Offset, 0);
        EXPECT_EQ(r.Color, 0x123456u);
    }
}

TEST(GraphHeadRules, ANameKeepsSixteenCharactersAndTheRestOfTheBufferIsCleared) {
    StorageGraphSetting r{};
    std::memset(r.GraphName, 'x', sizeof r.GraphName);  // no terminator left
    qda::SetGraphName(r, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(qda::GraphNameOf(r), "abcdefghijklmnop");
    for (size_t i = 16; i < sizeof r.GraphName; ++i) EXPECT_EQ(r.GraphName[i], '\0') << i;
    qda::SetGraphName(r, "ab");
    EXPECT_EQ(qda::GraphNameOf(r), "ab");
    EXPECT_EQ(r.GraphName[5], '\0');
}

TEST(GraphHeadRules, NamesWithACommaOrAPeriodCannotBeWrittenToAFile) {
    EXPECT_TRUE(qda::IsGraphNameAllowed("Graph01"));
    EXPECT_TRUE(qda::IsGraphNameAllowed(""));
    EXPECT_FALSE(qda::IsGraphNameAllowed("a,b"));
    EXPECT_FALSE(qda::IsGraphNameAllowed("1.5mm"));
}

TEST(GraphHeadRules, TheProgramsShortcutsGoToTheStorageWindow) {
    constexpr int Tab = 0x01000001, Backtab = 0x01000002, Left = 0x01000012, Up = 0x01000013,
                  Right = 0x01000014, F2 = 0x01000031, F3 = 0x01000032, F8 = 0x01000037, F9 = 0x01000038;
    struct Case {
        int key;
        bool ctrl, alt, shift, down, forwarded;
    } cases[] = {
        {Tab, true, false, false, true, true},
        {Backtab, true, false, true, true, true},
        {Left, true, false, false, true, true},
        {'O', true, false, false, true, true},
        {'S', true, false, false, true, true},
        {'A', true, false, false, true, false},
        {Up, false, true, false, true, true},
        {'0', false, true, false, true, true},
        {'8', false, true, false, true, true},
        {'9', false, true, false, true, false},
        {'C', false, true, false, true, true},
        {'V', false, true, false, true, true},
        {Left, false, false, true, true, true},
        {Up, false, false, true, true, false},
        {F3, false, false, false, true, true},
        {F8, false, false, false, true, true},
        {F2, false, false, false, true, false},
        {F9, false, false, false, true, false},
        {F3, true, false, false, true, false},
        {Left, false, false, false, true, false},
        {'a', false, false, false, true, false},
        {Tab, false, false, false, true, false},
        // key up: only Ctrl+Tab, Ctrl+arrow and Alt+arrow
        {Tab, true, false, false, false, true},
        {Right, true, false, false, false, true},
        {Up, false, true, false, false, true},
        {'O', true, false, false, false, false},
        {F3, false, false, false, false, false},
        {Left, false, false, true, false, false},
        {Left, true, true, false, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsStorageWindowKey(c.key, c.ctrl, c.alt, c.shift, c.down), c.forwarded)
            << std::hex << c.key << " ctrl " << c.ctrl << " alt " << c.alt << " shift " << c.shift << " down "
            << c.down;
    }
}

}  // namespace
