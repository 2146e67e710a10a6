#pragma once
// Which process has reserved a device for a whole transfer (a settings receive or send, a storage
// readout, ROVA tuning). The host serves single exchanges one after the other anyway; this keeps
// another program's exchanges from landing between those of one transfer. A reservation belongs
// to the sessions that asked for it, all of one process: it ends when the last of them releases it
// or goes away, so a program that is killed cannot keep the controller.
#include <sys/types.h>

#include <memory>
#include <vector>

#include "usbwire/NtStatus.h"

namespace qda {

struct HostedDevice;

class CDeviceReservations {
public:
    // Grants `device` to `session` of process `pid` when nobody else's process holds it (a process
    // that holds it already may reserve it again from any of its sessions). STATUS_DEVICE_BUSY
    // with `holder` set otherwise.
    NTSTATUS Reserve(const std::shared_ptr<HostedDevice>& device, const void* session, pid_t pid,
                     pid_t& holder);
    // Takes back what `session` reserved on `device` (nothing when it reserved nothing).
    void Release(const std::shared_ptr<HostedDevice>& device, const void* session);
    // Takes back everything `session` reserved (it is ending).
    void ReleaseAll(const void* session);
    // True when a process other than `pid` holds `device`; `holder` is that process.
    bool HeldByOther(const std::shared_ptr<HostedDevice>& device, pid_t pid, pid_t& holder) const;

private:
    struct Entry {
        std::weak_ptr<HostedDevice> device;
        pid_t pid = 0;
        std::vector<const void*> sessions;  // one element per Reserve not yet released
    };
    Entry* Find(const std::shared_ptr<HostedDevice>& device);
    const Entry* Find(const std::shared_ptr<HostedDevice>& device) const;
    void Prune();

    std::vector<Entry> m_entries;
};

}  // namespace qda
