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
// communication object clears the registration.
void SetDumpSink(IDumpSink* sink);
IDumpSink* GetDumpSink();

// Logs through the registered sink, if any.
void DumpLog(const char* caption, const uint8_t* bytes, int length);

}  // namespace qda
