// qd-atlas-cli -jp|-us|-de: the messages come in the language asked for, as in the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliRunner.h"

namespace {

using qda::test::CliResult;
using qda::test::RunCli;

TEST(LanguageCliTest, TheLanguageOptionChoosesTheMessagesOfAFailedConnection) {
    struct Case {
        std::vector<std::string> language;
        const char* cannotConnect;
        const char* noDevice;
    };
    const Case cases[] = {
        {{}, "本体に接続できません", "デバイス /dev/qda-no-such-port がありません。"},
        {{"-jp"}, "本体に接続できません", "デバイス /dev/qda-no-such-port がありません。"},
        {{"-us"}, "Cannot connect to the controller", "The device /dev/qda-no-such-port does not exist."},
        {{"-DE"},
         "Keine Verbindung zum Controller möglich",
         "Das Gerät /dev/qda-no-such-port existiert nicht."},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.language;
        for (const char* a : {"state", "--serial", "/dev/qda-no-such-port"}) args.emplace_back(a);
        const CliResult r = RunCli(args);
        const std::string shown = r.out + r.err;
        EXPECT_EQ(r.exitCode, 1) << shown;
        EXPECT_NE(shown.find(c.cannotConnect), std::string::npos) << shown;
        EXPECT_NE(shown.find(c.noDevice), std::string::npos) << shown;
    }
}

}  // namespace
