#include "settings/RegistryState.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "settings/SettingsDefaults.h"
#include "settings/Validation.h"

namespace qda {

namespace {

std::atomic<IRegistryStore*> g_store{nullptr};

std::string Key(const std::string& subkey, const std::string& name) {
    return subkey + '\n' + name;
}

std::vector<uint8_t> Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

// The names of the values of one record, written and read in the same order.
class BlockWalker {
public:
    BlockWalker(IRegistryStore& store, bool write) : m_store(store), m_write(write) {}
    bool ok = true;

    void Int(const std::string& subkey, const char* name, int32_t& field, int defaultValue) {
        if (m_write) {
            ok = RegWriteInt(m_store, subkey, name, field) && ok;
        } else {
            field = RegReadInt(m_store, subkey, name, defaultValue);
        }
    }
    void Double(const std::string& subkey, const char* name, double& field, double defaultValue) {
        if (m_write) {
            ok = RegWriteDouble(m_store, subkey, name, field) && ok;
        } else {
            field = RegReadDouble(m_store, subkey, name, defaultValue);
        }
    }
    void Text(const std::string& subkey, const char* name, char* field, size_t fieldSize, size_t readSize,
              const char* defaultValue) {
        if (m_write) {
            // A name that fills its field without a NUL is written up to the field's end.
            const std::string text(field, strnlen(field, fieldSize));
            ok = RegWriteString(m_store, subkey, name, text.c_str()) && ok;
        } else {
            char buffer[64] = {};
            RegReadString(m_store, subkey, name, defaultValue, buffer, std::min(readSize, sizeof buffer));
            std::memset(field, 0, fieldSize);
            std::memcpy(field, buffer, std::min(std::strlen(buffer), fieldSize - 1));
        }
    }

    void Environment(EnvironmentSetting& e) {
        const std::string k = "ENVIRONMENT";
        Int(k, "BAUDRATE", e.Baudrate, 0);
        Int(k, "PARITY", e.Parity, 2);
        Int(k, "AUTOTRANSRATE", e.AutoTrans, 0);
        Int(k, "POWERSAVE", e.Eco, 0);
        Int(k, "PANELLOCK", e.PanelLock, 0);
        Int(k, "PROGRAMCHANGE", e.PrgChange, 0);
        Int(k, "UNIT", e.Unit, 0);
    }

    void Head(const std::string& k, HeadSetting& h) {
        Int(k, "MEASUREMODE", h.HdMsrMode, 0);
        Int(k, "ROVA", h.Rova, 0);
        Int(k, "ROVAMIN", h.RovaLower, 1);
        Int(k, "ROVAMAX", h.RovaUpper, 99);
        Int(k, "INSTALLMODE", h.InstallMode, 0);
        Int(k, "ISRUN_BEFORE_SENDSETTING", h.IsRunBeforeSendSetting, 1);
        Int(k, "NUMALARM", h.AlarmCnt, 8);
        Int(k, "ALARMLEVEL", h.AlarmLv, 4);
    }

    // False when `unit` has no value names for the unit-dependent values.
    bool Out(const std::string& k, OutSetting& o, int unit) {
        Int(k, "LOADDATAMEASUREMODE", o.Calc, 0);
        Int(k, "WAVEMEASUREMODE", o.CalcWave, 0);
        Int(k, "HEADINPUTVALUE_A_1", o.ScaleAIn1, 0);
        Int(k, "HEADINPUTVALUE_A_2", o.ScaleAIn2, 100000);
        Int(k, "HEADINPUTVALUE_B_1", o.ScaleBIn1, 0);
        Int(k, "HEADINPUTVALUE_B_2", o.ScaleBIn2, 100000);
        bool unitOk = true;
        if (unit == kUnitMetric || unit == kUnitImperial) {
            const std::string f = unit == kUnitMetric ? "UM" : "INCH";
            Int(k, ("HEADDISPLAYVALUE_" + f + "_A_1").c_str(), o.ScaleAOut1, 0);
            Int(k, ("HEADDISPLAYVALUE_" + f + "_A_2").c_str(), o.ScaleAOut2, 100000);
            Int(k, ("HEADDISPLAYVALUE_" + f + "_B_1").c_str(), o.ScaleBOut1, 0);
            Int(k, ("HEADDISPLAYVALUE_" + f + "_B_2").c_str(), o.ScaleBOut2, 100000);
            // Written and read as 4-byte integers, the form of the field itself.
            Int(k, ("HEADDISPLAY_DETAILES_VALUE1_" + f).c_str(), o.AScaleIn1, 100000);
            Int(k, ("HEADDISPLAY_DETAILES_VALUE2_" + f).c_str(), o.AScaleIn2, -100000);
        } else {
            unitOk = false;
        }
        Double(k, "OUTPUTVALUE1", o.AScaleOut1, 10.0);
        Double(k, "OUTPUTVALUE2", o.AScaleOut2, -10.0);
        Int(k, "FILTERTYPE", o.FilterType, 0);
        Int(k, "FILTERAVERAGE", o.FilterAverage, 4);
        Int(k, "FILTERCUTOFFFREQUENCY", o.FilterCutoff, 2);
        Int(k, "OUTVALCDATAMEASUREMODE", o.OutMsrMode, 0);
        Int(k, "EXTERNALTRIGGER", o.Trigger, 0);
        Int(k, "OFFSET", o.Offset, 0);
        Int(k, "DIFFERMAX", o.ToleUpper, 500000);
        Int(k, "DIFFERMIN", o.ToleLower, -500000);
        Int(k, "HISTERISIS", o.ToleHys, 0);
        Int(k, "MMCOLUMN", o.DispDigitMm, 2);
        Int(k, "MILCOLUMN", o.DispDigitInch, 2);
        Int(k, "ANALOGTHROUGH", o.AnaThrough, 0);
        return unitOk;
    }

    void Common(const std::string& k, CommonSetting& c) {
        Int(k, "SAMPLINGRATE", c.SampRate, 3);
        Int(k, "MUTUALINTERFERENCE", c.AntiItfrnc, 0);
        Int(k, "SYNCTIMING", c.SyncTim, 0);
        Int(k, "STROBETIME", c.StrobeTime, 0);
        Int(k, "RESULTOUTPUTTYPE", c.OutStyle, 0);
        Int(k, "TARGETOUT", c.DSOut, 0);
        Int(k, "NUMSTROBE", c.DSPoints, 65536);
        Int(k, "STORAGEFREQUENCY", c.DSFreq, 4);
    }

    bool Block(SettingsBlock& b) {
        Environment(b.Environment);
        bool unitOk = true;
        for (int p = 0; p < kProgramCount; ++p) {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "PROGRAM%02d\\", p);
            ProgramSetting& program = b.Programs[p];
            Head(std::string(prefix) + "HEADA", program.HeadA);
            Head(std::string(prefix) + "HEADB", program.HeadB);
            unitOk = Out(std::string(prefix) + "OUT1", program.Out1, b.Environment.Unit) && unitOk;
            unitOk = Out(std::string(prefix) + "OUT2", program.Out2, b.Environment.Unit) && unitOk;
            Common(std::string(prefix) + "COMMON", program.Common);
        }
        const std::string pc = "COMMUNICATION";
        Int(pc, "COMMUNICATIONTYPE", b.PcComm.CommType, 0);
        Int(pc, "PORTNO", b.PcComm.PortNo, 0);
        Int(pc, "BAUDRATE", b.PcComm.Baudrate, 0);
        Int(pc, "PARITY", b.PcComm.Parity, 2);
        Int("WAVE", "INITIALXSCALE_A", b.WaveView[0].InitialXScale, 0);
        Int("WAVE", "INITIALXSCALE_B", b.WaveView[1].InitialXScale, 0);
        Int("CALC", "ISOUT1", b.CalcView.IsOut1, 1);
        Int("CALC", "ISOUT2", b.CalcView.IsOut2, 1);
        Int("CALC", "ISDISPLAYRESULT", b.CalcView.IsDisplayResult, 0);
        static constexpr uint32_t kColors[kStorageGraphCount] = {0x0000FF, 0xFF0000, 0x00FF00, 0x00FFFF};
        for (int g = 0; g < kStorageGraphCount; ++g) {
            StorageGraphSetting& graph = b.StorageGraph[g];
            char name[32];
            std::snprintf(name, sizeof name, "ISENABLE%02d", g + 1);
            Int("STORAGE", name, graph.IsEnable, 1);
            std::snprintf(name, sizeof name, "COLOR%02d", g + 1);
            int32_t color = static_cast<int32_t>(graph.Color);
            Int("STORAGE", name, color, static_cast<int>(kColors[g]));
            graph.Color = static_cast<uint32_t>(color);
            std::snprintf(name, sizeof name, "OFFSET%02d", g + 1);
            Int("STORAGE", name, graph.Offset, 0);
            std::snprintf(name, sizeof name, "GRAPHNAME%02d", g + 1);
            char defaultName[16];
            std::snprintf(defaultName, sizeof defaultName, "Graph%02d", g + 1);
            // At most 16 characters and the NUL come back; a longer stored name keeps the default.
            Text("STORAGE", name, graph.GraphName, sizeof graph.GraphName, kGraphNameMaxChars + 1,
                 defaultName);
        }
        return unitOk;
    }

private:
    IRegistryStore& m_store;
    bool m_write;
};

}  // namespace

bool MemoryRegistryStore::Query(const std::string& subkey, const std::string& name, RegType,
                                std::vector<uint8_t>& data) const {
    std::lock_guard guard(m_lock);
    const auto it = m_values.find(Key(subkey, name));
    if (it == m_values.end()) return false;
    data = it->second.data;
    return true;
}

bool MemoryRegistryStore::Set(const std::string& subkey, const std::string& name, RegType type,
                              const std::vector<uint8_t>& data) {
    std::lock_guard guard(m_lock);
    if (m_readOnly) return false;
    m_values[Key(subkey, name)] = Value{type, data};
    return true;
}

size_t MemoryRegistryStore::Count() const {
    std::lock_guard guard(m_lock);
    return m_values.size();
}

bool MemoryRegistryStore::Has(const std::string& subkey, const std::string& name, RegType* type) const {
    std::lock_guard guard(m_lock);
    const auto it = m_values.find(Key(subkey, name));
    if (it == m_values.end()) return false;
    if (type != nullptr) *type = it->second.type;
    return true;
}

void MemoryRegistryStore::Clear() {
    std::lock_guard guard(m_lock);
    m_values.clear();
}

void SetRegistryStore(IRegistryStore* store) {
    g_store.store(store);
}

IRegistryStore* GetRegistryStore() {
    return g_store.load();
}

int RegReadInt(const IRegistryStore& store, const std::string& subkey, const std::string& name,
               int defaultValue) {
    std::vector<uint8_t> data;
    if (!store.Query(subkey, name, RegType::kDword, data) || data.size() > 4) return defaultValue;
    // The query fills the variable that holds the default from its first byte on.
    uint8_t bytes[4];
    std::memcpy(bytes, &defaultValue, 4);
    std::memcpy(bytes, data.data(), data.size());
    int value = 0;
    std::memcpy(&value, bytes, 4);
    return value;
}

double RegReadDouble(const IRegistryStore& store, const std::string& subkey, const std::string& name,
                     double defaultValue) {
    std::vector<uint8_t> data;
    if (!store.Query(subkey, name, RegType::kBinary, data) || data.size() > 8) return defaultValue;
    uint8_t bytes[8];
    std::memcpy(bytes, &defaultValue, 8);
    std::memcpy(bytes, data.data(), data.size());
    double value = 0;
    std::memcpy(&value, bytes, 8);
    return value;
}

void RegReadString(const IRegistryStore& store, const std::string& subkey, const std::string& name,
                   const char* defaultValue, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    std::memset(buffer, 0, size);
    std::strncpy(buffer, defaultValue != nullptr ? defaultValue : "", size - 1);
    std::vector<uint8_t> data;
    if (!store.Query(subkey, name, RegType::kString, data) || data.size() > size) return;
    std::memset(buffer, 0, size);
    std::memcpy(buffer, data.data(), data.size());
    buffer[size - 1] = '\0';  // a stored text without its NUL still ends inside the buffer
}

bool RegReadBinary(const IRegistryStore& store, const std::string& subkey, const std::string& name,
                   void* buffer, size_t size) {
    std::vector<uint8_t> data;
    if (!store.Query(subkey, name, RegType::kBinary, data) || data.size() != size) return false;
    std::memcpy(buffer, data.data(), size);
    return true;
}

bool RegWriteInt(IRegistryStore& store, const std::string& subkey, const std::string& name, int value) {
    return store.Set(subkey, name, RegType::kDword, Bytes(&value, 4));
}

bool RegWriteDouble(IRegistryStore& store, const std::string& subkey, const std::string& name, double value) {
    return store.Set(subkey, name, RegType::kBinary, Bytes(&value, 8));
}

bool RegWriteString(IRegistryStore& store, const std::string& subkey, const std::string& name,
                    const char* value) {
    if (value == nullptr) value = "";
    return store.Set(subkey, name, RegType::kString, Bytes(value, std::strlen(value) + 1));
}

bool RegWriteBinary(IRegistryStore& store, const std::string& subkey, const std::string& name,
                    const void* data, size_t size) {
    return store.Set(subkey, name, RegType::kBinary, Bytes(data, size));
}

bool CRegistrySettings::SaveBlock(const SettingsBlock& block) {
    SettingsBlock copy = block;
    BlockWalker walker(m_store, true);
    walker.Block(copy);
    return walker.ok;
}

bool CRegistrySettings::LoadBlock(SettingsBlock& block) {
    for (ProgramSetting& program : block.Programs) program.ListWord = 0;
    for (WaveViewSetting& wave : block.WaveView) wave.HeadLetter = '\0';
    BlockWalker walker(m_store, false);
    return walker.Block(block);
}

bool RestoreSavedState(IRegistryStore& store, SettingsBlock& block, bool skipSaved) {
    block = DefaultBlock();
    if (skipSaved) return false;
    CRegistrySettings registry(store);
    CConfiguration configuration(&registry);
    int unused = 0;
    const bool read = configuration.Load("", block, unused);
    // A unit that cannot be read back is reported by the environment check.
    const bool valid = ValidateRestoredBlock(block);
    if (read && valid) return true;
    // Back to the defaults over what was read, so that the PC's own preferences that the reset
    // leaves alone (the heads' send-before-tuning option, the waveform views' initial scale) stay.
    SetBlockDefaults(block);
    return false;
}

std::string PlacementValueName(const std::string& windowName) {
    return "WINDOWPLACEMENT_" + windowName;
}

std::string WaveWindowName(char headLetter) {
    return std::string("WAVE_") + headLetter;
}

bool IsPlacementOnDesktop(const WindowPlacementRecord& r, int width, int height) {
    return r.left < width - 40 && r.right > 0 && r.top < height - 40 && r.bottom > 0 && r.top >= 0;
}

bool WritePlacement(IRegistryStore& store, const std::string& windowName,
                    const WindowPlacementRecord& record) {
    return RegWriteBinary(store, "WINDOWPLACEMENT", PlacementValueName(windowName), &record, sizeof record);
}

bool ReadPlacement(const IRegistryStore& store, const std::string& windowName,
                   WindowPlacementRecord& record) {
    WindowPlacementRecord read;
    if (!RegReadBinary(store, "WINDOWPLACEMENT", PlacementValueName(windowName), &read, sizeof read))
        return false;
    record = read;
    return true;
}

}  // namespace qda
