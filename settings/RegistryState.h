#pragma once
// The state kept between runs under "Software\Vantor\QD-Atlas\": the registry primitives with their
// size contracts over a small value store, the registry form of the whole settings block, and the
// window placement record of the tool windows.
//
// The store is the platform's part (QSettings in the program, an in-memory map in tests); the
// primitives decide what a read gives, so every store behaves the same.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "settings/Configuration.h"
#include "settings/SettingsBlock.h"

namespace qda {

// Value types of the store (the registry's REG_SZ, REG_BINARY and REG_DWORD).
enum class RegType { kString = 1, kBinary = 3, kDword = 4 };

// Values below the program's key, addressed by subkey ("PROGRAM00\\HEADA") and value name.
class IRegistryStore {
public:
    virtual ~IRegistryStore() = default;
    // The stored bytes of a value in the form of `wanted` (a store that keeps no types converts
    // what it has: a number for kDword gives its 4 bytes, a text for kString its bytes and NUL).
    // False when the key or the value does not exist.
    virtual bool Query(const std::string& subkey, const std::string& name, RegType wanted,
                       std::vector<uint8_t>& data) const = 0;
    // Sets a value (kDword: 4 little-endian bytes; kString: the text and its NUL). True when set.
    virtual bool Set(const std::string& subkey, const std::string& name, RegType type,
                     const std::vector<uint8_t>& data) = 0;
};

// A store in memory (tests, and the program when no settings store can be opened).
class MemoryRegistryStore : public IRegistryStore {
public:
    bool Query(const std::string& subkey, const std::string& name, RegType wanted,
               std::vector<uint8_t>& data) const override;
    bool Set(const std::string& subkey, const std::string& name, RegType type,
             const std::vector<uint8_t>& data) override;
    // Number of values held.
    size_t Count() const;
    // Whether a value exists, and its stored type.
    bool Has(const std::string& subkey, const std::string& name, RegType* type = nullptr) const;
    void Clear();
    // Refuses every later Set (a registry that cannot be written).
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

private:
    struct Value {
        RegType type;
        std::vector<uint8_t> data;
    };
    mutable std::mutex m_lock;
    std::map<std::string, Value> m_values;  // key: subkey + '\n' + name
    bool m_readOnly = false;
};

// The store the window placements use (the program installs its QSettings store at start-up).
// nullptr: placements are neither read nor written.
void SetRegistryStore(IRegistryStore* store);
IRegistryStore* GetRegistryStore();

// --- primitives ------------------------------------------------------------------------------
// A 4-byte read: the default when the value is missing or larger than 4 bytes. The type is not
// checked; a shorter value fills the low bytes over the default.
int RegReadInt(const IRegistryStore& store, const std::string& subkey, const std::string& name,
               int defaultValue);
// The same with 8 bytes.
double RegReadDouble(const IRegistryStore& store, const std::string& subkey, const std::string& name,
                     double defaultValue);
// Copies the default into `buffer` (truncated to `size` with a NUL), then, when a value of at most
// `size` bytes is stored, its text. A longer value leaves the default.
void RegReadString(const IRegistryStore& store, const std::string& subkey, const std::string& name,
                   const char* defaultValue, char* buffer, size_t size);
// True only when the value exists and holds exactly `size` bytes, which are copied to `buffer`.
bool RegReadBinary(const IRegistryStore& store, const std::string& subkey, const std::string& name,
                   void* buffer, size_t size);
// Writers; true when the value was set.
bool RegWriteInt(IRegistryStore& store, const std::string& subkey, const std::string& name, int value);
bool RegWriteDouble(IRegistryStore& store, const std::string& subkey, const std::string& name, double value);
bool RegWriteString(IRegistryStore& store, const std::string& subkey, const std::string& name,
                    const char* value);
bool RegWriteBinary(IRegistryStore& store, const std::string& subkey, const std::string& name,
                    const void* data, size_t size);

// --- the settings block -------------------------------------------------------------------
// The registry form of the block for CConfiguration's Save and Load without a file name.
class CRegistrySettings : public ISettingsRegistry {
public:
    explicit CRegistrySettings(IRegistryStore& store) : m_store(store) {}
    // Environment, programs 0..7 (head A, head B, OUT1, OUT2, common each), PC communication,
    // waveform, measured-value and storage graph settings. True when every value was written.
    bool SaveBlock(const SettingsBlock& block) override;
    // Reads in the same order over `block`; missing values keep what `block` holds (the caller's
    // defaults). ListWord becomes 0 and both waveform head letters NUL. False only when the
    // restored unit is neither 0 nor 1 (the unit-dependent OUT values are then not read).
    bool LoadBlock(SettingsBlock& block) override;

private:
    IRegistryStore& m_store;
};

// The start-up restore: defaults, then (unless `skipSaved`) the saved block, checked with the
// environment check and the program checks, whose messages are shown. At the first failure the
// block goes back to its defaults with SetBlockDefaults (which keeps IsRunBeforeSendSetting and
// InitialXScale as read). Returns true when the saved state was adopted.
bool RestoreSavedState(IRegistryStore& store, SettingsBlock& block, bool skipSaved);

// --- window placement ------------------------------------------------------------------
// The 44-byte window placement record (length, flags, show command, minimised and maximised
// positions, normal rectangle), little-endian 32-bit fields.
struct WindowPlacementRecord {
    uint32_t length = 44;
    uint32_t flags = 0;
    uint32_t showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
    int32_t minX = -1, minY = -1;
    int32_t maxX = -1, maxY = -1;
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle
};
static_assert(sizeof(WindowPlacementRecord) == 44);

constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

// The value name of a window's placement: "WINDOWPLACEMENT_" + name ("CALC", "STORAGE", "WAVE_A").
std::string PlacementValueName(const std::string& windowName);
// The name of a head's waveform window: "WAVE_A" or "WAVE_B".
std::string WaveWindowName(char headLetter);
// Whether a normal rectangle lies partly on a desktop of `width` x `height`: left < width - 40,
// right > 0, top < height - 40, bottom > 0 and top >= 0 (the title bar stays reachable).
bool IsPlacementOnDesktop(const WindowPlacementRecord& record, int width, int height);
bool WritePlacement(IRegistryStore& store, const std::string& windowName,
                    const WindowPlacementRecord& record);
// True when a stored record of exactly 44 bytes was read.
bool ReadPlacement(const IRegistryStore& store, const std::string& windowName, WindowPlacementRecord& record);

}  // namespace qda
