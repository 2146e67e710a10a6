#pragma once
// The controller stand-in: its state (measuring or setting mode, ROVA tuning, settings of the
// 8 programs and the environment, data storage, statistics) and its answer to each command
// packet. Transport-independent: a serial link or a USB bus hands in one bare command packet
// (length, 0x07, command code, parameters) and sends back the bare reply packet.
// Thread-safe: every entry point takes the controller's lock.

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "simulator/ControllerSettings.h"
#include "simulator/MeasurementModel.h"
#include "simulator/SimFaults.h"
#include "simulator/StorageModel.h"

namespace qda::sim {

// Microseconds of a monotonic clock; tests pass a hand-driven one.
using SimClock = std::function<int64_t()>;
SimClock SteadyClock();

class SimController {
public:
    enum class Mode { Measuring, Setting };

    struct Options {
        uint64_t seed = 1;
        uint8_t headModel[2] = {0x00, 0x21};  // QD-R17 on head A, QD-R31 on head B
        uint8_t waveSegments = 0x0F;          // 4 x 256 samples
        std::vector<uint16_t> wavePeaks;      // fixed light-peak positions; empty: they drift
        double overRangeShare = 0;            // share of 10 ms ticks a head reads out of range
    };

    SimController(const Options& options, SimFaults& faults, SimClock clock = SteadyClock());

    // Answers one bare command packet. Returns the bare reply packet, or an empty vector when the
    // controller stays silent (a silence fault).
    std::vector<uint8_t> HandlePacket(std::span<const uint8_t> packet);

    // Run-time changes from the control channel.
    void SetHeadModel(int head, uint8_t code);
    void SetOverRangeShare(double share);
    void SetWaveSegments(uint8_t flags);
    // Fixes the waveform's light peaks at these sample positions (at most 4); empty: the peaks
    // follow the head's distance again.
    void SetWavePeaks(const std::vector<uint16_t>& peaks);
    // Switches the mode as the controller's own panel would (setting mode: polls are refused with
    // status 5 until measuring mode returns). ROVA tuning is ended as by a cancel.
    void SwitchMode(Mode mode);
    // Messages the controller sends on its RS-232C line by itself: with automatic output
    // (environment 3,0,2) on, each timing input ON sends "N1," or "N2," with the OUT's value.
    // The serial link takes and sends them; at most 16 wait.
    std::vector<std::string> TakeAutomaticOutput();

    // One line describing the state ("mode=measuring program=0 storing=0 count1=0 count2=0 tuning=-").
    std::string Describe();

    SimFaults& Faults() { return faults_; }

private:
    std::vector<uint8_t> Dispatch(uint8_t code, std::span<const uint8_t> p, int64_t now);
    std::vector<uint8_t> Settings(uint8_t code, std::span<const uint8_t> p);
    std::vector<uint8_t> RovaAction(uint8_t sub, uint8_t item, size_t dataLength);
    std::vector<uint8_t> MeasuredValues(uint8_t selection, int64_t now);
    std::vector<uint8_t> StatisticsReply(uint8_t out, int64_t now);
    std::vector<uint8_t> StorageRead(uint8_t out, int64_t now);
    void QueueAutomaticOutput(int out, int64_t now);
    void EnterMeasuring(int64_t now);
    void EnterSetting(int64_t now);
    bool Tuning() const { return tuning_[0] || tuning_[1]; }

    std::mutex mutex_;
    SimFaults& faults_;
    SimClock clock_;
    Options options_;
    ControllerSettings settings_;
    MeasurementModel measure_;
    StorageModel storage_;
    Mode mode_ = Mode::Measuring;
    bool tuning_[2] = {false, false};
    std::vector<std::string> automaticOutput_;
};

}  // namespace qda::sim
