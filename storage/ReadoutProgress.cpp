#include "storage/ReadoutProgress.h"

#include <cstdint>

#include "settings/MessageFormat.h"

namespace {
constexpr int kMsgElapsedRemaining = 362;  // "経過時間%d秒 完了まで残り%d秒"
constexpr int kMsgElapsed = 363;           // "経過時間%d秒"
}  // namespace

void CReadoutProgress::Tick(int started, int expected, int received) {
    if (started) {
        ++m_part;
        m_seconds = 0;
    }
    ++m_seconds;
    const int percent = expected > 0 ? static_cast<int>(int64_t{received} * 100 / expected) : 0;
    m_percentChanged = percent != m_percent;
    m_percent = percent;
    // Integer arithmetic throughout: the rate is whole bytes per second.
    m_rate = received / m_seconds;
    m_remaining = m_rate > 0 ? expected / m_rate - m_seconds : 0;
}

std::string CReadoutProgress::TimeText() const {
    if (m_rate <= 0) return qda::FormatMessage(kMsgElapsed, {int64_t{m_seconds}});
    return qda::FormatMessage(kMsgElapsedRemaining, {int64_t{m_seconds}, int64_t{m_remaining}});
}

std::string CReadoutProgress::Caption() const {
    return m_caption + "(" + std::to_string(m_part) + "/" + std::to_string(m_parts) + ")";
}
