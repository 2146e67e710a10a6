// CTR52Dlg: the data storage window (button 1006, menu item 32775, F8), run modally with a copy of
// the settings, the selected program, this window as the receiver of its transfer requests and
// the command object; afterwards the slot header records come back into the settings image.
#include <cstring>

#include "app/TR52Dlg.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabOut.h"
#include "resources/Messages.h"
#include "settings/Validation.h"
#include "storage/DataStorage.h"
#include "windowing/ToolWindows.h"
#include "windowing/WindowMessage.h"

bool CTR52Dlg::CheckPagesForStorage() {
    // Head pages in form 0, the OUT pages and the common page; the list page plays no part.
    for (int tab = 0; tab < 5; ++tab) {
        if (CheckPage(tab, 0) != 1) return false;
    }
    for (int tab = 0; tab < 5; ++tab) StorePage(tab);
    ProgramSetting& program = m_settings.Programs[GetSelectedProgram()];
    const int unit = m_settings.Environment.Unit;
    return ValidateHead(HeadPage(0), program.HeadA, false) &&
           ValidateHead(HeadPage(1), program.HeadB, false) && ValidateOut(OutPage(0), unit, program.Out1) &&
           ValidateOut(OutPage(1), unit, program.Out2) && ValidateCommon(CommonPage(), program.Common);
}

void CTR52Dlg::OnStorageWindow() {
    if (!CheckPagesForStorage()) return;
    std::array<StorageGraphSetting, qda::kStorageSlots> records{};
    qda::EnableToolWindows(false);
    {
        CDataStorage window(m_settings, GetSelectedProgram(), this, WM_TRANSFER_REQUEST, &m_command, this);
        window.exec();
        records = window.GraphRecords();
    }
    qda::EnableToolWindows(true);
    SetMessageOwner(&m_messageWindow);
    for (int s = 0; s < qda::kStorageSlots; ++s) m_settings.StorageGraph[s] = records[static_cast<size_t>(s)];
}
