#pragma once
// The debug trace of the transports and the settings transfer: lines
// "hh:mm:ss:mmm : <source file>:<line> <text>" on standard output. Nothing depends on it and the
// user never sees it; it is written only while tracing is switched on (environment QDA_TRACE=1, or
// SetDebugTraceEnabled).

namespace qda {

// Writes one trace line for `file`:`line` with the printf-style text, when tracing is on.
void DebugTrace(const char* file, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Switches tracing on or off for the process (the default comes from QDA_TRACE).
void SetDebugTraceEnabled(bool enabled);
// True while trace lines are written.
bool IsDebugTraceEnabled();

}  // namespace qda

#define QDA_TRACE(...) ::qda::DebugTrace(__FILE__, __LINE__, __VA_ARGS__)
