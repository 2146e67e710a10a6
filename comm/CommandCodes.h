#pragma once
// Command codes of the controller, reply capacities and status codes.
#include <array>
#include <cstdint>

constexpr int CMD_REQUEST_MEASURE_MODE = 4;
constexpr int CMD_REQUEST_SETTING_MODE = 6;
constexpr int CMD_WRITE_SETTING = 8;
constexpr int CMD_READ_SETTING = 10;
constexpr int CMD_AUTO_ZERO = 12;
constexpr int CMD_TIMING = 14;
constexpr int CMD_RESET = 16;
constexpr int CMD_GET_MEASURED_VALUES = 20;
constexpr int CMD_GET_SCALING_VALUES = 22;
constexpr int CMD_GET_WAVEFORM = 24;
constexpr int CMD_CHECK_SETTING_MODE = 26;
constexpr int CMD_STORAGE_CLEAR = 34;
constexpr int CMD_STORAGE_READ = 36;
constexpr int CMD_STORAGE_START = 38;
constexpr int CMD_STORAGE_STOP = 40;
constexpr int CMD_GET_STORAGE_STATUS = 42;
constexpr int CMD_CLEAR_STATISTICS = 44;
constexpr int CMD_GET_STATISTICS = 46;
constexpr int CMD_GET_HEAD_INFO = 52;
constexpr int CMD_INITIALIZE_CONTROLLER = 66;

// Reply code of an error reply; byte 4 then carries the controller's error code.
constexpr int REPLY_CODE_ERROR = 0xFF;

namespace qda {

// Reply capacity of every command but the storage readout.
constexpr int kReplyCapacity = 1046;
// Reply capacity of CMD_STORAGE_READ: header, count and 65,536 values.
constexpr int kStorageReplyCapacity = 262164;
constexpr int kStorageMaxValues = 65536;

using ReplyBuffer = std::array<uint8_t, kReplyCapacity>;
using StorageReplyBuffer = std::array<uint8_t, kStorageReplyCapacity>;

// Controller status codes (reply byte 4).
enum ControllerStatus : int {
    kStatusOk = 0,
    kStatusCommandError = 1,
    kStatusLengthError = 2,
    kStatusTimeoutError = 3,
    kStatusChecksumError = 4,
    kStatusStateError = 5,  // the controller is not in the mode the command needs
    kStatusOtherError = 6,
};

}  // namespace qda
