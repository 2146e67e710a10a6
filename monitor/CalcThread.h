#pragma once
// The measured-value worker: polls the controller for the current measured values of OUT1 and
// OUT2 once per period, gives the timing inputs the window asks for, and hands each reading to
// the window through its parameter block. Plain C++; the window meets it only through the block
// and the notification it posts.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "comm/ControllerReplies.h"
#include "comm/Event.h"

class CCommand;

namespace qda {

// The worker's notification (WM_USER + 1) and its wParam values.
constexpr unsigned WM_CALC_NOTIFY = 0x0400 + 1;
constexpr std::uintptr_t kCalcNotifyEnded = 0;    // lParam 1 ended normally, 0 ended on error
constexpr std::uintptr_t kCalcNotifyReading = 1;  // lParam 1 a new reading, 0 refused with status 5

// Where a worker posts its notifications: (message, wParam, lParam), called on the worker thread.
using MonitorNotify = std::function<void(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)>;

// OUT selection of the measured-value request.
constexpr int kSelectOut1 = 0;
constexpr int kSelectOut2 = 1;
constexpr int kSelectBoth = 255;

struct CalcThreadParam {
    MonitorNotify notify;
    unsigned message = WM_CALC_NOTIFY;
    CCommand* command = nullptr;
    // Poll period in ms; 0 takes it from the open link (300 ms RS-232C, 200 ms USB).
    int periodMs = 0;

    // The reading handed over: the worker writes `reply` (and its arrival time) only while
    // `readingRequested` is set and clears the flag afterwards; the window copies the reading
    // only after that and then sets the flag again.
    MeasuredValues reply{};
    std::int64_t replyArrivalNs = 0;  // steady clock, when the reply had come
    std::atomic<bool> readingRequested{true};
    std::atomic<int> outSelection{kSelectBoth};
    std::atomic<bool> firstReading{true};  // the window has not taken a reading yet
    // Per OUT: the timing button may be used again (set with a reading after its timing input).
    std::array<std::atomic<bool>, 2> timingAllowed{};

    // Auto-reset events the window sets: stop, timing OUT1, timing OUT2, simultaneous timing.
    CEvent stop{false};
    CEvent timingOut1{false};
    CEvent timingOut2{false};
    CEvent simultaneousTiming{false};

    // Set by the worker as its last step.
    std::atomic<bool> ended{false};
    // When it ended on an error: the string the window shows (0: none).
    std::atomic<int> failureMessage{0};

    // Makes the block ready for a new run (flags as at the start, events clear).
    void Reset();
};

// The worker's body; returns when stopped or after an error, having posted (0, result) and set
// `ended`.
void RunCalcThread(CalcThreadParam& p);

}  // namespace qda
