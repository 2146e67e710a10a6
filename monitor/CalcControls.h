#pragma once
// The measured-value window's enabling and visibility rules as a pure function of its state.
namespace qda {

// What the rules look at.
struct CalcWindowState {
    bool running = false;         // acquisition runs (a worker exists)
    bool readingValid = false;    // a reading is displayed
    int readingStatus = 0;        // the status of that reading
    bool controlsEnabled = true;  // the window's controls are enabled (no transfer runs)
    bool showOut[2] = {true, true};
    bool timingAllowed[2] = {false, false};
};

// The controls of the window: the left group acts on `leftOut`, the right group on OUT2.
struct CalcControlStates {
    int leftOut = 0;         // OUT1 when it is displayed, otherwise OUT2
    bool bothShown = true;   // two value panels; otherwise one wide panel for `leftOut`
    int outSelection = 255;  // of the next request: 255 both, 0 OUT1 only, 1 OUT2 only
    bool leftZero = false;   // enabled states
    bool leftReset = false;
    bool leftTiming = false;
    bool rightZero = false;
    bool rightReset = false;
    bool rightTiming = false;
    bool simultaneousTiming = false;
    bool statistics = false;        // update, clear, copy
    bool rightGroupVisible = true;  // right zero, reset, timing and simultaneous timing
};

CalcControlStates ComputeCalcControls(const CalcWindowState& state);

// The OUT check boxes: sets box `out` to `checked` in `showOut`, except that unchecking the last
// checked box checks it again.
void ApplyOutCheck(bool showOut[2], int out, bool checked);

}  // namespace qda
