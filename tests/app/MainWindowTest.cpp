// The main window as the operator meets it: start-up, programs, copy and paste, files, the option
// dialogs, help and exit. Messages are answered by a script and dialogs by ScriptedDialogs.
#include <QFile>
#include <QLineEdit>

#include <QGuiApplication>
#include <QScreen>
#include "MainWindowTestSupport.h"
#include "app/MainWindowLogic.h"
#include "app/WindowPlacement.h"
#include "monitor/Wave.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/HelpRequest.h"
#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabOut.h"
#include "settings/Configuration.h"
#include "settings/MessageFormat.h"
#include "settings/SettingsDefaults.h"
#include "windowing/WindowMessage.h"

using namespace qda;
using namespace qda::test;

namespace {

// A settings file with program `active` selected and a recognisable value in program 2.
void WriteSettingsFile(const QString& path, int active, int alarmCount = 321, int sampRate = 2) {
    SettingsBlock block = DefaultBlock();
    block.Programs[2].HeadA.AlarmCnt = alarmCount;
    block.Programs[2].Common.SampRate = sampRate;
    ASSERT_TRUE(CConfiguration().Save(path.toStdString(), block, active));
}

TEST_F(MainWindowTest, CommandLineFileIsOpenedInsteadOfTheStartupChoice) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("with space")));
    const QString spaced = Path("with space/prog file.qdt");
    WriteSettingsFile(spaced, 2);
    WriteSettingsFile(Path("plain.QDT"), 3);
    WriteSettingsFile(Path("other.txt"), 2);
    struct Case {
        QString commandLine;
        bool loaded;
        int program;
    };
    const Case cases[] = {
        {QStringLiteral("/open \"%1\"").arg(spaced), true, 2},
        {QStringLiteral("\"%1\" /open").arg(spaced), true, 2},
        {Path("plain.QDT"), true, 3},  // a bare name without /open, extension in capitals
        {QStringLiteral("/open %1").arg(Path("other.txt")), false, 0},
        {QStringLiteral("/open \"%1\"").arg(Path("missing.qdt")), false, 0},
    };
    for (const Case& c : cases) {
        dialogs.startupAsked = 0;
        messages.Clear();
        Start(c.commandLine);
        EXPECT_EQ(dialogs.splashShown > 0, true);
        EXPECT_EQ(dialogs.lastSplashText, QStringLiteral("Ver. 1.00"));
        EXPECT_EQ(dialogs.startupAsked, c.loaded ? 0 : 1) << c.commandLine.toStdString();
        EXPECT_EQ(window->GetSelectedProgram(), c.program) << c.commandLine.toStdString();
        EXPECT_EQ(window->Settings().Programs[2].HeadA.AlarmCnt, c.loaded ? 321 : 8);
        EXPECT_EQ(window->StartupPending(), !c.loaded) << "Esc at the choice keeps the flag";
        EXPECT_TRUE(messages.Shown().empty());
        window.reset();
    }
}

TEST_F(MainWindowTest, CommandLineFileThatFailsFallsBackToDefaults) {
    WriteSettingsFile(Path("bad.qdt"), 1, 321, 17);  // sampling rate out of range
    store.Clear();
    RegWriteInt(store, "COMMUNICATION", "PORTNO", 4);
    RegWriteInt(store, "WAVE", "INITIALXSCALE_A", 3);
    Start(QStringLiteral("/open ") + Path("bad.qdt"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{Msg(383), Msg(313)}));
    EXPECT_EQ(dialogs.startupAsked, 0);
    EXPECT_FALSE(window->StartupPending());
    EXPECT_EQ(window->Settings().Programs[2].Common.SampRate, 3);
    EXPECT_EQ(window->Settings().PcComm.PortNo, 4) << "the PC's settings are not reset";
    EXPECT_EQ(window->Settings().WaveView[0].InitialXScale, 0)
        << "window records are reset in the file fallback";
    EXPECT_TRUE(IsSameBlock(window->Settings(), window->SettingsRef()));
}

TEST_F(MainWindowTest, StartupChoices) {
    WriteSettingsFile(Path("good.qdt"), 5);
    struct Case {
        const char* what;
        int choice;
        QString openName;
        std::vector<int> shown;
        int alarmCount;  // of program 2 afterwards
        bool pending;
    };
    const Case cases[] = {
        {"defaults", 2, {}, {}, 8, false},
        {"file", 1, Path("good.qdt"), {}, 321, false},
        {"file cancelled", 1, QString(), {313}, 8, false},
        {"file missing", 1, Path("none.qdt"), {323, 313}, 8, false},
        {"escape", -1, {}, {}, 55, true},
        // Receive with no controller (COM9 resolves to a path that does not exist).
        {"receive, no controller", 0, {}, {319, 313}, 8, false},
    };
    for (const Case& c : cases) {
        messages.Clear();
        store.Clear();
        CRegistrySettings registry(store);
        SettingsBlock saved = DefaultBlock();
        saved.Programs[2].HeadA.AlarmCnt = 55;
        saved.PcComm.CommType = kCommRs232c;
        saved.PcComm.PortNo = 8;
        registry.SaveBlock(saved);
        qputenv("QDA_COM9", QFile::encodeName(Path("no-such-tty")));
        dialogs.startupChoices = {c.choice};
        dialogs.openNames = {c.openName};
        Start();
        // Each message is the headline; a reason (the missing file, the missing port) may follow it
        // on the next line.
        const std::vector<std::string> texts = Texts();
        ASSERT_EQ(texts.size(), c.shown.size()) << c.what;
        for (size_t i = 0; i < texts.size(); ++i) {
            const std::string headline = Msg(c.shown[i]);
            EXPECT_TRUE(texts[i] == headline || texts[i].rfind(headline + "\n", 0) == 0)
                << c.what << ": " << texts[i];
        }
        if (c.choice == 0) {
            EXPECT_NE(texts[0].find("no-such-tty"), std::string::npos) << texts[0];
        }
        EXPECT_EQ(window->Settings().Programs[2].HeadA.AlarmCnt, c.alarmCount) << c.what;
        EXPECT_EQ(window->StartupPending(), c.pending) << c.what;
        EXPECT_EQ(window->GetSelectedProgram(), c.choice == 1 && c.shown.empty() ? 5 : 0) << c.what;
        EXPECT_TRUE(window->Button(CTR52Dlg::IDC_CALC)->isEnabled()) << c.what;
        window.reset();
    }
    qunsetenv("QDA_COM9");
}

TEST_F(MainWindowTest, ShiftOrCtrlIgnoresTheSavedState) {
    RegWriteInt(store, "PROGRAM01\\HEADB", "NUMALARM", 77);
    for (Qt::KeyboardModifiers held :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        dialogs.modifiers = held;
        Start();
        EXPECT_EQ(window->Settings().Programs[1].HeadB.AlarmCnt, held == Qt::NoModifier ? 77 : 8);
        EXPECT_EQ(dialogs.startupAsked > 0, true) << "the start-up choice is still shown";
        window.reset();
    }
}

TEST_F(MainWindowTest, ProgramSwitching) {
    Start();
    ASSERT_EQ(window->GetSelectedProgram(), 0);
    window->MutableSettings().Programs[3].HeadA.AlarmCnt = 33;

    // A page check that fails keeps the shown program and the pages.
    auto* points = Control<CNumEdit>(window->CommonPage(), CTabCommon::IDC_DS_POINTS);
    points->setText(QStringLiteral("0"));
    EXPECT_FALSE(window->SelectProgram(true, 3));
    EXPECT_EQ(window->GetSelectedProgram(), 0);
    EXPECT_EQ(messages.Shown().size(), 1u);
    EXPECT_FALSE(window->Button(1009)->IsSelected());

    // The transparency question: cancel keeps the program, OK switches.
    window->MutableSettings().Programs[0].Out2.Calc = kCalcHeadATransparent;
    window->SelectProgram(false, 0);
    points->setText(QStringLiteral("1000"));
    messages.Clear();
    messages.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(window->SelectProgram(true, 3));
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(289)});
    EXPECT_EQ(messages.Shown()[0].style, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(window->GetSelectedProgram(), 0);
    messages.QueueAnswer(IDOK);
    EXPECT_TRUE(window->SelectProgram(true, 3));
    EXPECT_EQ(window->GetSelectedProgram(), 3);
    EXPECT_EQ(window->ShownProgram(), 3);
    EXPECT_EQ(window->Settings().Programs[0].Common.DSPoints, 1000) << "the pages were committed first";
    EXPECT_EQ(window->HeadPage(0)->Record().AlarmCnt, 33);
    EXPECT_TRUE(window->Button(1009)->IsSelected());

    // Head B transparent with head B in a transparent mode asks nothing.
    window->MutableSettings().Programs[3].Out1.Calc = kCalcHeadBTransparent;
    window->MutableSettings().Programs[3].HeadB.HdMsrMode = 3;
    window->SelectProgram(false, 3);
    messages.Clear();
    EXPECT_TRUE(window->SelectProgram(true, 3)) << "the selected program again reloads it";
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(MainWindowTest, TransparencyQuestionIsAskedForEachHead) {
    struct Case {
        int out1Calc, out2Calc;
        std::vector<int> answers;  // to the questions, in order
        size_t questions;          // how many are asked
        bool switches;
    };
    const Case cases[] = {
        {kCalcHeadATransparent, kCalcHeadBTransparent, {IDOK, IDOK}, 2, true},
        {kCalcHeadATransparent, kCalcHeadBTransparent, {IDOK, IDCANCEL}, 2, false},
        {kCalcHeadATransparent, kCalcHeadBTransparent, {IDCANCEL}, 1, false},
        {kCalcHeadBTransparent, kCalcHeadATransparent, {IDOK, IDOK}, 2, true},
        {0, kCalcHeadBTransparent, {IDOK}, 1, true},
        {kCalcHeadATransparent, 0, {IDCANCEL}, 1, false},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.out1Calc << "/" << c.out2Calc << " answers " << c.answers.size());
        window->MutableSettings().Programs[0].Out1.Calc = c.out1Calc;
        window->MutableSettings().Programs[0].Out2.Calc = c.out2Calc;
        window->SelectProgram(false, 0);
        messages.Clear();
        for (int answer : c.answers) messages.QueueAnswer(answer);
        EXPECT_EQ(window->SelectProgram(true, 1), c.switches);
        EXPECT_EQ(Texts(), std::vector<std::string>(c.questions, Msg(289)));
        EXPECT_EQ(window->GetSelectedProgram(), c.switches ? 1 : 0);
    }
    // Head B refused while OUT1 is shown: the calculation method of OUT1 gets the focus.
    window->MutableSettings().Programs[0].Out1.Calc = kCalcHeadATransparent;
    window->MutableSettings().Programs[0].Out2.Calc = kCalcHeadBTransparent;
    window->SelectProgram(false, 0);
    window->MoveTab(2);
    ASSERT_EQ(window->CurrentTab(), 2);
    messages.Clear();
    messages.QueueAnswer(IDOK);
    messages.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(window->SelectProgram(true, 1));
    QWidget* focused = window->focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->objectName(), QStringLiteral("1017"));
    EXPECT_TRUE(window->OutPage(0)->isAncestorOf(focused));
}

TEST_F(MainWindowTest, HelpRequestOfTheOptionDialogsOpensTheirDocument) {
    EXPECT_FALSE(RequestHelp("QD-AtlasHead.pdf")) << "no main window, no opener";
    Start();
    EXPECT_TRUE(RequestHelp("QD-AtlasEnvironment.pdf"));
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(371)}) << "the document is missing";
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("JP")));
    QFile pdf(Path("JP/QD-AtlasHead.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.close();
    messages.Clear();
    EXPECT_TRUE(RequestHelp("QD-AtlasHead.pdf"));
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(dialogs.lastOpenedDocument, Path("JP/QD-AtlasHead.pdf"));
    window.reset();
    EXPECT_FALSE(RequestHelp("QD-AtlasHead.pdf")) << "the opener goes with its window";
}

TEST_F(MainWindowTest, AccessKeysOfTheDrawnButtons) {
    dialogs.startupChoices = {2};
    Start();
    ASSERT_FALSE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);  // コピー(&W)
    QApplication::processEvents();
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled()) << "the program was copied";
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::AltModifier);  // 貼り付け(&Z)
    QTest::keyClick(window.get(), Qt::Key_I, Qt::AltModifier);  // 初期化(&I)
    QTest::keyClick(window.get(), Qt::Key_8, Qt::AltModifier);  // 一括初期化(&8)
    QApplication::processEvents();
    EXPECT_EQ(Texts(), (std::vector<std::string>{Msg(259), Msg(328), Msg(329)}));
}

TEST_F(MainWindowTest, FailedCheckOfATabClickLeavesTheFocusOnTheField) {
    dialogs.startupChoices = {2};
    Start();
    auto* count = Control<CNumEdit>(window->HeadPage(0), CTabHead::IDC_ALARM_COUNT);
    count->setText(QString());
    CDrawnTab* tab = window->Tab();
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->ItemRect(2).center());
    EXPECT_EQ(Texts(), std::vector<std::string>{FormatMessage(251, {int64_t{0}, int64_t{999}})});
    EXPECT_EQ(window->CurrentTab(), 0);
    EXPECT_EQ(window->focusWidget(), count) << "typing goes into the field the message names";

    // A change that passes leaves the focus on the tabs.
    count->setText(QStringLiteral("8"));
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->ItemRect(2).center());
    EXPECT_EQ(window->CurrentTab(), 2);
    EXPECT_EQ(window->focusWidget(), tab);
}

TEST_F(MainWindowTest, CopyPasteAndInitialise) {
    Start();
    auto* paste = window->Button(CTR52Dlg::IDC_PASTE);
    EXPECT_FALSE(paste->isEnabled());
    window->MutableSettings().Programs[1].HeadA.AlarmCnt = 11;
    window->SelectProgram(false, 1);
    window->OnCopy();
    EXPECT_TRUE(paste->isEnabled());
    window->SelectProgram(true, 4);

    messages.QueueAnswer(IDNO);
    window->OnPaste();
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(259)});
    EXPECT_EQ(window->Settings().Programs[4].HeadA.AlarmCnt, 8);
    messages.QueueAnswer(IDYES);
    window->OnPaste();
    EXPECT_EQ(window->Settings().Programs[4].HeadA.AlarmCnt, 11);
    EXPECT_EQ(window->HeadPage(0)->Record().AlarmCnt, 11);

    messages.Clear();
    messages.QueueAnswer(IDNO);
    window->OnInitialise();
    EXPECT_EQ(window->Settings().Programs[4].HeadA.AlarmCnt, 11);
    messages.QueueAnswer(IDYES);
    window->OnInitialise();
    EXPECT_EQ(window->Settings().Programs[4].HeadA.AlarmCnt, 8);
    EXPECT_EQ(window->Settings().Programs[1].HeadA.AlarmCnt, 11);
    EXPECT_EQ(Texts(), (std::vector<std::string>{Msg(328), Msg(328)}));

    messages.QueueAnswer(IDYES);
    window->OnInitialiseAll();
    EXPECT_EQ(window->Settings().Programs[1].HeadA.AlarmCnt, 8);
    EXPECT_EQ(window->GetSelectedProgram(), 4);
}

TEST_F(MainWindowTest, OpenAndSave) {
    dialogs.startupChoices = {2};
    Start();
    WriteSettingsFile(Path("good.qdt"), 6);
    WriteSettingsFile(Path("invalid.qdt"), 1, 321, 17);
    QFile broken(Path("broken.qdt"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("this is not a settings file\n");
    broken.close();

    window->OnCopy();
    struct Case {
        QString name;
        std::vector<int> shown;
        int alarmCount;
    };
    const Case cases[] = {
        {Path("broken.qdt"), {323}, 8},
        {Path("invalid.qdt"), {383}, 8},
        {QString(), {}, 8},  // cancelled: nothing happens after start-up
        {Path("good.qdt"), {}, 321},
    };
    for (const Case& c : cases) {
        messages.Clear();
        dialogs.openNames = {c.name};
        window->OnOpen();
        std::vector<std::string> expected;
        for (int code : c.shown) expected.push_back(Msg(code));
        EXPECT_EQ(Texts(), expected) << c.name.toStdString();
        EXPECT_EQ(window->Settings().Programs[2].HeadA.AlarmCnt, c.alarmCount);
    }
    EXPECT_EQ(dialogs.lastFilter, QString::fromUtf8("QD-Atlas設定ファイル (*.qdt)"));
    EXPECT_EQ(window->GetSelectedProgram(), 6);
    EXPECT_TRUE(IsSameBlock(window->Settings(), window->SettingsRef()));
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled()) << "same unit: the copy stays";

    // Save: ".qdt" is added unless the name already ends so.
    window->MutableSettings().Programs[6].HeadB.AlarmCnt = 66;
    window->SelectProgram(false, 6);
    dialogs.saveNames = {Path("saved.txt")};
    EXPECT_TRUE(window->OnSave());
    EXPECT_TRUE(QFile::exists(Path("saved.txt.qdt")));
    EXPECT_EQ(window->FilePath(), Path("saved.txt.qdt"));
    EXPECT_TRUE(IsSameBlock(window->Settings(), window->SettingsRef()));
    dialogs.saveNames = {Path("upper.QDT")};
    EXPECT_TRUE(window->OnSave());
    EXPECT_TRUE(QFile::exists(Path("upper.QDT")));
    SettingsBlock back = DefaultBlock();
    int active = -1;
    ASSERT_TRUE(CConfiguration().Load(Path("upper.QDT").toStdString(), back, active));
    EXPECT_EQ(active, 6);
    EXPECT_EQ(back.Programs[6].HeadB.AlarmCnt, 66);

    // A folder that cannot be written: message 324, the reference stays.
    messages.Clear();
    window->MutableSettings().Programs[6].HeadB.AlarmCnt = 67;
    window->SelectProgram(false, 6);
    dialogs.saveNames = {Path("no-such-folder/x.qdt")};
    EXPECT_FALSE(window->OnSave());
    ASSERT_FALSE(Texts().empty());
    EXPECT_EQ(Texts().back(), Msg(324));
    EXPECT_FALSE(IsSameBlock(window->Settings(), window->SettingsRef()));
}

TEST_F(MainWindowTest, OutReloadResetsTheDisplayDependentValues) {
    dialogs.startupChoices = {2};
    Start();
    window->MutableSettings().Programs[0].Out2.ToleUpper = 400000;
    window->MutableSettings().Programs[0].Out2.FilterType = 1;
    window->SelectProgram(false, 0);
    window->OnCopy();
    EXPECT_EQ(SendWindowMessage(window.get(), WM_OUT_RELOAD, 1, 1), 0);
    EXPECT_EQ(window->OutPage(1)->Record().ToleUpper, 400000) << "wParam 1 does nothing";
    EXPECT_EQ(SendWindowMessage(window.get(), WM_OUT_RELOAD, 0, 1), 0);
    EXPECT_EQ(window->OutPage(1)->Record().ToleUpper, 500000);
    EXPECT_EQ(window->OutPage(1)->Record().FilterType, 1) << "other values stay";
    EXPECT_EQ(window->Settings().Programs[0].Out2.ToleUpper, 400000) << "stored before the reset";
    EXPECT_FALSE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled())
        << "copies of the old display unit are gone";
}

TEST_F(MainWindowTest, OpenWithAnotherUnitEmptiesTheCopyBuffer) {
    Start();
    SettingsBlock inch = DefaultBlock();
    inch.Environment.Unit = kUnitImperial;
    for (int p = 0; p < 8; ++p) SetProgramDefaults(inch, p, kUnitImperial);
    ASSERT_TRUE(CConfiguration().Save(Path("inch.qdt").toStdString(), inch, 0));
    window->OnCopy();
    ASSERT_TRUE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled());
    dialogs.openNames = {Path("inch.qdt")};
    window->OnOpen();
    EXPECT_EQ(window->Settings().Environment.Unit, kUnitImperial);
    EXPECT_FALSE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled());
}

TEST_F(MainWindowTest, EnvironmentDialog) {
    Start();
    window->MutableSettings().Programs[5].HeadA.AlarmCnt = 12;
    window->OnCopy();
    EnvironmentSetting env = window->Settings().Environment;
    env.Baudrate = 3;
    dialogs.environments = {env};
    window->OnEnvironment();
    EXPECT_FALSE(dialogs.lastEnvironmentExtended);
    EXPECT_EQ(window->Settings().Environment.Baudrate, 3);
    EXPECT_EQ(window->Settings().Programs[5].HeadA.AlarmCnt, 12);
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled());

    // Extended mode only with Alt+Shift held and both lock keys on; a unit change resets programs.
    dialogs.modifiers = Qt::AltModifier | Qt::ShiftModifier;
    dialogs.lockKeys = true;
    env.Unit = kUnitImperial;
    dialogs.environments = {env};
    dialogs.environmentUnitChanged = true;
    window->OnEnvironment();
    EXPECT_TRUE(dialogs.lastEnvironmentExtended);
    EXPECT_EQ(window->Settings().Programs[5].HeadA.AlarmCnt, 8);
    EXPECT_EQ(window->Settings().Programs[0].Out1.ToleUpper, window->Settings().Programs[7].Out1.ToleUpper);
    EXPECT_FALSE(window->Button(CTR52Dlg::IDC_PASTE)->isEnabled());
    dialogs.lockKeys = false;
    dialogs.environments = {env};
    window->OnEnvironment();
    EXPECT_FALSE(dialogs.lastEnvironmentExtended);
}

TEST_F(MainWindowTest, HelpAndTabs) {
    Start();
    window->OnHelp();
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(371)});
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("JP")));
    QFile pdf(Path("JP/QD-Atlas.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.close();
    messages.Clear();
    window->OnHelp();
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(dialogs.lastOpenedDocument, Path("JP/QD-Atlas.pdf"));

    for (int i = 1; i < 6; ++i) {
        window->MoveTab(1);
        EXPECT_EQ(window->CurrentTab(), i);
        EXPECT_TRUE(window->Page(i)->isVisible());
    }
    window->MoveTab(1);
    EXPECT_EQ(window->CurrentTab(), 5);
    // A failing page keeps its tab.
    window->MoveTab(-1);
    window->MoveTab(-1);
    ASSERT_EQ(window->CurrentTab(), 3);
    window->MoveTab(1);
    Control<CNumEdit>(window->CommonPage(), CTabCommon::IDC_DS_POINTS)->setText(QStringLiteral("70000"));
    window->MoveTab(1);
    EXPECT_EQ(window->CurrentTab(), 4);
    EXPECT_EQ(window->Tab()->CurSel(), 4);
}

// The next widget the Tab key reaches after `from`: visible, enabled and taking Tab focus.
QWidget* NextTabStop(QWidget* window, QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return w;
    }
    return nullptr;
}

TEST_F(MainWindowTest, TabKeyLeadsFromTheTabsThroughTheShownPageToTheButtonsBelow) {
    dialogs.startupChoices = {2};
    Start();
    // The pages are first shown in an order other than their own.
    for (int tab : {3, 1, 5, 2, 4, 0}) {
        window->MoveTab(tab - window->CurrentTab());
        ASSERT_EQ(window->CurrentTab(), tab);
        QWidget* page = window->Page(tab);
        QWidget* w = NextTabStop(window.get(), window->Tab());
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(page->isAncestorOf(w)) << "page " << tab << " follows the tabs";
        int stops = 0;
        while (w != nullptr && page->isAncestorOf(w) && ++stops < 100) w = NextTabStop(window.get(), w);
        EXPECT_EQ(w, FindControl(window.get(), CTR52Dlg::IDC_ENVIRONMENT))
            << "the buttons below follow page " << tab;
    }
}

TEST_F(MainWindowTest, PageFirstShownLaterHoldsTheSelectedProgramAndTheBusyState) {
    dialogs.startupChoices = {2};
    Start();
    window->MutableSettings().Programs[5].HeadB.AlarmCnt = 77;
    window->SelectProgram(false, 5);
    window->EnableCommands(false);
    window->MoveTab(1);
    ASSERT_EQ(window->CurrentTab(), 1);
    auto* count = Control<CNumEdit>(window->HeadPage(1), CTabHead::IDC_ALARM_COUNT);
    EXPECT_EQ(count->text(), QStringLiteral("77"));
    EXPECT_FALSE(count->isEnabled());
    window->EnableCommands(true);
    EXPECT_TRUE(count->isEnabled());
    // What the page holds is stored back unchanged.
    ASSERT_TRUE(window->CommitPages());
    EXPECT_EQ(window->Settings().Programs[5].HeadB.AlarmCnt, 77);
    EXPECT_EQ(window->Settings().Programs[5].Out2.ToleUpper, DefaultBlock().Programs[5].Out2.ToleUpper);
}

TEST_F(MainWindowTest, KeyboardRoutine) {
    int program = -1;
    EXPECT_EQ(MapMainWindowKey(Qt::Key_5, false, true, false, &program), KeyAction::kSelectProgram);
    EXPECT_EQ(program, 5);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_8, false, true, false, &program), KeyAction::kNone);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_C, false, true, false, &program), KeyAction::kSwallow);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_F3, false, false, false, &program), KeyAction::kSend);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_F4, false, false, false, &program), KeyAction::kReceive);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_F8, false, false, false, &program), KeyAction::kStorage);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_F4, true, false, false, &program), KeyAction::kNone);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_Tab, true, false, false, &program), KeyAction::kNone);
    EXPECT_EQ(MapMainWindowKey(Qt::Key_Left, false, false, true, &program), KeyAction::kNone);

    Start();
    QTest::keyClick(window->Tab(), Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(window->GetSelectedProgram(), 3);
    QTest::keyClick(window->Tab(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(window->CurrentTab(), 1);
    // Enter and Esc do nothing.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_CALC)->isEnabled());
    EXPECT_TRUE(window->MenuAction(CTR52Dlg::ID_CALC)->isEnabled());
}

TEST_F(MainWindowTest, ExitAsksOnlyForRealChanges) {
    // Unchanged (a window record alone does not count): closes, saves the state, no question.
    dialogs.startupChoices = {2};
    Start();
    window->WaveWindow(0)->SetConnection('A', 64, window->Settings().PcComm, &window->Command());
    window->MutableSettings().PcComm.PortNo = 2;
    window->OnExit();
    EXPECT_TRUE(window->Ended());
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(RegReadInt(store, "WAVE", "INITIALXSCALE_A", -1), 64);
    EXPECT_EQ(RegReadInt(store, "COMMUNICATION", "PORTNO", -1), 2);
    window.reset();

    struct Case {
        const char* what;
        std::vector<int> answers;
        QString saveName;
        bool ended;
        bool fileWritten;
    };
    const Case cases[] = {
        {"cancel", {IDCANCEL}, {}, false, false},
        {"no", {IDNO}, {}, true, false},
        {"yes, save cancelled", {IDYES}, QString(), false, false},
        {"yes, saved", {IDYES}, Path("exit.qdt"), true, true},
    };
    for (const Case& c : cases) {
        store.Clear();
        messages.Clear();
        dialogs.startupChoices = {2};
        Start();
        window->MutableSettings().Programs[7].Common.DSFreq = 2;
        window->SelectProgram(false, 0);
        for (int a : c.answers) messages.QueueAnswer(a);
        dialogs.saveNames = {c.saveName};
        window->OnExit();
        EXPECT_EQ(Texts(), std::vector<std::string>{Msg(301)}) << c.what;
        EXPECT_EQ(messages.Shown()[0].style, MB_YESNOCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(window->Ended(), c.ended) << c.what;
        EXPECT_EQ(window->isVisible(), !c.ended) << c.what;
        EXPECT_EQ(QFile::exists(Path("exit.qdt")), c.fileWritten) << c.what;
        // The state is saved only when the window closes.
        EXPECT_EQ(RegReadInt(store, "PROGRAM07\\COMMON", "STORAGEFREQUENCY", -1), c.ended ? 2 : -1) << c.what;
        window.reset();
    }
}

}  // namespace

namespace {

TEST_F(MainWindowTest, SavedStateRoundTripAndPlacements) {
    dialogs.startupChoices = {2};
    Start();
    window->MutableSettings().Programs[6].Out1.FilterAverage = 7;
    window->MutableSettings().PcComm.Baudrate = 3;
    window->MutableSettings().StorageGraph[0].Offset = 25;
    messages.QueueAnswer(IDNO);
    window->OnExit();
    ASSERT_TRUE(window->Ended());
    window.reset();

    // The next run starts from what this one left (without a program selection).
    dialogs.startupChoices = {-1};
    Start();
    EXPECT_EQ(window->Settings().Programs[6].Out1.FilterAverage, 7);
    EXPECT_EQ(window->Settings().PcComm.Baudrate, 3);
    EXPECT_EQ(window->Settings().StorageGraph[0].Offset, 25);
    EXPECT_EQ(window->GetSelectedProgram(), 0);
    window.reset();

    // A tool window's placement: applied when on the desktop, ignored when off it.
    SetRegistryStore(&store);
    QWidget tool;
    tool.setGeometry(50, 60, 300, 200);
    ASSERT_TRUE(SaveWindowPlacement(tool, "CALC"));
    QWidget restored;
    restored.setGeometry(5, 5, 100, 100);
    EXPECT_TRUE(RestoreWindowPlacement(restored, "CALC"));
    EXPECT_EQ(restored.geometry(), QRect(50, 60, 300, 200));
    const QSize desktop = QGuiApplication::primaryScreen()->virtualGeometry().size();
    WindowPlacementRecord off;
    off.left = desktop.width() - 30;
    off.top = 10;
    off.right = off.left + 300;
    off.bottom = 210;
    WritePlacement(store, "STORAGE", off);
    QWidget kept;
    kept.setGeometry(5, 5, 100, 100);
    EXPECT_FALSE(RestoreWindowPlacement(kept, "STORAGE"));
    EXPECT_EQ(kept.geometry(), QRect(5, 5, 100, 100));
    SetRegistryStore(nullptr);
}

}  // namespace
