// The readout of 2 x 65,536 stored values through the data storage window's own path: the
// readout selection (both OUTs into データ1 and データ2), the worker reading while the progress
// dialog CLoadStorage runs, the values shown in the chart; against qd-atlas-sim paced at 115200
// baud over a pseudo-terminal. Prints the time from the operator's choice to the values in the
// slots and to the progress dialog's close, each as a ratio to the wire time of every frame
// exchanged meanwhile (bytes x 10 / 115200), the measure the transfer bench gives the CLI's path.
//
//   QT_QPA_PLATFORM=offscreen build/main/bench/storage_readout_bench
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "comm/Command.h"
#include "pages/PageSupport.h"
#include "settings/RegistryState.h"
#include "settings/SettingsDefaults.h"
#include "storage/DataStorage.h"
#include "storage/LoadStorage.h"
#include "storage/LoadStorageSelect.h"
#include "support/ByteCounter.h"
#include "support/ScriptedMessageBackend.h"
#include "support/SimProcess.h"

namespace {

constexpr double kBaud = 115200.0;
constexpr int kValues = 65536;

using Clock = std::chrono::steady_clock;

// Writes one setting of the common settings group (the controller must be in setting mode).
bool Write(CCommand& cmd, int item, const std::string& data) {
    qda::CommandReply r;
    return cmd.SendSetCommandAndReceivePacket(2, 0, item, reinterpret_cast<const uint8_t*>(data.data()),
                                              static_cast<int>(data.size()), r) &&
           r.status == 0;
}

// Both OUTs stored every 20 us until 65,536 values, then the storage stopped.
bool StoreBothOuts(CCommand& cmd) {
    qda::CommandReply r;
    if (!cmd.SetControllerMode(1) || !Write(cmd, 0, std::string(1, '\0')) ||  // sampling every 20 us
        !Write(cmd, 7, std::string(1, '\0')) ||                               // store every sample
        !Write(cmd, 5, std::string(1, '\3')) ||                               // OUT1 and OUT2
        !Write(cmd, 6, "65536") || !cmd.SetControllerMode(0))
        return false;
    if (!cmd.StorageStart(r) || r.status != 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));  // 65,536 x 20 us is 1.3 s
    return cmd.StorageStop(r) && r.status == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qda::test::SimProcess sim({"--pace-baud", "115200"});
    if (!sim.ok()) {
        std::fprintf(stderr, "qd-atlas-sim did not start (set QDA_BIN_DIR)\n");
        return 1;
    }
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scope(messages);
    qda::MemoryRegistryStore store;
    qda::SetRegistryStore(&store);
    g_bRetryAvailable = false;

    CCommand cmd;
    qda::SerialLine line;
    line.baud = 115200;
    line.devicePath = sim.SlavePath();
    if (!cmd.OpenPort(line) || !StoreBothOuts(cmd)) {
        std::fprintf(stderr, "the simulator's storage could not be filled\n");
        return 1;
    }
    cmd.ClosePort();

    qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
    SettingsBlock block = qda::DefaultBlock();
    block.PcComm.CommType = qda::kCommRs232c;
    block.PcComm.PortNo = 0;
    block.PcComm.Baudrate = 4;  // 115200
    CDataStorage window(block, 0, nullptr, 0, &cmd);
    window.show();
    const auto opened = Clock::now();
    while (!window.StatusLine().contains(QString::fromUtf8("停止中")) &&
           Clock::now() - opened < std::chrono::seconds(10))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!window.StatusLine().contains(QString::fromUtf8("停止中"))) {
        std::fprintf(stderr, "the window does not see the stopped controller\n");
        return 1;
    }

    qda::test::ByteCounter counter;
    qda::SetDumpSink(&counter);
    Clock::time_point chosen, filled;
    bool progressShown = false;
    // The operator's answer: both OUTs, OUT1 into データ1 and OUT2 into データ2; then the time the
    // values land in the slots, checked every few milliseconds while the progress dialog runs.
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [&, poll] {
        QWidget* top = QApplication::activeModalWidget();
        if (auto* select = qobject_cast<CLoadStorageSelect*>(top)) {
            qda::Control<QComboBox>(select, CLoadStorageSelect::IDC_OUT_CHOICE)->setCurrentIndex(2);
            qda::Control<QComboBox>(select, CLoadStorageSelect::IDC_OUT1_SLOT)->setCurrentIndex(0);
            qda::Control<QComboBox>(select, CLoadStorageSelect::IDC_OUT2_SLOT)->setCurrentIndex(1);
            counter.Take();
            chosen = Clock::now();
            qda::Control<QPushButton>(select, CLoadStorageSelect::IDC_READ)->click();
        } else if (qobject_cast<CLoadStorage*>(top) != nullptr) {
            progressShown = true;
        }
        if (chosen != Clock::time_point() && window.Slot(1).Count() == kValues) {
            filled = Clock::now();
            return;
        }
        QTimer::singleShot(chosen == Clock::time_point() ? 10 : 2, *poll);
    };
    QTimer::singleShot(0, *poll);
    window.OnReadout();
    const auto closed = Clock::now();
    const long long bytes = counter.Take();
    qda::SetDumpSink(nullptr);
    if (filled == Clock::time_point()) filled = closed;

    const double wire = qda::test::WireSeconds(bytes, kBaud);
    const double toSlots = std::chrono::duration<double>(filled - chosen).count();
    const double toClose = std::chrono::duration<double>(closed - chosen).count();
    std::printf("slots %d and %d values, progress dialog %s\n", window.Slot(0).Count(),
                window.Slot(1).Count(), progressShown ? "shown" : "not shown");
    std::printf("wire time of %lld frame bytes at 115200 baud: %.3f s\n", bytes, wire);
    std::printf("choice -> values in the slots:       %.3f s, ratio %.4f\n", toSlots, toSlots / wire);
    std::printf("choice -> progress dialog closed:    %.3f s, ratio %.4f (target <= 1.03)\n", toClose,
                toClose / wire);
    for (const auto& m : messages.Shown()) std::printf("message shown: %s\n", m.text.c_str());
    window.OnClose();
    qda::SetRegistryStore(nullptr);
    return window.Slot(0).Count() == kValues && window.Slot(1).Count() == kValues ? 0 : 1;
}
