// The dump window: what it lists while shown, "Stop scroll", copy and clear, the lock failure.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <thread>

#include "comm/DumpDialog.h"
#include "comm/DumpSink.h"
#include "support/ScriptedMessageBackend.h"

namespace {

std::vector<uint8_t> Bytes(int n) {
    std::vector<uint8_t> b(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7);
    return b;
}

// Logs as the exchanging threads do: from another thread, through the hook.
void LogFromWorker(const char* caption, int n, int times = 1) {
    const std::vector<uint8_t> b = Bytes(n);
    std::thread([&] {
        for (int i = 0; i < times; ++i) qda::DumpLog(caption, b.data(), n);
    }).join();
}

class DumpDialogTest : public ::testing::Test {
protected:
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scoped{messages};
    std::unique_ptr<CDumpDialog> dialog = std::make_unique<CDumpDialog>();

    QTableView* List() { return dialog->findChild<QTableView*>(QStringLiteral("1000")); }
    QString Cell(int row, int column) { return List()->model()->index(row, column).data().toString(); }
};

TEST_F(DumpDialogTest, ListsWhileShownAndCopiesAndClears) {
    LogFromWorker("Send data", 12);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->RowCount(), 0) << "a hidden window logs nothing";
    EXPECT_EQ(dialog->Recorder().Counter(), 0);

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    LogFromWorker("Send data", 12);
    LogFromWorker("Recevie data", 300);
    QTRY_COMPARE(dialog->RowCount(), 9);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("0000"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("Send data"));
    EXPECT_EQ(Cell(0, 4), QStringLiteral("00000000 :00:07:0e:15:1c:23:2a:31:38:3f:46:4d"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("Recevie data"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("300"));
    EXPECT_TRUE(Cell(8, 4).startsWith(QStringLiteral("000000E0 ")));
    // The list fills the window but for 8 pixels of width and 40 of height.
    EXPECT_EQ(List()->width(), dialog->width() - 8);
    EXPECT_EQ(List()->height(), dialog->height() - 40);

    ASSERT_TRUE(dialog->OnCopy());
    const QStringList lines =
        QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], QStringLiteral("No.\tTime\tCaption\tLength\tData"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("0000\t")));
    EXPECT_EQ(lines[1].split(QLatin1Char('\t')).size(), 5);

    dialog->OnClear();
    EXPECT_EQ(dialog->RowCount(), 0);
    ASSERT_TRUE(dialog->OnCopy());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("No.\tTime\tCaption\tLength\tData\r\n"));
    // The counter goes on after a clear.
    LogFromWorker("Send data", 1);
    QTRY_COMPARE(dialog->RowCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("0002"));
}

TEST_F(DumpDialogTest, StopScrollKeepsTheViewWhereItIs) {
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QScrollBar* bar = List()->verticalScrollBar();
    LogFromWorker("Send data", 12, 100);
    QTRY_COMPARE(dialog->RowCount(), 100);
    QTRY_VERIFY(bar->maximum() > 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the last row is scrolled into view";

    dialog->findChild<QCheckBox*>(QStringLiteral("1001"))->setChecked(true);
    bar->setValue(0);
    LogFromWorker("Send data", 12, 50);
    QTRY_COMPARE(dialog->RowCount(), 150);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(DumpDialogTest, ALoggerThatCannotHaveTheListSaysSoAndLogsNothing) {
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    {
        auto held = dialog->Recorder().Hold();
        LogFromWorker("Send data", 12);
    }
    QTRY_COMPARE(messages.ShownTexts().size(), size_t(1));
    EXPECT_EQ(messages.ShownTexts()[0], "ダンプ失敗！！");
    EXPECT_EQ(dialog->RowCount(), 0);
    EXPECT_EQ(dialog->Recorder().Counter(), 0);
}

TEST_F(DumpDialogTest, AWindowGoneIsNoLongerLoggedInto) {
    EXPECT_EQ(qda::GetDumpSink(), &dialog->Recorder());
    dialog.reset();
    EXPECT_EQ(qda::GetDumpSink(), nullptr);
    LogFromWorker("Send data", 12);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
