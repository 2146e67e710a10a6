// The storage data file: the bytes written and the reading rules.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "resources/Messages.h"
#include "settings/Units.h"
#include "storage/StorageFile.h"
#include "support/ScriptedMessageBackend.h"

namespace fs = std::filesystem;

namespace {

const std::string kReadFailed = "蓄積データファイルの読み込みが失敗しました。";

class StorageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qda-storage-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_TRUE(slot.Prepare());
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    std::string WriteText(const std::string& name, const std::string& text) const {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    }
    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Reads `text` as a file into the slot; returns Read's result.
    int ReadText(const std::string& text, qda::StorageFileContent* content = nullptr) {
        return CStorageFile::Read(slot, WriteText("in.csv", text), content);
    }
    std::vector<int32_t> Samples() const { return {slot.Samples(), slot.Samples() + slot.Count()}; }

    fs::path dir;
    CStorageData slot;
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend installed{messages};
};

TEST_F(StorageFileTest, WritesTheSlotAsFourHeaderLinesWithTheValues) {
    slot.SetFormat(0, 1, 2);                               // mm, "0.001"
    const int32_t values[] = {123400, 124000, 100000000};  // 1.234 mm, 1.240 mm, 1000 mm
    ASSERT_TRUE(slot.Fill("Graph01", values, 3));
    const std::string path = PathOf("Graph01.csv");
    ASSERT_EQ(CStorageFile::Write(slot, path), 1);
    EXPECT_EQ(ReadBytes(path), "1.234,Graph01\r\n1.240,3\r\n#+OVER,mm\r\n,'0.001'\r\n");

    CStorageData back;
    ASSERT_TRUE(back.Prepare());
    ASSERT_EQ(CStorageFile::Read(back, path), 1);
    EXPECT_EQ(back.Name(), "Graph01");
    EXPECT_EQ(back.Count(), 3);
    EXPECT_EQ(back.ValidCount(), 2);
    EXPECT_EQ(back.Sample(0), 123400);
    EXPECT_EQ(back.Sample(1), 124000);
    EXPECT_EQ(back.Sample(2), qda::kPlusOver);
    EXPECT_EQ(back.UnitSystem(), 0);
    EXPECT_EQ(back.MmFormat(), 1);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(StorageFileTest, ShortSlotWritesEmptyValueFieldsAndReadsBackWithoutWarning) {
    slot.SetFormat(1, 2, 2);  // inch row 2: mil "0.1"
    const int32_t values[] = {10000, qda::kNoValue};
    ASSERT_TRUE(slot.Fill("two", values, 2));
    const std::string path = PathOf("two.csv");
    ASSERT_EQ(CStorageFile::Write(slot, path), 1);
    EXPECT_EQ(ReadBytes(path), "1.0,two\r\n#-----,2\r\n,mil\r\n,'0.1'\r\n");
    CStorageData back;
    ASSERT_TRUE(back.Prepare());
    ASSERT_EQ(CStorageFile::Read(back, path), 1);
    EXPECT_EQ(back.Count(), 2);
    EXPECT_EQ(back.ValidCount(), 1);
    EXPECT_EQ(back.Sample(1), qda::kNoValue);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(StorageFileTest, EveryFormatRoundTrips) {
    for (int family = 0; family < 2; ++family) {
        for (int row = 0; row < 6; ++row) {
            const qda::UnitRow& u = qda::UnitTableRow(family, row);
            const int32_t step = static_cast<int32_t>(u.Step());
            const int32_t values[] = {0, step, -7 * step, 123 * step, qda::kMinusOver, qda::kNoValue};
            CStorageData out, back;
            ASSERT_TRUE(out.Prepare());
            ASSERT_TRUE(back.Prepare());
            out.SetFormat(family, row, row);
            ASSERT_TRUE(out.Fill("Rows", values, 6));
            const std::string path = PathOf("rows.csv");
            ASSERT_EQ(CStorageFile::Write(out, path), 1);
            ASSERT_EQ(CStorageFile::Read(back, path), 1) << ReadBytes(path);
            EXPECT_EQ(std::vector<int32_t>(back.Samples(), back.Samples() + 6),
                      std::vector<int32_t>(std::begin(values), std::end(values)))
                << u.label << " " << u.stepText;
            EXPECT_EQ(back.UnitSystem(), family);
        }
    }
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(StorageFileTest, ReadingRules) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<int32_t> samples;
        int declared;
        bool mismatch;
    };
    const std::string header3 = "1.000,Graph01\r\n2.000,3\r\n3.000,mm\r\n,'0.001'\r\n";
    const Case cases[] = {
        {"plain file", header3, {100000, 200000, 300000}, 3, false},
        {"LF line ends", "1,a\n2,3\n3,mm\n,'0.001'\n", {100000, 200000, 300000}, 3, false},
        {"white space around fields",
         " 1.5 , a \r\n2 ,  2 \r\n,mm\r\n, '0.01' \r\n",
         {150000, 200000},
         2,
         false},
        {"declared 70000 is capped",
         "1,a\r\n2,70000\r\n3,mm\r\n4,'0.01'\r\n",
         {100000, 200000, 300000, 400000},
         65536,
         true},
        {"declared count not a number",
         "1,a\r\n2,many\r\n3,mm\r\n4,'0.01'\r\n",
         {100000, 200000, 300000, 400000},
         65536,
         true},
        {"long integer taken as it stands",
         "1,a\r\n2,0000000000002\r\n,mm\r\n,'0.01'\r\n",
         {100000, 200000},
         2,
         false},
        {"markers",
         "#+OVER,a\r\n#-OVER,4\r\n#-----,mm\r\n1,'0.001'\r\n",
         {qda::kPlusOver, qda::kMinusOver, qda::kNoValue, 100000},
         4,
         false},
        {"1000 mm in 0.001 mm is plus-over",
         "1000.000,a\r\n-1000,2\r\n,mm\r\n,'0.001'\r\n",
         {qda::kPlusOver, qda::kMinusOver},
         2,
         false},
        {"not a number gives no data",
         "abc,a\r\n1.2.3,2\r\n,mm\r\n,'0.001'\r\n",
         {qda::kNoValue, qda::kNoValue},
         2,
         false},
        {"digits cut to the format",
         "1.23456,a\r\n-0.0019,2\r\n,mm\r\n,'0.001'\r\n",
         {123400, -100},
         2,
         false},
        {"lines beyond the declared count give no data",
         header3 + "4\r\n5\r\n",
         {100000, 200000, 300000, qda::kNoValue, qda::kNoValue, qda::kNoValue},
         3,
         true},
        {"value lines start after leading white space",
         "1,a\r\n2,5\r\n3,mm\r\n4,'0.01'\r\n\t 5\r\n",
         {100000, 200000, 300000, 400000, 500000},
         5,
         false},
        // A blank line keeps the no-data marker at its position; nothing shifts and the last value
        // stays in the slot.
        {"blank line in the data",
         "1,a\r\n2,6\r\n3,mm\r\n4,'0.01'\r\n\r\n6\r\n",
         {100000, 200000, 300000, 400000, qda::kNoValue, 600000},
         6,
         true},
        {"blank header value within the declared count",
         "1,a\r\n,3\r\n3,mm\r\n4,'0.01'\r\n",
         {100000, qda::kNoValue, 300000, 400000},
         3,
         false},
    };
    for (const Case& c : cases) {
        messages.Clear();
        qda::StorageFileContent content;
        ASSERT_EQ(ReadText(c.text, &content), 1) << c.what;
        EXPECT_EQ(Samples(), c.samples) << c.what;
        EXPECT_EQ(content.declaredCount, c.declared) << c.what;
        EXPECT_EQ(messages.ShownTexts(),
                  c.mismatch ? std::vector<std::string>{kReadFailed} : std::vector<std::string>{})
            << c.what;
    }
}

TEST_F(StorageFileTest, NameWithCommaPeriodOrDoubleByteCharacterIsCleared) {
    const std::pair<std::string, std::string> cases[] = {
        {"Graph01", "Graph01"},
        {"a,b", ""},
        {"v1.2", ""},
        {"データ", ""},
        {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP"},  // the first 16 characters
    };
    for (const auto& [written, read] : cases) {
        ASSERT_EQ(ReadText("1," + written + "\r\n2,2\r\n,mm\r\n,'0.01'\r\n"), 1) << written;
        EXPECT_EQ(slot.Name(), read) << written;
    }
}

TEST_F(StorageFileTest, FilesThatAreNotStorageDataAreRefusedAndChangeNothing) {
    const int32_t kept[] = {42000};
    const std::pair<const char*, std::string> cases[] = {
        {"unit in capitals", "1,a\r\n2,2\r\n,MM\r\n,'0.01'\r\n"},
        {"format without quotes", "1,a\r\n2,2\r\n,mm\r\n,0.01\r\n"},
        {"format with three quotes", "1,a\r\n2,2\r\n,mm\r\n,'0.01''\r\n"},
        {"format of another unit", "1,a\r\n2,2\r\n,mm\r\n,'0.1'\r\n"},
        {"header line without comma", "1,a\r\n2\r\n,mm\r\n,'0.01'\r\n"},
        {"fewer than four lines", "1,a\r\n2,2\r\n,mm\r\n"},
        {"empty file", ""},
        {"overlong line", "1,a\r\n2,2\r\n,mm\r\n,'0.01'\r\n" + std::string(100000, '1') + "\r\n"},
    };
    for (const auto& [what, text] : cases) {
        slot.SetFormat(0, 1, 2);
        ASSERT_TRUE(slot.Fill("kept", kept, 1));
        std::string error;
        EXPECT_EQ(CStorageFile::Read(slot, WriteText("bad.csv", text), nullptr, &error), 0) << what;
        EXPECT_FALSE(error.empty()) << what;
        EXPECT_EQ(slot.Name(), "kept") << what;
        EXPECT_EQ(Samples(), std::vector<int32_t>{42000}) << what;
    }
    EXPECT_EQ(CStorageFile::Read(slot, PathOf("missing.csv")), 0);
    EXPECT_TRUE(messages.Shown().empty());  // the caller shows message 336
}

TEST_F(StorageFileTest, DevicesFifosAndFoldersAreRefusedAtOnce) {
    const int32_t kept[] = {42000};
    ASSERT_TRUE(slot.Fill("kept", kept, 1));
    ASSERT_EQ(::mkfifo(PathOf("pipe.csv").c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), PathOf("pipe.csv"), dir.string()}) {
        std::string error;
        EXPECT_EQ(CStorageFile::Read(slot, path, nullptr, &error), 0) << path;
        EXPECT_NE(error.find("ではなく"), std::string::npos) << path << ": " << error;
        EXPECT_EQ(slot.Name(), "kept") << path;
    }
}

TEST_F(StorageFileTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const int32_t values[] = {100000};
    ASSERT_TRUE(slot.Fill("x", values, 1));
    // The folder does not exist: the file cannot be created.
    EXPECT_EQ(CStorageFile::Write(slot, PathOf("no/such/folder.csv")), 0);
    // The target is a folder: refused before anything is written; the caller shows its message.
    fs::create_directory(dir / "taken.csv");
    EXPECT_EQ(CStorageFile::Write(slot, PathOf("taken.csv")), 0);
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_TRUE(fs::is_directory(dir / "taken.csv"));
    // The write itself fails (a file size limit below the file's size): the old file stays and
    // the system's description of the error is shown.
    const std::string old = "old contents that are longer than the new file\r\n";
    const std::string path = WriteText("old.csv", old);
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 8;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int limited = CStorageFile::Write(slot, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(limited, 0);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(messages.Shown().size(), 1u);
    // An existing file is replaced as a whole.
    ASSERT_EQ(CStorageFile::Write(slot, path), 1);
    EXPECT_EQ(ReadBytes(path), "1.0000,x\r\n,1\r\n,mm\r\n,'0.0001'\r\n");  // an empty slot's format
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"old.csv", "taken.csv"}));
}

TEST(StorageDataTest, FillingClassifiesControllerValues) {
    CStorageData slot;
    ASSERT_TRUE(slot.Prepare());
    EXPECT_EQ(slot.Capacity(), 65536);
    EXPECT_EQ(slot.Count(), 0);
    EXPECT_EQ(slot.MmFormat(), 2);  // an empty slot shows "0.0001" mm
    slot.SetFormat(0, 1, 2);        // "0.001" mm: the limit is 1000000 / 1000 = 1000 mm
    const int32_t values[] = {99999900, 100000000, -100000000, -99999900, qda::kNoValue, 0};
    ASSERT_TRUE(slot.Fill("OUT1", values, 6));
    EXPECT_EQ(std::vector<int32_t>(slot.Samples(), slot.Samples() + 6),
              (std::vector<int32_t>{99999900, qda::kPlusOver, qda::kMinusOver, -99999900, qda::kNoValue, 0}));
    EXPECT_EQ(slot.ValidCount(), 3);
    EXPECT_EQ(slot.Count(), 6);
    EXPECT_EQ(slot.Name(), "OUT1");
    // The controller reports inch with unit flag 1. In "0.0001" inch (row 0, 10000000 internal units
    // per inch) the range ends at 100 inch.
    slot.SetReadoutFormat(1, 0);
    EXPECT_EQ(slot.UnitSystem(), 1);
    EXPECT_EQ(slot.InchFormat(), 0);
    EXPECT_EQ(slot.MmFormat(), 1);
    const int32_t inch[] = {10000000, 1000000000};  // 1 inch, 100 inch
    ASSERT_TRUE(slot.Fill("OUT2", inch, 2));
    EXPECT_EQ(slot.Sample(0), 10000000);
    EXPECT_EQ(slot.Sample(1), qda::kPlusOver);
    EXPECT_FALSE(slot.Fill("too many", values, 65537));
    EXPECT_FALSE(slot.Fill("negative", values, -1));
    EXPECT_EQ(slot.Count(), 2);
}

}  // namespace
