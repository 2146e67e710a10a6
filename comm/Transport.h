#pragma once
// The link under the command layer: a byte pipe with a send queue, a receive queue and one
// worker thread that reports events through a callback. CCOMPORT (RS-232C) implements it; the
// USB port implements the same interface. See comm/README.md.
#include <cstdint>

#include "comm/LinkFailure.h"
#include "comm/LinkParams.h"

namespace qda {

// Event types a transport reports (first callback argument).
enum TransportEventType : int {
    kEventDataArrived = 0,      // bytes were appended to the receive queue (USB: a whole reply)
    kEventTxEmpty = 3,          // everything queued for sending has left the port
    kEventResponseTimeout = 4,  // the armed response timer ran out with nothing received
    kEventPortError = 5,        // a read, write or transfer failed
};

// Called on the transport's worker thread with the event type and the owner's user value.
using TransportCallback = void (*)(int eventType, void* user);

class ITransport {
public:
    virtual ~ITransport() = default;

    // Link kind: serial or USB (the command layer frames and parses by kind).
    virtual LinkKind Kind() const = 0;
    // Appends bytes to the send queue and wakes the worker; false (nothing queued) when they do
    // not fit or the worker has ended.
    virtual bool Send(const uint8_t* bytes, int length) = 0;
    // Consuming read of the receive queue; true when at least one byte was copied.
    virtual bool ReadQueued(uint8_t* destination, int length, int* count) = 0;
    // Look-ahead read of the receive queue; true when at least one byte was copied.
    virtual bool PeekQueued(uint8_t* destination, int length, int* count) = 0;
    // Bytes in the receive queue now.
    virtual int ReceiveQueueCount() const = 0;
    // Empties both queues (not the device's own buffers).
    virtual void ClearQueues() = 0;
    // Clears the device's error state; true on success (links without one return true).
    virtual bool ClearError() = 0;
    // Starts / stops the response timer (links without one ignore these).
    virtual void ArmResponseTimer(int milliseconds) = 0;
    virtual void DisarmResponseTimer() = 0;
    // Keeps the controller for this program across several exchanges (a whole transfer), so that
    // no other program's command lands between them; Release gives it back. Calls nest. False
    // (Failure() says why) when another program holds it. A serial line needs nothing more: it is
    // opened exclusively, so no other program reaches the controller while it is open.
    virtual bool Reserve() { return true; }
    virtual void Release() {}
    // Stops the worker and releases the device and the queues; no callback runs afterwards.
    virtual void Close() = 0;
    // Why the link failed to open or to reach the device, when it knows (default: unknown).
    virtual LinkFailure Failure() const { return {}; }
};

}  // namespace qda
