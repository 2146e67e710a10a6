// Access keys and captions as an operator of each language meets them: the key letter sits in the
// word (no Japanese-style "(&W)" suffix outside Japanese), no two controls of one window or one
// page share a key, no menu has two items with one key, and the settings list shows its labels
// whole.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTableWidget>
#include <cstdlib>
#include <map>
#include <memory>

#include "app/AboutDlg.h"
#include "app/MainWindowDialogs.h"
#include "app/StartupDlg.h"
#include "app/TR52Dlg.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/OptionCommunication.h"
#include "pages/OptionEnvironment.h"
#include "pages/OptionHeadSetting.h"
#include "pages/PageSupport.h"
#include "pages/SettingsListBuilder.h"
#include "pages/TabList.h"
#include "pages/TabOut.h"
#include "resources/lang/LanguageModule.h"
#include "settings/SettingsDefaults.h"

namespace {

// The caption of a control that can carry an access key ("" for other widgets).
QString Caption(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* d = qobject_cast<const CDrawnButton*>(w)) return d->Text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->buddy() != nullptr ? l->text() : QString();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

QString Where(const QWidget* w) {
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QLatin1String(w->metaObject()->className()), w->objectName(), Caption(w));
}

// The access keys of the controls of `root` shown now (hidden pages and sub-pages left out), and
// of its menu bar's titles. `within` (when given) takes only the controls inside it, `outside`
// leaves out those inside it: a page's keys are its own, and only the menu bar's titles, which
// the whole window shares, must differ from them as well.
std::map<QString, QStringList> KeysOnScreen(QWidget& root, const QWidget* within = nullptr,
                                            const QWidget* outside = nullptr) {
    std::map<QString, QStringList> keys;
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root) || w->window() != &root) continue;
        if (within != nullptr && !within->isAncestorOf(w)) continue;
        if (outside != nullptr && outside->isAncestorOf(w)) continue;
        const QString key = QKeySequence::mnemonic(Caption(w)).toString();
        if (!key.isEmpty()) keys[key] << Where(w);
    }
    if (auto* bar = root.findChild<QMenuBar*>()) {
        for (QAction* a : bar->actions()) {
            const QString key = QKeySequence::mnemonic(a->text()).toString();
            if (!key.isEmpty()) keys[key] << QStringLiteral("menu ") + a->text();
        }
    }
    return keys;
}

QStringList Shared(const std::map<QString, QStringList>& keys) {
    QStringList shared;
    for (const auto& [key, owners] : keys) {
        if (owners.size() > 1) shared << key + QStringLiteral(": ") + owners.join(QStringLiteral(", "));
    }
    return shared;
}

// Every caption of `root` and its menus written with a Japanese-style access key suffix.
QStringList SuffixedCaptions(const QWidget& root) {
    static const QRegularExpression suffix(QStringLiteral("\\(&[^&]\\)"));
    QStringList found;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        if (suffix.match(Caption(w)).hasMatch()) found << Where(w);
    }
    for (const QAction* a : root.findChildren<QAction*>()) {
        if (suffix.match(a->text()).hasMatch()) found << QStringLiteral("action ") + a->text();
    }
    return found;
}

class QuietStartDialogs : public qda::CMainWindowDialogs {
public:
    int ChooseStartup(QWidget*) override { return -1; }
    void ShowSplash(QWidget*, const QString&, int) override {}
};

class AccessKeysTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const char* dir = std::getenv("QDA_LIB_DIR");
        ASSERT_TRUE(dir) << "QDA_LIB_DIR is not set";
        std::string error;
        ASSERT_TRUE(qda::LoadLanguageModule(GetParam(), dir, &error)) << error;
        options.dialogs = &dialogs;
        options.versionText = QStringLiteral("1.00");
    }
    void TearDown() override { qda::UnloadLanguageModule(); }
    bool Japanese() const { return std::string(GetParam()) == "jp"; }

    QuietStartDialogs dialogs;
    CTR52Dlg::Options options;
};

// The dialogs the main window and the head page open, each on its own.
std::vector<std::unique_ptr<QWidget>> Dialogs() {
    std::vector<std::unique_ptr<QWidget>> dialogs;
    auto env = std::make_unique<COptionEnvironment>();
    env->SetRecord(qda::DefaultBlock().Environment, true);
    dialogs.push_back(std::move(env));
    dialogs.push_back(std::make_unique<COptionCommunication>());
    dialogs.push_back(std::make_unique<COptionHeadSetting>(QStringLiteral("A"), nullptr, nullptr, 0));
    dialogs.push_back(std::make_unique<CStartupDlg>());
    dialogs.push_back(std::make_unique<CAboutDlg>(QStringLiteral("1.00")));
    return dialogs;
}

TEST_P(AccessKeysTest, KeysSitInTheWordsOutsideJapanese) {
    if (Japanese()) GTEST_SKIP() << "Japanese captions carry their key as a suffix";
    CTR52Dlg window(options);
    for (int page = 0; page < 6; ++page) window.Page(page);
    QStringList found = SuffixedCaptions(window);
    for (const auto& dialog : Dialogs()) found += SuffixedCaptions(*dialog);
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}

TEST_P(AccessKeysTest, NoTwoControlsOfOneWindowOrPageShareAKey) {
    CTR52Dlg window(options);
    const QStringList own = Shared(KeysOnScreen(window, nullptr, window.Tab()));
    EXPECT_TRUE(own.isEmpty()) << "main window:\n" << own.join(QLatin1Char('\n')).toStdString();
    for (int page = 0; page < 6; ++page) {
        window.MoveTab(page - window.CurrentTab());
        ASSERT_EQ(window.CurrentTab(), page);
        const int subPages = page == 2 || page == 3 ? 3 : 1;
        for (int sub = 0; sub < subPages; ++sub) {
            if (subPages > 1) window.OutPage(page - 2)->ShowSubPage(sub);
            const QStringList shared = Shared(KeysOnScreen(window, window.Page(page)));
            EXPECT_TRUE(shared.isEmpty()) << "page " << page << "." << sub << ":\n"
                                          << shared.join(QLatin1Char('\n')).toStdString();
        }
    }
    for (const auto& dialog : Dialogs()) {
        const QStringList shared = Shared(KeysOnScreen(*dialog));
        EXPECT_TRUE(shared.isEmpty()) << dialog->metaObject()->className() << ":\n"
                                      << shared.join(QLatin1Char('\n')).toStdString();
    }
}

TEST_P(AccessKeysTest, NoMenuHasTwoItemsWithOneKey) {
    CTR52Dlg window(options);
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        std::map<QString, QStringList> keys;
        for (QAction* a : menu->actions()) {
            const QString key = QKeySequence::mnemonic(a->text()).toString();
            if (!key.isEmpty()) keys[key] << a->text();
        }
        const QStringList shared = Shared(keys);
        EXPECT_TRUE(shared.isEmpty()) << menu->title().toStdString() << ":\n"
                                      << shared.join(QLatin1Char('\n')).toStdString();
    }
}

TEST_P(AccessKeysTest, SettingsListShowsEveryTextWhole) {
    SettingsBlock block = qda::DefaultBlock();
    const std::string text = BuildSettingsListText(block, 0);
    CTabList list;
    list.resize(700, 600);
    list.LoadPage(nullptr, 0, text, text, block.PcComm, nullptr);
    list.RefreshPage();
    auto* table = qda::Control<QTableWidget>(&list, CTabList::IDC_LIST);
    ASSERT_NE(table, nullptr);
    const QFontMetrics metrics(table->font());
    QStringList cut;
    for (int row = 0; row < list.RowCount(); ++row) {
        for (int column = 0; column < CTabList::kColumns; ++column) {
            const QString cell = list.CellText(row, column);
            if (cell.isEmpty()) continue;
            QTableWidgetItem* item = table->item(row, column);
            const bool whole = metrics.horizontalAdvance(cell) + 8 <= table->columnWidth(column);
            const bool explained = item != nullptr && item->toolTip() == cell;
            if (!whole && !explained) cut << QStringLiteral("%1,%2: %3").arg(row).arg(column).arg(cell);
        }
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, AccessKeysTest, ::testing::Values("jp", "us", "de"));

}  // namespace
