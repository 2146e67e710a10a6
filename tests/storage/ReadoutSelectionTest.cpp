// The readout selection's rules: enabling per OUT choice and the values a readout would overwrite.
#include <gtest/gtest.h>

#include "storage/ReadoutSelection.h"

namespace {

using qda::ReadoutSelection;

TEST(ReadoutSelection, EachChoiceEnablesItsDestinationsAndBothNeedTwoSlots) {
    struct Case {
        ReadoutSelection s;
        bool out1, out2, read;
    } cases[] = {
        {{1, 0, 0}, true, false, true}, {{2, 3, 3}, false, true, true},   {{3, 0, 1}, true, true, true},
        {{3, 2, 2}, true, true, false}, {{0, 0, 1}, false, false, false},
    };
    for (const Case& c : cases) {
        const qda::ReadoutSelectionEnables e = qda::EnablesFor(c.s);
        EXPECT_EQ(e.out1Slot, c.out1) << c.s.choice << " " << c.s.out1Slot << " " << c.s.out2Slot;
        EXPECT_EQ(e.out2Slot, c.out2) << c.s.choice;
        EXPECT_EQ(e.read, c.read) << c.s.choice << " " << c.s.out1Slot << " " << c.s.out2Slot;
    }
}

TEST(ReadoutSelection, OnlyTheDestinationsOfTheChosenOutsCountAsOverwritten) {
    const std::array<int, 4> counts = {10, 0, 300, 7};
    EXPECT_EQ(qda::OverwrittenValues({1, 0, 2}, counts), 10);
    EXPECT_EQ(qda::OverwrittenValues({1, 1, 2}, counts), 0);
    EXPECT_EQ(qda::OverwrittenValues({2, 0, 2}, counts), 300);
    EXPECT_EQ(qda::OverwrittenValues({3, 0, 3}, counts), 17);
    EXPECT_EQ(qda::OverwrittenValues({3, 1, -1}, counts), 0);
}

}  // namespace
