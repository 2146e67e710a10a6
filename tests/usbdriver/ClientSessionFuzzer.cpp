// Feeds arbitrary bytes, in arbitrary pieces, to the driver host's client session (the decoder of
// everything a client may send) over a driver gate that answers like a present device.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "usbdriver/host/ClientSession.h"

namespace {

class FuzzGate : public qda::IDeviceGate {
public:
    NTSTATUS OpenDevice(std::shared_ptr<qda::HostedDevice>& device) override {
        device = std::make_shared<qda::HostedDevice>();
        return STATUS_SUCCESS;
    }
    void CloseDevice(const std::shared_ptr<qda::HostedDevice>&) override {}
    void DeviceControl(const std::shared_ptr<qda::HostedDevice>&, Irp& irp) override {
        // Echo as much of the input as the output holds, as an exchange would.
        irp.output.assign(irp.input.begin(),
                          irp.input.begin() + std::min<size_t>(irp.input.size(), irp.outputLength));
        irp.information = static_cast<uint32_t>(irp.output.size());
        irp.status =
            irp.ioControlCode == IOCTL_VANTORUSB_EXCHANGE ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FuzzGate gate;
    qda::CDeviceReservations reservations;
    qda::CClientSession session(gate, reservations, 1);
    qda::COutputQueue out;
    // The first byte chooses the piece size, so message boundaries fall anywhere.
    const size_t piece = 1 + data[0] % 64;
    size_t pos = 1;
    // Requests run as the host runs them: handed out, completed, then the next is decoded.
    auto runRequests = [&] {
        qda::PendingRequest request;
        while (session.TakeRequest(request)) {
            gate.DeviceControl(request.device, request.irp);
            if (!session.Complete(request.irp, out)) return false;
        }
        return true;
    };
    while (pos < size) {
        const size_t n = std::min(piece, size - pos);
        if (!session.Receive(data + pos, n, out) || !runRequests()) break;
        pos += n;
    }
    return 0;
}
