#include "storage/OffsetStepper.h"

namespace qda {

int COffsetStepper::Step(int offset, int direction) {
    if (!m_running) {
        m_running = true;
        m_step = 1;
        m_count = 0;
    }
    // 64-bit on the way: a doubled step may pass the int range long before it is used up.
    const long long next = static_cast<long long>(offset) + (direction < 0 ? -m_step : m_step);
    return next < m_min ? m_min : next > m_max ? m_max : static_cast<int>(next);
}

bool COffsetStepper::Tick(int& offset, bool decreasePressed, bool increasePressed, bool leftHeld,
                          bool rightHeld) {
    if (!m_running) return false;
    const bool decrease = decreasePressed && !leftHeld;
    const bool increase = increasePressed && !rightHeld;
    if ((decreasePressed && leftHeld) || (increasePressed && rightHeld) || (!decrease && !increase)) {
        Stop();
        return false;
    }
    offset = Step(offset, decrease ? -1 : 1);
    if (++m_count > 5) {
        m_count = 0;
        if (m_step < kLimit) m_step *= 2;
    }
    return true;
}

void COffsetStepper::Stop() {
    m_running = false;
    m_step = 1;
    m_count = 0;
}

}  // namespace qda
