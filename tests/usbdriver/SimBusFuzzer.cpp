// Feeds arbitrary bytes, in arbitrary pieces, to the simulated bus's message reader of both sides
// and to the body decoders, as a misbehaving simulator or host would send them.
#include <cstddef>
#include <cstdint>

#include "usbdriver/SimBusWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 97;
    for (auto side : {qda::simbus::Side::Host, qda::simbus::Side::Device}) {
        qda::simbus::CSimBusReader reader(side);
        size_t pos = 1;
        while (pos < size) {
            const uint8_t* p = data + pos;
            size_t n = std::min(piece, size - pos);
            pos += n;
            bool failed = false;
            while (n > 0) {
                qda::simbus::Message message;
                const auto result = reader.Feed(p, n, message);
                if (result == qda::simbus::CSimBusReader::Result::Error) {
                    failed = true;
                    break;
                }
                if (result != qda::simbus::CSimBusReader::Result::Message) continue;
                std::vector<uint8_t> a, b;
                qda::simbus::TransferRequest request;
                qda::simbus::TransferResult transfer;
                uint32_t version;
                int32_t status;
                uint8_t endpoint;
                qda::simbus::DecodeHello(message.body, version);
                qda::simbus::DecodeHelloReply(message.body, version, status);
                qda::simbus::DecodeAttach(message.body, a, b);
                qda::simbus::DecodeTransfer(message.body, request);
                qda::simbus::DecodeTransferDone(message.body, transfer);
                qda::simbus::DecodeAbort(message.body, endpoint);
            }
            if (failed) break;
        }
    }
    return 0;
}
