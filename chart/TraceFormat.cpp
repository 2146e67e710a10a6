#include "chart/TraceFormat.h"

#include "settings/Units.h"

namespace qda {

bool TraceFormat::IsDisplayable(int32_t raw) const {
    return ::IsDisplayable(raw, m_format.unit, m_format.metricDigits, m_format.inchDigits);
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
