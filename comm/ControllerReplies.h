#pragma once
// The controller's replies as typed values. Every command's reply is decoded here, and only here,
// from the bytes the controller sent (multi-byte fields big-endian), with its length and field
// checks; nothing above the command layer reads a reply at a byte offset.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qda {

// Status of a reply that has not come (the exchange failed before the controller answered).
constexpr int kNoStatus = -1;

// Outcome of decoding one reply.
enum class ReplyCheck {
    kOk,        // status 0 and every field the command carries is there
    kStatus,    // the controller answered with a non-zero status; no fields were read
    kTooShort,  // the reply ends before the fields the command carries
    kBadField,  // a field is out of its range (a storage count above 65,536)
};

// What every reply carries: whether the controller answered the command at all (the exchange
// completed with the expected reply code) and the status it gave (reply byte 4).
struct ReplyHeader {
    bool answered = false;
    int status = kNoStatus;
    int length = 0;  // bytes of the reply packet (0 when none came)
    bool StatusOk() const { return answered && status == 0; }
};

// A command whose reply carries nothing but its status.
struct CommandReply : ReplyHeader {};

// How one measured value is to be shown: the unit table row the controller names, its decimal
// places and the unit code (0 metric, 1 inch; anything else makes the value unusable).
struct ValueFormat {
    int rowHint = 0;
    int decimals = 0;
    int unitCode = -1;
    bool UnitValid() const { return unitCode == 0 || unitCode == 1; }
};

// The flag byte of one OUT in a measured-value reply.
struct OutFlags {
    uint8_t raw = 0;
    bool AutoZero() const { return (raw & 0x80) != 0; }  // also lights the zero lamp
    bool Hi() const { return (raw & 0x48) != 0; }        // bit 6 or bit 3
    bool Go() const { return (raw & 0x24) != 0; }        // bit 5 or bit 2
    bool Lo() const { return (raw & 0x12) != 0; }        // bit 4 or bit 1
    bool Timing() const { return (raw & 0x01) != 0; }    // timing input on
    // The value is drawn in the normal style only when GO alone is set among bits 4 to 6.
    bool NormalStyle() const { return (raw & 0x70) == 0x20; }
};

// The flag byte of one head in a measured-value reply.
struct HeadFlags {
    uint8_t raw = 0;
    enum Colour { kGreen = 0, kYellow = 1, kRed = 2, kDark = 3 };
    Colour StateColour() const { return static_cast<Colour>(raw & 0x03); }
    bool SecondLamp() const { return (raw & 0x10) != 0; }
    bool ThirdLamp() const { return (raw & 0x08) != 0; }
    // Bit 7 (head A's byte for OUT1, head B's for OUT2) tells how timing is given: set, the
    // controller takes a pulse (on then off); clear together with timing off, it holds the input.
    bool PulsedTiming() const { return (raw & 0x80) != 0; }
};

// CMD_GET_MEASURED_VALUES.
struct MeasuredValues : ReplyHeader {
    std::array<ValueFormat, 2> format{};  // OUT1, OUT2 (byte 9/10 nibbles, byte 11)
    std::array<int32_t, 2> value{};       // OUT1, OUT2
    std::array<OutFlags, 2> out{};        // OUT1, OUT2
    std::array<HeadFlags, 2> head{};      // head A, head B
};

// CMD_GET_STATISTICS for one OUT: eleven 32-bit fields, of which the last nine are shown.
struct Statistics : ReplyHeader {
    enum Row { kAverage, kMaximum, kMinimum, kRange, kDeviation, kCount, kHiCount, kGoCount, kLoCount };
    static constexpr int kRows = 9;
    ValueFormat format{};
    std::array<int32_t, 11> field{};  // reply offsets 16, 20, ... 56
    // The value of a shown row: rows 0-4 are measured values, rows 5-8 counts.
    int32_t RowValue(int row) const { return field[static_cast<size_t>(row) + 2]; }
    static bool IsMeasuredRow(int row) { return row < kCount; }
};

// CMD_GET_WAVEFORM: the received-light profile of one head.
struct WaveReply : ReplyHeader {
    static constexpr int kSamples = 1024;
    int segmentFlags = 0;            // bits 0-3, each standing for 256 samples
    int sampleCount = 0;             // as the controller gives it
    std::array<uint16_t, 4> peak{};  // light-peak positions (sample index; 0 = no peak)
    std::array<uint8_t, kSamples> sample{};
    // The samples that count: the controller's number, never more than the buffer holds.
    int ValidSamples() const { return sampleCount < kSamples ? sampleCount : kSamples; }
};

// CMD_GET_STORAGE_STATUS.
struct StorageStatus : ReplyHeader {
    std::array<int32_t, 2> count{};  // stored values of OUT1, OUT2
    bool storing = false;
};

// CMD_STORAGE_READ for one OUT.
struct StorageReadout : ReplyHeader {
    int formatIndex = 0;          // format index of the unit system below
    bool inch = false;            // unit flag 1: inch, otherwise metric
    int32_t count = 0;            // values stored; 0 or less: none
    std::vector<int32_t> values;  // `count` values (none when count <= 0)
};

// CMD_GET_SCALING_VALUES: the live value of each head as each OUT sees it.
struct ScalingValues : ReplyHeader {
    std::array<std::array<int32_t, 2>, 2> value{};  // [OUT][head]
};

// CMD_GET_HEAD_INFO.
struct HeadInfo : ReplyHeader {
    int modelCode = 0x0F;
};

// CMD_READ_SETTING: the value bytes of one setting address.
struct SettingValue : ReplyHeader {
    std::vector<uint8_t> bytes;
    std::string Text() const { return std::string(bytes.begin(), bytes.end()); }
    // The bytes as the text view the setting wire forms read (valid while the value lives).
    std::string_view Data() const {
        return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
};

// The controller's state as GetControllerState finds it.
struct ControllerState {
    bool storing = false;
    int mode = 2;                    // 0 measuring, 1 setting, 2 unknown
    std::array<int32_t, 2> count{};  // stored values of OUT1, OUT2
};

// Decoders: `reply` is the whole reply packet as it came (header included). Each sets the
// status and, with status 0, every field; fields stay as they were otherwise.
ReplyCheck DecodeStatus(std::span<const uint8_t> reply, ReplyHeader& out);
ReplyCheck DecodeMeasuredValues(std::span<const uint8_t> reply, MeasuredValues& out);
ReplyCheck DecodeStatistics(std::span<const uint8_t> reply, Statistics& out);
ReplyCheck DecodeWaveform(std::span<const uint8_t> reply, WaveReply& out);
ReplyCheck DecodeStorageStatus(std::span<const uint8_t> reply, StorageStatus& out);
ReplyCheck DecodeStorageReadout(std::span<const uint8_t> reply, StorageReadout& out);
ReplyCheck DecodeScalingValues(std::span<const uint8_t> reply, ScalingValues& out);
ReplyCheck DecodeHeadInfo(std::span<const uint8_t> reply, HeadInfo& out);
ReplyCheck DecodeSettingValue(std::span<const uint8_t> reply, SettingValue& out);
// A settings write counts only with status 0 and reply byte 8 of 0 or 2 (2 is also "accepted").
ReplyCheck DecodeSettingWrite(std::span<const uint8_t> reply, CommandReply& out);

}  // namespace qda
