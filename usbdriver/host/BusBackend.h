#pragma once
// How a bus reports devices to the driver host: arrival hands over the physical device (the
// bus's IKernelServices for it), departure names it again. The backend owns the bus; the sink
// only queues the news, so the backend's event thread is never blocked by driver work.
#include <memory>

#include "usbdriver/KernelServices.h"

namespace qda {

class IPnpSink {
public:
    virtual ~IPnpSink() = default;
    virtual void DeviceArrived(std::shared_ptr<IKernelServices> device) = 0;
    virtual void DeviceLeft(IKernelServices* device) = 0;
};

class IBusBackend {
public:
    virtual ~IBusBackend() = default;
    // Starts watching the bus; reports present and later devices to `sink`. False when the bus
    // cannot be used (the reason is printed).
    virtual bool Start(IPnpSink& sink) = 0;
    // Stops watching; no report follows.
    virtual void Stop() = 0;
};

}  // namespace qda
