#pragma once
// Counts every frame byte the command layer sends and takes from the line (installed as the dump
// sink), for benches that compare a time with the wire time of the frames exchanged.
#include <atomic>

#include "comm/DumpSink.h"

namespace qda::test {

class ByteCounter : public qda::IDumpSink {
public:
    void Log(const char*, const uint8_t*, int length) override { m_bytes += length; }
    // Bytes since the last call.
    long long Take() { return m_bytes.exchange(0); }

private:
    std::atomic<long long> m_bytes{0};
};

// Seconds the bytes take on the line: ten bit times per byte (start, eight data bits, stop).
inline double WireSeconds(long long bytes, double baud) {
    return static_cast<double>(bytes) * 10.0 / baud;
}

}  // namespace qda::test
