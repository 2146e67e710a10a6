#include "monitor/TimingRule.h"

#include "comm/Command.h"

namespace qda {

namespace {

constexpr int kBothOuts = 255;

}  // namespace

bool TimingHolds(const MeasuredValues& last, int out) {
    const size_t i = out == 1 ? 1 : 0;
    return !last.out[i].Timing() && !last.head[i].PulsedTiming();
}

SimultaneousTiming PlanSimultaneousTiming(const MeasuredValues& last) {
    const bool on1 = last.out[0].Timing(), on2 = last.out[1].Timing();
    const bool pulse1 = last.head[0].PulsedTiming(), pulse2 = last.head[1].PulsedTiming();
    // Both held inputs on: one pulse releases both. Both off: both pulsed, or both held.
    if (on1 && on2) return {true, false};
    if (!on1 && !on2 && pulse1 && pulse2) return {true, false};
    if (!on1 && !on2 && !pulse1 && !pulse2) return {true, true};
    return {false, false};
}

bool SendTimingInput(CCommand& command, CommandReply& reply, int out, bool hold) {
    if (!command.Timing(reply, 1, out)) return false;
    return hold || command.Timing(reply, 0, out);
}

bool SendSimultaneousTiming(CCommand& command, CommandReply& reply, const MeasuredValues& last) {
    const SimultaneousTiming plan = PlanSimultaneousTiming(last);
    if (plan.joint) return SendTimingInput(command, reply, kBothOuts, plan.hold);
    return SendTimingInput(command, reply, 0, TimingHolds(last, 0)) &&
           SendTimingInput(command, reply, 1, TimingHolds(last, 1));
}

}  // namespace qda
