#pragma once
// Run-time control of a running simulator: one text command per line (on stdin), one answer line
// ("OK ..." or "ERROR ...") per command. Lets tests switch faults on and off between exchanges.
//
//   <fault kind> <rule>   add a fault rule, as the command-line option of that name
//   clear-faults          drop every fault rule
//   faults                list the rules: "OK <rule>; <rule>"
//   head-a CODE, head-b CODE, over-range SHARE, wave-segments MASK   as the options
//   wave-peaks P1[,P2..] | drift   fix the waveform's light peaks, or let them drift again
//   mode setting|measuring   switch the mode as the controller's panel does
//   state                 "OK mode=measuring program=0 unit=0 storing=0 count1=0 count2=0 tuning=-"
//   ping                  "OK"

#include <string>
#include <string_view>

#include "simulator/SimController.h"
#include "simulator/SimFaults.h"

namespace qda::sim {

class ControlChannel {
public:
    ControlChannel(SimController& controller, SimFaults& faults) : controller_(controller), faults_(faults) {}
    // Executes one command line; returns the answer line without its newline.
    std::string Execute(std::string_view line);

private:
    SimController& controller_;
    SimFaults& faults_;
};

}  // namespace qda::sim
