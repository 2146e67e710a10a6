#pragma once
// The copy buffer of the settings pages: four slots (program, head, OUT, common), each a byte copy
// plus a filled flag. One process-wide instance (Global()); used on the user-interface thread.
#include "settings/SettingsBlock.h"

class CSettingsCopyBuffer {
public:
    // The process-wide buffer, empty at start.
    static CSettingsCopyBuffer& Global();

    // Copy stores a byte copy and marks the slot filled. Paste copies the slot into `destination`
    // when the slot is filled and a destination is given; it returns whether the slot is filled
    // (with no destination it only answers whether pasting is possible).
    void CopyProgram(const ProgramSetting& source);
    bool PasteProgram(ProgramSetting* destination) const;
    void CopyHead(const HeadSetting& source);
    bool PasteHead(HeadSetting* destination) const;
    void CopyOut(const OutSetting& source);
    bool PasteOut(OutSetting* destination) const;
    void CopyCommon(const CommonSetting& source);
    bool PasteCommon(CommonSetting* destination) const;

    // Marks all four slots empty.
    void ClearAll();

private:
    template <typename T>
    struct Slot {
        T record{};
        bool filled = false;
    };
    Slot<ProgramSetting> m_program;
    Slot<HeadSetting> m_head;
    Slot<OutSetting> m_out;
    Slot<CommonSetting> m_common;
};
