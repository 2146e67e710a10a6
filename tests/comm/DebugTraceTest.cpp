#include <gtest/gtest.h>

#include <regex>

#include "comm/DebugTrace.h"

namespace {

TEST(DebugTrace, OneLinePerTraceOnlyWhileSwitchedOn) {
    qda::SetDebugTraceEnabled(false);
    testing::internal::CaptureStdout();
    QDA_TRACE("タイムアウト\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    qda::SetDebugTraceEnabled(true);
    testing::internal::CaptureStdout();
    QDA_TRACE("エラー発生[%d]\r\n", 5);
    const std::string line = testing::internal::GetCapturedStdout();
    qda::SetDebugTraceEnabled(false);
    // Local time with milliseconds, the source file right-aligned in 20 places, the line.
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\d\d:\d\d:\d\d:\d\d\d :   DebugTraceTest\.cpp:\d{4} エラー発生\[5\]\n)")))
        << line;
}

}  // namespace
