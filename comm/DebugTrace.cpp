#include "comm/DebugTrace.h"

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace qda {

namespace {

bool TraceFromEnvironment() {
    const char* v = std::getenv("QDA_TRACE");
    return v != nullptr && v[0] != '\0' && std::strcmp(v, "0") != 0;
}

std::atomic<bool>& TraceFlag() {
    static std::atomic<bool> flag{TraceFromEnvironment()};
    return flag;
}

std::mutex& TraceLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

void SetDebugTraceEnabled(bool enabled) {
    TraceFlag().store(enabled);
}

bool IsDebugTraceEnabled() {
    return TraceFlag().load();
}

void DebugTrace(const char* file, int line, const char* format, ...) {
    if (!IsDebugTraceEnabled()) return;
    char text[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    // The trace texts carry Windows line ends; one line per call is written here.
    std::string body(text);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();

    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&t, &local);
    const char* slash = std::strrchr(file, '/');
    const char* base = slash ? slash + 1 : file;

    std::lock_guard<std::mutex> guard(TraceLock());
    std::printf("%02d:%02d:%02d:%03d : %20s:%04d %s\n", local.tm_hour, local.tm_min, local.tm_sec, ms, base,
                line, body.c_str());
    std::fflush(stdout);
}

}  // namespace qda
