#include "comm/DumpSink.h"

#include <mutex>
#include <shared_mutex>

namespace qda {

namespace {
// Logging holds the registration shared for the whole call, so that once SetDumpSink has
// replaced a sink no thread is still inside it and its owner may destroy it.
std::shared_mutex g_dumpRegistration;
IDumpSink* g_pDumpSink = nullptr;
}  // namespace

void SetDumpSink(IDumpSink* sink) {
    std::unique_lock<std::shared_mutex> guard(g_dumpRegistration);
    g_pDumpSink = sink;
}

bool ClearDumpSink(IDumpSink* sink) {
    std::unique_lock<std::shared_mutex> guard(g_dumpRegistration);
    if (g_pDumpSink != sink) return false;
    g_pDumpSink = nullptr;
    return true;
}

IDumpSink* GetDumpSink() {
    std::shared_lock<std::shared_mutex> guard(g_dumpRegistration);
    return g_pDumpSink;
}

void DumpLog(const char* caption, const uint8_t* bytes, int length) {
    std::shared_lock<std::shared_mutex> guard(g_dumpRegistration);
    if (g_pDumpSink != nullptr) g_pDumpSink->Log(caption, bytes, length);
}

}  // namespace qda
