#include "storage/StorageData.h"

#include <algorithm>
#include <new>

#include "settings/Units.h"

bool CStorageData::Prepare(int capacity) {
    if (capacity < 0) return false;
    try {
        m_samples.assign(static_cast<size_t>(capacity), qda::kNoValue);
        m_scratch.assign(static_cast<size_t>(capacity), qda::kNoValue);
    } catch (const std::bad_alloc&) {
        m_samples.clear();
        m_scratch.clear();
        Clear();
        return false;
    }
    Clear();
    return true;
}

void CStorageData::Clear() {
    m_count = 0;
    m_validCount = 0;
    m_name.clear();
    m_unitSystem = 0;
    m_mmFormat = 2;
    m_inchFormat = 2;
}

bool CStorageData::Fill(const std::string& name, const int32_t* values, int n) {
    if (n < 0 || n > Capacity() || (n > 0 && values == nullptr)) return false;
    int valid = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t v = ClassifySample(values[i], m_unitSystem, m_mmFormat, m_inchFormat);
        m_samples[i] = v;
        if (v != qda::kNoValue && v != qda::kPlusOver && v != qda::kMinusOver) ++valid;
    }
    m_name = name;
    m_count = n;
    m_validCount = valid;
    return true;
}

void CStorageData::SetFormat(int unitSystem, int mmFormat, int inchFormat) {
    m_unitSystem = unitSystem;
    m_mmFormat = mmFormat;
    m_inchFormat = inchFormat;
}

void CStorageData::SetReadoutFormat(int unitFlag, int formatIndex) {
    if (unitFlag == 1) {
        m_unitSystem = 1;
        m_inchFormat = formatIndex;
    } else {
        m_unitSystem = 0;
        m_mmFormat = formatIndex;
    }
}

void CStorageData::Adopt(const std::string& name, int unitSystem, int mmFormat, int inchFormat,
                         const int32_t* samples, int count, int validCount) {
    count = std::clamp(count, 0, Capacity());
    std::copy(samples, samples + count, m_samples.begin());
    m_name = name;
    SetFormat(unitSystem, mmFormat, inchFormat);
    m_count = count;
    m_validCount = validCount;
}
