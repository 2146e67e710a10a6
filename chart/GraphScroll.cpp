#include "chart/GraphScroll.h"

#include <algorithm>

namespace qda {

int GraphScroll::Page() const {
    if (m_capacity <= 0) return 0;
    return static_cast<int>(static_cast<long long>(m_resolution) * m_visible / m_capacity);
}

int GraphScroll::MaxUnits() const {
    const int last = m_capacity - 1;
    if (last <= 0) return 0;
    const long long shown = std::max(0, std::min(m_visible, last));
    return m_resolution - static_cast<int>(static_cast<long long>(m_resolution) * shown / last);
}

int GraphScroll::Clamp(int units) const {
    return std::clamp(units, 0, std::max(0, MaxUnits()));
}

bool GraphScroll::SetUnits(int units) {
    const int clamped = Clamp(units);
    const bool changed = clamped != m_units;
    m_units = clamped;
    return changed;
}

int GraphScroll::UnitsToSamples(int units) const {
    if (m_resolution <= 0 || m_capacity <= 1) return 0;
    return static_cast<int>(static_cast<long long>(units) * (m_capacity - 1) / m_resolution);
}

int GraphScroll::SamplesToUnits(int samples) const {
    if (m_capacity <= 1) return 0;
    return static_cast<int>(static_cast<long long>(samples) * m_resolution / (m_capacity - 1));
}

bool GraphScroll::SetSamples(int samples) {
    return SetUnits(SamplesToUnits(samples));
}

int GraphScroll::ActionTarget(GraphScrollAction action, int thumb) const {
    int target = m_units;
    switch (action) {
        case GraphScrollAction::LineLeft:
            target = m_units - 1;
            break;
        case GraphScrollAction::LineRight:
            target = m_units + 1;
            break;
        case GraphScrollAction::PageLeft:
            target = m_units < 100 ? 0 : m_units - 100;
            break;
        case GraphScrollAction::PageRight:
            target = m_units + 100;
            break;
        case GraphScrollAction::Thumb:
            target = thumb;
            break;
        case GraphScrollAction::Home:
            target = 0;
            break;
        case GraphScrollAction::End:
            target = m_resolution;
            break;
    }
    return Clamp(target);
}

}  // namespace qda
