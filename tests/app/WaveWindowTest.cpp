// The received-light waveform windows in the assembled main window: shown and hidden by buttons,
// menu items and keys, told the head mode and the busy state, their initial horizontal scale
// kept between runs; acquisition against qd-atlas-sim on a pseudo-terminal (the status rules,
// pause, the ROVA peak choice); the keyboard routine; and the picture itself (trace and overlay
// colours, the peak markers and their clipping).
#include <QAccessible>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

#include "MainWindowTestSupport.h"
#include "chart/Graph.h"
#include "chart/GraphCanvas.h"
#include "comm/Command.h"
#include "monitor/Wave.h"
#include "pages/DrawnButton.h"
#include "pages/PageSupport.h"
#include "pages/TabHead.h"
#include "settings/SettingsDefaults.h"
#include "support/SimProcess.h"

using namespace qda;
using namespace qda::test;

namespace {

class WaveWindowTest : public MainWindowTest {
protected:
    // The windows keep their placement in the program's registry store.
    WaveWindowTest() { SetRegistryStore(&store); }
    ~WaveWindowTest() override {
        if (window) {
            for (int head = 0; head < 2; ++head) window->WaveWindow(head)->StopAcquisition(true);
        }
        window.reset();
        SetRegistryStore(nullptr);
        qunsetenv("QDA_COM1");
    }

    // The main window with the simulator as COM1.
    void StartWith(const SimProcess& sim) {
        qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
        dialogs.startupChoices = {2};
        SettingsBlock saved = DefaultBlock();
        saved.PcComm.CommType = kCommRs232c;
        saved.PcComm.PortNo = 0;
        CRegistrySettings(store).SaveBlock(saved);
        Start();
        window->Command().SetTimeouts(500, 3000);
        messages.Clear();
    }
    // Shows the waveform window of `head` through its button.
    CWave& Open(int head) {
        CWave* wave = window->WaveWindow(head);
        if (!wave->isVisible())
            window->Button(head == 0 ? CTR52Dlg::IDC_WAVE_A : CTR52Dlg::IDC_WAVE_B)->Click();
        QCoreApplication::processEvents();
        return *wave;
    }
    static bool WaitWaveforms(CWave& wave, int n) {
        QSignalSpy spy(&wave, &CWave::waveformAccepted);
        return QTest::qWaitFor([&] { return spy.count() >= n; }, 8000);
    }
    static bool WaitIdle(CWave& wave) {
        return QTest::qWaitFor([&] { return wave.IsIdle(); }, 8000);
    }
    static void Pump() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    static QString Caption(const CWave& wave) { return wave.Button(CWave::IDC_START)->Text(); }
};

// Columns of the chart's picture that are white from 10 % to 85 % of its height: the peak lines
// (the trace, the grid and the texts never fill a whole column).
std::vector<int> WhiteColumns(const QImage& image) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        bool white = true;
        for (int y = image.height() / 10; y < image.height() * 85 / 100 && white; ++y)
            white = image.pixel(x, y) == qRgb(255, 255, 255);
        if (white) columns.push_back(x);
    }
    return columns;
}

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour ? 1 : 0;
    return n;
}

QImage ChartPicture(CWave& wave) {
    return wave.Chart()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST_F(WaveWindowTest, ButtonsMenuAndKeysShowAndHideEachWindow) {
    dialogs.startupChoices = {2};
    Start();
    CWave& a = *window->WaveWindow(0);
    CWave& b = *window->WaveWindow(1);
    EXPECT_FALSE(a.isVisible());
    EXPECT_EQ(a.windowTitle(), U8("ヘッドA受光波形表示"));
    EXPECT_EQ(b.windowTitle(), U8("ヘッドB受光波形表示"));
    for (int id : {CTR52Dlg::IDC_WAVE_A, CTR52Dlg::IDC_WAVE_B}) EXPECT_TRUE(window->Button(id)->isEnabled());

    window->Button(CTR52Dlg::IDC_WAVE_A)->Click();
    Pump();
    EXPECT_TRUE(a.isVisible());
    window->MenuAction(CTR52Dlg::ID_WAVE_B)->trigger();
    Pump();
    EXPECT_TRUE(b.isVisible());
    // The same command again closes the window; closing saves its placement.
    window->Button(CTR52Dlg::IDC_WAVE_A)->Click();
    Pump();
    EXPECT_FALSE(a.isVisible());
    EXPECT_TRUE(store.Has("WINDOWPLACEMENT", "WINDOWPLACEMENT_WAVE_A"));
    EXPECT_FALSE(store.Has("WINDOWPLACEMENT", "WINDOWPLACEMENT_WAVE_B"));

    // F6 is head A, F7 head B (the menu labels name F5 and F6).
    window->activateWindow();
    QTest::keyClick(window.get(), Qt::Key_F6);
    Pump();
    EXPECT_TRUE(a.isVisible());
    QTest::keyClick(window.get(), Qt::Key_F7);
    Pump();
    EXPECT_FALSE(b.isVisible());

    // A window closed maximised opens maximised.
    a.showMaximized();
    Pump();
    a.reject();
    Pump();
    EXPECT_FALSE(a.isVisible());
    window->OnWaveWindow(0);
    Pump();
    EXPECT_TRUE(a.isVisible());
    EXPECT_TRUE(a.isMaximized());

    // A transfer disables the buttons, the menu items and the windows' start buttons.
    window->EnableCommands(false);
    for (int id : {CTR52Dlg::IDC_WAVE_A, CTR52Dlg::IDC_WAVE_B}) EXPECT_FALSE(window->Button(id)->isEnabled());
    for (int id : {CTR52Dlg::ID_WAVE_A, CTR52Dlg::ID_WAVE_B})
        EXPECT_FALSE(window->MenuAction(id)->isEnabled());
    EXPECT_FALSE(a.Button(CWave::IDC_START)->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_F7);
    Pump();
    EXPECT_FALSE(b.isVisible()) << "no command from the keyboard while busy";
    window->EnableCommands(true);
    EXPECT_TRUE(window->MenuAction(CTR52Dlg::ID_WAVE_B)->isEnabled());
    EXPECT_TRUE(a.Button(CWave::IDC_START)->isEnabled());
}

TEST_F(WaveWindowTest, HeadPageModeReachesItsWindowAndOpeningReadsThePage) {
    dialogs.startupChoices = {2};
    Start();
    auto* combo = qobject_cast<QComboBox*>(FindControl(window->HeadPage(1), CTabHead::IDC_MSRMODE));
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(3);
    Pump();
    EXPECT_EQ(window->WaveWindow(1)->HeadMode(), 3);
    EXPECT_EQ(window->WaveWindow(0)->HeadMode(), 0) << "head B's page tells only head B's window";
    // The mode of a window opened later is the page's, whether or not it was stored yet.
    combo->blockSignals(true);
    combo->setCurrentIndex(4);
    combo->blockSignals(false);
    window->OnWaveWindow(1);
    Pump();
    EXPECT_EQ(window->WaveWindow(1)->HeadMode(), 4);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(WaveWindowTest, InitialScaleIsReadAtStartFollowsZoomAndIsWrittenAtExit) {
    RegWriteInt(store, "WAVE", "INITIALXSCALE_A", 256);
    RegWriteInt(store, "WAVE", "INITIALXSCALE_B", 0);
    dialogs.startupChoices = {2};
    Start();
    CWave& a = Open(0);
    EXPECT_EQ(a.View().VisibleSamples(), 256);
    EXPECT_EQ(window->WaveWindow(1)->View().VisibleSamples(), 1024);
    a.Button(CWave::IDC_ZOOM_OUT_H)->Click();
    Pump();
    EXPECT_EQ(a.View().VisibleSamples(), 512);
    // Head B's scale is still unknown: zooming leaves it so.
    CWave& b = Open(1);
    b.Button(CWave::IDC_ZOOM_IN_H)->Click();
    Pump();
    EXPECT_EQ(b.View().VisibleSamples(), 512);
    window->OnExit();
    ASSERT_TRUE(window->Ended());
    EXPECT_EQ(RegReadInt(store, "WAVE", "INITIALXSCALE_A", -1), 512);
    EXPECT_EQ(RegReadInt(store, "WAVE", "INITIALXSCALE_B", -1), 0);
}

TEST_F(WaveWindowTest, AcquisitionShowsAMovingWaveAndPauseKeepsIt) {
    SimProcess sim({"--wave-segments", "0x07"});
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    CWave& a = Open(0);
    EXPECT_EQ(Caption(a), MessageQ(22));
    a.Button(CWave::IDC_START)->Click();
    Pump();
    EXPECT_FALSE(a.IsIdle());
    ASSERT_TRUE(WaitWaveforms(a, 1));
    EXPECT_TRUE(a.DataValid());
    EXPECT_EQ(Caption(a), MessageQ(23));
    EXPECT_EQ(a.SampleCount(), 768);
    EXPECT_EQ(a.View().InitialScale(), 1024) << "three segments show the whole buffer";
    EXPECT_EQ(a.View().VisibleSamples(), 1024);
    EXPECT_EQ(FindControl(&a, CWave::IDC_MODEL)->property("text").toString(), QStringLiteral("QD-R17"));
    const int firstPeak = a.LastReply().peak[0];
    EXPECT_GT(firstPeak, 0);
    // The peaks drift: within a few seconds the first peak moves.
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.LastReply().peak[0] != firstPeak; }, 8000));

    // Pause: the worker ends, the port closes, the wave stays.
    a.Button(CWave::IDC_START)->Click();
    ASSERT_TRUE(WaitIdle(a));
    Pump();
    EXPECT_TRUE(a.DataValid());
    EXPECT_EQ(a.SampleCount(), 768);
    EXPECT_EQ(Caption(a), MessageQ(22));
    EXPECT_FALSE(a.Button(CWave::IDC_START)->IsSelected());
    EXPECT_EQ(window->Command().RefCount(), 0);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(WaveWindowTest, StatusFiveEndsOnlyTheFirstRequest) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    CWave& b = Open(1);

    // Refused at once (all three attempts of the request): message 369, the button springs back,
    // nothing shown as valid.
    ASSERT_EQ(sim.Control("status 24:5:3"), "OK");
    b.StartAcquisition();
    ASSERT_TRUE(WaitIdle(b));
    Pump();
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(369)});
    EXPECT_EQ(messages.Shown()[0].style, MB_ICONWARNING);
    EXPECT_FALSE(b.DataValid());
    EXPECT_EQ(Caption(b), MessageQ(22));
    EXPECT_EQ(window->Command().RefCount(), 0);

    // Refused later (two requests): skipped, acquisition goes on and the next waveforms come.
    messages.Clear();
    b.StartAcquisition();
    ASSERT_TRUE(WaitWaveforms(b, 1));
    ASSERT_EQ(sim.Control("status 24:5:6"), "OK");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.Control("faults") == "OK"; }, 8000))
        << "both refusals fired";
    ASSERT_TRUE(WaitWaveforms(b, 1));
    EXPECT_FALSE(b.IsIdle());
    EXPECT_TRUE(messages.Shown().empty());

    // Any other refusal ends the acquisition with message 369.
    ASSERT_EQ(sim.Control("status 24:2:3"), "OK");
    ASSERT_TRUE(WaitIdle(b));
    Pump();
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(369)});
    EXPECT_FALSE(b.DataValid()) << "a failed acquisition leaves no valid wave";
}

TEST_F(WaveWindowTest, MissingHeadAnswerFailsTheStartAndClearsTheView) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    CWave& a = Open(0);
    a.StartAcquisition();
    ASSERT_TRUE(WaitWaveforms(a, 1));
    a.StopAcquisition(true);
    ASSERT_TRUE(a.DataValid());
    ASSERT_EQ(sim.Control("silence 52:3"), "OK");
    a.StartAcquisition();
    Pump();
    EXPECT_TRUE(a.IsIdle());
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(369)});
    EXPECT_FALSE(a.DataValid());
    EXPECT_EQ(a.SampleCount(), 0);
    EXPECT_TRUE(FindControl(&a, CWave::IDC_MODEL)->property("text").toString().isEmpty());
    EXPECT_FALSE(a.Button(CWave::IDC_START)->IsSelected());
    EXPECT_EQ(window->Command().RefCount(), 0);
}

TEST_F(WaveWindowTest, RovaPeakButtonsOnlyForTransparent2OverAGoodWave) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    CWave& a = Open(0);
    const int peaks[4] = {CWave::IDC_PEAK1, CWave::IDC_PEAK2, CWave::IDC_PEAK3, CWave::IDC_PEAK4};
    a.SetHeadMode(3);
    for (int id : peaks) EXPECT_FALSE(a.Button(id)->isEnabled()) << "no wave yet";
    a.StartAcquisition();
    ASSERT_TRUE(WaitWaveforms(a, 1));
    Pump();
    for (int id : peaks) EXPECT_TRUE(a.Button(id)->isEnabled());
    EXPECT_TRUE(a.Button(CWave::IDC_PEAK1)->IsSelected());
    a.Button(CWave::IDC_PEAK3)->Click();
    Pump();
    EXPECT_EQ(a.PeakSelection(), 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a.Button(peaks[i])->IsSelected(), i == 2) << i;
    a.SetHeadMode(0);
    for (int id : peaks) EXPECT_FALSE(a.Button(id)->isEnabled()) << "other modes have no peak choice";
    a.SetHeadMode(3);
    a.StopAcquisition(true);
    Pump();
    for (int id : peaks) {
        EXPECT_FALSE(a.Button(id)->isEnabled()) << "only while acquiring";
        EXPECT_FALSE(a.Button(id)->IsSelected());
    }
}

TEST_F(WaveWindowTest, KeyboardZoomsAndMoves) {
    dialogs.startupChoices = {2};
    Start();
    CWave& a = Open(0);
    a.activateWindow();
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
        QTest::keyPress(&a, key, mods);
        Pump();
        QTest::keyRelease(&a, key, mods);
        Pump();
    };
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int visible, span, low, high;
    } steps[] = {
        {Qt::Key_Right, Qt::AltModifier, 512, 256, 0, 256},
        {Qt::Key_Right, Qt::AltModifier, 256, 256, 0, 256},
        {Qt::Key_Left, Qt::AltModifier, 512, 256, 0, 256},
        {Qt::Key_Up, Qt::AltModifier, 512, 128, 0, 128},
        {Qt::Key_Down, Qt::ControlModifier, 512, 128, 8, 136},
        {Qt::Key_Down, Qt::ControlModifier, 512, 128, 16, 144},
        {Qt::Key_Up, Qt::ControlModifier, 512, 128, 8, 136},
        {Qt::Key_Down, Qt::AltModifier, 512, 256, 0, 256},
    };
    for (const Step& s : steps) {
        press(s.key, s.mods);
        EXPECT_EQ(a.View().VisibleSamples(), s.visible) << s.key << " " << s.mods;
        EXPECT_EQ(a.View().Span(), s.span) << s.key << " " << s.mods;
        EXPECT_EQ(a.View().Low(), s.low) << s.key << " " << s.mods;
        EXPECT_EQ(a.View().High(), s.high) << s.key << " " << s.mods;
    }
    // With the full span both moves and the vertical zoom out are off; the released keys leave
    // no button pressed.
    EXPECT_FALSE(a.Button(CWave::IDC_MOVE_UP)->isEnabled());
    EXPECT_FALSE(a.Button(CWave::IDC_MOVE_DOWN)->isEnabled());
    EXPECT_FALSE(a.Button(CWave::IDC_ZOOM_OUT_V)->isEnabled());
    for (int id : {CWave::IDC_ZOOM_IN_H, CWave::IDC_ZOOM_OUT_H, CWave::IDC_ZOOM_IN_V})
        EXPECT_FALSE(a.Button(id)->IsDown()) << id;
    // Alt with another key is swallowed; the window stays as it is.
    press(Qt::Key_Q, Qt::AltModifier);
    EXPECT_TRUE(a.isVisible());
}

TEST_F(WaveWindowTest, PictureShowsTraceOverlayAndClippedPeakLines) {
    SimProcess sim({"--wave-peaks", "100,700"});
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    CWave& a = Open(0);
    a.resize(1000, 600);
    Pump();
    auto acquireOne = [&] {
        a.StartAcquisition();
        const bool arrived = WaitWaveforms(a, 1);
        a.StopAcquisition(true);
        Pump();
        return arrived;
    };
    ASSERT_TRUE(acquireOne());
    const CGraphCanvas& canvas = a.Chart()->Canvas();
    const int width = canvas.Layout().BitmapWidth();
    auto* overlay = qobject_cast<QPushButton*>(FindControl(&a, CWave::IDC_OVERLAY));
    ASSERT_NE(overlay, nullptr);

    QImage picture = ChartPicture(a);
    EXPECT_GT(CountColour(picture, qRgb(255, 255, 0)), 200) << "trace 0 is yellow";
    EXPECT_EQ(CountColour(picture, qRgb(0, 255, 128)), 0) << "no overlay yet";
    EXPECT_EQ(WhiteColumns(picture), (std::vector<int>{canvas.CursorPixel(100), canvas.CursorPixel(700)}));

    // The overlay keeps this wave while a new one (peaks elsewhere) is shown over it, in 0x80FF00
    // (blue 0x80, green 0xFF, red 0).
    overlay->click();
    Pump();
    EXPECT_TRUE(a.OverlayOn());
    ASSERT_EQ(sim.Control("wave-peaks 300,900"), "OK");
    ASSERT_TRUE(acquireOne());
    picture = ChartPicture(a);
    EXPECT_GT(CountColour(picture, qRgb(0, 255, 128)), 100);
    EXPECT_EQ(WhiteColumns(picture), (std::vector<int>{canvas.CursorPixel(300), canvas.CursorPixel(900)}));

    // Zoomed to 512 samples, the peak at 900 lies right of the plot: no line there.
    a.Button(CWave::IDC_ZOOM_IN_H)->Click();
    Pump();
    ASSERT_EQ(a.View().VisibleSamples(), 512);
    picture = ChartPicture(a);
    EXPECT_EQ(WhiteColumns(picture), std::vector<int>{canvas.CursorPixel(300)});

    // Scrolled to the end, the peak at 300 has left on the left and the one at 900 is back.
    a.Chart()->ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    Pump();
    const int scroll = a.Chart()->GetScrollSamples();
    ASSERT_GT(scroll, 300);
    picture = ChartPicture(a);
    const std::vector<int> columns = WhiteColumns(picture);
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0], canvas.CursorPixel(900 - scroll));
    const double f = static_cast<double>(columns[0]) / width;
    EXPECT_TRUE(f >= 0.08 && f <= 0.93) << f;

    // Off again: no overlay pixel remains.
    overlay->click();
    Pump();
    EXPECT_EQ(CountColour(ChartPicture(a), qRgb(0, 255, 128)), 0);
}

TEST_F(WaveWindowTest, EveryControlIsReachableThroughAccessibility) {
    dialogs.startupChoices = {2};
    Start();
    CWave& a = Open(0);
    for (int id : {CWave::IDC_START, CWave::IDC_ZOOM_IN_H, CWave::IDC_ZOOM_OUT_H, CWave::IDC_ZOOM_IN_V,
                   CWave::IDC_ZOOM_OUT_V, CWave::IDC_MOVE_UP, CWave::IDC_MOVE_DOWN, CWave::IDC_PEAK1,
                   CWave::IDC_PEAK2, CWave::IDC_PEAK3, CWave::IDC_PEAK4, CWave::IDC_COPY, CWave::IDC_OVERLAY,
                   CWave::IDC_CLOSE, CWave::IDC_HELP}) {
        QWidget* w = FindControl(&a, id);
        ASSERT_NE(w, nullptr) << id;
        QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(ai, nullptr) << id;
        // The overlay switch is an on/off button, toggled; the others are pressed.
        const bool toggle = id == CWave::IDC_OVERLAY;
        EXPECT_EQ(ai->role(), toggle ? QAccessible::CheckBox : QAccessible::Button) << id;
        EXPECT_FALSE(ai->text(QAccessible::Name).isEmpty()) << id;
        ASSERT_NE(ai->actionInterface(), nullptr) << id;
        // A disabled button says so and offers no action.
        EXPECT_EQ(ai->state().disabled, !w->isEnabled()) << id;
        const QString action =
            toggle ? QAccessibleActionInterface::toggleAction() : QAccessibleActionInterface::pressAction();
        EXPECT_EQ(ai->actionInterface()->actionNames().contains(action), w->isEnabled()) << id;
    }
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(FindControl(&a, CWave::IDC_START))->state().checkable)
        << "start and pause is one on/off button";
    // The chart tells what it shows; the overlay button tells whether it is on.
    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(a.Chart());
    ASSERT_NE(chart, nullptr);
    EXPECT_FALSE(chart->text(QAccessible::Description).isEmpty());
    QAccessibleInterface* overlay =
        QAccessible::queryAccessibleInterface(FindControl(&a, CWave::IDC_OVERLAY));
    EXPECT_FALSE(overlay->state().checked);
    // Pressing the zoom button through the interface zooms.
    QAccessible::queryAccessibleInterface(FindControl(&a, CWave::IDC_ZOOM_IN_H))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    Pump();
    EXPECT_EQ(a.View().VisibleSamples(), 512);
}
