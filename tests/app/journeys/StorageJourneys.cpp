// Journeys through the data storage window: opened with F8, the target OUT set and sent from its
// storage settings, storing started and stopped with the status line counting, both OUTs read out
// into two slots behind the progress dialog, a cursor moved, a slot saved to a data file and
// loaded back into another slot, the storage cleared with its question, the window closed and the
// program left; and readouts that the controller's silence or an unplugged USB cable interrupts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTableWidget>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "chart/Graph.h"
#include "storage/DataStorage.h"
#include "storage/StorageData.h"
#include "storage/StorageSettingDialog.h"

using namespace qda::journey;

namespace {

constexpr int kMsgStartFailed = 341;
constexpr int kMsgSendAll = 246;
constexpr int kMsgSent = 326;  // the main window's own send (F3)
constexpr int kMsgStopAndClear = 338;
constexpr int kMsgReadFailed = 334;
constexpr int kMsgNoCommunication = 364;
constexpr int kMsgOverwrite = 270;

void SkipStartupChoice(Operator& op) {
    const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
    op.Key(Qt::Key_Escape);
    op.WaitClosed(choice, "the start-up choice");
}

CDataStorage* AsStorage(const QPointer<QWidget>& w) {
    return static_cast<CDataStorage*>(w.data());
}

QPointer<QWidget> OpenStorageWindow(Operator& op) {
    op.Step("F8 opens the data storage window");
    op.Key(Qt::Key_F8);
    const QPointer<QWidget> window = op.WaitForDialog(QStringLiteral("157"));
    op.WaitUntil([window] { return AsStorage(window)->StatusLine().contains(Operator::Text("停止中")); },
                 "the status line of a stopped controller");
    return window;
}

// The stored count of OUT1 the status line shows, -1 while it shows none.
int StatusCount(Operator& op, const QPointer<QWidget>& window) {
    const QString line = op.Ui([window] { return AsStorage(window)->StatusLine(); });
    const int colon = line.indexOf(QStringLiteral(": "));
    const int unit = line.indexOf(Operator::Text("点"));
    if (colon < 0 || unit < colon) return -1;
    bool ok = false;
    const int n = line.mid(colon + 2, unit - colon - 2).trimmed().toInt(&ok);
    return ok ? n : -1;
}

// The samples of `slot` as the window holds them.
std::vector<int32_t> Samples(Operator& op, const QPointer<QWidget>& window, int slot) {
    return op.Ui([window, slot] {
        const CStorageData& d = AsStorage(window)->Slot(slot);
        return std::vector<int32_t>(d.Samples(), d.Samples() + d.Count());
    });
}

// Stores values of both OUTs until the status line counts `atLeast`, then stops.
void StoreAndStop(Operator& op, const QPointer<QWidget>& window, int atLeast) {
    op.Click(QStringLiteral("1140"), window);
    op.WaitUntil([window] { return AsStorage(window)->StatusLine().contains(Operator::Text("蓄積中")); },
                 "the status line saying 蓄積中");
    op.WaitUntil([&] { return StatusCount(op, window) >= atLeast; }, "the stored count to grow");
    op.Click(QStringLiteral("3"), window);
    op.WaitUntil([window] { return AsStorage(window)->StatusLine().contains(Operator::Text("停止中")); },
                 "the status line saying 停止中");
}

// Opens the readout selection, which a program storing both OUTs presets to both into slots 1
// and 2.
QPointer<QWidget> OpenReadout(Operator& op, const QPointer<QWidget>& window) {
    op.Click(QStringLiteral("12"), window);
    const QPointer<QWidget> select = op.WaitForDialog(QStringLiteral("158"));
    if (op.Ui([select] {
            return qobject_cast<QComboBox*>(select->findChild<QWidget*>("1171"))->currentIndex();
        }) != 2)
        op.Fail("the readout selection is not preset to both OUTs");
    return select;
}

// Starts the readout of the open selection; over slots that hold values, yes to message 270.
void Read(Operator& op, const QPointer<QWidget>& select, bool overwrite) {
    op.Click(QStringLiteral("1"), select);
    if (overwrite) op.Answer(kMsgOverwrite, QMessageBox::Yes);
}

// Waits until the readout's dialogs are gone and the storage window is on top again with values
// in slot 2 (over USB the readout ends in the background).
void WaitReadoutEnded(Operator& op, const QPointer<QWidget>& window) {
    op.WaitUntil(
        [window] {
            return QApplication::activeModalWidget() == window.data() &&
                   AsStorage(window)->Slot(1).Count() > 0;
        },
        "the end of the readout");
}

}  // namespace

TEST(StorageJourney, StoreReadOutSaveLoadAndClear) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    const QString csv = journey.Path(QStringLiteral("out1.csv"));
    std::vector<int32_t> out1;
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        const QPointer<QWidget> window = OpenStorageWindow(op);

        op.Step("the factory settings store no OUT: the controller refuses to start");
        op.Click(QStringLiteral("1140"), window);
        op.Answer(kMsgStartFailed);

        op.Step("storage settings: both OUTs, 400 points, sent to the controller");
        op.Click(QStringLiteral("11"), window);
        const QPointer<QWidget> settings = op.WaitForDialog(QStringLiteral("160"));
        op.Choose(QStringLiteral("1171"), 3, settings);
        op.TypeInto(QStringLiteral("1172"), QStringLiteral("400"), settings);
        op.Click(QStringLiteral("4"), settings);
        op.Answer(kMsgSendAll, QMessageBox::Ok);
        op.WaitUntil([settings] { return static_cast<CStorageSetting*>(settings.data())->Transferred(); },
                     "the settings sent");
        op.Click(QStringLiteral("2"), settings);
        op.WaitClosed(settings, "the storage settings");
        if (journey.Sim().Control("state").find("mode=measuring") == std::string::npos)
            op.Fail("the controller is not measuring after the send");

        op.Step("start: the status line counts; stop");
        StoreAndStop(op, window, 20);
        const int stored = StatusCount(op, window);
        if (stored < 20 || stored > 400)
            op.Fail("the status line shows " + std::to_string(stored) + " values");

        op.Step("readout of both OUTs into データ1 and データ2 with the progress dialog");
        Read(op, OpenReadout(op, window), false);
        const QPointer<QWidget> progress = op.WaitForDialog(QStringLiteral("187"));
        op.WaitClosed(progress, "the progress dialog");
        op.WaitUntil([window] { return AsStorage(window)->Slot(1).Count() > 0; }, "OUT2's values in データ2");
        for (int s = 0; s < 2; ++s) {
            if (op.Ui([window, s] { return AsStorage(window)->Slot(s).Count(); }) != stored)
                op.Fail("slot " + std::to_string(s + 1) + " does not hold the stored count");
            if (!op.Ui([window, s] { return AsStorage(window)->Chart()->IsTraceShown(s); }))
                op.Fail("slot " + std::to_string(s + 1) + "'s curve is not shown");
        }
        out1 = Samples(op, window, 0);

        op.Step("Shift+Right moves cursor A; the list shows the value there");
        op.Key(Qt::Key_Right, Qt::ShiftModifier);
        op.WaitUntil([window] { return AsStorage(window)->Chart()->GetCursorPosition(0) >= 1; },
                     "cursor A to move");
        const QString atA = op.Ui([window] { return AsStorage(window)->CursorList()->item(0, 1)->text(); });
        if (atA.isEmpty() || atA == QStringLiteral("***")) op.Fail("the list shows no value at cursor A");

        op.Step("save データ1 to a data file");
        op.Click(QStringLiteral("5"), window);
        const QPointer<QWidget> save = op.WaitForDialog(QStringLiteral("QFileDialog"));
        op.Choose(QStringLiteral("1195"), 0, save);
        op.UseFileDialog(journey.Path(QStringLiteral("out1")));
        op.WaitClosed(save, "the save dialog");
        op.WaitUntil([csv] { return QFile::exists(csv); }, "out1.csv");
        QFile file(csv);
        if (!file.open(QIODevice::ReadOnly)) throw JourneyFailure("out1.csv cannot be read");
        const QList<QByteArray> lines = file.readAll().split('\n');
        if (lines.size() != stored + 1 || !lines.back().isEmpty())
            op.Fail("out1.csv holds " + std::to_string(lines.size()) + " line ends for " +
                    std::to_string(stored));
        if (!lines[0].endsWith(",Graph01\r") || !lines[1].endsWith("," + QByteArray::number(stored) + "\r") ||
            !lines[2].endsWith(",mm\r") || !lines[3].contains(",'0."))
            op.Fail("out1.csv's header lines: " + lines[0].toStdString() + lines[1].toStdString() +
                    lines[2].toStdString() + lines[3].toStdString());
        const int position = op.Ui([window] { return AsStorage(window)->Chart()->GetCursorPosition(0); });
        if (position < lines.size() && lines[position].split(',').front().trimmed() != atA.trimmed().toUtf8())
            op.Fail("the file's value " + lines[position].toStdString() + " is not the " + atA.toStdString() +
                    " the list shows at cursor A");

        op.Step("load the file back into データ3");
        op.Click(QStringLiteral("6"), window);
        const QPointer<QWidget> open = op.WaitForDialog(QStringLiteral("QFileDialog"));
        op.Choose(QStringLiteral("1195"), 2, open);
        op.UseFileDialog(csv);
        op.WaitClosed(open, "the open dialog");
        op.WaitUntil([window] { return AsStorage(window)->Slot(2).Count() > 0; }, "values in データ3");
        if (Samples(op, window, 2) != out1) op.Fail("データ3 does not hold what データ1 holds");
        if (op.Ui([window] { return std::string(AsStorage(window)->GraphRecords()[2].GraphName); }) !=
            "Graph01")
            op.Fail("データ3's header did not take the file's name");

        op.Step("clear while storing asks first; yes stops and clears");
        op.Click(QStringLiteral("1140"), window);
        op.WaitUntil([window] { return AsStorage(window)->StatusLine().contains(Operator::Text("蓄積中")); },
                     "storing again");
        op.Click(QStringLiteral("10"), window);
        op.Answer(kMsgStopAndClear, QMessageBox::Yes);
        op.WaitUntil([&] { return StatusCount(op, window) == 0; }, "the status line to count 0");
        if (journey.Sim().Control("state").find("storing=0 count1=0 count2=0") == std::string::npos)
            op.Fail("the controller still holds values: " + journey.Sim().Control("state"));
        if (op.Ui([window] { return AsStorage(window)->Slot(0).Count(); }) != stored)
            op.Fail("clearing the controller emptied a slot of the window");

        op.Step("close");
        op.Click(QStringLiteral("2"), window);
        op.WaitClosed(window, "the data storage window");
        op.ExitDiscarding();
    });
    QFile state(journey.SavedStateFile());
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    EXPECT_TRUE(state.readAll().contains("WINDOWPLACEMENT_STORAGE"));
}

// A controller that stops answering in the middle of a readout: the OUT it did not send leaves its
// slot as it was, the other OUT is read, and the operator is told with message 334.
TEST(StorageJourney, SilenceDuringAReadoutKeepsTheSlot) {
    ProgramSetup setup;
    setup.savedState = [](SettingsBlock& block) {
        block.Programs[0].Common.DSOut = 3;
        block.Programs[0].Common.DSPoints = 300;
    };
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        op.Key(Qt::Key_F3);
        op.Answer(kMsgSent);
        const QPointer<QWidget> window = OpenStorageWindow(op);
        StoreAndStop(op, window, 10);
        Read(op, OpenReadout(op, window), false);
        WaitReadoutEnded(op, window);
        const std::vector<int32_t> before[2] = {Samples(op, window, 0), Samples(op, window, 1)};

        op.Step("more values; the controller stays silent to OUT1's readout (and its retry)");
        StoreAndStop(op, window, static_cast<int>(before[0].size()) + 10);
        if (journey.Sim().Control("silence 36:2").rfind("OK", 0) != 0) op.Fail("the simulator took no fault");
        Read(op, OpenReadout(op, window), true);
        op.Answer(kMsgReadFailed, QMessageBox::Ok, 20s);
        WaitReadoutEnded(op, window);
        if (Samples(op, window, 0) != before[0]) op.Fail("the failed readout changed データ1");
        // OUT2 comes after OUT1's failure, unless the second silence met it instead of a retry.
        const std::vector<int32_t> out2 = Samples(op, window, 1);
        if (out2 != before[1] && out2.size() <= before[1].size())
            op.Fail("データ2 holds a part of a readout");

        op.Click(QStringLiteral("2"), window);
        op.WaitClosed(window, "the data storage window");
        op.ExitDiscarding();
    });
}

// The USB cable pulled while the operator chooses what to read: the readout ends with message
// 334 or 364 and the slots keep what they held.
TEST(StorageJourney, UnplugBeforeAReadoutOverUsbKeepsTheSlots) {
    ProgramSetup setup;
    setup.link = Link::kUsb;
    setup.savedState = [](SettingsBlock& block) {
        block.Programs[0].Common.DSOut = 3;
        block.Programs[0].Common.DSPoints = 300;
    };
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        op.Key(Qt::Key_F3);
        op.Answer(kMsgSent);
        const QPointer<QWidget> window = OpenStorageWindow(op);
        StoreAndStop(op, window, 10);
        Read(op, OpenReadout(op, window), false);
        WaitReadoutEnded(op, window);
        const std::vector<int32_t> before[2] = {Samples(op, window, 0), Samples(op, window, 1)};
        StoreAndStop(op, window, static_cast<int>(before[0].size()) + 10);

        op.Step("the cable pulled while the readout selection is open");
        const QPointer<QWidget> select = OpenReadout(op, window);
        if (journey.Sim().Control("usb-unplug").rfind("OK", 0) != 0) op.Fail("the simulator did not unplug");
        Read(op, select, true);
        const std::string text = op.Answer(-1, QMessageBox::Ok, 20s);
        if (text != Operator::Message(kMsgReadFailed) && text != Operator::Message(kMsgNoCommunication))
            op.Fail("the interrupted readout said \"" + text + "\"");
        for (int s = 0; s < 2; ++s) {
            if (Samples(op, window, s) != before[s])
                op.Fail("slot " + std::to_string(s + 1) + " changed in an interrupted readout");
        }
        op.Click(QStringLiteral("2"), window);
        op.WaitClosed(window, "the data storage window");
        op.ExitDiscarding();
    });
}
