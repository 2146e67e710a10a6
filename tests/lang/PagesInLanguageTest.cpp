// The main window, the settings pages and the dialogs built after the English or German module is loaded show
// no Japanese text anywhere: labels, buttons, group titles, combo items, tool tips, window titles.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <cstdlib>
#include <memory>

#include "app/AboutDlg.h"
#include "app/MainWindowDialogs.h"
#include "app/StartupDlg.h"
#include "app/TR52Dlg.h"
#include "pages/OptionCommunication.h"
#include "pages/OptionEnvironment.h"
#include "pages/OptionHeadSetting.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabList.h"
#include "pages/TabOut.h"
#include "resources/lang/LanguageModule.h"
#include "settings/SettingsDefaults.h"

namespace {

// Hiragana, katakana, CJK ideographs and full-width forms: what only a Japanese text contains.
bool HasJapanese(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF01 && u <= 0xFF5E))
            return true;
    }
    return false;
}

// Every text `root` and its children show that still holds Japanese, with where it was found.
QStringList JapaneseTexts(const QWidget& root) {
    QStringList found;
    auto check = [&](const QWidget* w, const QString& what, const QString& text) {
        if (HasJapanese(text))
            found << QStringLiteral("%1 %2 %3: %4")
                         .arg(w->metaObject()->className(), w->objectName(), what, text);
    };
    QList<const QWidget*> widgets{&root};
    for (const QWidget* w : root.findChildren<QWidget*>()) widgets << w;
    for (const QWidget* w : widgets) {
        check(w, "title", w->windowTitle());
        check(w, "tool tip", w->toolTip());
        if (auto* l = qobject_cast<const QLabel*>(w)) check(w, "text", l->text());
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) check(w, "text", b->text());
        if (auto* g = qobject_cast<const QGroupBox*>(w)) check(w, "title", g->title());
        if (auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) check(w, "item", c->itemText(i));
        for (const QAction* a : w->actions()) check(w, "action", a->text());
    }
    return found;
}

class PagesInLanguageTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const char* dir = std::getenv("QDA_LIB_DIR");
        ASSERT_TRUE(dir) << "QDA_LIB_DIR is not set";
        std::string error;
        ASSERT_TRUE(qda::LoadLanguageModule(GetParam(), dir, &error)) << error;
    }
    void TearDown() override { qda::UnloadLanguageModule(); }
};

TEST_P(PagesInLanguageTest, NoJapaneseTextIsLeft) {
    const SettingsBlock block = qda::DefaultBlock();
    const ProgramSetting& p = block.Programs[0];
    std::vector<std::unique_ptr<QWidget>> windows;

    auto head = std::make_unique<CTabHead>();
    head->LoadPage(nullptr, 0, 0, p.HeadA, QStringLiteral("A"), block.PcComm, nullptr);
    head->RefreshPage();
    windows.push_back(std::move(head));
    auto out = std::make_unique<CTabOut>();
    out->LoadPage(nullptr, 0, 0, p.Out1, QStringLiteral("1"), 0, block.PcComm, nullptr);
    out->RefreshPage();
    windows.push_back(std::move(out));
    auto common = std::make_unique<CTabCommon>();
    common->LoadPage(nullptr, p.Common, 0, 1);
    common->RefreshPage();
    windows.push_back(std::move(common));
    windows.push_back(std::make_unique<CTabList>());
    auto pc = std::make_unique<COptionCommunication>();
    pc->SetRecord(block.PcComm);
    windows.push_back(std::move(pc));
    auto env = std::make_unique<COptionEnvironment>();
    env->SetRecord(block.Environment, true);
    windows.push_back(std::move(env));
    windows.push_back(std::make_unique<COptionHeadSetting>(QStringLiteral("A"), nullptr, nullptr, 0));
    windows.push_back(std::make_unique<CStartupDlg>());
    windows.push_back(std::make_unique<CAboutDlg>(QStringLiteral("1.00")));

    for (const auto& w : windows) {
        const QStringList left = JapaneseTexts(*w);
        EXPECT_TRUE(left.isEmpty()) << w->metaObject()->className() << ":\n"
                                    << left.join(QLatin1Char('\n')).toStdString();
    }
}

// The main window is left before its start-up action: no dialog, no saved state.
class QuietStartDialogs : public qda::CMainWindowDialogs {
public:
    int ChooseStartup(QWidget*) override { return -1; }
    void ShowSplash(QWidget*, const QString&, int) override {}
};

TEST_P(PagesInLanguageTest, MainWindowMenusAndButtonsAreTranslated) {
    QuietStartDialogs dialogs;
    CTR52Dlg::Options options;
    options.dialogs = &dialogs;
    options.versionText = QStringLiteral("1.00");
    CTR52Dlg window(options);
    const QStringList left = JapaneseTexts(window);
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char('\n')).toStdString();
    // The menus are there and were looked at.
    EXPECT_GE(window.findChildren<QAction*>().size(), 10);
}

// Qt's own texts, such as the standard buttons of the message boxes, follow the module's language.
TEST(QtTextsInLanguageTest, StandardButtonsFollowTheModule) {
    const char* dir = std::getenv("QDA_LIB_DIR");
    ASSERT_TRUE(dir);
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(translations + "/qtbase_de.qm") || !QFile::exists(translations + "/qtbase_ja.qm"))
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    auto noText = [] {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.button(QMessageBox::No)->text();
    };
    const QString english = noText();
    ASSERT_TRUE(qda::LoadLanguageModule("de", dir));
    EXPECT_EQ(noText(), QStringLiteral("&Nein"));
    ASSERT_TRUE(qda::LoadLanguageModule("jp", dir));
    EXPECT_TRUE(HasJapanese(noText())) << noText().toStdString();
    ASSERT_TRUE(qda::LoadLanguageModule("us", dir));
    EXPECT_EQ(noText(), english);
    qda::UnloadLanguageModule();
    EXPECT_EQ(noText(), english);
}

INSTANTIATE_TEST_SUITE_P(Languages, PagesInLanguageTest, ::testing::Values("us", "de"));

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
