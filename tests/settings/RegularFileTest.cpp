// Data files that are not regular files: refused at once, with the reason, before a byte is read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "settings/RegularFile.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "support/ScriptedMessageBackend.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    bool opened = false;
    std::string reason;
};

// Runs `open` on a thread of its own: a reader that blocks or spins shows as a failure after 5 s
// instead of a test that never ends (the stuck thread is left behind with its own state).
template <typename F>
std::optional<Outcome> WithinFiveSeconds(F open) {
    auto promise = std::make_shared<std::promise<Outcome>>();
    std::future<Outcome> result = promise->get_future();
    std::thread([promise, open] { promise->set_value(open()); }).detach();
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) return std::nullopt;
    return result.get();
}

TEST(RegularFile, WhatIsNoFileIsRefusedAtOnceWithItsKind) {
    const fs::path dir = fs::temp_directory_path() / ("qda-regular-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string fifo = (dir / "pipe.qdt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scope(messages);
    struct Case {
        const char* name;
        std::string path;
        const char* reason;
    } cases[] = {
        {"FIFO with no writer", fifo, "ファイルではなく名前付きパイプです"},
        {"endless device", "/dev/zero", "ファイルではなくデバイスです"},
        {"folder", dir.string(), "ファイルではなくフォルダーです"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.path;
        const auto direct = WithinFiveSeconds([path] {
            std::string reason;
            const qda::FilePtr file = qda::OpenRegularFile(path, reason);
            return Outcome{file != nullptr, reason};
        });
        ASSERT_TRUE(direct.has_value()) << "the open blocked";
        EXPECT_FALSE(direct->opened);
        EXPECT_EQ(direct->reason, c.reason);

        // The settings file open (the program's and the CLI's) gives the read failure with it.
        const auto settings = WithinFiveSeconds([path] {
            SettingsBlock block = qda::DefaultBlock();
            int active = 0;
            std::string reason;
            const bool failed = qda::ReadAndCheckSettingsFile(path, block, active, &reason) ==
                                qda::SettingsFileStatus::kReadFailed;
            return Outcome{!failed, reason};
        });
        ASSERT_TRUE(settings.has_value()) << "the settings read blocked or spun";
        EXPECT_FALSE(settings->opened);
        EXPECT_EQ(settings->reason, c.reason);
    }
    std::string reason;
    EXPECT_EQ(qda::OpenRegularFile((dir / "missing.qdt").string(), reason), nullptr);
    EXPECT_FALSE(reason.empty()) << "a missing file gets the system's text";
    fs::remove_all(dir);
}

}  // namespace
