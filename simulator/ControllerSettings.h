#pragma once
// The settings a controller keeps: 8 programs (heads A/B, OUT1/OUT2, common), the environment,
// the display unit and the selected program. Values are held the way they travel on the wire:
// enumerations as item indexes, lengths as integer display steps of the OUT's digits row,
// analog voltages in millivolts. Not thread-safe; SimController serialises access.

#include <cstdint>
#include <span>
#include <vector>

namespace qda::sim {

struct HeadValues {
    int32_t rova = 0;  // 0 AUTO, 1 MANUAL
    int32_t rovaUpper = 99;
    int32_t rovaLower = 1;
    int32_t msrMode = 0;
    int32_t installMode = 0;
    int32_t alarmCnt = 8;
    int32_t alarmLv = 4;
};

struct OutValues {  // every length in display steps of `digits`
    int32_t calc = 0;
    int32_t calcWave = 0;
    int32_t scale[2][4] = {};  // [head A/B][in1, out1, in2, out2]
    int32_t filterType = 0;
    int32_t filterAverage = 4;
    int32_t filterCutoff = 2;
    int32_t msrMode = 0;
    int32_t trigger = 0;
    int32_t offset = 0;
    int32_t digits = 2;
    int32_t aScaleIn1 = 0;
    int32_t aScaleOut1mV = 10000;
    int32_t aScaleIn2 = 0;
    int32_t aScaleOut2mV = -10000;
    int32_t anaThrough = 0;
    int32_t toleUpper = 0;
    int32_t toleLower = 0;
    int32_t toleHys = 0;
};

struct CommonValues {
    int32_t sampRate = 3;
    int32_t antiItfrnc = 0;
    int32_t syncTim = 0;
    int32_t outStyle = 0;
    int32_t strobeTime = 0;
    int32_t dsOut = 0;
    int32_t dsPoints = 65536;
    int32_t dsFreq = 4;
};

struct EnvValues {
    int32_t baudrate = 0;
    int32_t parity = 2;
    int32_t autoTrans = 0;
    int32_t prgChange = 0;
    int32_t panelLock = 0;
    int32_t eco = 0;
};

struct ProgramValues {
    HeadValues head[2];
    OutValues out[2];
    CommonValues common;
};

// Reply byte 8 of a write.
enum : uint8_t { kWriteStored = 0, kWriteRefused = 1, kWriteUnchanged = 2 };

class ControllerSettings {
public:
    ControllerSettings();

    // Factory state: every program, the environment, unit 0 and program 0.
    void ResetAll();
    // Every program to its defaults for the given unit (lengths converted to that unit's steps).
    void ResetPrograms(int unit);

    // Reads the value at a setting address into `value` (replaced). Returns the status byte.
    uint8_t Read(uint8_t group, uint8_t sub, uint8_t item, std::vector<uint8_t>& value) const;
    // Writes a value. Returns the status byte; on status 0 `result` is reply byte 8
    // (kWriteStored, kWriteRefused for a value out of range, kWriteUnchanged).
    uint8_t Write(uint8_t group, uint8_t sub, uint8_t item, std::span<const uint8_t> data, uint8_t& result);

    // The program-switching setting takes effect when the controller returns to measuring mode.
    void ApplyPendingEnvironment() { effectivePrgChange_ = env_.prgChange; }

    const ProgramValues& Program(int p) const { return programs_[p]; }
    ProgramValues& Program(int p) { return programs_[p]; }
    const ProgramValues& Selected() const { return programs_[selected_]; }
    int SelectedProgram() const { return selected_; }
    int Unit() const { return unit_; }
    const EnvValues& Env() const { return env_; }
    // Internal length units per display step of an OUT of the selected program.
    int64_t StepSize(int out) const;

private:
    uint8_t WriteHead(HeadValues& h, uint8_t item, std::span<const uint8_t> data, uint8_t& result);
    uint8_t WriteOut(OutValues& o, uint8_t item, std::span<const uint8_t> data, uint8_t& result);
    uint8_t WriteCommon(CommonValues& c, uint8_t item, std::span<const uint8_t> data, uint8_t& result);
    uint8_t WriteEnv(uint8_t item, std::span<const uint8_t> data, uint8_t& result);
    uint8_t ReadOut(const OutValues& o, uint8_t item, std::vector<uint8_t>& value) const;

    ProgramValues programs_[8];
    EnvValues env_;
    int unit_ = 0;
    int selected_ = 0;
    int effectivePrgChange_ = 0;
};

}  // namespace qda::sim
