#pragma once
// How often the measured-value and waveform windows poll the controller: a reply over RS-232C
// takes longer to arrive than one over USB, so the serial link is asked less often.
#include "comm/LinkParams.h"

namespace qda {

constexpr int kPollPeriodSerialMs = 300;
constexpr int kPollPeriodUsbMs = 200;

// The poll period for a link of the command layer's kind; 0 when no link
// is open, which ends a worker at once.
int PollPeriodMs(LinkKind commKind);

}  // namespace qda
