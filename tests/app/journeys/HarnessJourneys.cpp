// The journey harness itself: a stalled event loop and a failed step are reported, and the
// program is closed either way.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>

#include "Journey.h"

using namespace qda::journey;

namespace {

TEST(JourneyHarness, StalledEventLoopFailsTheJourney) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    EXPECT_NONFATAL_FAILURE(journey.Run([](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        op.Ui([] { std::this_thread::sleep_for(2500ms); });
        op.Exit();
        op.WaitForExit();
    }),
                            "the event loop stopped answering");
    EXPECT_TRUE(journey.ProgramEnded());
}

TEST(JourneyHarness, FailedStepStillClosesTheProgram) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    EXPECT_NONFATAL_FAILURE(journey.Run([](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        op.TypeInto(QStringLiteral("1027"), QStringLiteral("42"), op.Page(0));
        op.Click(QStringLiteral("1022"), op.Main().data());
        // Message 328 is open now; the script expects another one.
        op.Answer(318, QMessageBox::Ok, 500ms);
    }),
                            "was expected");
    EXPECT_TRUE(journey.ProgramEnded());
}

}  // namespace
