#pragma once
// The logging hook of the command layer: while a dump sink is registered, every block handed to
// the transport is logged as "Send data" and every reply taken from the receive queue as
// "Recevie data" (the caption the dump window has always shown).
#include <cstdint>

namespace qda {

constexpr const char* kDumpCaptionSend = "Send data";
constexpr const char* kDumpCaptionReceive = "Recevie data";

class IDumpSink {
public:
    virtual ~IDumpSink() = default;
    // Records one block; called on the exchanging thread.
    virtual void Log(const char* caption, const uint8_t* bytes, int length) = 0;
};

// Registers the program-wide dump sink (nullptr: nothing is logged). Constructing the
// communication object clears the registration. Returns once no thread is logging into the sink
// it replaced, so that sink may then be destroyed; a sink must not register from inside Log.
void SetDumpSink(IDumpSink* sink);
IDumpSink* GetDumpSink();
// Clears the registration if `sink` is the one registered (a dump window going away), waiting as
// SetDumpSink does; false when another sink (or none) is registered.
bool ClearDumpSink(IDumpSink* sink);

// Logs through the registered sink, if any (any thread).
void DumpLog(const char* caption, const uint8_t* bytes, int length);

}  // namespace qda
