// CDataStorage: loading a slot from a data file and saving one to a file.
#include <cstring>

#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "storage/DataStorage.h"
#include "storage/SelectFile.h"
#include "storage/StorageFile.h"
#include "storage/StorageGraphHead.h"

void CDataStorage::OnLoad() {
    const std::array<bool, qda::kStorageSlots> every{true, true, true, true};
    QString path = m_lastPath;
    int slot = m_display->SelectedSlot();
    if (!qda::SelectFile(this, qda::SelectFileMode::kOpen, every, path, slot)) {
        UpdateButtons();
        return;
    }
    m_lastPath = path;
    CStorageData& data = m_slots[static_cast<size_t>(slot)];
    if (data.Count() > 0 &&
        ShowMessageCode(qda::msg::kOverwriteShownData, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        UpdateButtons();
        return;
    }
    if (!CStorageFile::Read(data, path.toStdString())) {
        ShowMessageCode(qda::msg::kStorageFileReadFailed, MB_OK | MB_ICONWARNING);
        UpdateButtons();
        return;
    }
    // The slot's header takes the file's name, shown and without offset.
    StorageGraphSetting record = m_display->Header(slot);
    std::memset(record.GraphName, 0, sizeof record.GraphName);
    std::strncpy(record.GraphName, data.Name().c_str(), 16);
    record.IsEnable = 1;
    record.Offset = 0;
    m_records[static_cast<size_t>(slot)] = record;
    m_heads[static_cast<size_t>(slot)]->SetRecord(record);
    m_display->SetHeader(slot, record);
    if (m_chartReady) {
        m_display->ShowLoadedSlot(slot);
        RefreshHeaderLimits();
        RefreshList();
    }
    UpdateButtons();
}

void CDataStorage::OnSave() {
    std::array<bool, qda::kStorageSlots> holding{};
    bool any = false;
    for (int s = 0; s < qda::kStorageSlots; ++s) {
        holding[static_cast<size_t>(s)] = m_slots[static_cast<size_t>(s)].Count() > 0;
        any = any || holding[static_cast<size_t>(s)];
    }
    if (!any) return;
    QString path = m_lastPath;
    int slot = m_display->SelectedSlot();
    if (!qda::SelectFile(this, qda::SelectFileMode::kSave, holding, path, slot)) return;
    // Data files end in ".csv" whatever else the name carries: a.txt becomes a.txt.csv.
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) path += QStringLiteral(".csv");
    m_lastPath = path;
    if (!CheckSlotName(slot)) return;
    if (!CStorageFile::Write(m_slots[static_cast<size_t>(slot)], path.toStdString()))
        ShowMessageCode(qda::msg::kStorageFileWriteFailed, MB_OK | MB_ICONWARNING);
}

bool CDataStorage::CheckSlotName(int slot) {
    // The header shows message 256 and puts the focus on its name.
    return m_heads[static_cast<size_t>(slot)]->CheckName();
}
