// The cost of the USB road: a short command's round trip and a 262,164-byte storage readout,
// (a) through libVantorUsbDrv.so -> Unix socket -> the driver host -> simulated bus, and
// (b) directly on the simulated bus (the driver core's exchange, no library, socket or host).
// After the runs it prints (a) against (b): the latency ratio and the throughput share.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "simulator/UsbBusLink.h"
#include "usbdriver/VantorUsbDevice.h"
#include "usbdriver/host/DriverHost.h"
#include "usbdriver/host/SimBusBackend.h"
#include "usbdriver/host/SocketServer.h"
#include "usblib/VantorUsbDrv.h"

namespace {

constexpr size_t kStorageReplySize = 262164;  // header, count and 65,536 values
constexpr uint32_t kReplyBuffer = 1048576;
const std::vector<uint8_t> kShortCommand = {0x00, 0x04, 0x07, 42};       // storage status
const std::vector<uint8_t> kStorageCommand = {0x00, 0x05, 0x07, 36, 0};  // storage readout of OUT1

// The simulated controller of the benchmark: a full storage readout, or a short status reply.
std::vector<uint8_t> Answer(std::span<const uint8_t> packet) {
    if (packet.size() >= 4 && packet[3] == 36) {
        std::vector<uint8_t> reply(kStorageReplySize, 0x11);
        reply[3] = 37;
        reply[4] = 0;
        return reply;
    }
    return {0x00, 0x08, 0x07, 43, 0x00, 0x00, 0x00, 0x00};
}

class ArrivalSink : public qda::IPnpSink {
public:
    void DeviceArrived(std::shared_ptr<IKernelServices> device) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_device = std::move(device);
        m_cv.notify_all();
    }
    void DeviceLeft(IKernelServices*) override {}
    std::shared_ptr<IKernelServices> Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::seconds(5), [this] { return m_device != nullptr; });
        return m_device;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::shared_ptr<IKernelServices> m_device;
};

// Two simulated devices (one per bus connection), the direct driver over one, the driver host
// with its socket over the other.
struct Rig {
    Rig() {
        char dir[] = "/tmp/vusb-bench-XXXXXX";
        directory = ::mkdtemp(dir);
        ::setenv("VANTORUSB_SOCKET_DIR", directory.c_str(), 1);
        std::string error;
        for (int i = 0; i < 2; ++i) {
            devices[i] = std::make_unique<qda::sim::UsbBusLink>(
                &Answer,
                qda::sim::UsbBusLink::Options{directory + "/sim" + std::to_string(i) + ".sock", false});
            if (!devices[i]->Open(error)) std::abort();
            devices[i]->Start();
        }
        directBus = std::make_unique<qda::CSimBusBackend>(directory + "/sim0.sock");
        directBus->Start(sink);
        pdo = sink.Wait();
        direct = CVantorUsbDevice::AddDevice(*pdo);
        Irp start;
        start.majorFunction = IRP_MJ_PNP;
        start.minorFunction = IRP_MN_START_DEVICE;
        direct->Dispatch(start);

        hostBus = std::make_unique<qda::CSimBusBackend>(directory + "/sim1.sock");
        hostBus->Start(host);
        server = std::make_unique<qda::CSocketServer>(host, policy);
        if (!server->Listen(directory, "VantorUSB_U-0", error)) std::abort();
        serverThread = std::thread([this] { server->Run(); });
        while (!host.HasDevice()) std::this_thread::sleep_for(std::chrono::milliseconds(5));

        sVANTORUSBTYPEPARAM entry{};
        entry.m_typeId = 10;
        std::strcpy(entry.m_name, "VantorUSB_U-0");
        InitVantorUsbTypeParam(&entry, 1);
        InitUsb(sUSBPARAM{0}, "VantorUSB_U-0");
    }
    ~Rig() {
        server->Stop();
        serverThread.join();
        server.reset();
        host.Shutdown();
        hostBus->Stop();
        Irp remove;
        remove.majorFunction = IRP_MJ_PNP;
        remove.minorFunction = IRP_MN_REMOVE_DEVICE;
        direct->Dispatch(remove);
        directBus->Stop();
        for (auto& d : devices) d->Stop();
        ::rmdir(directory.c_str());
    }

    std::string directory;
    std::unique_ptr<qda::sim::UsbBusLink> devices[2];
    ArrivalSink sink;
    std::unique_ptr<qda::CSimBusBackend> directBus;
    std::shared_ptr<IKernelServices> pdo;
    std::unique_ptr<CVantorUsbDevice> direct;
    qda::CDriverHost host;
    std::unique_ptr<qda::CSimBusBackend> hostBus;
    qda::CPeerPolicy policy;
    std::unique_ptr<qda::CSocketServer> server;
    std::thread serverThread;
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

void Direct(benchmark::State& state, const std::vector<uint8_t>& command, size_t expected) {
    Rig& rig = TheRig();
    for (auto _ : state) {
        Irp irp;
        irp.majorFunction = IRP_MJ_DEVICE_CONTROL;
        irp.ioControlCode = IOCTL_VANTORUSB_EXCHANGE;
        irp.input = command;
        irp.outputLength = kReplyBuffer;
        if (rig.direct->Dispatch(irp) != STATUS_SUCCESS || irp.information != expected) {
            state.SkipWithError("direct exchange failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * expected));
}

void ThroughLibrary(benchmark::State& state, const std::vector<uint8_t>& command, size_t expected,
                    int accessType) {
    Rig& rig = TheRig();
    (void)rig;
    SetUsbType(accessType);
    InitPid(sUSBPARAM{0}, 10);
    std::vector<uint8_t> reply(kReplyBuffer);
    for (auto _ : state) {
        uint32_t length = kReplyBuffer;
        if (VantorUsbPtrIoPtr(command.data(), static_cast<uint32_t>(command.size()), reply.data(), &length) ==
                0 ||
            length != expected) {
            state.SkipWithError("library exchange failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * expected));
}

void BM_ShortDirect(benchmark::State& s) {
    Direct(s, kShortCommand, 8);
}
void BM_ShortThroughHost(benchmark::State& s) {
    ThroughLibrary(s, kShortCommand, 8, 0);
}
void BM_ShortThroughHostAutomatic(benchmark::State& s) {
    ThroughLibrary(s, kShortCommand, 8, 2);
}
void BM_StorageDirect(benchmark::State& s) {
    Direct(s, kStorageCommand, kStorageReplySize);
}
void BM_StorageThroughHost(benchmark::State& s) {
    ThroughLibrary(s, kStorageCommand, kStorageReplySize, 0);
}
BENCHMARK(BM_ShortDirect)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ShortThroughHost)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ShortThroughHostAutomatic)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_StorageDirect)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_StorageThroughHost)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Keeps each benchmark's time per iteration for the comparison printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    // Per-iteration real time in microseconds; with repetitions, the median.
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") times[name] = run.GetAdjustedRealTime();
            } else if (run.iterations > 0 && !medians.count(name)) {
                times[name] = run.GetAdjustedRealTime();
            }
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") medians.insert(name);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::set<std::string> medians;
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.times;
    if (t.count("BM_ShortDirect") && t.count("BM_ShortThroughHost"))
        std::printf("short command round trip: %.1f us through the host, %.1f us direct (%.2fx)\n",
                    t["BM_ShortThroughHost"], t["BM_ShortDirect"],
                    t["BM_ShortThroughHost"] / t["BM_ShortDirect"]);
    if (t.count("BM_StorageDirect") && t.count("BM_StorageThroughHost"))
        std::printf("storage readout throughput through the host: %.0f %% of direct (target >= 80 %%)\n",
                    100.0 * t["BM_StorageDirect"] / t["BM_StorageThroughHost"]);
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
