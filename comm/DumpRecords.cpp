#include "comm/DumpRecords.h"

#include <cstdio>
#include <ctime>

namespace qda {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kHeader = "No.\tTime\tCaption\tLength\tData";

std::string Printf(const char* format, auto... args) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, args...);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

DumpClock LocalDumpClock() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms)};
}

std::vector<DumpRow> FormatDumpRecord(int counter, const DumpClock& at, const char* caption,
                                      const uint8_t* bytes, int length) {
    std::vector<DumpRow> rows(1);
    rows[0].number = Printf("%04d", counter);
    rows[0].time = Printf("%02d:%02d:%02d:%03d", at.hour, at.minute, at.second, at.millisecond);
    rows[0].caption = caption != nullptr ? caption : "";
    rows[0].length = Printf("%d", length);
    const int shown = bytes == nullptr || length <= 0 ? 0 : (length < kDumpMaxBytes ? length : kDumpMaxBytes);
    for (int offset = 0; offset < shown; offset += kDumpBytesPerRow) {
        if (offset > 0) rows.emplace_back();
        std::string& data = rows.back().data;
        data = Printf("%08X ", offset);
        for (int i = offset; i < shown && i < offset + kDumpBytesPerRow; ++i)
            data += Printf(":%02x", bytes[i]);
    }
    return rows;
}

std::string DumpRowsText(const std::vector<DumpRow>& rows) {
    std::string text = kHeader;
    text += kCrLf;
    for (const DumpRow& r : rows) {
        text += r.number + '\t' + r.time + '\t' + r.caption + '\t' + r.length + '\t' + r.data;
        text += kCrLf;
    }
    return text;
}

void CDumpListLock::lock() {
    std::unique_lock<std::mutex> state(m_state);
    m_released.wait(state, [this] { return !m_held; });
    m_held = true;
}

bool CDumpListLock::try_lock_for(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> state(m_state);
    if (!m_released.wait_for(state, wait, [this] { return !m_held; })) return false;
    m_held = true;
    return true;
}

void CDumpListLock::unlock() {
    {
        std::lock_guard<std::mutex> state(m_state);
        m_held = false;
    }
    m_released.notify_one();
}

void CDumpRecorder::SetNotifications(std::function<void()> rowsAdded, std::function<void()> lockFailed) {
    std::lock_guard<CDumpListLock> guard(m_lock);
    m_rowsAdded = std::move(rowsAdded);
    m_lockFailed = std::move(lockFailed);
}

void CDumpRecorder::Log(const char* caption, const uint8_t* bytes, int length) {
    if (!m_enabled.load()) return;
    std::function<void()> notify;
    {
        std::unique_lock<CDumpListLock> guard(m_lock, kLockWait);
        if (!guard.owns_lock()) {
            // The notifications are set before the recorder is registered and not changed while
            // it logs, so they can be read without the lock here.
            if (m_lockFailed) m_lockFailed();
            return;
        }
        std::vector<DumpRow> rows = FormatDumpRecord(m_counter++, LocalDumpClock(), caption, bytes, length);
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
        notify = m_rowsAdded;
    }
    if (notify) notify();
}

size_t CDumpRecorder::TakeNewRows(std::vector<DumpRow>& out) {
    std::lock_guard<CDumpListLock> guard(m_lock);
    const size_t n = m_rows.size() - m_taken;
    out.insert(out.end(), m_rows.begin() + static_cast<std::ptrdiff_t>(m_taken), m_rows.end());
    m_taken = m_rows.size();
    return n;
}

std::string CDumpRecorder::Text() {
    std::lock_guard<CDumpListLock> guard(m_lock);
    return DumpRowsText(m_rows);
}

void CDumpRecorder::Clear() {
    std::lock_guard<CDumpListLock> guard(m_lock);
    m_rows.clear();
    m_taken = 0;
}

int CDumpRecorder::Counter() {
    std::lock_guard<CDumpListLock> guard(m_lock);
    return m_counter;
}

}  // namespace qda
