#include "monitor/CalcControls.h"

namespace qda {

CalcControlStates ComputeCalcControls(const CalcWindowState& s) {
    CalcControlStates c;
    // At least one OUT is always shown; should both flags be clear, OUT1 stands in.
    const bool out1 = s.showOut[0] || !s.showOut[1];
    const bool out2 = s.showOut[1];
    c.bothShown = out1 && out2;
    c.leftOut = out1 ? 0 : 1;
    c.outSelection = c.bothShown ? 255 : c.leftOut;
    c.rightGroupVisible = c.bothShown;

    const bool live = s.running && s.readingValid && s.readingStatus == 0 && s.controlsEnabled;
    c.leftZero = live;
    c.leftReset = live;
    c.leftTiming = live && s.timingAllowed[c.leftOut];
    c.statistics = live;
    c.rightZero = live && c.bothShown;
    c.rightReset = live && c.bothShown;
    c.rightTiming = live && c.bothShown && s.timingAllowed[1];
    c.simultaneousTiming = live && c.bothShown;
    return c;
}

void ApplyOutCheck(bool showOut[2], int out, bool checked) {
    const int i = out == 1 ? 1 : 0;
    showOut[i] = checked;
    if (!showOut[0] && !showOut[1]) showOut[i] = true;
}

}  // namespace qda
