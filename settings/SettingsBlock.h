#pragma once
// The one plain record of all settings: 8 programs (head A/B, OUT1/2, common), the controller's
// environment, the PC's communication settings and a few settings of the tool's own windows.
//
// Every record is a plain aggregate copied and compared byte for byte (copy buffer, change
// detection against the reference copy), so every byte of every record belongs to a named
// member: the alignment gaps before the doubles are explicit members that stay 0. A block that is
// value-initialised (`SettingsBlock b{};`) or zero-filled therefore compares equal to another one
// with the same settings.
#include <cstddef>
#include <cstdint>
#include <cstring>

// Settings of one sensor head (32 bytes).
struct HeadSetting {
    int32_t HdMsrMode;               // 0 標準 .. 4 多重反射体
    int32_t Rova;                    // 0 AUTO, 1 MANUAL
    int32_t RovaLower;               // 1..99
    int32_t RovaUpper;               // 1..99
    int32_t InstallMode;             // 0 拡散反射, 1 正反射
    int32_t IsRunBeforeSendSetting;  // PC-side: send the PC's settings before ROVA tuning
    int32_t AlarmCnt;                // 0..999 (999: alarm processing off)
    int32_t AlarmLv;                 // 0..9
};

// Settings of one output (120 bytes). Length fields are in internal units of the block's Unit:
// 0.01 um (Unit 0) or 0.1 uinch (Unit 1).
struct OutSetting {
    int32_t Calc;           // 0 head A .. 5 head B transparent body
    int32_t CalcWave;       // measured surface 0..9
    int32_t OutMsrMode;     // hold mode 0..5
    int32_t Trigger;        // 0..1
    int32_t FilterType;     // 0 moving average, 1 low-pass, 2 high-pass
    int32_t FilterAverage;  // 0..9 (1 .. 262144 times)
    int32_t FilterCutoff;   // 0..8 (1000 Hz .. 0.1 Hz)
    int32_t ToleUpper;      // length
    int32_t ToleLower;      // length
    int32_t ToleHys;        // length
    int32_t ScaleAIn1;      // length
    int32_t ScaleAOut1;     // length
    int32_t ScaleAIn2;      // length
    int32_t ScaleAOut2;     // length
    int32_t ScaleBIn1;      // length
    int32_t ScaleBOut1;     // length
    int32_t ScaleBIn2;      // length
    int32_t ScaleBOut2;     // length
    int32_t Offset;         // length
    int32_t Reserved;       // closes the scaling slice (bytes 40-79); never edited, sent or stored
    int32_t DispDigitMm;    // unit-table row 0..5 when Unit is 0
    int32_t DispDigitInch;  // unit-table row 0..5 when Unit is 1
    int32_t AnaThrough;     // 0 OFF, 1 ON
    int32_t AScaleIn1;      // length
    double AScaleOut1;      // volts, -10.5..10.5
    int32_t AScaleIn2;      // length
    int32_t AlignGap;       // alignment of AScaleOut2; always 0
    double AScaleOut2;      // volts, -10.5..10.5
};

// Settings shared by both outputs of one program (32 bytes).
struct CommonSetting {
    int32_t SampRate;    // 0 20us .. 5 1ms
    int32_t AntiItfrnc;  // 0..1
    int32_t SyncTim;     // 0..1
    int32_t StrobeTime;  // 0..3
    int32_t OutStyle;    // 0..2
    int32_t DSOut;       // 0 OFF, 1 OUT1, 2 OUT2, 3 both
    int32_t DSPoints;    // 1..65536
    int32_t DSFreq;      // 0..9 (x1 .. x1000 of the sampling period)
};

// One setting program of the controller.
struct ProgramSetting {
    HeadSetting HeadA;
    HeadSetting HeadB;
    OutSetting Out1;
    OutSetting Out2;
    CommonSetting Common;
    int32_t ListWord;  // settings list page only; never transferred, filed or kept in the registry
    int32_t AlignGap;  // pads the record to the alignment of its doubles; always 0
};

// The controller's environment, one per controller (not per program).
struct EnvironmentSetting {
    int32_t Baudrate;   // 0 9600 .. 4 115200
    int32_t Parity;     // 0 EVEN, 1 ODD, 2 NONE
    int32_t AutoTrans;  // 0..3
    int32_t Eco;        // 0..2
    int32_t PanelLock;  // 0..1
    int32_t PrgChange;  // 0 panel, 1 terminal
    int32_t Unit;       // 0 mm(um), 1 inch(mil)
};

// How the PC reaches the controller.
struct PcCommSetting {
    int32_t CommType;  // 0 USB, 1 RS-232C
    int32_t PortNo;    // 0..8 for COM1..COM9
    int32_t Baudrate;  // as EnvironmentSetting::Baudrate
    int32_t Parity;    // as EnvironmentSetting::Parity
};

// Waveform window of one head.
struct WaveViewSetting {
    char HeadLetter;   // 'A' or 'B' (NUL after a reset)
    char AlignGap[3];  // always 0
    int32_t InitialXScale;
};

// Measured value window flags.
struct CalcViewSetting {
    int32_t IsOut1;
    int32_t IsOut2;
    int32_t IsDisplayResult;
};

// One graph of the data storage window.
struct StorageGraphSetting {
    int32_t IsEnable;
    uint32_t Color;  // 0x00BBGGRR
    int32_t Offset;
    char GraphName[20];  // NUL-terminated, at most 16 single-byte characters
};

struct SettingsBlock {
    ProgramSetting Programs[8];
    EnvironmentSetting Environment;
    PcCommSetting PcComm;
    WaveViewSetting WaveView[2];  // head A, head B
    CalcViewSetting CalcView;
    StorageGraphSetting StorageGraph[4];  // graph 1..4
};

// The pages and the transfer hand these records around as raw byte slices; their sizes and the
// slice boundaries of the OUT record are fixed.
static_assert(sizeof(HeadSetting) == 32);
static_assert(sizeof(OutSetting) == 120);
static_assert(sizeof(CommonSetting) == 32);
static_assert(sizeof(EnvironmentSetting) == 28);
static_assert(sizeof(PcCommSetting) == 16);
static_assert(sizeof(WaveViewSetting) == 8);
static_assert(sizeof(CalcViewSetting) == 12);
static_assert(sizeof(StorageGraphSetting) == 32);
static_assert(offsetof(OutSetting, OutMsrMode) == 8);    // hold/trigger/filter/tolerance slice 8-39
static_assert(offsetof(OutSetting, ScaleAIn1) == 40);    // scaling and offset slice 40-79
static_assert(offsetof(OutSetting, DispDigitMm) == 80);  // display and analog slice 80-119
static_assert(offsetof(OutSetting, AScaleOut1) == 96);
static_assert(offsetof(OutSetting, AScaleOut2) == 112);
static_assert(offsetof(ProgramSetting, Out1) == 64);
static_assert(offsetof(ProgramSetting, Common) == 304);
static_assert(sizeof(ProgramSetting) == 344);
static_assert(sizeof(SettingsBlock) == 8 * 344 + 28 + 16 + 2 * 8 + 12 + 4 * 32);

namespace qda {

constexpr int kProgramCount = 8;  // programs 0..7
constexpr int kStorageGraphCount = 4;
constexpr int kGraphNameSize = 20;
constexpr int kGraphNameMaxChars = 16;

// Environment.Unit: unit family of every length in the block.
constexpr int kUnitMetric = 0;    // internal unit 0.01 um; 1 mm = 100000
constexpr int kUnitImperial = 1;  // internal unit 0.1 uinch; 1 inch = 10000000, 1 mil = 10000
constexpr int kUnitPlain = 2;     // numbers without a length unit (never an Environment.Unit)

// Display-digit rows 0..5 are valid; row 6 stands for an invalid index.
constexpr int kDigitRowCount = 6;
constexpr int kInvalidDigitRow = 6;

// OutSetting::Calc
enum CalcMethod {
    kCalcHeadA = 0,
    kCalcHeadB,
    kCalcSum,
    kCalcDiff,
    kCalcHeadATransparent,
    kCalcHeadBTransparent
};
// OutSetting::FilterType
enum FilterKind { kFilterMovingAverage = 0, kFilterLowPass, kFilterHighPass };
// PcCommSetting::CommType
enum CommKind { kCommUsb = 0, kCommRs232c = 1 };
// HeadSetting::Rova
enum RovaMode { kRovaAuto = 0, kRovaManual = 1 };

// Value-set sizes (valid indexes are 0..count-1).
constexpr int kHdMsrModeCount = 5;
constexpr int kCalcCount = 6;
constexpr int kCalcWaveCount = 10;
constexpr int kOutMsrModeCount = 6;
constexpr int kTriggerCount = 2;
constexpr int kFilterTypeCount = 3;
constexpr int kFilterAverageCount = 10;
constexpr int kFilterCutoffCount = 9;
constexpr int kSampRateCount = 6;
constexpr int kStrobeTimeCount = 4;
constexpr int kOutStyleCount = 3;
constexpr int kDSOutCount = 4;
constexpr int kDSFreqCount = 10;
constexpr int kDSPointsMax = 65536;
constexpr int kBaudrateCount = 5;
constexpr int kParityCount = 3;
constexpr int kAutoTransCount = 4;
constexpr int kEcoCount = 3;
constexpr int kPortCount = 9;

// True when the two blocks are equal byte for byte: "modified" means the current block differs
// from its reference copy in this sense.
inline bool IsSameBlock(const SettingsBlock& a, const SettingsBlock& b) {
    return std::memcmp(&a, &b, sizeof(SettingsBlock)) == 0;
}

}  // namespace qda
