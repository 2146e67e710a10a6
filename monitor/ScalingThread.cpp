#include "monitor/ScalingThread.h"

#include "comm/Command.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace qda {

void RunScalingThread(ScalingThreadParam& p) {
    bool result = true;
    bool linkAlive = true;
    for (;;) {
        if (p.stop.Wait(p.periodMs)) break;
        if (!p.readingRequested.load(std::memory_order_acquire)) continue;
        ScalingValues values;
        if (p.command->GetScalingValues(values)) {
            p.reply = values;
            p.readingRequested.store(false, std::memory_order_release);
            if (p.notify) p.notify(p.message, kScalingNotifyReading, 0);
            continue;
        }
        result = false;
        if (values.answered) {
            p.failureText = CCommand::GetErrorText(values.status);
        } else {
            p.failureText = LoadResourceString(kStrScalingReadFailed);
            linkAlive = false;
        }
        break;
    }
    // The opener put the controller into setting mode for this dialog; it measures again when the
    // dialog is done with it, also after a refused reading. A silent link is not asked again.
    p.measuringAgain = linkAlive && p.command->SetControllerMode(0);
    if (p.notify) p.notify(p.message, kScalingNotifyEnded, result && p.measuringAgain ? 1 : 0);
    p.done.store(true, std::memory_order_release);
}

}  // namespace qda
