#include "monitor/StatisticsTable.h"

#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "settings/Units.h"

namespace qda {

namespace {

constexpr int kRowLabels[CStatisticsTable::kRows] = {
    kStrStatisticsAverage, kStrStatisticsMaximum,   kStrStatisticsMinimum,
    kStrStatisticsRange,   kStrStatisticsDeviation, kStrStatisticsCount,
    kStrStatisticsHiCount, kStrStatisticsGoCount,   kStrStatisticsLoCount};

}  // namespace

void CStatisticsTable::SetColumn(int out, const Statistics& s) {
    const size_t column = out == 1 ? 1 : 0;
    const int unit = s.format.unitCode;
    const int row = UnitRowOfReportedFormat(unit, s.format.rowHint, s.format.decimals);
    for (int i = 0; i < kRows; ++i) {
        std::string& cell = m_cells[static_cast<size_t>(i)][column];
        if (row < 0)
            cell = kNoData;
        else if (Statistics::IsMeasuredRow(i))
            cell = FormatMeasured(s.RowValue(i), unit, row, row);
        else
            cell = std::to_string(s.RowValue(i));
    }
}

void CStatisticsTable::Clear() {
    for (auto& row : m_cells) row = {kNoData, kNoData};
}

std::string CStatisticsTable::RowLabel(int row) {
    return row >= 0 && row < kRows ? LoadResourceString(kRowLabels[row]) : std::string();
}

std::string CStatisticsTable::ItemTitle() {
    return LoadResourceString(kStrCalcColumnItem);
}

std::string CStatisticsTable::CopyText() const {
    std::string text = ItemTitle() + "\tOUT1\tOUT2\r\n";
    for (int i = 0; i < kRows; ++i) text += RowLabel(i) + "\t" + Cell(i, 0) + "\t" + Cell(i, 1) + "\r\n";
    return text;
}

}  // namespace qda
