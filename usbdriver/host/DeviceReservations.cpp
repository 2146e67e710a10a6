#include "usbdriver/host/DeviceReservations.h"

#include <algorithm>

namespace qda {

namespace {
bool Same(const std::weak_ptr<HostedDevice>& a, const std::shared_ptr<HostedDevice>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}
}  // namespace

CDeviceReservations::Entry* CDeviceReservations::Find(const std::shared_ptr<HostedDevice>& device) {
    for (Entry& e : m_entries)
        if (Same(e.device, device)) return &e;
    return nullptr;
}

const CDeviceReservations::Entry* CDeviceReservations::Find(
    const std::shared_ptr<HostedDevice>& device) const {
    for (const Entry& e : m_entries)
        if (Same(e.device, device)) return &e;
    return nullptr;
}

void CDeviceReservations::Prune() {
    // A device that has left the bus takes its reservation with it.
    std::erase_if(m_entries, [](const Entry& e) { return e.sessions.empty() || e.device.expired(); });
}

NTSTATUS CDeviceReservations::Reserve(const std::shared_ptr<HostedDevice>& device, const void* session,
                                      pid_t pid, pid_t& holder) {
    holder = 0;
    if (!device) return STATUS_NO_SUCH_DEVICE;
    Prune();
    Entry* e = Find(device);
    if (e == nullptr) {
        m_entries.push_back(Entry{device, pid, {}});
        e = &m_entries.back();
    } else if (e->pid != pid) {
        holder = e->pid;
        return STATUS_DEVICE_BUSY;
    }
    e->sessions.push_back(session);
    return STATUS_SUCCESS;
}

void CDeviceReservations::Release(const std::shared_ptr<HostedDevice>& device, const void* session) {
    if (Entry* e = Find(device)) {
        const auto it = std::find(e->sessions.begin(), e->sessions.end(), session);
        if (it != e->sessions.end()) e->sessions.erase(it);
    }
    Prune();
}

void CDeviceReservations::ReleaseAll(const void* session) {
    for (Entry& e : m_entries) std::erase(e.sessions, session);
    Prune();
}

bool CDeviceReservations::HeldByOther(const std::shared_ptr<HostedDevice>& device, pid_t pid,
                                      pid_t& holder) const {
    holder = 0;
    const Entry* e = Find(device);
    if (e == nullptr || e->sessions.empty() || e->device.expired() || e->pid == pid) return false;
    holder = e->pid;
    return true;
}

}  // namespace qda
