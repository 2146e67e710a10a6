#include "simulator/SimController.h"

#include <chrono>
#include <utility>

#include "simulator/SimProtocol.h"
#include "simulator/WaveformModel.h"
#include "simulator/WireText.h"

namespace qda::sim {

namespace {

// A reply header for `code` with room for `dataLength` bytes after byte 8.
std::vector<uint8_t> Reply(uint8_t code, uint8_t status, size_t dataLength = 0) {
    std::vector<uint8_t> r(kReplyHeaderSize + dataLength, 0);
    PutU16(r, 0, static_cast<uint16_t>(r.size()));
    r[2] = kPacketMarker;
    r[3] = static_cast<uint8_t>(code + 1);
    r[4] = status;
    return r;
}

// The packet length each command must carry (the settings write: at least 7).
int ExpectedLength(uint8_t code) {
    switch (code) {
        case CMD_REQUEST_MEASURE_MODE:
        case CMD_REQUEST_SETTING_MODE:
        case CMD_GET_SCALING_VALUES:
        case CMD_STORAGE_CLEAR:
        case CMD_STORAGE_START:
        case CMD_STORAGE_STOP:
        case CMD_GET_STORAGE_STATUS:
        case CMD_CLEAR_STATISTICS:
        case CMD_INITIALIZE_CONTROLLER:
            return 4;
        case CMD_RESET:
        case CMD_STORAGE_READ:
        case CMD_GET_HEAD_INFO:
            return 5;
        case CMD_AUTO_ZERO:
        case CMD_TIMING:
        case CMD_GET_MEASURED_VALUES:
        case CMD_GET_WAVEFORM:
        case CMD_CHECK_SETTING_MODE:
        case CMD_GET_STATISTICS:
            return 6;
        case CMD_WRITE_SETTING:
            return 7;
        case CMD_READ_SETTING:
            return 8;
        default:
            return -1;
    }
}

// Commands the controller takes only while it measures.
bool NeedsMeasuring(uint8_t code) {
    switch (code) {
        case CMD_AUTO_ZERO:
        case CMD_TIMING:
        case CMD_RESET:
        case CMD_GET_MEASURED_VALUES:
        case CMD_GET_WAVEFORM:
        case CMD_STORAGE_CLEAR:
        case CMD_STORAGE_READ:
        case CMD_STORAGE_START:
        case CMD_STORAGE_STOP:
        case CMD_GET_STORAGE_STATUS:
        case CMD_CLEAR_STATISTICS:
        case CMD_GET_STATISTICS:
            return true;
        default:
            return false;
    }
}

}  // namespace

SimClock SteadyClock() {
    return [] {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

SimController::SimController(const Options& options, SimFaults& faults, SimClock clock)
    : faults_(faults), clock_(std::move(clock)), options_(options), measure_(options.seed, clock_()) {
    measure_.SetHeadModel(0, options.headModel[0]);
    measure_.SetHeadModel(1, options.headModel[1]);
    measure_.SetOverRangeShare(options.overRangeShare);
}

void SimController::SetHeadModel(int head, uint8_t code) {
    std::lock_guard lock(mutex_);
    options_.headModel[head & 1] = code;
    measure_.SetHeadModel(head, code);
}

void SimController::SetOverRangeShare(double share) {
    std::lock_guard lock(mutex_);
    options_.overRangeShare = share;
    measure_.SetOverRangeShare(share);
}

void SimController::SetWaveSegments(uint8_t flags) {
    std::lock_guard lock(mutex_);
    options_.waveSegments = flags & 0x0F;
}

void SimController::SetWavePeaks(const std::vector<uint16_t>& peaks) {
    std::lock_guard lock(mutex_);
    options_.wavePeaks = peaks;
    if (options_.wavePeaks.size() > 4) options_.wavePeaks.resize(4);
}

void SimController::SwitchMode(Mode mode) {
    std::lock_guard lock(mutex_);
    const int64_t now = clock_();
    tuning_[0] = tuning_[1] = false;
    if (mode == mode_) return;
    if (mode == Mode::Setting)
        EnterSetting(now);
    else
        EnterMeasuring(now);
}

std::string SimController::Describe() {
    std::lock_guard lock(mutex_);
    const int64_t now = clock_();
    std::string tuning = tuning_[0] && tuning_[1] ? "AB" : tuning_[0] ? "A" : tuning_[1] ? "B" : "-";
    return std::string("mode=") + (mode_ == Mode::Measuring ? "measuring" : "setting") +
           " program=" + std::to_string(settings_.SelectedProgram()) +
           " unit=" + std::to_string(settings_.Unit()) +
           " storing=" + std::to_string(storage_.Storing(now) ? 1 : 0) +
           " count1=" + std::to_string(storage_.Count(0, now)) +
           " count2=" + std::to_string(storage_.Count(1, now)) + " tuning=" + tuning;
}

std::vector<uint8_t> SimController::HandlePacket(std::span<const uint8_t> packet) {
    std::lock_guard lock(mutex_);
    if (packet.size() < 4) return Reply(0, kStatusLengthError);  // too short to name a command
    const uint8_t code = packet[3];
    if (faults_.TakeSilence(code)) return {};
    if (const auto error = faults_.TakeErrorReply(code)) {
        std::vector<uint8_t> r = Reply(code, *error);
        r[3] = kErrorReplyCode;
        return r;
    }
    if (const auto status = faults_.TakeStatus(code)) return Reply(code, *status);
    if (packet[2] != kPacketMarker) return Reply(code, kStatusCommandError);
    const int expected = ExpectedLength(code);
    if (expected < 0) return Reply(code, kStatusCommandError);
    // The length field must describe the packet exactly, and the packet must be the command's size.
    const size_t declared = GetU16(packet, 0);
    const bool sizeOk = code == CMD_WRITE_SETTING ? packet.size() >= 7 : packet.size() == size_t(expected);
    if (declared != packet.size() || !sizeOk) return Reply(code, kStatusLengthError);
    return Dispatch(code, packet, clock_());
}

std::vector<uint8_t> SimController::Dispatch(uint8_t code, std::span<const uint8_t> p, int64_t now) {
    // During ROVA tuning the controller answers only the tuning actions, head information and
    // initialisation; everything else is a state error.
    const bool tuningAction = code == CMD_WRITE_SETTING && p[4] == 0 && (p[6] == 8 || p[6] == 9);
    if (Tuning() && !tuningAction && code != CMD_GET_HEAD_INFO && code != CMD_INITIALIZE_CONTROLLER)
        return Reply(code, kStatusStateError);
    if (NeedsMeasuring(code) && mode_ != Mode::Measuring) return Reply(code, kStatusStateError);

    switch (code) {
        case CMD_REQUEST_MEASURE_MODE:
            if (mode_ == Mode::Measuring) return Reply(code, kStatusStateError);
            EnterMeasuring(now);
            return Reply(code, kStatusOk);
        case CMD_REQUEST_SETTING_MODE:
            if (mode_ == Mode::Setting) return Reply(code, kStatusStateError);
            EnterSetting(now);
            return Reply(code, kStatusOk);
        case CMD_CHECK_SETTING_MODE:
            return Reply(code, mode_ == Mode::Setting ? kStatusOk : kStatusStateError);
        case CMD_WRITE_SETTING:
        case CMD_READ_SETTING:
            if (mode_ != Mode::Setting) return Reply(code, kStatusStateError);
            return Settings(code, p);
        case CMD_GET_SCALING_VALUES: {
            if (mode_ != Mode::Setting) return Reply(code, kStatusStateError);
            std::vector<uint8_t> r = Reply(code, kStatusOk, 20);
            for (int out = 0; out < 2; ++out)
                for (int head = 0; head < 2; ++head)
                    PutI32(r, 12 + 8 * out + 4 * head, measure_.ScalingValue(settings_, out, head, now));
            return r;
        }
        case CMD_AUTO_ZERO:
            if (p[4] > 1 || p[5] > 1) return Reply(code, kStatusCommandError);
            measure_.Advance(settings_, now);
            measure_.SetAutoZero(settings_, p[5], p[4] == 1, now);
            return Reply(code, kStatusOk);
        case CMD_TIMING:
            if (p[4] > 1 || (p[5] > 1 && p[5] != 255)) return Reply(code, kStatusCommandError);
            measure_.Advance(settings_, now);
            for (int out = 0; out < 2; ++out) {
                if (p[5] != out && p[5] != 255) continue;
                measure_.SetTiming(settings_, out, p[4] == 1, now);
                if (p[4] == 1 && (settings_.Env().autoTrans & (1 << out))) QueueAutomaticOutput(out, now);
            }
            return Reply(code, kStatusOk);
        case CMD_RESET:
            if (p[4] > 1) return Reply(code, kStatusCommandError);
            measure_.Advance(settings_, now);
            measure_.ResetHold(p[4]);
            return Reply(code, kStatusOk);
        case CMD_GET_MEASURED_VALUES:
            if (p[4] > 1 && p[4] != 255) return Reply(code, kStatusCommandError);
            return MeasuredValues(p[4], now);
        case CMD_GET_WAVEFORM:
            if (p[4] > 1 || p[5] > 3) return Reply(code, kStatusCommandError);
            {
                std::vector<uint8_t> r =
                    WaveformModel::Reply(settings_, measure_, p[4], p[5], options_.waveSegments,
                                         options_.wavePeaks, options_.seed, now);
                PutU16(r, 0, static_cast<uint16_t>(r.size()));
                r[2] = kPacketMarker;
                r[3] = static_cast<uint8_t>(code + 1);
                return r;
            }
        case CMD_STORAGE_CLEAR:
            if (storage_.Storing(now)) return Reply(code, kStatusStateError);
            storage_.Clear();
            return Reply(code, kStatusOk);
        case CMD_STORAGE_READ:
            if (p[4] > 1) return Reply(code, kStatusCommandError);
            if (storage_.Storing(now)) return Reply(code, kStatusStateError);
            return StorageRead(p[4], now);
        case CMD_STORAGE_START:
            return Reply(code, storage_.Start(settings_, now) ? kStatusOk : kStatusOtherError);
        case CMD_STORAGE_STOP:
            storage_.Stop(now);
            return Reply(code, kStatusOk);
        case CMD_GET_STORAGE_STATUS: {
            std::vector<uint8_t> r = Reply(code, kStatusOk, 12);
            const bool storing = storage_.Storing(now);
            PutU32(r, 8, storage_.Count(0, now));
            PutU32(r, 12, storage_.Count(1, now));
            r[16] = storing ? 1 : 0;
            return r;
        }
        case CMD_CLEAR_STATISTICS:
            measure_.Advance(settings_, now);
            measure_.ClearStatistics();
            return Reply(code, kStatusOk);
        case CMD_GET_STATISTICS:
            if (p[4] > 1) return Reply(code, kStatusCommandError);
            return StatisticsReply(p[4], now);
        case CMD_GET_HEAD_INFO: {
            if (p[4] > 1) return Reply(code, kStatusCommandError);
            std::vector<uint8_t> r = Reply(code, kStatusOk, 4);
            r[8] = p[4];
            r[9] = options_.headModel[p[4]];
            return r;
        }
        case CMD_INITIALIZE_CONTROLLER:
            settings_.ResetAll();
            storage_.Clear();
            tuning_[0] = tuning_[1] = false;
            mode_ = Mode::Measuring;
            measure_.Restart(now);
            faults_.ClearMemoryErrors();
            return Reply(code, kStatusOk);
        default:
            return Reply(code, kStatusCommandError);
    }
}

std::vector<uint8_t> SimController::Settings(uint8_t code, std::span<const uint8_t> p) {
    const uint8_t group = p[4], sub = p[5], item = p[6];
    if (code == CMD_READ_SETTING) {
        std::vector<uint8_t> value;
        const uint8_t status = settings_.Read(group, sub, item, value);
        if (status != kStatusOk) return Reply(code, status);
        std::vector<uint8_t> r = Reply(code, kStatusOk, value.size());
        std::copy(value.begin(), value.end(), r.begin() + kReplyHeaderSize);
        return r;
    }
    if (group == 0 && item >= 7 && item <= 9) return RovaAction(sub, item, p.size() - 7);
    uint8_t result = kWriteStored;
    const uint8_t status = settings_.Write(group, sub, item, p.subspan(7), result);
    if (status != kStatusOk) return Reply(code, status);
    std::vector<uint8_t> r = Reply(code, kStatusOk, 1);
    r[8] = result;
    return r;
}

std::vector<uint8_t> SimController::RovaAction(uint8_t sub, uint8_t item, size_t dataLength) {
    if (dataLength != 0) return Reply(CMD_WRITE_SETTING, kStatusLengthError);
    if (sub > 1 && sub != 255) return Reply(CMD_WRITE_SETTING, kStatusCommandError);
    const bool heads[2] = {sub == 0 || sub == 255, sub == 1 || sub == 255};
    std::vector<uint8_t> r = Reply(CMD_WRITE_SETTING, kStatusOk, 1);
    if (item == 7) {  // start
        if (Tuning()) return Reply(CMD_WRITE_SETTING, kStatusStateError);
        for (int h = 0; h < 2; ++h)
            if (heads[h] && !MeasurementModel::IsHeadConnected(options_.headModel[h])) {
                r[8] = kWriteRefused;  // no head to tune
                return r;
            }
        for (int h = 0; h < 2; ++h) tuning_[h] = heads[h];
        return r;
    }
    bool any = false;
    for (int h = 0; h < 2; ++h) any = any || (heads[h] && tuning_[h]);
    if (!any) return Reply(CMD_WRITE_SETTING, kStatusStateError);  // nothing to finish or cancel
    const int program = settings_.SelectedProgram();
    for (int h = 0; h < 2; ++h) {
        if (!heads[h] || !tuning_[h]) continue;
        tuning_[h] = false;
        if (item == 8) {
            // Finishing fixes the adjustment range the tuning found and switches ROVA to MANUAL.
            HeadValues& hv = settings_.Program(program).head[h];
            const int optimum = 30 + 12 * h + static_cast<int>(Mix64(options_.seed, 0x7A, program) % 11);
            hv.rova = 1;
            hv.rovaLower = optimum - 8;
            hv.rovaUpper = optimum + 8;
        }
    }
    return r;
}

std::vector<uint8_t> SimController::MeasuredValues(uint8_t selection, int64_t now) {
    measure_.Advance(settings_, now);
    std::vector<uint8_t> r = Reply(CMD_GET_MEASURED_VALUES, kStatusOk, 16);
    const int unit = settings_.Unit();
    const int row1 = settings_.Selected().out[0].digits, row2 = settings_.Selected().out[1].digits;
    r[9] = static_cast<uint8_t>((row1 << 4) | row2);
    r[10] = static_cast<uint8_t>((DecimalsOfRow(unit, row1) << 4) | DecimalsOfRow(unit, row2));
    r[11] = static_cast<uint8_t>(unit);
    for (int out = 0; out < 2; ++out) {
        const bool wanted = selection == out || selection == 255;
        const int32_t v = wanted ? measure_.DisplayedOut(settings_, out, now) : kNoValue;
        PutI32(r, 12 + 4 * out, v);
        r[20 + out] = measure_.OutFlags(settings_, out, v);
        r[22 + out] = measure_.HeadFlags(settings_, out, now);
    }
    return r;
}

std::vector<uint8_t> SimController::StatisticsReply(uint8_t out, int64_t now) {
    measure_.Advance(settings_, now);
    const OutStatistics st = measure_.Statistics(out);
    std::vector<uint8_t> r = Reply(CMD_GET_STATISTICS, kStatusOk, 52);
    const int unit = settings_.Unit(), row = settings_.Selected().out[out].digits;
    r[8] = out;
    r[9] = static_cast<uint8_t>(row);
    r[10] = static_cast<uint8_t>(DecimalsOfRow(unit, row));
    r[11] = static_cast<uint8_t>(unit);
    PutI32(r, 16, st.last);
    PutI32(r, 20, static_cast<int32_t>(MeasurementModel::kTickUs));  // statistics sampling period in us
    const int32_t fields[] = {st.average, st.maximum, st.minimum, st.range, st.deviation,
                              st.count,   st.hi,      st.go,      st.lo};
    for (size_t i = 0; i < std::size(fields); ++i) PutI32(r, 24 + 4 * i, fields[i]);
    return r;
}

std::vector<uint8_t> SimController::StorageRead(uint8_t out, int64_t now) {
    const std::vector<int32_t> values = storage_.Values(settings_, measure_, out, now);
    // Only the stored values travel; the reply's length says how many there are.
    // The 16-bit length field of a long readout holds only the low bits of its size; the
    // receiver takes such a reply by the frame's (or the transfer's) length.
    std::vector<uint8_t> r = Reply(CMD_STORAGE_READ, kStatusOk, 8 + 4 * values.size());
    r[8] = static_cast<uint8_t>(settings_.Selected().out[out].digits);
    r[9] = static_cast<uint8_t>(settings_.Unit() == 1 ? 1 : 0);
    PutU32(r, 12, static_cast<uint32_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) PutI32(r, 16 + 4 * i, values[i]);
    return r;
}

std::vector<std::string> SimController::TakeAutomaticOutput() {
    std::lock_guard lock(mutex_);
    return std::exchange(automaticOutput_, {});
}

void SimController::QueueAutomaticOutput(int out, int64_t now) {
    // "N1,"/"N2," + the value in display steps as seven characters + CR LF: 12 bytes.
    const int32_t v = measure_.DisplayedOut(settings_, out, now);
    std::string value;
    if (v == kNoValue)
        value = "-------";
    else if (v == kMeasuredPlusOver)
        value = "+FFFFFF";
    else if (v == kMeasuredMinusOver)
        value = "-FFFFFF";
    else
        value = FormatFixedText(v / settings_.StepSize(out), 6, 0, true);
    if (automaticOutput_.size() >= 16) automaticOutput_.erase(automaticOutput_.begin());
    automaticOutput_.push_back((out == 0 ? "N1," : "N2,") + value + "\r\n");
}

void SimController::EnterMeasuring(int64_t now) {
    settings_.ApplyPendingEnvironment();
    measure_.Restart(now);
    mode_ = Mode::Measuring;
}

void SimController::EnterSetting(int64_t /*now*/) {
    // Settings may change now, so the stored data no longer matches them: storage stops and
    // is cleared.
    storage_.Clear();
    mode_ = Mode::Setting;
}

}  // namespace qda::sim
