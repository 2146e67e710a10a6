// The data storage window against the simulator's controller on a pseudo-terminal: opening with
// and without a controller, the status line through start, stop and clear, the port reference
// the worker gets back after it lost the link, loading and saving data files through the file
// dialog, and the plot buttons, cursors and cursor information list over loaded data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>

#include "ControllerOnPty.h"
#include "chart/Graph.h"
#include "comm/CommandCodes.h"
#include "pages/DrawnButton.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "resources/lang/LanguageModule.h"
#include "settings/RegistryState.h"
#include "settings/SettingsDefaults.h"
#include "storage/DataStorage.h"
#include "storage/LoadStorage.h"
#include "storage/LoadStorageSelect.h"
#include "storage/SelectFile.h"
#include "storage/StorageGraphHead.h"

using namespace qda;

namespace {

class DataStorageWindowTest : public qda::test::ControllerOnPty {
protected:
    MemoryRegistryStore store;
    SettingsBlock block{};
    std::unique_ptr<CDataStorage> window;
    QTemporaryDir dir;

    void SetUp() override {
        ControllerOnPty::SetUp();
        SetRegistryStore(&store);
        block = DefaultBlock();
        block.PcComm.CommType = kCommRs232c;
        block.PcComm.PortNo = 0;
        block.StorageGraph[2].Color = 0x123456;
        std::strcpy(block.StorageGraph[1].GraphName, "Stored");
        block.StorageGraph[1].Offset = 40;
        block.StorageGraph[1].IsEnable = 0;
    }
    void TearDown() override {
        if (window) window->OnClose();
        window.reset();
        SetRegistryStore(nullptr);
        qunsetenv("QDA_COM1");
        ControllerOnPty::TearDown();
    }
    void OpenWith(bool controller) {
        qputenv("QDA_COM1",
                controller ? QByteArray::fromStdString(pty.SlavePath()) : QByteArray("/nonexistent/tty"));
        window = std::make_unique<CDataStorage>(block, 0, nullptr, 0, &cmd);
        window->show();
    }
    bool WaitStatus(const char* state) {
        const QString wanted = U8(state);
        return QTest::qWaitFor([&] { return window->StatusLine().contains(wanted); }, 5000);
    }
    // Command codes sent since the last call.
    std::vector<int> SentCodes() {
        std::vector<int> codes;
        const auto packets = pty.Packets();
        for (size_t i = m_seen; i < packets.size(); ++i) codes.push_back(packets[i][3]);
        m_seen = packets.size();
        return codes;
    }
    size_t m_seen = 0;
    static bool Has(const std::vector<int>& codes, int code) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }
    // Answers the next file dialog with `path` and the combo's item for `slot`.
    static void AnswerFileDialog(const QString& path, int slot) {
        auto tries = std::make_shared<int>(0);
        auto poll = std::make_shared<std::function<void()>>();
        *poll = [path, slot, tries, poll] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                if (++*tries < 200) QTimer::singleShot(10, *poll);
                return;
            }
            if (auto* combo = dialog->findChild<QComboBox*>(QString::number(kSelectFileSlotCombo)))
                combo->setCurrentIndex(combo->findData(slot));
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
        };
        QTimer::singleShot(0, *poll);
    }
    // Answers the next readout selection with OUT `choice` into `out1Slot` / `out2Slot`, and
    // notes whether a progress dialog showed up afterwards.
    void AnswerReadout(int choice, int out1Slot, int out2Slot) {
        auto tries = std::make_shared<int>(0);
        auto poll = std::make_shared<std::function<void()>>();
        *poll = [=, this] {
            QWidget* top = QApplication::activeModalWidget();
            if (auto* select = qobject_cast<CLoadStorageSelect*>(top)) {
                Control<QComboBox>(select, CLoadStorageSelect::IDC_OUT_CHOICE)->setCurrentIndex(choice - 1);
                Control<QComboBox>(select, CLoadStorageSelect::IDC_OUT1_SLOT)->setCurrentIndex(out1Slot);
                Control<QComboBox>(select, CLoadStorageSelect::IDC_OUT2_SLOT)->setCurrentIndex(out2Slot);
                Control<QPushButton>(select, CLoadStorageSelect::IDC_READ)->click();
            } else if (auto* progress = qobject_cast<CLoadStorage*>(top)) {
                progressSeen = true;
                progressCaption = progress->windowTitle();
                return;
            }
            if (++*tries < 400) QTimer::singleShot(10, *poll);
        };
        QTimer::singleShot(0, *poll);
    }
    bool progressSeen = false;
    QString progressCaption;
    // Stores `n` values of both OUTs and stops (the window's worker holds the link).
    void StoreValues(int n) {
        Program(3, 60000);
        window->OnStart();
        nowUs += 20 * n;
        ASSERT_TRUE(window->OnStop());
        ASSERT_TRUE(WaitStatus("停止中"));
    }
    void WriteFile(const QString& path, const std::string& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
};

TEST_F(DataStorageWindowTest, WithoutAControllerItOpensSaysSoAndResetsTheHeaders) {
    messages.QueueAnswer(IDOK);
    OpenWith(false);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, LoadMessage(357));
    EXPECT_FALSE(window->WorkerRunning());
    EXPECT_TRUE(window->StatusLine().isEmpty());
    EXPECT_EQ(cmd.RefCount(), 0);
    EXPECT_EQ(window->windowTitle(), U8("データストレージ"));

    // A start without a link fails with its message and leaves no reference behind.
    window->Button(CDataStorage::IDC_START)->Click();
    QTest::qWait(50);
    EXPECT_EQ(messages.Shown().back().text, LoadMessage(341));
    EXPECT_EQ(cmd.RefCount(), 0);

    // Every opening: shown, no offset, "Graph01" ... "Graph04"; the colours stay.
    window->OnClose();
    const auto records = window->GraphRecords();
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(records[s].IsEnable, 1);
        EXPECT_EQ(records[s].Offset, 0);
        EXPECT_EQ(std::string(records[s].GraphName), "Graph0" + std::to_string(s + 1));
        EXPECT_EQ(records[s].Color, block.StorageGraph[s].Color);
    }
    EXPECT_FALSE(window->isVisible());
}

TEST_F(DataStorageWindowTest, AtItsSmallestSizeTheLongestTextsShowWhole) {
    const char* bin = std::getenv("QDA_BIN_DIR");
    const std::string libDir = bin != nullptr ? std::string(bin) + "/../lib" : std::string();
    for (const char* language : {"jp", "us", "de"}) {
        SCOPED_TRACE(language);
        if (std::string(language) != "jp" && (libDir.empty() || !LoadLanguageModule(language, libDir))) {
            ADD_FAILURE() << "the language module " << language << " is not built";
            continue;
        }
        messages.QueueAnswer(IDOK);
        OpenWith(false);
        ASSERT_EQ(window->size(), window->minimumSize());
        // The longest status line: full counts and the longest state.
        QString text = MessageQ(337).trimmed();
        for (const QString& part : {QString::fromStdString(LoadResourceString(kStrStorageCountFormat))
                                        .replace(QStringLiteral("%5d"), QStringLiteral("65536")),
                                    QString::fromStdString(LoadResourceString(kStrStorageCountFormat))
                                        .replace(QStringLiteral("%5d"), QStringLiteral("65536")),
                                    QString::fromStdString(LoadResourceString(kStrStorageStateSystemError))})
            text.replace(text.indexOf(QStringLiteral("%s")), 2, part);
        auto* status = window->findChild<QLabel*>(QStringLiteral("1170"));
        ASSERT_NE(status, nullptr);
        status->setText(text);
        EXPECT_GE(status->contentsRect().width() - 2 * status->margin() - status->indent(),
                  status->fontMetrics().horizontalAdvance(text))
            << text.toStdString();
        EXPECT_GE(status->contentsRect().height(), status->fontMetrics().height());
        std::vector<QWidget*> top;
        for (int id : {CDataStorage::IDC_START, CDataStorage::IDC_STOP, CDataStorage::IDC_CLEAR,
                       CDataStorage::IDC_SETTINGS, CDataStorage::IDC_READOUT}) {
            QWidget* control = qda::FindControl(window.get(), id);
            EXPECT_GE(control->width(), control->sizeHint().width()) << "control " << id << " is cut";
            EXPECT_FALSE(status->geometry().intersects(control->geometry()))
                << "the status line covers " << id;
            for (QWidget* other : top)
                EXPECT_FALSE(other->geometry().intersects(control->geometry()))
                    << "control " << id << " overlaps";
            top.push_back(control);
        }
        window->OnClose();
        window.reset();
        UnloadLanguageModule();
    }
}

TEST_F(DataStorageWindowTest, StatusLineFollowsStartStopAndClear) {
    OpenWith(true);
    Program(3, 60000);
    ASSERT_TRUE(window->WorkerRunning());
    ASSERT_TRUE(WaitStatus("停止中")) << window->StatusLine().toStdString();
    EXPECT_TRUE(messages.Shown().empty());

    window->Button(CDataStorage::IDC_START)->Click();
    ASSERT_TRUE(WaitStatus("蓄積中")) << window->StatusLine().toStdString();
    EXPECT_TRUE(window->Storing());
    nowUs += 2000;  // 100 values each
    ASSERT_TRUE(window->OnStop());
    ASSERT_TRUE(WaitStatus("停止中"));
    EXPECT_TRUE(window->StatusLine().contains(QStringLiteral("100")));
    EXPECT_EQ(cmd.RefCount(), 1) << "only the worker's reference stays";

    // Clear with values stored sends the clear; with nothing stored it says so and sends nothing.
    SentCodes();
    window->OnClear();
    EXPECT_TRUE(Has(SentCodes(), CMD_STORAGE_CLEAR));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->StatusLine().contains(QStringLiteral("100")); }, 5000));
    SentCodes();
    window->OnClear();
    EXPECT_EQ(messages.Shown().back().text, LoadMessage(257));
    EXPECT_FALSE(Has(SentCodes(), CMD_STORAGE_CLEAR));
    EXPECT_EQ(cmd.RefCount(), 1);

    window->OnClose();
    EXPECT_FALSE(window->WorkerRunning());
    EXPECT_EQ(cmd.RefCount(), 0) << "closing gives the worker's reference back";
}

TEST_F(DataStorageWindowTest, AnActionHandsThePortBackToAWorkerThatLostIt) {
    OpenWith(true);
    ASSERT_TRUE(WaitStatus("停止中"));
    silent = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->WorkerHoldsPort(); }, 5000));
    ASSERT_TRUE(WaitStatus("未接続"));
    EXPECT_EQ(cmd.RefCount(), 0);

    silent = false;
    ASSERT_TRUE(cmd.OpenPort(link));  // the test's own reference for programming the storage
    Program(1, 60000);
    cmd.ClosePort();
    window->OnStart();
    EXPECT_TRUE(window->WorkerHoldsPort());
    EXPECT_EQ(cmd.RefCount(), 1);
    EXPECT_TRUE(WaitStatus("蓄積中")) << "polling resumed";
}

TEST_F(DataStorageWindowTest, ReadoutOfBothOutsFillsTheChosenSlotsWithProgress) {
    OpenWith(true);
    ASSERT_TRUE(WaitStatus("停止中"));
    StoreValues(100);
    AnswerReadout(3, 2, 0);
    window->OnReadout();
    EXPECT_TRUE(progressSeen) << "RS-232C shows the progress dialog";
    EXPECT_TRUE(progressCaption.startsWith(U8("蓄積データを取得しています...")))
        << progressCaption.toStdString();
    EXPECT_EQ(window->Slot(2).Count(), 100) << "OUT1 into データ3";
    EXPECT_EQ(window->Slot(0).Count(), 100) << "OUT2 into データ1";
    EXPECT_EQ(window->Slot(1).Count(), 0);
    EXPECT_EQ(window->Slot(2).Name(), "Graph03");
    EXPECT_TRUE(window->Chart()->IsTraceShown(2));
    EXPECT_TRUE(window->Chart()->IsTraceShown(0));
    EXPECT_EQ(window->Display().VisibleSamples(), 128) << "the 100 values read fill the plot";
    EXPECT_EQ(window->Chart()->GetScrollSamples(), 0);
    // The headers of slots that hold values can be used; the others cannot.
    auto nameEdit = [&](int slot) {
        return window->Header(slot)->findChild<QWidget*>(QStringLiteral("1145"));
    };
    EXPECT_TRUE(nameEdit(2)->isEnabled());
    EXPECT_FALSE(nameEdit(1)->isEnabled());
    EXPECT_TRUE(qda::Control<QPushButton>(window.get(), CDataStorage::IDC_SAVE)->isEnabled());
    EXPECT_EQ(cmd.RefCount(), 1);
    for (const auto& m : messages.Shown()) ADD_FAILURE() << "unexpected message: " << m.text;

    // Reading into slots that hold values asks first (message 270); No keeps the dialog, which
    // the operator then cancels.
    messages.QueueAnswer(IDNO);
    auto cancel = std::make_shared<std::function<void()>>();
    auto tries = std::make_shared<int>(0);
    *cancel = [cancel, tries] {
        auto* select = qobject_cast<CLoadStorageSelect*>(QApplication::activeModalWidget());
        if (select != nullptr && *tries > 0) {
            Control<QPushButton>(select, CLoadStorageSelect::IDC_CANCEL)->click();
            return;
        }
        if (select != nullptr) {
            ++*tries;
            Control<QPushButton>(select, CLoadStorageSelect::IDC_READ)->click();
        }
        QTimer::singleShot(10, *cancel);
    };
    QTimer::singleShot(0, *cancel);
    window->OnReadout();
    ASSERT_FALSE(messages.Shown().empty());
    EXPECT_EQ(messages.Shown().back().text, LoadMessage(270));
}

TEST_F(DataStorageWindowTest, ReadoutWithNothingStoredOrASilentControllerChangesNoSlot) {
    OpenWith(true);
    ASSERT_TRUE(WaitStatus("停止中"));
    Program(1, 60000);
    // Nothing stored: message 311, and the progress ends.
    messages.QueueAnswer(IDOK);
    AnswerReadout(1, 0, 1);
    window->OnReadout();
    ASSERT_FALSE(messages.Shown().empty());
    EXPECT_EQ(messages.Shown().front().text, LoadMessage(311));
    EXPECT_EQ(window->Slot(0).Count(), 0);

    StoreValues(50);
    messages.Clear();
    silent = true;
    messages.QueueAnswer(IDOK);
    AnswerReadout(1, 0, 1);
    window->OnReadout();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.Shown().empty(); }, 8000));
    EXPECT_EQ(messages.Shown().front().text, LoadMessage(334));
    EXPECT_EQ(window->Slot(0).Count(), 0) << "a failed readout leaves the slot as it was";

    // An answer the slot cannot take (a display format no slot knows) fails the readout as well,
    // and the slot keeps what a good readout put there.
    silent = false;
    messages.Clear();
    AnswerReadout(1, 0, 1);
    window->OnReadout();
    ASSERT_EQ(window->Slot(0).Count(), 50);
    EXPECT_TRUE(messages.Shown().empty());
    const std::vector<int32_t> before(window->Slot(0).Samples(), window->Slot(0).Samples() + 50);
    pty.SetScript([this](const test::Bytes& packet) -> std::vector<test::Chunk> {
        test::Bytes reply = sim->HandlePacket(packet);
        if (packet.size() > 3 && packet[3] == CMD_STORAGE_READ && reply.size() > 8) reply[8] = 9;
        return {test::Chunk{test::Frame(reply)}};
    });
    messages.QueueAnswer(IDYES);  // 270: the values shown are overwritten
    messages.QueueAnswer(IDOK);
    AnswerReadout(1, 0, 1);
    window->OnReadout();
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.Shown().size() >= 2; }, 5000));
    EXPECT_EQ(messages.Shown().back().text, LoadMessage(334));
    EXPECT_EQ(
        std::vector<int32_t>(window->Slot(0).Samples(), window->Slot(0).Samples() + window->Slot(0).Count()),
        before);
}

TEST_F(DataStorageWindowTest, LoadPlotMoveCursorsAndSave) {
    messages.QueueAnswer(IDOK);
    OpenWith(false);
    messages.Clear();
    EXPECT_FALSE(window->Button(CDataStorage::IDC_ZOOM_IN_V)->isEnabled());
    EXPECT_FALSE(qda::Control<QPushButton>(window.get(), CDataStorage::IDC_SAVE)->isEnabled());

    // A file of 100 values rising by 0.001 mm into slot 2.
    std::string text;
    for (int i = 0; i < 100; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%.3f", 1.0 + i * 0.001);
        text += value;
        if (i == 0) text += ",Rising";
        if (i == 1) text += ",100";
        if (i == 2) text += ",mm";
        if (i == 3) text += ",'0.001'";
        text += "\r\n";
    }
    const QString source = dir.filePath(QStringLiteral("rising.csv"));
    WriteFile(source, text);
    AnswerFileDialog(source, 1);
    window->OnLoad();
    ASSERT_EQ(window->Slot(1).Count(), 100);
    EXPECT_EQ(window->Slot(1).Name(), "Rising");
    EXPECT_EQ(std::string(window->GraphRecords()[1].GraphName), "Rising");
    EXPECT_EQ(window->Display().SelectedSlot(), 1);
    EXPECT_TRUE(window->Button(CDataStorage::IDC_ZOOM_IN_V)->isEnabled());
    EXPECT_TRUE(qda::Control<QPushButton>(window.get(), CDataStorage::IDC_SAVE)->isEnabled());

    // Cursor A at 0 reads the first value; Shift+Right moves it by 1, then 2 (the step grows
    // while the key is held), and a key-up starts over at 1.
    QTableWidget* list = window->CursorList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->item(1, 1)->text() == QStringLiteral("1.000"); }, 2000))
        << list->item(1, 1)->text().toStdString();
    QTest::keyPress(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyPress(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window->Chart()->GetCursorPosition(0), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->item(1, 1)->text() == QStringLiteral("1.003"); }, 2000));
    QTest::keyRelease(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyPress(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window->Chart()->GetCursorPosition(0), 4);
    EXPECT_EQ(list->item(0, 1)->text(), QString()) << "an empty slot shows nothing";

    // Cursor B and the radio groups.
    window->Button(CDataStorage::IDC_CURSOR_B)->Click();
    QTest::qWait(20);
    EXPECT_TRUE(window->Button(CDataStorage::IDC_CURSOR_B)->IsSelected());
    EXPECT_FALSE(window->Button(CDataStorage::IDC_CURSOR_A)->IsSelected());
    window->Button(CDataStorage::IDC_OVERLAID)->Click();
    QTest::qWait(20);
    EXPECT_FALSE(window->Display().SideBySide());
    EXPECT_TRUE(window->Button(CDataStorage::IDC_OVERLAID)->IsSelected());
    EXPECT_FALSE(window->Button(CDataStorage::IDC_SIDE_BY_SIDE)->IsSelected());

    // Alt+Up zooms the selected slot in by one step of the sequence.
    QTest::keyPress(window.get(), Qt::Key_Up, Qt::AltModifier);
    QTest::keyRelease(window.get(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(window->Display().Span(1), 1000000);

    // Saving under a name with another extension appends ".csv"; the file reads back the same.
    AnswerFileDialog(dir.filePath(QStringLiteral("copy.txt")), 1);
    window->OnSave();
    const QString saved = dir.filePath(QStringLiteral("copy.txt.csv"));
    ASSERT_TRUE(QFile::exists(saved));
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), text);

    // Loading over a slot with values asks first; No keeps the slot.
    AnswerFileDialog(source, 1);
    messages.QueueAnswer(IDNO);
    window->OnLoad();
    EXPECT_EQ(messages.Shown().back().text, LoadMessage(270));
    EXPECT_EQ(window->Slot(1).Count(), 100);
    // A file that is not a data file: message 336 and the slot stays.
    const QString bad = dir.filePath(QStringLiteral("bad.csv"));
    WriteFile(bad, "1.0,x\r\n2,3\r\nparsec\r\n");
    AnswerFileDialog(bad, 1);
    messages.QueueAnswer(IDYES);
    messages.QueueAnswer(IDOK);
    window->OnLoad();
    EXPECT_EQ(messages.Shown().back().text, LoadMessage(336));
    EXPECT_EQ(window->Slot(1).Count(), 100);
}

}  // namespace
