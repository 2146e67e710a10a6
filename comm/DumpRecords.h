#pragma once
// The records of the communication dump: how one logged block becomes rows of the dump list, and
// the list itself, filled from the exchanging threads and read by the dump window.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "comm/DumpSink.h"

namespace qda {

// One row of the dump list. Only the first row of a record carries its number, time, caption and
// length; every row carries up to 32 data bytes.
struct DumpRow {
    std::string number;   // "%04d" of the record counter
    std::string time;     // local time "hh:mm:ss:mmm"
    std::string caption;  // "Send data" or "Recevie data"
    std::string length;   // "%d", the whole block's length
    std::string data;     // "%08X " offset of the row's first byte, then ":%02x" per byte
};

// Local time of day, to the millisecond.
struct DumpClock {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
DumpClock LocalDumpClock();

constexpr int kDumpBytesPerRow = 32;
constexpr int kDumpMaxBytes = 256;  // bytes of a block that are shown; the rest is left out

// The rows of one block: at most the first 256 bytes, 32 a row. A block without bytes still
// gives its first row (with empty data).
std::vector<DumpRow> FormatDumpRecord(int counter, const DumpClock& at, const char* caption,
                                      const uint8_t* bytes, int length);

// The copied text: a header line, then one line per row, fields separated by tabs.
std::string DumpRowsText(const std::vector<DumpRow>& rows);

// The lock of the dump list: a mutex whose taking can be given up after a time. (Built on a
// condition variable: std::timed_mutex waits with a clock call that ThreadSanitizer cannot see.)
class CDumpListLock {
public:
    void lock();
    void unlock();
    bool try_lock_for(std::chrono::milliseconds wait);

private:
    std::mutex m_state;
    std::condition_variable m_released;
    bool m_held = false;
};

// The dump list: a dump sink that records while enabled. Any thread may log; the window takes the
// new rows, the text and the clearing through the same lock. A logging thread waits at most
// 1000 ms for it and, when it cannot be had, records nothing and reports the failure.
class CDumpRecorder : public IDumpSink {
public:
    static constexpr std::chrono::milliseconds kLockWait{1000};

    CDumpRecorder() = default;
    CDumpRecorder(const CDumpRecorder&) = delete;
    CDumpRecorder& operator=(const CDumpRecorder&) = delete;

    // Logging happens only while enabled (the window is shown).
    void SetEnabled(bool enabled) { m_enabled.store(enabled); }
    bool IsEnabled() const { return m_enabled.load(); }
    // Called on the logging thread, outside the lock: rows were added, or the lock could not be
    // had. Set them before the recorder is registered.
    void SetNotifications(std::function<void()> rowsAdded, std::function<void()> lockFailed);

    void Log(const char* caption, const uint8_t* bytes, int length) override;

    // Appends the rows logged since the last call to `out`; returns how many.
    size_t TakeNewRows(std::vector<DumpRow>& out);
    // All rows as copied text (DumpRowsText).
    std::string Text();
    // Deletes all rows; the record counter goes on.
    void Clear();
    // The number the next record gets.
    int Counter();

    // Holds the list's lock (what the window does while it reads the list).
    std::unique_lock<CDumpListLock> Hold() { return std::unique_lock<CDumpListLock>(m_lock); }

private:
    std::atomic<bool> m_enabled{false};
    std::function<void()> m_rowsAdded, m_lockFailed;
    CDumpListLock m_lock;
    int m_counter = 0;  // never reset
    std::vector<DumpRow> m_rows;
    size_t m_taken = 0;  // rows handed out by TakeNewRows
};

}  // namespace qda
