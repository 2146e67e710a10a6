#pragma once
// The worker of the scaling dialog: while the dialog is open (the controller in setting mode)
// it reads the live value of each head every 300 ms and hands it to the dialog; when stopped,
// and also after a failed reading the controller answered, it returns the controller to
// measuring mode.
#include <atomic>
#include <string>

#include "comm/ControllerReplies.h"
#include "comm/Event.h"
#include "monitor/CalcThread.h"

class CCommand;

namespace qda {

constexpr unsigned WM_SCALING_NOTIFY = 0x0400 + 1;   // WM_USER + 1
constexpr std::uintptr_t kScalingNotifyEnded = 0;    // lParam: the result
constexpr std::uintptr_t kScalingNotifyReading = 1;  // a new reading in the block
constexpr int kScalingPeriodMs = 300;

struct ScalingThreadParam {
    MonitorNotify notify;
    unsigned message = WM_SCALING_NOTIFY;
    CCommand* command = nullptr;
    int periodMs = kScalingPeriodMs;

    // The reading handed over as in the measured-value worker: written only while requested.
    ScalingValues reply{};
    std::atomic<bool> readingRequested{true};
    CEvent stop{false};  // auto-reset

    // Set by the worker before it posts its end: the text to show when a reading failed
    // (empty: none), and whether the controller went back to measuring mode.
    std::string failureText;
    bool measuringAgain = false;
    std::atomic<bool> done{false};
};

void RunScalingThread(ScalingThreadParam& p);

}  // namespace qda
