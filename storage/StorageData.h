#pragma once
// One data slot of the data storage window: up to 65536 raw samples read from the controller's
// data storage or from a storage data file, with the slot's name and display format.
#include <cstdint>
#include <string>
#include <vector>

class CStorageData {
public:
    static constexpr int kCapacity = 65536;

    // Allocates `capacity` samples and the scratch array used while a file is read, and empties
    // the slot. Returns false when the memory cannot be had (the slot is then unusable).
    bool Prepare(int capacity = kCapacity);
    // Empties the slot: no samples, no name, display format (0, 2, 2). The capacity stays.
    void Clear();

    // Fills the slot from values the controller returned: each value is classified in the slot's
    // display format (plus-over and minus-over markers for counts beyond +-1000000 display steps,
    // the no-data marker kept). Returns false (slot unchanged) when n is negative or above the
    // capacity.
    bool Fill(const std::string& name, const int32_t* values, int n);

    // Sets the display-format triple: unit system (0 metric, 1 inch), metric and inch format index.
    void SetFormat(int unitSystem, int mmFormat, int inchFormat);
    // Takes the display format the controller reports with its stored values: unit flag 1 is inch
    // (the inch format index becomes `formatIndex`), anything else metric (the metric index does);
    // the other index stays.
    void SetReadoutFormat(int unitFlag, int formatIndex);

    // Takes the result of a file read: name, display format, `count` samples (at most the capacity)
    // and the number of them that are not markers.
    void Adopt(const std::string& name, int unitSystem, int mmFormat, int inchFormat, const int32_t* samples,
               int count, int validCount);

    int Capacity() const { return static_cast<int>(m_samples.size()); }
    int Count() const { return m_count; }
    int ValidCount() const { return m_validCount; }
    const int32_t* Samples() const { return m_samples.data(); }
    int32_t Sample(int i) const { return m_samples[i]; }
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    int UnitSystem() const { return m_unitSystem; }
    int MmFormat() const { return m_mmFormat; }
    int InchFormat() const { return m_inchFormat; }

    // The array a file reader fills before the slot adopts the result (capacity entries).
    std::vector<int32_t>& Scratch() { return m_scratch; }

private:
    int m_count = 0;
    int m_validCount = 0;
    std::vector<int32_t> m_samples;
    std::vector<int32_t> m_scratch;
    std::string m_name;
    int m_unitSystem = 0;
    int m_mmFormat = 2;
    int m_inchFormat = 2;
};
