#pragma once
// The unit conversions a chart trace needs, all taken from the program's one unit table.
// Every place in the chart that turns raw samples into display values, display counts or
// texts goes through this class.
#include <cstdint>
#include <string>

#include "chart/GraphTypes.h"

namespace qda {

class TraceFormat {
public:
    TraceFormat() : TraceFormat(GraphDisplayFormat()) {}
    explicit TraceFormat(const GraphDisplayFormat& format);

    const GraphDisplayFormat& Format() const { return m_format; }

    // True when `raw` is no marker and lies inside the display limits. The limits are one range
    // of raw values per format, found once from the unit table, so that testing every sample of
    // a trace costs two comparisons.
    bool IsDisplayable(int32_t raw) const {
        return raw != GRAPH_NO_DATA && raw >= m_lowest && raw <= m_highest;
    }
    int32_t LowestDisplayable() const { return m_lowest; }
    int32_t HighestDisplayable() const { return m_highest; }
    // The display value of a raw sample (rounded to the least step, in mm, um, inch, mil or counts).
    double ToDisplayValue(int32_t raw) const;
    // Display counts (units of the last displayed digit) to a display value.
    double CountsToValue(int counts) const;
    // A display value to display counts, rounded half away from zero.
    int ValueToCounts(double value) const;
    // A display value as text in the format's own notation.
    std::string FormatValue(double value) const;
    // The unit label ("mm", "um", "inch", "mil"), empty for plain counts.
    std::string UnitText() const;

private:
    GraphDisplayFormat m_format;
    int32_t m_lowest = 0;
    int32_t m_highest = 0;
};

}  // namespace qda
