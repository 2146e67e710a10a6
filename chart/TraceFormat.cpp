#include "chart/TraceFormat.h"

#include "settings/Units.h"

namespace qda {

TraceFormat::TraceFormat(const GraphDisplayFormat& format) : m_format(format) {
    // Whether a value is displayable only depends on value / divisor lying inside the six-digit
    // limits, which grows with the value: the displayable values form one range around 0.
    auto displayable = [&](int64_t v) {
        return ::IsDisplayable(static_cast<int32_t>(v), format.unit, format.metricDigits, format.inchDigits);
    };
    int64_t bad = static_cast<int64_t>(GRAPH_MINUS_OVER), good = 0;  // lowest: in (bad, good]
    while (good - bad > 1) {
        const int64_t mid = bad + (good - bad) / 2;
        (displayable(mid) ? good : bad) = mid;
    }
    m_lowest = static_cast<int32_t>(good);
    good = 0;
    bad = static_cast<int64_t>(INT32_MAX) + 1;  // highest: in [good, bad)
    while (bad - good > 1) {
        const int64_t mid = good + (bad - good) / 2;
        (displayable(mid) ? good : bad) = mid;
    }
    m_highest = static_cast<int32_t>(good);
}

double TraceFormat::ToDisplayValue(int32_t raw) const {
    return ::ToDisplayValue(raw, m_format.unit, m_format.metricDigits, m_format.inchDigits);
}

double TraceFormat::CountsToValue(int counts) const {
    return StepsToDisplayValue(counts, m_format.unit, m_format.metricDigits, m_format.inchDigits);
}

int TraceFormat::ValueToCounts(double value) const {
    const int64_t n = DisplayValueToSteps(value, m_format.unit, m_format.metricDigits, m_format.inchDigits);
    return n > 2147483647 ? 2147483647 : (n < -2147483647 ? -2147483647 : static_cast<int>(n));
}

std::string TraceFormat::FormatValue(double value) const {
    return FormatDisplayValue(value, m_format.unit, m_format.metricDigits, m_format.inchDigits);
}

std::string TraceFormat::UnitText() const {
    const int digits = m_format.unit == 0 ? m_format.metricDigits : m_format.inchDigits;
    return UnitLabel(m_format.unit, digits);
}

}  // namespace qda
