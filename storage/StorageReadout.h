#pragma once
// Reading the controller's stored values into data slots, as the data storage window's readout
// does: which OUTs are read (and the progress title and number of parts that go with the choice),
// the CMD_STORAGE_READ of one OUT, and the filling of a slot from the reply's display format and
// values.
#include <atomic>
#include <mutex>
#include <string>

#include "comm/ControllerReplies.h"
#include "storage/StorageData.h"

class CCommand;

namespace qda {

// The readout dialog's OUT choice.
enum ReadoutChoice : int { kReadoutOut1 = 1, kReadoutOut2 = 2, kReadoutBoth = 3 };

// What a readout choice asks for: the read flags of OUT1 and OUT2, the first progress title
// (message 360 or 361) and the number of parts the progress shows.
struct ReadoutPlan {
    bool readOut1 = false;
    bool readOut2 = false;
    int titleMessage = 0;
    int parts = 0;
};
// The plan of choice 1, 2 or 3; a plan with no read flag for any other value.
ReadoutPlan PlanReadout(int choice);

// How one OUT's readout ended.
enum class ReadoutOutcome {
    kFilled,  // the slot holds the values
    kNoData,  // the controller holds no values for that OUT (message 311)
    kFailed,  // the exchange failed or the reply was unusable (message 334); the slot is unchanged
};

// Fills `slot` from a successful readout: the slot is emptied and takes the readout's display
// format (unit flag and format index), the name and the classified values. kNoData for a count
// of 0 or less; kFailed (slot unchanged) for a status other than 0, a count above the slot's
// capacity or a format index outside the display-digit rows.
ReadoutOutcome FillSlotFromReadout(const StorageReadout& readout, const std::string& name,
                                   CStorageData& slot);

// Reads the stored values of `out` (0 OUT1, 1 OUT2) and fills `slot` from them. The exchange is
// tracked, so CCommand::GetTransferProgress reports it while it runs.
ReadoutOutcome ReadOutIntoSlot(CCommand& command, int out, const std::string& name, CStorageData& slot);

// What the readout shares with its progress display: the title to show and the done flag.
struct ReadoutStatus {
    std::atomic<bool> done{false};

    void SetTitle(std::string title) {
        std::lock_guard<std::mutex> g(m_lock);
        m_title = std::move(title);
    }
    std::string Title() const {
        std::lock_guard<std::mutex> g(m_lock);
        return m_title;
    }

private:
    mutable std::mutex m_lock;
    std::string m_title;
};

// The result of a readout of the planned OUTs.
struct ReadoutResult {
    ReadoutOutcome out[2] = {ReadoutOutcome::kFailed, ReadoutOutcome::kFailed};
    bool requested[2] = {false, false};
    // True when every requested OUT was read (filled or without data).
    bool ok = false;
};

// Reads the planned OUTs one after the other into slots[0] (OUT1) and slots[1] (OUT2), named
// names[0] and names[1]. A failure of one OUT does not stop the other. The status title is the
// plan's first title, becomes message 361 once OUT1 is done, and done is set at the end.
ReadoutResult RunStorageReadout(CCommand& command, const ReadoutPlan& plan, CStorageData* const slots[2],
                                const std::string names[2], ReadoutStatus& status);

}  // namespace qda
