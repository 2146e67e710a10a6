#pragma once
// The statistics list of the measured-value window: nine rows (average, maximum, minimum,
// range, standard deviation and the counts of all, HI, GO and LO data) in an OUT1 and an OUT2
// column, as the controller computed them, and the list as text for the clipboard.
#include <array>
#include <string>

#include "comm/ControllerReplies.h"

namespace qda {

class CStatisticsTable {
public:
    static constexpr int kRows = Statistics::kRows;
    // The text of a column without data.
    static constexpr const char* kNoData = "***";

    CStatisticsTable() { Clear(); }

    // Fills column `out` (0 or 1) from a statistics reply: measured rows in the reply's display
    // format, counts as integers; "***" everywhere for a unit code other than 0 or 1.
    void SetColumn(int out, const Statistics& statistics);
    // Both columns "***".
    void Clear();
    const std::string& Cell(int row, int out) const {
        return m_cells[static_cast<size_t>(row)][out == 1 ? 1 : 0];
    }

    // The row labels and the title of the label column in the current language.
    static std::string RowLabel(int row);
    static std::string ItemTitle();

    // The list as text: the title line "項目<TAB>OUT1<TAB>OUT2<CR><LF>", then one line per row
    // (label, OUT1, OUT2 joined the same way).
    std::string CopyText() const;

private:
    std::array<std::array<std::string, 2>, kRows> m_cells;
};

}  // namespace qda
