#pragma once
// The readout selection dialog's rules without a widget: which controls it enables for a choice
// and how many shown values a readout would overwrite.
#include <array>

#include "storage/StorageReadout.h"

namespace qda {

// The operator's choice: OUT choice (kReadoutOut1, kReadoutOut2, kReadoutBoth) and the slot
// (0..3) each OUT's values go to.
struct ReadoutSelection {
    int choice = kReadoutOut1;
    int out1Slot = 0;
    int out2Slot = 1;
};

struct ReadoutSelectionEnables {
    bool out1Slot = false;  // the OUT1 destination combo
    bool out2Slot = false;  // the OUT2 destination combo and its label
    bool read = false;      // "読み出し(&R)"
};

// OUT1: only its destination; OUT2: only its destination; both: both destinations, and reading
// only when they differ (two OUTs never go into one slot).
ReadoutSelectionEnables EnablesFor(const ReadoutSelection& selection);

// The number of values now held by the slots the readout would fill: the OUT1 destination's, the
// OUT2 destination's, or both added together. A slot outside 0..3 holds nothing.
int OverwrittenValues(const ReadoutSelection& selection, const std::array<int, 4>& slotCounts);

}  // namespace qda
