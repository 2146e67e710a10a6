// The built language modules QD-Atlas.Lang.{jp,us,de}.so: loading one switches the program's texts,
// a missing or broken one changes nothing, and every translation fits its Japanese text.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "resources/lang/LanguageChoice.h"
#include "resources/lang/LanguageModule.h"
#include "resources/lang/LanguageTables.h"
#include "resources/lang/UiText.h"

namespace {

namespace fs = std::filesystem;

std::string LibDir() {
    const char* dir = std::getenv("QDA_LIB_DIR");
    return dir ? dir : "";
}

class LanguageModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(LibDir().empty()) << "QDA_LIB_DIR is not set";
        qda::UnloadLanguageModule();
    }
    void TearDown() override { qda::UnloadLanguageModule(); }

    // A directory holding copies of the given modules only.
    std::string DirWith(std::initializer_list<const char*> langs) {
        for (const char* lang : langs)
            fs::copy_file(qda::LanguageModulePath(lang, LibDir()),
                          qda::LanguageModulePath(lang, dir.path().toStdString()));
        return dir.path().toStdString();
    }
    QTemporaryDir dir;
};

TEST_F(LanguageModuleTest, EachModuleSwitchesTheMessageTexts) {
    struct Case {
        const char* lang;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"us", 244, "QD-Atlas is already running."},
        {"us", 318, "The settings have been received."},
        {"us", 0, "Head A"},
        {"de", 244, "QD-Atlas wird bereits ausgeführt."},
        {"de", 301, "Möchten Sie die aktuellen Einstellungen speichern?"},
        {"jp", 244, "QD-Atlasはすでに起動しています。"},
        {"us", 378, "The controller has been initialised."},
    };
    for (const Case& c : cases) {
        std::string error;
        ASSERT_TRUE(qda::LoadLanguageModule(c.lang, LibDir(), &error)) << c.lang << ": " << error;
        EXPECT_EQ(qda::LoadedLanguageModule(), c.lang);
        EXPECT_EQ(qda::CurrentLanguage(), c.lang);
        EXPECT_EQ(LoadMessage(c.code), c.text) << c.lang << " " << c.code;
    }
    // Named strings and codes without text follow the module too.
    ASSERT_TRUE(qda::LoadLanguageModule("de", LibDir()));
    EXPECT_EQ(qda::LoadResourceString(qda::kStrStatisticsDeviation), "Standardabweichung");
    EXPECT_EQ(LoadMessage(10), "");
    qda::UnloadLanguageModule();
    EXPECT_EQ(LoadMessage(244), "QD-Atlasはすでに起動しています。");
    EXPECT_EQ(qda::LoadedLanguageModule(), "");
}

TEST_F(LanguageModuleTest, AMissingOrBrokenModuleChangesNothing) {
    std::string error;
    EXPECT_FALSE(qda::LoadLanguageModule("de", dir.path().toStdString(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(qda::CurrentLanguage(), "jp");
    EXPECT_EQ(LoadMessage(244), "QD-Atlasはすでに起動しています。");
    EXPECT_EQ(qda::UiText("ファイルを開く"), QString::fromUtf8("ファイルを開く"));

    // Not a shared library at all, and a shared library of another language under the German name.
    ASSERT_TRUE(qda::LoadLanguageModule("us", LibDir()));
    {
        std::ofstream junk(qda::LanguageModulePath("de", dir.path().toStdString()));
        junk << "not a library";
    }
    EXPECT_FALSE(qda::LoadLanguageModule("de", dir.path().toStdString(), &error));
    const std::string otherDir = dir.path().toStdString() + "/other";
    fs::create_directory(otherDir);
    fs::copy_file(qda::LanguageModulePath("jp", LibDir()), qda::LanguageModulePath("de", otherDir));
    EXPECT_FALSE(qda::LoadLanguageModule("de", otherDir, &error));
    EXPECT_NE(error.find("no string table of language de"), std::string::npos) << error;
    EXPECT_FALSE(qda::LoadLanguageModule("fr", LibDir(), &error));
    // The English module stays in force through all of it.
    EXPECT_EQ(qda::LoadedLanguageModule(), "us");
    EXPECT_EQ(LoadMessage(244), "QD-Atlas is already running.");
}

TEST_F(LanguageModuleTest, StartupFallsBackToEnglishOnlyOnAPlainStart) {
    const std::string onlyUs = DirWith({"us"});
    struct Case {
        const char* commandLine;
        const char* userLanguage;
        bool loaded;
        const char* chosen;
        const char* current;
    };
    const Case cases[] = {
        {"", "de", true, "de", "us"},               // German missing: English instead
        {"settings.qdt", "de", false, "de", "jp"},  // a file to open: no fallback, system error
        {"-DE", "ja", false, "de", "jp"},
        {"-US", "de", true, "us", "us"},
        {"", "ja", true, "jp", "us"},
    };
    for (const Case& c : cases) {
        qda::UnloadLanguageModule();
        std::string chosen;
        EXPECT_EQ(qda::LoadStartupLanguage(c.commandLine, onlyUs, &chosen, c.userLanguage), c.loaded)
            << c.commandLine;
        EXPECT_EQ(chosen, c.chosen) << c.commandLine;
        EXPECT_EQ(qda::CurrentLanguage(), c.current) << c.commandLine;
    }
}

TEST(LanguageChoiceTest, CommandLineThenUserLanguage) {
    struct Case {
        const char* commandLine;
        const char* userLanguage;
        const char* lang;
    };
    const Case cases[] = {
        {"-US", "ja", "us"},      {"/open x.qdt -de -jp", "en", "jp"},
        {"-de -us", "en", "us"},  {"-De", "ja", "de"},
        {"", "de", "de"},         {"", "ja", "jp"},
        {"", "fr", "us"},         {"", "", "us"},
        {"file.qdt", "de", "de"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qda::ChooseLanguage(c.commandLine, c.userLanguage), c.lang) << c.commandLine;
    EXPECT_EQ(qda::LanguageIndex("jp"), qda::LANG_JP);
    EXPECT_EQ(qda::LanguageIndex("us"), qda::LANG_US);
    EXPECT_EQ(qda::LanguageIndex("de"), qda::LANG_DE);
    EXPECT_EQ(qda::LanguageIndex("fr"), 0);
}

// Every string with a Japanese text has a non-empty translation in each module, made for the
// current Japanese text, with the same placeholders; every dialog text too.
TEST_F(LanguageModuleTest, EveryTranslationIsCompleteAndFitsItsJapaneseText) {
    for (const char* lang : {"jp", "us", "de"}) {
        ASSERT_TRUE(qda::LoadLanguageModule(lang, LibDir())) << lang;
        QFile file(QStringLiteral(":/qda-lang/%1/strings.tsv").arg(QString::fromLatin1(lang)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << lang;
        const QByteArray data = file.readAll();
        std::vector<qda::TranslatedString> strings;
        std::string error;
        ASSERT_TRUE(qda::ParseStringTable(std::string_view(data.constData(), data.size()), strings, error))
            << error;
        std::map<int, const qda::TranslatedString*> byId;
        for (const auto& s : strings) byId[s.id] = &s;
        int checked = 0;
        for (const qda::StringResource& jp : qda::JapaneseStrings()) {
            if (!*jp.text) continue;
            ++checked;
            const auto it = byId.find(jp.id);
            ASSERT_NE(it, byId.end()) << lang << ": no text for string " << jp.id << " " << jp.text;
            EXPECT_EQ(it->second->japanese, jp.text)
                << lang << ": string " << jp.id << " translates an older text";
            EXPECT_FALSE(it->second->text.empty()) << lang << ": string " << jp.id;
            EXPECT_TRUE(qda::SamePlaceholders(jp.text, it->second->text))
                << lang << ": string " << jp.id << " \"" << it->second->text << "\"";
            EXPECT_EQ(qda::LoadResourceString(jp.id), it->second->text) << lang << ": string " << jp.id;
        }
        EXPECT_GT(checked, 300);
        if (std::string(lang) == "jp") continue;

        QFile ui(QStringLiteral(":/qda-lang/%1/ui.tsv").arg(QString::fromLatin1(lang)));
        ASSERT_TRUE(ui.open(QIODevice::ReadOnly)) << lang;
        const QByteArray uiData = ui.readAll();
        std::vector<qda::TranslatedUiText> texts;
        ASSERT_TRUE(qda::ParseUiTable(std::string_view(uiData.constData(), uiData.size()), texts, error))
            << error;
        for (const auto& t : texts) {
            EXPECT_FALSE(t.text.empty()) << lang << ": " << t.japanese;
            EXPECT_TRUE(qda::SamePlaceholders(t.japanese, t.text)) << lang << ": \"" << t.text << "\"";
            EXPECT_EQ(qda::UiText(t.japanese.c_str()).toStdString(), t.text) << lang;
        }
        EXPECT_EQ(qda::UiTextCount(), static_cast<int>(texts.size())) << lang;
    }
}

}  // namespace
