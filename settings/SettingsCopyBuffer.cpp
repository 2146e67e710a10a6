#include "settings/SettingsCopyBuffer.h"

#include <cstring>

namespace {

template <typename T, typename Slot>
void Store(Slot& slot, const T& source) {
    std::memcpy(&slot.record, &source, sizeof(T));
    slot.filled = true;
}

template <typename T, typename Slot>
bool Fetch(const Slot& slot, T* destination) {
    if (slot.filled && destination != nullptr) std::memcpy(destination, &slot.record, sizeof(T));
    return slot.filled;
}

}  // namespace

CSettingsCopyBuffer& CSettingsCopyBuffer::Global() {
    static CSettingsCopyBuffer buffer;
    return buffer;
}

void CSettingsCopyBuffer::CopyProgram(const ProgramSetting& source) {
    Store(m_program, source);
}
bool CSettingsCopyBuffer::PasteProgram(ProgramSetting* destination) const {
    return Fetch(m_program, destination);
}
void CSettingsCopyBuffer::CopyHead(const HeadSetting& source) {
    Store(m_head, source);
}
bool CSettingsCopyBuffer::PasteHead(HeadSetting* destination) const {
    return Fetch(m_head, destination);
}
void CSettingsCopyBuffer::CopyOut(const OutSetting& source) {
    Store(m_out, source);
}
bool CSettingsCopyBuffer::PasteOut(OutSetting* destination) const {
    return Fetch(m_out, destination);
}
void CSettingsCopyBuffer::CopyCommon(const CommonSetting& source) {
    Store(m_common, source);
}
bool CSettingsCopyBuffer::PasteCommon(CommonSetting* destination) const {
    return Fetch(m_common, destination);
}

void CSettingsCopyBuffer::ClearAll() {
    m_program.filled = false;
    m_head.filled = false;
    m_out.filled = false;
    m_common.filled = false;
}
