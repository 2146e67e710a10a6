// The data storage window run from the main window: by button, menu item and F8, only after the
// page checks, modal with the waveform windows switched off, the main window the message owner
// again afterwards and the slot header records taken back; off while a transfer runs.
#include <QAction>
#include <QTimer>

#include "MainWindowTestSupport.h"
#include "monitor/Wave.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "pages/TabCommon.h"
#include "storage/DataStorage.h"

using namespace qda;
using namespace qda::test;

namespace {

class StorageWindowTest : public MainWindowTest {
protected:
    StorageWindowTest() { SetRegistryStore(&store); }
    ~StorageWindowTest() override {
        window.reset();
        SetRegistryStore(nullptr);
        qunsetenv("QDA_COM1");
    }
    // Runs `trigger`; while the storage window is up, looks at the program and closes it.
    bool RunStorage(const std::function<void()>& trigger) {
        bool seen = false;
        auto poll = std::make_shared<std::function<void()>>();
        auto tries = std::make_shared<int>(0);
        *poll = [this, poll, tries, &seen] {
            auto* storage = qobject_cast<CDataStorage*>(QApplication::activeModalWidget());
            if (storage == nullptr) {
                if (++*tries < 300) QTimer::singleShot(10, *poll);
                return;
            }
            seen = true;
            waveEnabledInside = window->WaveWindow(0)->isEnabled();
            Control<QPushButton>(storage, CDataStorage::IDC_CLOSE)->click();
        };
        QTimer::singleShot(0, *poll);
        trigger();
        QTest::qWait(20);
        return seen;
    }
    bool waveEnabledInside = true;
};

TEST_F(StorageWindowTest, ButtonMenuAndKeyRunTheWindowAndTheHeadersComeBack) {
    // No controller: the window says so and still opens.
    qputenv("QDA_COM1", "/nonexistent/tty");
    dialogs.startupChoices = {2};
    Start();
    std::strcpy(window->MutableSettings().StorageGraph[2].GraphName, "Kept?");
    window->MutableSettings().StorageGraph[2].Offset = 77;
    window->MutableSettings().StorageGraph[2].Color = 0x00ABCDEF;
    messages.Clear();

    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_STORAGE)->isEnabled());
    EXPECT_TRUE(window->MenuAction(CTR52Dlg::ID_STORAGE)->isEnabled());
    ASSERT_TRUE(RunStorage([&] {
        window->Button(CTR52Dlg::IDC_STORAGE)->Click();
        QTest::qWait(10);
    }));
    EXPECT_FALSE(waveEnabledInside) << "the tool windows are off while the storage window runs";
    EXPECT_TRUE(window->WaveWindow(0)->isEnabled());
    ASSERT_FALSE(Texts().empty());
    EXPECT_EQ(Texts().front(), Msg(357));
    const StorageGraphSetting& back = window->Settings().StorageGraph[2];
    EXPECT_STREQ(back.GraphName, "Graph03");
    EXPECT_EQ(back.Offset, 0);
    EXPECT_EQ(back.Color, 0x00ABCDEFu);
    EXPECT_EQ(GetMessageOwner() != nullptr && GetMessageOwner()->IsCreated(), true);

    EXPECT_TRUE(RunStorage([&] { window->MenuAction(CTR52Dlg::ID_STORAGE)->trigger(); }));
    EXPECT_TRUE(RunStorage([&] {
        QTest::keyClick(window->Tab(), Qt::Key_F8);
        QTest::qWait(10);
    }));

    // Off while the commands are (a transfer runs).
    window->EnableCommands(false);
    EXPECT_FALSE(window->Button(CTR52Dlg::IDC_STORAGE)->isEnabled());
    EXPECT_FALSE(window->MenuAction(CTR52Dlg::ID_STORAGE)->isEnabled());
    window->EnableCommands(true);
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_STORAGE)->isEnabled());
}

TEST_F(StorageWindowTest, AFailedPageCheckKeepsTheWindowClosed) {
    qputenv("QDA_COM1", "/nonexistent/tty");
    dialogs.startupChoices = {2};
    Start();
    // The common page's storage points out of range: its message, and no storage window.
    Control<CNumEdit>(window->CommonPage(), CTabCommon::IDC_DS_POINTS)->setText(QStringLiteral("70000"));
    messages.Clear();
    EXPECT_FALSE(RunStorage([&] { window->OnStorageWindow(); }));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind(Msg(325).substr(0, 6), 0), 0u) << Texts()[0];
}

}  // namespace
