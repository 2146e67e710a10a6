#include "storage/ReadoutSelection.h"

namespace qda {

ReadoutSelectionEnables EnablesFor(const ReadoutSelection& s) {
    switch (s.choice) {
        case kReadoutOut1:
            return {true, false, true};
        case kReadoutOut2:
            return {false, true, true};
        case kReadoutBoth:
            return {true, true, s.out1Slot != s.out2Slot};
        default:
            return {};
    }
}

int OverwrittenValues(const ReadoutSelection& s, const std::array<int, 4>& counts) {
    auto countOf = [&counts](int slot) {
        return slot >= 0 && slot < 4 ? counts[static_cast<size_t>(slot)] : 0;
    };
    switch (s.choice) {
        case kReadoutOut1:
            return countOf(s.out1Slot);
        case kReadoutOut2:
            return countOf(s.out2Slot);
        case kReadoutBoth:
            return countOf(s.out1Slot) + countOf(s.out2Slot);
        default:
            return 0;
    }
}

}  // namespace qda
