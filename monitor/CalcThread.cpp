#include "monitor/CalcThread.h"

#include <algorithm>
#include <chrono>

#include "comm/Command.h"
#include "monitor/PollPeriod.h"
#include "monitor/TimingRule.h"
#include "resources/StringIds.h"
#include "settings/UpdateLock.h"

namespace qda {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStatusStateError = 5;
constexpr int kBothOuts = 255;

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// What the loop keeps between polls.
struct TimingMarks {
    std::array<bool, 2> separate{};      // marked for a command sequence of its own
    bool joint = false;                  // marked for one command to OUT 255
    bool jointHold = false;              // hold value of that command
    std::array<bool, 2> sinceReading{};  // timing went to the OUT since the last reading
    bool jointSinceReading = false;
};

enum class PollResult { kDone, kFailed };

}  // namespace

void CalcThreadParam::Reset() {
    reply = MeasuredValues{};
    replyArrivalNs = 0;
    readingRequested = true;
    firstReading = true;
    timingAllowed[0] = false;
    timingAllowed[1] = false;
    ended = false;
    failureMessage = 0;
    stop.Reset();
    timingOut1.Reset();
    timingOut2.Reset();
    simultaneousTiming.Reset();
}

namespace {

// Step 4 of a poll: the timing inputs marked so far. False (with the message set) when a
// command to a single OUT failed, which ends the worker.
bool GiveTiming(CalcThreadParam& p, TimingMarks& marks, bool& success) {
    CCommand& command = *p.command;
    for (int out = 0; out < 2; ++out) {
        if (!marks.separate[static_cast<size_t>(out)]) continue;
        marks.separate[static_cast<size_t>(out)] = false;
        CommandReply reply;
        if (!SendTimingInput(command, reply, out, TimingHolds(p.reply, out))) {
            p.failureMessage = kStrCalcTimingFailed;
            return false;
        }
        marks.sinceReading[static_cast<size_t>(out)] = true;
    }
    if (marks.joint) {
        marks.joint = false;
        CommandReply reply;
        // A failed command to both OUTs does not end the acquisition; the buttons come back with
        // the next reading either way.
        if (!SendTimingInput(command, reply, kBothOuts, marks.jointHold)) success = false;
        marks.jointSinceReading = true;
    }
    return true;
}

// Step 5: one reading when the window has taken the previous one. False (with the message set)
// when the request failed other than by a refusal in setting mode.
bool TakeReading(CalcThreadParam& p, TimingMarks& marks, bool& firstAttempt) {
    if (!p.readingRequested.load(std::memory_order_acquire)) return true;
    MeasuredValues values;
    if (p.command->GetMeasuredValues(values, p.outSelection.load())) {
        p.reply = values;
        p.replyArrivalNs = NowNs();
        for (size_t out = 0; out < 2; ++out) {
            // A timing button comes back with the first reading after its timing input (a timing
            // input given while the window had not taken the previous reading counts too).
            if (firstAttempt || marks.jointSinceReading || marks.sinceReading[out])
                p.timingAllowed[out] = true;
            marks.sinceReading[out] = false;
        }
        marks.jointSinceReading = false;
        firstAttempt = false;
        p.readingRequested.store(false, std::memory_order_release);
        if (p.notify) p.notify(p.message, kCalcNotifyReading, 1);
        return true;
    }
    if (values.answered && values.status == kStatusStateError) {
        // The controller is in setting mode; the window decides whether that ends the acquisition.
        if (p.notify) p.notify(p.message, kCalcNotifyReading, 0);
        return true;
    }
    p.failureMessage = kStrCalcReadFailed;
    return false;
}

}  // namespace

void RunCalcThread(CalcThreadParam& p) {
    bool success = true;
    const int period = p.periodMs > 0 ? p.periodMs : (p.command ? PollPeriodMs(p.command->GetCommKind()) : 0);
    if (period <= 0 || p.command == nullptr) {
        // No link: nothing to poll.
        success = false;
        p.failureMessage = kStrCalcReadFailed;
    } else {
        TimingMarks marks;
        bool firstAttempt = true;
        const auto periodLength = std::chrono::milliseconds(period);
        Clock::time_point deadline = Clock::now() + periodLength;
        for (;;) {
            const int event = CEvent::WaitAny({&p.stop, &p.timingOut1, &p.timingOut2, &p.simultaneousTiming},
                                              MillisecondsUntil(deadline));
            if (event == 0) break;
            if (event == 1) marks.separate[0] = true;
            if (event == 2) marks.separate[1] = true;
            if (event == 3) {
                const SimultaneousTiming plan = PlanSimultaneousTiming(p.reply);
                if (plan.joint) {
                    marks.joint = true;
                    marks.jointHold = plan.hold;
                } else {
                    marks.separate = {true, true};
                }
            }
            // No poll falls between the exchanges of a settings transfer. The lock is waited
            // for until the next poll is due: a waveform window's poll holds it for about a
            // third of the period at 115200 baud, and a poll that came due inside it and gave
            // up at once would miss that moment in every period (the waveform workers keep the
            // same period), leaving the window without readings. A transfer holds it for longer;
            // then the marks wait for a later period and the stop event is still seen once a
            // period.
            if (UpdateLock().try_acquire_until(deadline + periodLength)) {
                const bool ok = GiveTiming(p, marks, success) && TakeReading(p, marks, firstAttempt);
                UpdateLock().release();
                if (!ok) {
                    success = false;
                    break;
                }
            }
            // The rest of the period; a poll woken early by a timing input stands for the
            // period's poll. The deadlines stay on the period's grid unless a poll overran it.
            if (p.stop.Wait(MillisecondsUntil(deadline))) break;
            deadline = std::max(deadline + periodLength, Clock::now());
        }
    }
    if (p.notify) p.notify(p.message, kCalcNotifyEnded, success ? 1 : 0);
    p.ended.store(true, std::memory_order_release);
}

}  // namespace qda
