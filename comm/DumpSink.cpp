#include "comm/DumpSink.h"

#include <atomic>

namespace qda {

namespace {
std::atomic<IDumpSink*> g_pDumpSink{nullptr};
}

void SetDumpSink(IDumpSink* sink) {
    g_pDumpSink.store(sink);
}

IDumpSink* GetDumpSink() {
    return g_pDumpSink.load();
}

void DumpLog(const char* caption, const uint8_t* bytes, int length) {
    if (IDumpSink* sink = g_pDumpSink.load()) sink->Log(caption, bytes, length);
}

}  // namespace qda
