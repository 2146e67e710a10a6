// The communication dump window, opened with "qd-atlas --dump": it lists the receive's frames and
// replies, copies them and clears.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTableView>

#include "Journey.h"
#include "comm/DumpDialog.h"

using namespace qda::journey;

namespace {

constexpr int kMsgReceived = 318;

CDumpDialog* DumpWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<CDumpDialog*>(w)) return d;
    }
    return nullptr;
}

TEST(DumpJourney, TheReceiveIsListedCopiedAndCleared) {
    ProgramSetup setup;
    setup.commandLine = "-jp --dump";
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        if (!op.Ui([] { return DumpWindow() != nullptr && DumpWindow()->isVisible(); }))
            throw JourneyFailure("--dump opened no dump window");
        op.ChooseStartup(0);
        op.Answer(kMsgReceived);

        op.Step("the frames sent and the replies taken are listed");
        op.WaitUntil([] { return DumpWindow()->RowCount() > 20; }, "the receive's rows");
        const auto [sent, taken, serialFrame] = op.Ui([] {
            QAbstractItemModel* m = DumpWindow()->findChild<QTableView*>(QStringLiteral("1000"))->model();
            int s = 0, t = 0;
            for (int r = 0; r < m->rowCount(); ++r) {
                const QString caption = m->index(r, 2).data().toString();
                s += caption == QLatin1String("Send data");
                t += caption == QLatin1String("Recevie data");
            }
            // On RS-232C the whole frame is logged: "CC," first.
            const bool frame =
                m->index(0, 4).data().toString().startsWith(QStringLiteral("00000000 :43:43:2c"));
            return std::make_tuple(s, t, frame);
        });
        if (sent == 0 || taken == 0)
            op.Fail("sent " + std::to_string(sent) + ", taken " + std::to_string(taken));
        if (!serialFrame) op.Fail("the first block sent is not a serial frame");

        op.Step("copy and clear");
        const QPointer<QWidget> dump = op.Ui([] { return QPointer<QWidget>(DumpWindow()); });
        op.Click(QStringLiteral("1002"), dump);
        op.WaitUntil(
            [] {
                return QGuiApplication::clipboard()->text().startsWith(
                    QStringLiteral("No.\tTime\tCaption\tLength\tData\r\n0000\t"));
            },
            "the list on the clipboard");
        op.Click(QStringLiteral("1003"), dump);
        op.WaitUntil([] { return DumpWindow()->RowCount() == 0; }, "an empty list");
        op.Exit();
        op.WaitForExit();
    });
}

}  // namespace
