#pragma once
// How a timing input is given to the controller. Each OUT either holds its timing input (one
// "on" command; the next press releases it with "on" then "off") or takes a pulse ("on" then
// "off" every time); which one follows from the last reading: the OUT's timing bit and bit 7 of
// the head byte of the same number. The measured-value window and qd-atlas-cli share this rule.
#include "comm/ControllerReplies.h"

class CCommand;

namespace qda {

// True when timing to `out` (0 or 1) is to be held: its timing input is off and its head byte
// does not ask for a pulse.
bool TimingHolds(const MeasuredValues& last, int out);

// Timing to both OUTs at once: one command to OUT 255 when both OUTs agree on how they take it,
// otherwise one command sequence per OUT.
struct SimultaneousTiming {
    bool joint = false;  // one command to OUT 255
    bool hold = false;   // with joint: hold (on only) or pulse (on, off)
};
SimultaneousTiming PlanSimultaneousTiming(const MeasuredValues& last);

// Sends the timing input to `out` (0, 1 or 255): "on", then "off" unless `hold`. True when every
// command was answered with status 0; `reply` holds the reply of the last command sent.
bool SendTimingInput(CCommand& command, CommandReply& reply, int out, bool hold);

// Timing to both OUTs as planned from `last`: the joint command, or OUT1 then OUT2 each by its
// own rule. True when every command succeeded.
bool SendSimultaneousTiming(CCommand& command, CommandReply& reply, const MeasuredValues& last);

}  // namespace qda
