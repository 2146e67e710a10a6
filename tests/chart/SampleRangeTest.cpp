// The fold of a run of samples into its smallest and largest, against the plain answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "chart/SampleRange.h"

TEST(SampleRange, EveryLengthAndStartGivesTheSmallestAndLargest) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int32_t> near(-5, 5);
    std::vector<int32_t> values(80);
    for (int round = 0; round < 200; ++round) {
        // Half the rounds over the whole range (the lanes' signed compare), half with ties.
        for (int32_t& v : values) v = round % 2 ? any(random) : near(random);
        if (round % 7 == 0) values[static_cast<size_t>(round) % values.size()] = INT32_MIN;
        if (round % 11 == 0) values[static_cast<size_t>(round * 3) % values.size()] = INT32_MAX;
        for (size_t start = 0; start < 4; ++start)
            for (size_t count = 0; start + count <= values.size(); ++count) {
                int32_t lowest = 1000, highest = -1000;  // what an earlier part of the column found
                qda::FoldSampleRange(values.data() + start, count, lowest, highest);
                int32_t wantLow = 1000, wantHigh = -1000;
                for (size_t i = start; i < start + count; ++i) {
                    wantLow = std::min(wantLow, values[i]);
                    wantHigh = std::max(wantHigh, values[i]);
                }
                ASSERT_EQ(lowest, wantLow) << "round " << round << " start " << start << " count " << count;
                ASSERT_EQ(highest, wantHigh) << "round " << round << " start " << start << " count " << count;
            }
    }
}
