#include "usbdriver/host/DriverHost.h"

#include <cstdio>

namespace qda {

CDriverHost::CDriverHost(std::chrono::milliseconds retryInterval) : m_retryInterval(retryInterval) {
    m_thread = std::thread([this] { PnpLoop(); });
}

CDriverHost::~CDriverHost() {
    Shutdown();
}

void CDriverHost::DeviceArrived(std::shared_ptr<IKernelServices> device) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back({true, std::move(device), nullptr});
    m_cv.notify_all();
}

void CDriverHost::DeviceLeft(IKernelServices* device) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back({false, nullptr, device});
    m_cv.notify_all();
}

void CDriverHost::PnpLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_busyDevice && !m_stop) {
            m_cv.wait_until(lock, m_nextRetry, [this] { return m_stop || !m_events.empty(); });
            if (m_events.empty() && !m_stop) {
                m_busy = true;
                lock.unlock();
                RetryBusy();
                lock.lock();
                m_busy = false;
                m_cv.notify_all();
                continue;
            }
        } else {
            m_cv.wait(lock, [this] { return m_stop || !m_events.empty(); });
        }
        if (m_events.empty()) break;
        PnpEvent event = std::move(m_events.front());
        m_events.pop_front();
        m_busy = true;
        lock.unlock();
        if (event.arrival) {
            Arrive(event.device);
        } else {
            Leave(event.left);
        }
        lock.lock();
        m_busy = false;
        m_cv.notify_all();
    }
}

void CDriverHost::RetryBusy() {
    std::shared_ptr<IKernelServices> pdo;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pdo = std::move(m_busyDevice);
        m_busyDevice.reset();
    }
    if (pdo) Arrive(pdo);
}

NTSTATUS CDriverHost::Arrive(const std::shared_ptr<IKernelServices>& pdo) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_current || (m_busyDevice && m_busyDevice != pdo)) {
            std::fprintf(stderr, "vantorusbd: a second controller waits until the first one leaves\n");
            m_waiting.push_back(pdo);
            return STATUS_SUCCESS;
        }
    }
    auto hosted = std::make_shared<HostedDevice>();
    hosted->pdo = pdo;
    NTSTATUS status = STATUS_SUCCESS;
    hosted->fdo = CVantorUsbDevice::AddDevice(*pdo, &status);
    if (!hosted->fdo) {
        std::fprintf(stderr, "vantorusbd: AddDevice failed: %s\n", NtStatusName(status));
        return status;
    }
    Irp start;
    start.majorFunction = IRP_MJ_PNP;
    start.minorFunction = IRP_MN_START_DEVICE;
    if (!NT_SUCCESS(hosted->fdo->Dispatch(start))) {
        const NTSTATUS status = start.status;
        Irp remove;
        remove.majorFunction = IRP_MJ_PNP;
        remove.minorFunction = IRP_MN_REMOVE_DEVICE;
        hosted->fdo->Dispatch(remove);
        if (status == STATUS_DEVICE_BUSY) {
            // Someone else has the device (the library's pipe-device access of a program that
            // found no host, for one). It is ours once they let go: try again until then.
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_reportedBusy) {
                std::fprintf(stderr,
                             "vantorusbd: the controller is claimed by another program; waiting for it "
                             "(trying again every %lld ms)\n",
                             static_cast<long long>(m_retryInterval.count()));
                m_reportedBusy = true;
            }
            m_busyDevice = pdo;
            m_nextRetry = std::chrono::steady_clock::now() + m_retryInterval;
            return status;
        }
        std::fprintf(stderr, "vantorusbd: the controller could not be started: %s\n", NtStatusName(status));
        return status;
    }
    std::fprintf(stderr, "vantorusbd: controller attached as %s\n",
                 CVantorUsbDevice::SymbolicLinkName().c_str());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reportedBusy = false;
    m_current = std::move(hosted);
    return STATUS_SUCCESS;
}

void CDriverHost::Leave(IKernelServices* pdo) {
    std::shared_ptr<HostedDevice> gone;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            if (it->get() == pdo) {
                m_waiting.erase(it);
                return;
            }
        }
        if (m_busyDevice && (!pdo || m_busyDevice.get() == pdo)) {
            // The device it waited for has gone; a waiting one may take its place.
            m_busyDevice.reset();
            m_reportedBusy = false;
            if (!pdo || m_waiting.empty() || m_stop) return;
            std::shared_ptr<IKernelServices> next = m_waiting.front();
            m_waiting.pop_front();
            m_events.push_front({true, std::move(next), nullptr});
            return;
        }
        if (!m_current || (pdo && m_current->pdo.get() != pdo)) return;
        // New opens fail from here on; clients that have it open keep their reference.
        gone = std::move(m_current);
        m_current.reset();
    }
    Irp surprise;
    surprise.majorFunction = IRP_MJ_PNP;
    surprise.minorFunction = IRP_MN_SURPRISE_REMOVAL;
    gone->fdo->Dispatch(surprise);
    Irp remove;
    remove.majorFunction = IRP_MJ_PNP;
    remove.minorFunction = IRP_MN_REMOVE_DEVICE;
    gone->fdo->Dispatch(remove);  // returns once no request is in the driver any more
    std::fprintf(stderr, "vantorusbd: controller removed\n");

    std::shared_ptr<IKernelServices> next;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_waiting.empty() && !m_stop) {
            next = m_waiting.front();
            m_waiting.pop_front();
        }
    }
    if (next) Arrive(next);
}

NTSTATUS CDriverHost::OpenDevice(std::shared_ptr<HostedDevice>& device) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        device = m_current;
    }
    if (!device) return STATUS_NO_SUCH_DEVICE;
    Irp create;
    create.majorFunction = IRP_MJ_CREATE;
    const NTSTATUS status = device->fdo->Dispatch(create);
    if (!NT_SUCCESS(status)) device.reset();
    return status;
}

void CDriverHost::CloseDevice(const std::shared_ptr<HostedDevice>& device) {
    if (!device) return;
    Irp close;
    close.majorFunction = IRP_MJ_CLOSE;
    device->fdo->Dispatch(close);
    // With nobody left on it the device may rest in its idle power state.
    device->fdo->RequestIdleIfUnused();
}

void CDriverHost::DeviceControl(const std::shared_ptr<HostedDevice>& device, Irp& irp) {
    if (!device) {
        irp.status = STATUS_NO_SUCH_DEVICE;
        irp.information = 0;
        irp.output.clear();
        return;
    }
    device->fdo->Dispatch(irp);
}

bool CDriverHost::HasDevice() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_current != nullptr;
}

void CDriverHost::WaitPnpIdle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return m_events.empty() && !m_busy; });
}

void CDriverHost::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_thread.joinable()) return;
        m_waiting.clear();
        m_busyDevice.reset();
        m_events.push_back({false, nullptr, nullptr});  // removes the present device
        m_stop = true;
        m_cv.notify_all();
    }
    m_thread.join();
}

}  // namespace qda
