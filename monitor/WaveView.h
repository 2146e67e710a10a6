#pragma once
// The view state of a received-light waveform window: how many samples span the plot (horizontal
// zoom), which light-amount range is shown (vertical zoom and position), the initial horizontal
// scale remembered between runs, the auto-repeat of the zoom and move buttons, and which buttons
// are enabled. Plain arithmetic, no window.
#include <array>
#include <cstdint>
#include <span>

namespace qda {

// Samples of one waveform, and the limits of the two zooms.
constexpr int kWaveCapacity = 1024;
constexpr int kWaveMinVisible = 32;
constexpr int kWaveMaxSpan = 256;  // light amounts 0..256 (the samples are 0..255)
constexpr int kWaveMinSpan = 16;

// The six zoom and move actions, in the order the auto-repeat looks at their buttons.
enum class WaveAction { kZoomInH, kZoomOutH, kZoomInV, kZoomOutV, kMoveUp, kMoveDown };
constexpr int kWaveActionCount = 6;

// The initial horizontal scale a reply's segment flags stand for: 256 samples per set bit among
// bits 0..3, with three segments shown as the whole buffer (768 becomes 1024); 0 when no bit is set.
int InitialScaleFromSegments(int segmentFlags);

// What the button states depend on besides the view.
struct WaveButtonInput {
    int headMode = 0;        // the head's measuring mode; the ROVA peak choice exists only in mode 3
    bool acquiring = false;  // a worker runs
    bool dataValid = false;  // a waveform has been accepted
    int replyStatus = -1;    // status of the worker's latest request
    int peakSelection = 0;   // 0..3
};

// Enabled and pressed states of the window's zoom, move and ROVA peak buttons.
struct WaveButtonStates {
    std::array<bool, kWaveActionCount> action{};  // indexed by WaveAction
    std::array<bool, 4> peakEnabled{};
    std::array<bool, 4> peakPressed{};
    bool Enabled(WaveAction a) const { return action[static_cast<size_t>(a)]; }
};

class CWaveView {
public:
    int VisibleSamples() const { return m_visible; }
    int Span() const { return m_span; }
    int Low() const { return m_low; }
    int High() const { return m_high; }
    // 0 = not known yet (derived from the first waveform's segment flags).
    int InitialScale() const { return m_initialScale; }

    // The scale stored from the last run; a known scale also becomes the visible samples. Values
    // outside 32..1024 are not a scale this window makes and count as not known.
    void SetInitialScale(int scale);
    // Acquisition starts: the visible samples become the initial scale, 1024 while it is unknown.
    void BeginAcquisition();
    // A waveform with `segmentFlags` arrived. While the initial scale is unknown it is derived
    // from the flags and becomes the visible samples; flags with no segment leave both as they
    // are, so that a later waveform can still tell. True when the visible samples changed.
    bool AdoptSegments(int segmentFlags);

    // Runs one zoom or move action over `samples` (the current waveform, for recentring). False
    // when the action is not possible in the current state (its button is disabled). A horizontal
    // change carries a known initial scale along.
    bool Apply(WaveAction action, std::span<const int32_t> samples);
    static bool IsHorizontal(WaveAction action) {
        return action == WaveAction::kZoomInH || action == WaveAction::kZoomOutH;
    }

    // Centres the shown range of the current span on the samples, kept inside 0..256.
    void Recentre(std::span<const int32_t> samples);

    WaveButtonStates Buttons(const WaveButtonInput& input) const;

private:
    void SetRange(int low, int high) {
        m_low = low;
        m_high = high;
    }
    int m_visible = kWaveCapacity;
    int m_span = kWaveMaxSpan;
    int m_low = 0;
    int m_high = kWaveMaxSpan;
    int m_initialScale = 0;
};

// The repeat timer of the zoom and move buttons (200 ms ticks). A press acts at once; held for
// more than five ticks (about a second) the button then acts on every tick until it is let go.
class CWaveRepeat {
public:
    static constexpr int kTickMs = 200;
    static constexpr int kTicksBeforeRepeat = 5;

    // A button acted: true when the timer has to be started (it was not running).
    bool Pressed();
    // One tick with the buttons held down now (indexed by WaveAction). Returns the action to
    // repeat, if any; when no button is held the timer stops (Running() becomes false).
    bool Tick(const std::array<bool, kWaveActionCount>& held, WaveAction& repeat);
    bool Running() const { return m_running; }
    int Count() const { return m_count; }
    void Stop() {
        m_running = false;
        m_count = 0;
    }

private:
    bool m_running = false;
    int m_count = 0;
};

}  // namespace qda
