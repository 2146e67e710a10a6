// Settings files on disk: the save that never damages the old file, the read, the open check.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "resources/Messages.h"
#include "settings/Configuration.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "settings/SettingsFileFormat.h"
#include "support/ScriptedMessageBackend.h"

namespace fs = std::filesystem;

namespace {

class ConfigurationTest : public ::testing::Test {
protected:
    ConfigurationTest() : m_scope(m_messages) {
        m_dir = fs::temp_directory_path() / ("qda-settings-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    ~ConfigurationTest() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    size_t FileCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(m_dir), {})); }

    qda::test::ScriptedMessageBackend m_messages;
    qda::test::ScopedMessageBackend m_scope;
    fs::path m_dir;
};

TEST_F(ConfigurationTest, SaveThenLoadGivesTheSameSettings) {
    SettingsBlock block = qda::DefaultBlock();
    block.Programs[4].Out2.AScaleOut1 = -8.19;
    block.Programs[1].Common.DSFreq = 9;
    const std::string path = Path("a.qdt");
    ASSERT_TRUE(CConfiguration().Save(path, block, 4));
    EXPECT_EQ(Read(path), qda::WriteSettingsText(block, 4));

    SettingsBlock loaded = qda::DefaultBlock();
    int active = -1;
    ASSERT_TRUE(CConfiguration().Load(path, loaded, active));
    EXPECT_EQ(active, 4);
    EXPECT_TRUE(qda::IsSameBlock(loaded, block));
    EXPECT_EQ(FileCount(), 1u);
    EXPECT_TRUE(m_messages.ShownTexts().empty());
}

TEST_F(ConfigurationTest, SaveReplacesAnExistingFileAndKeepsItsPermissions) {
    const std::string path = Path("b.qdt");
    Write(path, std::string(50000, 'x'));  // longer than the new content: nothing of it may remain
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(CConfiguration().Save(path, qda::DefaultBlock(), 0));
    EXPECT_EQ(Read(path), qda::WriteSettingsText(qda::DefaultBlock(), 0));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ConfigurationTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string path = Path("c.qdt");
    const std::string old = "[Begin]\r\nold content\r\n";
    Write(path, old);
    // A file size limit below the file's size makes the write itself fail.
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = CConfiguration().Save(path, qda::DefaultBlock(), 0);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(FileCount(), 1u);
    EXPECT_EQ(m_messages.ShownTexts(), std::vector<std::string>{std::strerror(EFBIG)});
}

TEST_F(ConfigurationTest, SaveWhereNoFileCanBeCreated) {
    fs::create_directories(m_dir / "sub");
    for (const std::string& target : {Path("missing/dir/d.qdt"), Path("sub")}) {
        m_messages.Clear();
        EXPECT_FALSE(CConfiguration().Save(target, qda::DefaultBlock(), 0)) << target;
        EXPECT_EQ(m_messages.ShownTexts(), std::vector<std::string>{"ファイルが開けません。"}) << target;
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "sub"));
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ConfigurationTest, SaveThroughASymbolicLinkKeepsTheLink) {
    const std::string real = Path("real.qdt"), link = Path("link.qdt");
    Write(real, "x");
    fs::create_symlink(real, link);
    ASSERT_TRUE(CConfiguration().Save(link, qda::DefaultBlock(), 1));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), qda::WriteSettingsText(qda::DefaultBlock(), 1));
}

TEST_F(ConfigurationTest, OpenCheckAsTheMainWindowDoesIt) {
    SettingsBlock current = qda::DefaultBlock();
    current.PcComm.CommType = 1;
    current.Programs[0].Out1.Calc = 3;
    int active = 2;

    // Unreadable: nothing changes.
    SettingsBlock block = current;
    EXPECT_EQ(qda::ReadAndCheckSettingsFile(Path("none.qdt"), block, active),
              qda::SettingsFileStatus::kReadFailed);
    EXPECT_TRUE(qda::IsSameBlock(block, current));
    EXPECT_EQ(active, 2);

    // Read but out of range: nothing changes, nothing is shown, the silent flag is put back.
    SetMessageSilent(0);
    Write(Path("bad.qdt"),
          "[Begin]\nFileVer = 1\nActive = 1\n[Prog1]\n[Common]\nDSPoints = "
          "0\n[EndCommon]\n[EndProg1]\n[End]\n");
    EXPECT_EQ(qda::ReadAndCheckSettingsFile(Path("bad.qdt"), block, active),
              qda::SettingsFileStatus::kInvalid);
    EXPECT_TRUE(qda::IsSameBlock(block, current));
    EXPECT_TRUE(m_messages.ShownTexts().empty());
    EXPECT_EQ(IsMessageSilent(), 0);

    // Good: programs come from the file over defaults, PC-side settings stay.
    Write(Path("good.qdt"), "[Begin]\nFileVer = 1\nActive = 7\n[End]\n");
    EXPECT_EQ(qda::ReadAndCheckSettingsFile(Path("good.qdt"), block, active),
              qda::SettingsFileStatus::kAdopted);
    EXPECT_EQ(active, 7);
    EXPECT_EQ(block.Programs[0].Out1.Calc, 0);
    EXPECT_EQ(block.PcComm.CommType, 1);
    EXPECT_EQ(qda::SettingsFileStatusMessage(qda::SettingsFileStatus::kInvalid), 383);
}

TEST_F(ConfigurationTest, SaveDialogExtension) {
    EXPECT_EQ(qda::WithSettingsExtension("a.txt"), "a.txt.qdt");
    EXPECT_EQ(qda::WithSettingsExtension("B.QDT"), "B.QDT");
    EXPECT_EQ(qda::WithSettingsExtension("c.Qdt"), "c.Qdt");
    EXPECT_EQ(qda::WithSettingsExtension("qdt"), "qdt.qdt");
    EXPECT_EQ(qda::WithSettingsExtension(".qdt"), ".qdt");
}

}  // namespace
