// The start-up pieces that need no main window: one instance only, the command line's file
// argument and the version text of the splash.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/MainWindowLogic.h"
#include "app/TR52App.h"
#include "resources/Messages.h"
#include "support/ScriptedMessageBackend.h"

using namespace qda;

namespace {

TEST(Startup, SecondInstanceIsRefusedWithMessage244) {
    test::ScriptedMessageBackend messages;
    test::ScopedMessageBackend scoped(messages);
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    {
        CTR52App first("");
        CTR52App second("");
        EXPECT_TRUE(first.AcquireInstanceLock());
        EXPECT_TRUE(messages.Shown().empty());
        EXPECT_FALSE(second.AcquireInstanceLock());
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_EQ(messages.Shown()[0].text, "QD-Atlasはすでに起動しています。");
        EXPECT_EQ(messages.Shown()[0].style, MB_ICONWARNING);
    }
    // The first instance has gone: the next start is allowed again.
    CTR52App third("");
    EXPECT_TRUE(third.AcquireInstanceLock());
    if (previous.isEmpty()) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else {
        qputenv("XDG_RUNTIME_DIR", previous);
    }
}

TEST(Startup, FileArgumentOfTheCommandLine) {
    const struct {
        const char* line;
        const char* file;
    } cases[] = {
        {"/open \"/tmp/a b/c.qdt\"", "/tmp/a b/c.qdt"},
        {"  /open/open x.qdt  ", "x.qdt"},
        {"x.qdt", "x.qdt"},
        {"\"", ""},
        {"", ""},
        {"-us", "-us"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractOpenArgument(c.line), c.file) << c.line;
    const char* argv[] = {"qd-atlas", "/open", "/tmp/a b/c.qdt"};
    EXPECT_EQ(JoinCommandLine(3, argv), "/open \"/tmp/a b/c.qdt\"");
    EXPECT_EQ(ExtractOpenArgument(JoinCommandLine(3, argv)), "/tmp/a b/c.qdt");
    EXPECT_TRUE(HasSettingsExtension("a.QdT"));
    EXPECT_FALSE(HasSettingsExtension("a.qdt.txt"));
}

TEST(Startup, DumpOptionLeavesTheRestOfTheCommandLine) {
    const struct {
        const char* line;
        bool dump;
        const char* rest;
    } cases[] = {
        {"--dump", true, ""},
        {"-jp --dump", true, "-jp"},
        {"--dump /open \"/tmp/a b.qdt\"", true, "/open \"/tmp/a b.qdt\""},
        // Not the option: part of a word, or inside a quoted file name.
        {"/tmp/--dump.qdt", false, "/tmp/--dump.qdt"},
        {"\"/tmp/x --dump y.qdt\"", false, "\"/tmp/x --dump y.qdt\""},
        {"--dumpster.qdt", false, "--dumpster.qdt"},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(TakeDumpOption(line), c.dump) << c.line;
        EXPECT_EQ(line, c.rest) << c.line;
    }
}

TEST(Startup, VersionText) {
    EXPECT_EQ(FormatVersionText("1,0,0,0"), "1.00");
    EXPECT_EQ(FormatVersionText("2,1,3,0"), "2.13");
    EXPECT_EQ(FormatVersionText("1,0,2,1"), "1.02a");
    EXPECT_EQ(FormatVersionText("1,0,2,3"), "1.02c");
    EXPECT_EQ(FormatVersionText("1.0"), "");
}

TEST(Startup, ControllerErrorMessages) {
    const int expected[][2] = {{1, 372}, {2, 373}, {3, 374}, {4, 375},
                               {5, 377}, {6, 377}, {7, 376}, {0, 377}};
    for (const auto& e : expected) EXPECT_EQ(ControllerErrorMessage(e[0]), e[1]) << e[0];
}

}  // namespace
