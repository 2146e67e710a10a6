#include "simulator/UsbBusDevice.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qda::sim {

std::vector<uint8_t> UsbBusDevice::DeviceDescriptor() {
    return {18, 1, 0x00, 0x02, 0xFF, 0x00, 0x00, kPacketSize, 0x09, 0x12, 0x0A, 0x00, 0x00, 0x01, 1, 2, 0, 1};
}

std::vector<uint8_t> UsbBusDevice::ConfigurationDescriptor() {
    return {9,    2,           32,
            0,    1,           1,
            0,    0x80,        50,  // one configuration, bus powered
            9,    4,           0,
            0,    2,           0xFF,
            0x00, 0x00,        0,  // interface 0, vendor class, 2 endpoints
            7,    5,           kInEndpoint,
            0x02, kPacketSize, 0,
            0,  // bulk IN
            7,    5,           kOutEndpoint,
            0x02, kPacketSize, 0,
            0};  // bulk OUT
}

void UsbBusDevice::Reset() {
    lengthBytes_.clear();
    expected_ = 0;
    collecting_ = false;
    commandLength_ = 0;
    command_.clear();
    reply_.clear();
    replyOffset_ = 0;
    zeroLengthPending_ = false;
}

uint32_t UsbBusDevice::Out(std::span<const uint8_t> data) {
    size_t pos = 0;
    while (pos < data.size()) {
        if (!collecting_) {
            // A command begins with its length.
            const size_t take = std::min<size_t>(4 - lengthBytes_.size(), data.size() - pos);
            lengthBytes_.insert(lengthBytes_.end(), data.begin() + pos, data.begin() + pos + take);
            pos += take;
            if (lengthBytes_.size() < 4) break;
            commandLength_ = lengthBytes_[0] | (lengthBytes_[1] << 8) | (lengthBytes_[2] << 16) |
                             (static_cast<uint32_t>(lengthBytes_[3]) << 24);
            lengthBytes_.clear();
            if (commandLength_ > kMaxCommand) continue;  // garbage: wait for the next length
            expected_ = (commandLength_ + kPacketSize - 1) / kPacketSize * kPacketSize;
            command_.clear();
            collecting_ = true;
        }
        const size_t take = std::min<size_t>(expected_, data.size() - pos);
        command_.insert(command_.end(), data.begin() + pos, data.begin() + pos + take);
        pos += take;
        expected_ -= static_cast<uint32_t>(take);
        if (expected_ > 0) break;
        // All blocks are in: the padding goes, the command goes to the controller.
        collecting_ = false;
        command_.resize(commandLength_);
        if (replyDelayMs_ != 0) std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs_));
        // A new command replaces whatever of an older reply was never read.
        reply_ = handler_(command_);
        replyOffset_ = 0;
        zeroLengthPending_ = false;
    }
    return static_cast<uint32_t>(data.size());
}

bool UsbBusDevice::In(uint32_t maxLength, std::vector<uint8_t>& data) {
    data.clear();
    if (replyOffset_ < reply_.size()) {
        size_t n = std::min<size_t>(maxLength, reply_.size() - replyOffset_);
        if (pieceSize_ != 0) n = std::min<size_t>(n, pieceSize_);
        data.assign(reply_.begin() + replyOffset_, reply_.begin() + replyOffset_ + n);
        replyOffset_ += n;
        if (replyOffset_ == reply_.size()) {
            zeroLengthPending_ = true;
            reply_.clear();
            replyOffset_ = 0;
        }
        return true;
    }
    if (zeroLengthPending_) {
        zeroLengthPending_ = false;
        return true;  // the zero-length packet that ends a reply
    }
    return false;
}

}  // namespace qda::sim
