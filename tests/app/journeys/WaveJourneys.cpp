// Journeys through the received-light waveform windows: opened from the main window by key and
// button, acquiring from the controller beside the main window, zoomed, overlaid, copied and
// closed, and the program left with both windows' state saved.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "monitor/Wave.h"
#include "pages/DrawnButton.h"

using namespace qda::journey;

namespace {

constexpr int kMsgWaveformFailed = 369;

void SkipStartupChoice(Operator& op) {
    const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
    op.Key(Qt::Key_Escape);
    op.WaitClosed(choice, "the start-up choice");
}

QPointer<QWidget> WaveWindow(Operator& op, int head) {
    const QPointer<CTR52Dlg> main = op.Main();
    return op.Ui([main, head] { return QPointer<QWidget>(main->WaveWindow(head)); });
}

bool DataValid(Operator& op, const QPointer<QWidget>& wave) {
    return op.Ui([wave] { return !wave.isNull() && static_cast<CWave*>(wave.data())->DataValid(); });
}

}  // namespace

TEST(WaveJourney, AcquireZoomOverlayCopyAndClose) {
    ProgramSetup setup;
    setup.simArgs = {"--wave-peaks", "200,640"};
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        const QPointer<CTR52Dlg> main = op.Main();

        op.Step("F6 opens head A's waveform window beside the main window");
        op.Key(Qt::Key_F6);
        const QPointer<QWidget> a = WaveWindow(op, 0);
        op.WaitUntil([a] { return a->isVisible(); }, "head A's waveform window");
        if (op.Ui([a] { return a->windowTitle(); }) != Operator::Text("ヘッドA受光波形表示"))
            op.Fail("the window's caption does not name head A");

        op.Step("start: waveforms come from the controller");
        op.Click(QStringLiteral("1140"), a);
        op.WaitUntil([&] { return DataValid(op, a); }, "a waveform in head A's window");
        if (op.Ui([a] { return static_cast<CWave*>(a.data())->LastReply().peak[1]; }) != 640)
            op.Fail("the controller's peak positions did not arrive");

        op.Step("zoom in horizontally with Alt+Right, out with the button");
        op.Key(Qt::Key_Right, Qt::AltModifier);
        op.WaitUntil([a] { return static_cast<CWave*>(a.data())->View().VisibleSamples() == 512; },
                     "512 samples across the plot");
        op.Click(QStringLiteral("1124"), a);
        op.WaitUntil([a] { return static_cast<CWave*>(a.data())->View().VisibleSamples() == 1024; },
                     "the whole waveform again");

        op.Step("overlay and copy the picture with Alt+C");
        op.Click(QStringLiteral("4"), a);
        if (!op.Ui([a] { return static_cast<CWave*>(a.data())->OverlayOn(); })) op.Fail("the overlay is off");
        op.Ui([] { QGuiApplication::clipboard()->clear(); });
        op.Key(Qt::Key_C, Qt::AltModifier);
        op.WaitUntil([] { return !QGuiApplication::clipboard()->image().isNull(); },
                     "the picture on the clipboard");

        op.Step("pause keeps the wave; close hides the window");
        op.Click(QStringLiteral("1140"), a);
        op.WaitUntil([a] { return static_cast<CWave*>(a.data())->IsIdle(); }, "the worker to end");
        if (!DataValid(op, a)) op.Fail("pausing dropped the wave");
        op.Click(QStringLiteral("2"), a);
        op.WaitUntil([a] { return !a->isVisible(); }, "head A's window to close");

        op.Step("the head B window: the controller refuses the head information, message 369");
        op.Click(QStringLiteral("1005"), main.data());
        const QPointer<QWidget> b = WaveWindow(op, 1);
        op.WaitUntil([b] { return b->isVisible(); }, "head B's waveform window");
        if (journey.Sim().Control("status 52:3:1") != "OK") op.Fail("the simulator took no fault rule");
        op.Click(QStringLiteral("1140"), b);
        op.Answer(kMsgWaveformFailed);
        op.WaitUntil([b] { return static_cast<CWave*>(b.data())->IsIdle(); }, "head B's window idle");
        op.ExitDiscarding();
    });
}
