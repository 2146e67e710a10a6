// The waveform window's view arithmetic: zoom limits, range moves and recentring, the initial
// horizontal scale, button states and the auto-repeat.
#include <gtest/gtest.h>

#include <vector>

#include "monitor/WaveView.h"

using qda::CWaveRepeat;
using qda::CWaveView;
using qda::WaveAction;

namespace {

std::vector<int32_t> Flat(int value) {
    return std::vector<int32_t>(qda::kWaveCapacity, value);
}

}  // namespace

TEST(WaveView, InitialScaleFromSegmentFlags) {
    struct Case {
        int flags;
        int scale;
    } cases[] = {
        {0x0, 0},    {0x1, 256},  {0x8, 256},
        {0x3, 512},  {0x5, 512},  {0x7, 1024},  // three segments are shown as the whole buffer, not 768
        {0xB, 1024}, {0xF, 1024}, {0xF1, 256},  // bits above 3 are not segments
    };
    for (const Case& c : cases)
        EXPECT_EQ(qda::InitialScaleFromSegments(c.flags), c.scale) << "flags " << c.flags;
}

TEST(WaveView, HorizontalZoomStaysWithin32And1024) {
    CWaveView v;
    const auto samples = Flat(0);
    EXPECT_FALSE(v.Apply(WaveAction::kZoomOutH, samples));
    int steps = 0;
    while (v.Apply(WaveAction::kZoomInH, samples)) ++steps;
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(v.VisibleSamples(), 32);
    EXPECT_TRUE(v.Apply(WaveAction::kZoomOutH, samples));
    EXPECT_EQ(v.VisibleSamples(), 64);
}

TEST(WaveView, InitialScaleFollowsHorizontalZoomOnceKnown) {
    const auto samples = Flat(10);
    CWaveView unknown;
    unknown.Apply(WaveAction::kZoomInH, samples);
    EXPECT_EQ(unknown.InitialScale(), 0) << "an unknown scale stays unknown while zooming";

    CWaveView known;
    known.SetInitialScale(512);
    EXPECT_EQ(known.VisibleSamples(), 512);
    known.Apply(WaveAction::kZoomInH, samples);
    EXPECT_EQ(known.InitialScale(), 256);
    known.Apply(WaveAction::kZoomOutH, samples);
    known.Apply(WaveAction::kZoomOutH, samples);
    EXPECT_EQ(known.InitialScale(), 1024);
    // Vertical changes leave it alone.
    known.Apply(WaveAction::kZoomInV, samples);
    EXPECT_EQ(known.InitialScale(), 1024);
}

TEST(WaveView, SegmentsSetTheScaleOnlyWhileUnknownAndNeverToZero) {
    CWaveView v;
    EXPECT_FALSE(v.AdoptSegments(0x0)) << "no segment: nothing derived";
    EXPECT_EQ(v.InitialScale(), 0);
    EXPECT_EQ(v.VisibleSamples(), 1024);
    EXPECT_TRUE(v.AdoptSegments(0x1));
    EXPECT_EQ(v.InitialScale(), 256);
    EXPECT_EQ(v.VisibleSamples(), 256);
    EXPECT_FALSE(v.AdoptSegments(0xF)) << "a known scale is not derived again";
    EXPECT_EQ(v.VisibleSamples(), 256);

    CWaveView three;
    three.AdoptSegments(0x7);
    EXPECT_EQ(three.VisibleSamples(), 1024);
    EXPECT_EQ(three.InitialScale(), 1024);
}

TEST(WaveView, StoredScaleOutsideTheZoomStepsCountsAsUnknown) {
    for (int stored : {-5, 0, 3, 31, 1025, 100000}) {
        CWaveView v;
        v.SetInitialScale(stored);
        EXPECT_EQ(v.InitialScale(), 0) << stored;
        EXPECT_EQ(v.VisibleSamples(), 1024) << stored;
    }
    CWaveView v;
    v.SetInitialScale(256);
    v.Apply(WaveAction::kZoomOutH, Flat(0));
    v.BeginAcquisition();
    EXPECT_EQ(v.VisibleSamples(), 512) << "a start shows the remembered scale";
}

TEST(WaveView, VerticalZoomRecentresOnTheSamples) {
    CWaveView v;
    // A wave between 20 and 100: centre 50.
    std::vector<int32_t> samples = Flat(20);
    samples[500] = 100;
    struct Step {
        WaveAction action;
        int span, low, high;
    } steps[] = {
        {WaveAction::kZoomInV, 128, 0, 128},  // 50 - 64 < 0: shifted up to start at 0
        {WaveAction::kZoomInV, 64, 18, 82},  {WaveAction::kZoomInV, 32, 34, 66},
        {WaveAction::kZoomInV, 16, 42, 58},  {WaveAction::kZoomOutV, 32, 34, 66},
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(v.Apply(s.action, samples));
        EXPECT_EQ(v.Span(), s.span);
        EXPECT_EQ(v.Low(), s.low);
        EXPECT_EQ(v.High(), s.high);
    }
    EXPECT_TRUE(v.Apply(WaveAction::kZoomInV, samples));
    EXPECT_FALSE(v.Apply(WaveAction::kZoomInV, samples)) << "16 is the smallest span";
}

TEST(WaveView, RecentreCentresBetweenZeroAndTheBrightestSample) {
    // The darkest end counts as 0 at most, so the centre is half the brightest sample.
    struct Case {
        int brightest, zoomIns, low, high;
    } cases[] = {
        {255, 2, 95, 159},  // span 64 around 127
        {40, 1, 0, 128},    // span 128 around 20 starts below 0: shifted up
        {255, 0, 0, 256},   // the whole range
        {0, 4, 0, 16},
    };
    for (const Case& c : cases) {
        CWaveView v;
        std::vector<int32_t> samples = Flat(0);
        samples[700] = c.brightest;
        for (int i = 0; i < c.zoomIns; ++i) v.Apply(WaveAction::kZoomInV, samples);
        v.Recentre(samples);
        EXPECT_EQ(v.Low(), c.low) << c.brightest << " after " << c.zoomIns;
        EXPECT_EQ(v.High(), c.high) << c.brightest << " after " << c.zoomIns;
    }
}

TEST(WaveView, MovesBySixteenthOfTheSpanAndStopAtTheEnds) {
    CWaveView v;
    const auto samples = Flat(0);
    v.Apply(WaveAction::kZoomInV, samples);  // span 128: 0..128
    v.Apply(WaveAction::kZoomInV, samples);  // span 64: 0..64
    EXPECT_FALSE(v.Apply(WaveAction::kMoveUp, samples));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(v.Apply(WaveAction::kMoveDown, samples));
    EXPECT_EQ(v.Low(), 12);
    EXPECT_EQ(v.High(), 76);
    EXPECT_TRUE(v.Apply(WaveAction::kMoveUp, samples));
    EXPECT_EQ(v.Low(), 8);
    // Up from 2 would go below 0: the range starts at 0.
    v.Apply(WaveAction::kMoveUp, samples);
    v.Apply(WaveAction::kMoveUp, samples);
    EXPECT_EQ(v.Low(), 0);
    EXPECT_EQ(v.High(), 64);
    // Down to the top: the last step lands on 256 exactly.
    while (v.Apply(WaveAction::kMoveDown, samples)) {
    }
    EXPECT_EQ(v.Low(), 192);
    EXPECT_EQ(v.High(), 256);
}

TEST(WaveView, ButtonStates) {
    CWaveView full;
    qda::WaveButtonInput in;
    auto b = full.Buttons(in);
    EXPECT_TRUE(b.Enabled(WaveAction::kZoomInH));
    EXPECT_FALSE(b.Enabled(WaveAction::kZoomOutH));
    EXPECT_TRUE(b.Enabled(WaveAction::kZoomInV));
    // Span 256: zoom out and both moves are disabled.
    EXPECT_FALSE(b.Enabled(WaveAction::kZoomOutV));
    EXPECT_FALSE(b.Enabled(WaveAction::kMoveUp));
    EXPECT_FALSE(b.Enabled(WaveAction::kMoveDown));

    CWaveView narrow;
    const auto samples = Flat(128);
    for (int i = 0; i < 4; ++i) narrow.Apply(WaveAction::kZoomInV, samples);
    for (int i = 0; i < 5; ++i) narrow.Apply(WaveAction::kZoomInH, samples);
    b = narrow.Buttons(in);
    EXPECT_FALSE(b.Enabled(WaveAction::kZoomInV)) << "span 16";
    EXPECT_FALSE(b.Enabled(WaveAction::kZoomInH)) << "32 samples";
    EXPECT_TRUE(b.Enabled(WaveAction::kZoomOutH));
    EXPECT_TRUE(b.Enabled(WaveAction::kMoveUp));
    EXPECT_TRUE(b.Enabled(WaveAction::kMoveDown));
}

TEST(WaveView, PeakButtonsOnlyForTransparent2OverAGoodLiveWaveform) {
    CWaveView v;
    struct Case {
        int mode;
        bool acquiring, valid;
        int status;
        bool enabled;
    } cases[] = {
        {3, true, true, 0, true},  {3, false, true, 0, false}, {3, true, false, 0, false},
        {3, true, true, 5, false}, {2, true, true, 0, false},  {0, true, true, 0, false},
    };
    for (const Case& c : cases) {
        const auto b = v.Buttons({c.mode, c.acquiring, c.valid, c.status, 2});
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(b.peakEnabled[i], c.enabled) << "mode " << c.mode << " status " << c.status;
            EXPECT_EQ(b.peakPressed[i], c.enabled && i == 2);
        }
    }
}

TEST(WaveRepeat, RepeatsAfterFiveTicksWhileHeldAndStopsWhenReleased) {
    CWaveRepeat r;
    EXPECT_TRUE(r.Pressed());
    EXPECT_FALSE(r.Pressed()) << "already running";
    std::array<bool, qda::kWaveActionCount> held{};
    held[static_cast<size_t>(WaveAction::kMoveUp)] = true;
    held[static_cast<size_t>(WaveAction::kMoveDown)] = true;
    WaveAction a = WaveAction::kZoomInH;
    for (int tick = 1; tick <= 5; ++tick) EXPECT_FALSE(r.Tick(held, a)) << tick;
    ASSERT_TRUE(r.Tick(held, a));
    EXPECT_EQ(a, WaveAction::kMoveUp) << "the first held button in order repeats";
    ASSERT_TRUE(r.Tick(held, a));
    held = {};
    EXPECT_FALSE(r.Tick(held, a));
    EXPECT_FALSE(r.Running());
    // A new press waits the whole second again.
    EXPECT_TRUE(r.Pressed());
    held[0] = true;
    for (int tick = 1; tick <= 5; ++tick) EXPECT_FALSE(r.Tick(held, a));
    EXPECT_TRUE(r.Tick(held, a));
}
