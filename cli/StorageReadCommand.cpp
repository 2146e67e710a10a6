// qd-atlas-cli storage read: reads the controller's stored values as the data storage window's
// readout does and writes them as storage data files.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "cli/CliCommand.h"
#include "cli/ConnectionOptions.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "storage/ReadoutProgress.h"
#include "storage/StorageActions.h"
#include "storage/StorageFile.h"
#include "storage/StorageReadout.h"

namespace qda::cli {

namespace {

constexpr int kMsgSlotInitFailed = 332;
constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

// The caption of the progress dialog.
constexpr const char* kProgressCaption = "蓄積データを取得しています...";
// The slots the readout fills: OUT1 into the first graph, OUT2 into the second.
const std::string kSlotNames[2] = {"Graph01", "Graph02"};

constexpr const char* kReadUsage =
    "usage: qd-atlas-cli storage read --out 1|2|both -o FILE.csv [--o2 FILE2.csv] [--stop]\n"
    "                                 [connection options]\n"
    "Reads the values the controller has stored for OUT1, OUT2 or both (OUT1 into the slot\n"
    "Graph01, OUT2 into Graph02) and writes each as a storage data file: -o gets the first OUT\n"
    "read, --o2 (needed with --out both) OUT2. While the controller stores, --stop stops the\n"
    "storage first; without it the command refuses. On a terminal the progress is shown on\n"
    "standard error.\n"
    "Exit 0: every requested OUT was read and written. Exit 1: the program's message is printed.\n";

// Shows the readout's progress on standard error once a second, as the progress dialog does.
class ProgressPrinter {
public:
    ProgressPrinter(CCommand& command, const ReadoutStatus& status, int parts, std::ostream& err)
        : m_command(command), m_status(status), m_progress(kProgressCaption, parts), m_err(err) {
        m_thread = std::thread([this] { Run(); });
    }
    ~ProgressPrinter() {
        {
            std::lock_guard<std::mutex> g(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

private:
    void Run() {
        std::unique_lock<std::mutex> g(m_lock);
        bool shown = false;
        while (!m_wake.wait_for(g, std::chrono::seconds(1), [this] { return m_stop; })) {
            int started = 0, expected = 0, received = 0;
            m_command.GetTransferProgress(&started, &expected, &received);
            m_progress.Tick(started, expected, received);
            m_err << "\r" << m_progress.Caption() << " " << m_status.Title() << " " << m_progress.Percent()
                  << "% " << m_progress.TimeText() << "\x1b[K" << std::flush;
            shown = true;
            if (m_status.done) break;
        }
        if (shown) m_err << "\n" << std::flush;
    }

    CCommand& m_command;
    const ReadoutStatus& m_status;
    CReadoutProgress m_progress;
    std::ostream& m_err;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

int Fail(int message) {
    ShowMessage(LoadMessage(message), kWarning);
    return kExitFailure;
}

}  // namespace

int RunStorageRead(CliArgs& args, CliContext& ctx) {
    int choice = 0;
    std::string paths[2];  // by OUT
    bool stop = false;
    return RunControllerCommand(
        args, ctx, kReadUsage,
        [&](CliArgs& a) {
            const auto out = a.TakeOption("--out");
            const auto o1 = a.TakeOption("--output", "-o");
            const auto o2 = a.TakeOption("--o2");
            stop = a.TakeFlag("--stop");
            if (!out || !o1 || o1->empty()) return false;
            if (*out == "1" || *out == "2") {
                choice = *out == "1" ? kReadoutOut1 : kReadoutOut2;
                paths[choice - 1] = *o1;
                return !o2;
            }
            if (*out != "both" || !o2 || o2->empty()) return false;
            choice = kReadoutBoth;
            paths[0] = *o1;
            paths[1] = *o2;
            return true;
        },
        [&](ControllerSession& s) -> int {
            CCommand& c = s.Command();
            int storing = 0;
            if (!c.GetControllerState(&storing, nullptr, nullptr, nullptr))
                return Fail(qda::msg::kNoCommunication);
            if (storing) {
                s.Console().SetAssumeYes(stop);
                if (ShowMessage(LoadMessage(qda::msg::kStopAndRead), MB_YESNO | MB_ICONQUESTION) != IDYES)
                    return kExitFailure;
                if (!StopStorage(c).ok) return Fail(qda::msg::kStorageStopFailed);
            }

            CStorageData slotData[2];
            if (!slotData[0].Prepare() || !slotData[1].Prepare()) return Fail(kMsgSlotInitFailed);
            CStorageData* const slots[2] = {&slotData[0], &slotData[1]};
            const ReadoutPlan plan = PlanReadout(choice);
            ReadoutStatus status;
            ReadoutResult result;
            {
                std::unique_ptr<ProgressPrinter> progress;
                if (isatty(STDERR_FILENO))
                    progress = std::make_unique<ProgressPrinter>(c, status, plan.parts, ctx.err);
                result = RunStorageReadout(c, plan, slots, kSlotNames, status);
            }
            if (c.RefCount() == 0) ShowMessage(LoadMessage(qda::msg::kNoCommunication), kWarning);

            int exitCode = kExitOk;
            for (int out = 0; out < 2; ++out) {
                if (!result.requested[out]) continue;
                if (result.out[out] == ReadoutOutcome::kNoData) {
                    ShowMessage(LoadMessage(qda::msg::kNoDataToRead), kWarning);
                    exitCode = kExitFailure;
                } else if (result.out[out] == ReadoutOutcome::kFilled) {
                    if (CStorageFile::Write(slotData[out], paths[out]) != 1)
                        exitCode = Fail(qda::msg::kStorageFileWriteFailed);
                } else {
                    exitCode = kExitFailure;
                }
            }
            if (!result.ok) ShowMessage(LoadMessage(qda::msg::kReadoutFailed), kWarning);
            return exitCode;
        });
}

}  // namespace qda::cli
