#pragma once
// What the measured-value window shows of a reading: the text of each OUT's value panel in the
// display format the controller reports, its style, the judgement, timing and zero lamps of each
// OUT and the lamps of each head, and the names these carry for assistive technology.
#include <string>

#include "comm/ControllerReplies.h"

namespace qda {

// Lamp colours; kGrey is an unlit lamp or one without a valid reading.
enum class LampColour { kGrey, kRed, kGreen, kYellow, kCyan, kDark };

enum class ValueStyle {
    kNone,    // no reading: the panel is empty
    kNormal,  // GO alone among the judgement bits
    kAlert,   // anything else
};

struct OutPanelView {
    std::string value;  // "1.2345", "FFFFFF", "--------"; empty without a reading
    std::string unit;   // "mm", "um", "inch", "mil"; empty for an unusable format
    ValueStyle style = ValueStyle::kNone;
    LampColour hi = LampColour::kGrey;
    LampColour go = LampColour::kGrey;
    LampColour lo = LampColour::kGrey;
    LampColour timing = LampColour::kGrey;
    LampColour zero = LampColour::kGrey;
};

struct HeadPanelView {
    LampColour state = LampColour::kGrey;  // green, yellow, red or dark
    LampColour second = LampColour::kGrey;
    LampColour third = LampColour::kGrey;
};

// The panel of OUT `out` (0 or 1) for `reading`; `valid` false gives the empty panel.
OutPanelView DescribeOut(const MeasuredValues& reading, bool valid, int out);
// The lamps of head `head` (0 A, 1 B).
HeadPanelView DescribeHead(const MeasuredValues& reading, bool valid, int head);

// The judgement the lamps show: the lit lamps HI, GO, LO joined by "+", "" when none.
std::string JudgementText(const OutPanelView& view);
// The name a value panel carries: "OUT1 1.2345 mm GO"; "OUT1" alone without a reading.
std::string OutPanelName(int out, const OutPanelView& view);

}  // namespace qda
