#include "monitor/CalcReadingView.h"

#include "settings/Units.h"

namespace qda {

namespace {

LampColour Lit(bool on, LampColour colour) {
    return on ? colour : LampColour::kGrey;
}

}  // namespace

OutPanelView DescribeOut(const MeasuredValues& r, bool valid, int out) {
    OutPanelView v;
    if (!valid) return v;
    const size_t i = out == 1 ? 1 : 0;
    const ValueFormat& f = r.format[i];
    const int row = UnitRowOfReportedFormat(f.unitCode, f.rowHint, f.decimals);
    const OutFlags flags = r.out[i];
    if (row < 0) {
        // A unit code other than 0 or 1 (or decimals no row has) makes the value unusable.
        v.value = FormatMeasured(kNoValue, 0, 0, 0);
    } else {
        v.value = FormatMeasured(r.value[i], f.unitCode, row, row);
        v.unit = UnitLabel(f.unitCode, row);
    }
    v.style = flags.NormalStyle() ? ValueStyle::kNormal : ValueStyle::kAlert;
    v.hi = Lit(flags.Hi(), LampColour::kRed);
    v.go = Lit(flags.Go(), LampColour::kGreen);
    v.lo = Lit(flags.Lo(), LampColour::kRed);
    v.timing = Lit(flags.Timing(), LampColour::kYellow);
    v.zero = Lit(flags.AutoZero(), LampColour::kCyan);
    return v;
}

HeadPanelView DescribeHead(const MeasuredValues& r, bool valid, int head) {
    HeadPanelView v;
    if (!valid) return v;
    const HeadFlags flags = r.head[head == 1 ? 1 : 0];
    switch (flags.StateColour()) {
        case HeadFlags::kGreen:
            v.state = LampColour::kGreen;
            break;
        case HeadFlags::kYellow:
            v.state = LampColour::kYellow;
            break;
        case HeadFlags::kRed:
            v.state = LampColour::kRed;
            break;
        case HeadFlags::kDark:
            v.state = LampColour::kDark;
            break;
    }
    v.second = Lit(flags.SecondLamp(), LampColour::kRed);
    v.third = Lit(flags.ThirdLamp(), LampColour::kRed);
    return v;
}

std::string JudgementText(const OutPanelView& view) {
    std::string text;
    auto add = [&](LampColour lamp, const char* name) {
        if (lamp == LampColour::kGrey) return;
        if (!text.empty()) text += "+";
        text += name;
    };
    add(view.hi, "HI");
    add(view.go, "GO");
    add(view.lo, "LO");
    return text;
}

std::string OutPanelName(int out, const OutPanelView& view) {
    std::string name = out == 1 ? "OUT2" : "OUT1";
    if (view.style == ValueStyle::kNone) return name;
    name += " " + view.value;
    if (!view.unit.empty()) name += " " + view.unit;
    const std::string judgement = JudgementText(view);
    if (!judgement.empty()) name += " " + judgement;
    return name;
}

}  // namespace qda
