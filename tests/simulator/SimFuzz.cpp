// Any bytes on the line: the frame reader and the controller must neither crash nor grow.
#include <cstddef>
#include <cstdint>

#include "simulator/SerialFrameParser.h"
#include "simulator/SimController.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qda::sim::SimFaults faults;
    static int64_t now = 0;
    static qda::sim::SimController sim({}, faults, [] { return now += 1000; });
    // The bytes as a bare packet (the USB path) ...
    sim.HandlePacket(std::span<const uint8_t>(data, size));
    // ... and as a serial stream.
    qda::sim::SerialFrameParser parser;
    parser.Feed(std::span<const uint8_t>(data, size));
    std::vector<uint8_t> packet;
    for (int i = 0; i < 64; ++i) {
        const auto r = parser.Next(packet);
        if (r == qda::sim::SerialFrameParser::Result::None) break;
        if (r == qda::sim::SerialFrameParser::Result::Packet) sim.HandlePacket(packet);
    }
    return 0;
}
