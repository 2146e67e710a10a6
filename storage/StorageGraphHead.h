#pragma once
// CStorageGraphHead: the header panel of one data slot of the storage window (dialog 163): the
// "データn" check box (shown or not), the name, the horizontal offset with its edit and its
// decrease/increase buttons (held: repeats every 200 ms, the step doubling after every six ticks),
// and the trace colour.
//
// Use from the storage window:
//   head->Prepare(block.StorageGraph[slot], slot, this);  // every opening: shown, offset 0, "Graph0n"
//   head->GetRecord();                                    // the record as the operator left it
//   head->SetOffsetLimits(min, max); head->Enable(slotHoldsValues); head->CheckName();
// Notices (message 1025, as posted window messages to the owner and as the signal headerChanged):
//   (0, 0) name or colour changed; (0, 1) then (1, slot) shown/hidden changed; (2, slot) offset changed.
// The program's shortcut keys pressed in the header are posted unchanged to the owner.
#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

#include "settings/SettingsBlock.h"
#include "storage/OffsetStepper.h"

class CDrawnButton;
class CNumEdit;
class QCheckBox;

class CStorageGraphHead : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDialogId = 163;
    static constexpr unsigned kHeaderMessage = 1025;
    // Control identifiers (also the objectNames).
    static constexpr int IDC_GRAPH_ENABLE = 1141;
    static constexpr int IDC_GRAPH_NAME = 1145;
    static constexpr int IDC_OFFSET_DOWN = 1149;
    static constexpr int IDC_OFFSET = 1060;
    static constexpr int IDC_OFFSET_UP = 1150;
    static constexpr int IDC_GRAPH_COLOR = 1152;
    // The platform's colour chooser: the chosen colour, or nothing when the operator cancelled.
    using ColorChooser = std::function<std::optional<QColor>(QColor initial, QWidget* parent)>;

    explicit CStorageGraphHead(QWidget* parent = nullptr);

    // Takes `record` for slot 0..3 with IsEnable 1, Offset 0 and the slot's default name, shows it
    // and resets the offset limits to -65535 ... 65535. Notices go to `owner` as posted window
    // messages `message` (none when owner is null; the signal is emitted either way).
    void Prepare(const StorageGraphSetting& record, int slot, QObject* owner,
                 unsigned message = kHeaderMessage);
    // The record as it stands now.
    const StorageGraphSetting& GetRecord() const { return m_record; }
    int Slot() const { return m_slot; }
    // Writes the record's name and offset into the edits.
    void ShowRecord();
    // Takes `record` as it stands (the storage window's change after a data file was read into the
    // slot: the file's name, shown, offset 0) and shows all of it; no notices.
    void SetRecord(const StorageGraphSetting& record);
    // Enables or disables all six controls.
    void Enable(bool enable);
    // Sets the range the offset may take and clamps the current offset into it (the new offset is
    // stored and shown when clamping changed it).
    void SetOffsetLimits(int minimum, int maximum);
    int OffsetMinimum() const { return m_min; }
    int OffsetMaximum() const { return m_max; }
    // False, with message 256 and the focus on the name edit, when the name contains "," or ".".
    bool CheckName();
    // Replaces the colour chooser (QColorDialog by default).
    void SetColorChooser(ColorChooser chooser) { m_chooser = std::move(chooser); }
    // True while the offset repeat timer runs.
    bool IsRepeating() const { return m_timer != 0; }

signals:
    void headerChanged(int what, int argument);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Notify(int what, int argument);
    void OnNameEdited();
    void OnOffsetEdited();
    void OnEnableClicked(bool checked);
    void OnColorButton();
    void OnOffsetCommand(int id);
    // One step of the offset in `direction` (-1 decrease, +1 increase), written into the edit.
    void StepOffset(int direction);
    void StopRepeat();
    void ShowColor();
    bool ForwardKey(QEvent* event);

    StorageGraphSetting m_record{};
    int m_slot = 0;
    QObject* m_owner = nullptr;
    unsigned m_message = kHeaderMessage;
    int m_min = -qda::COffsetStepper::kLimit;
    int m_max = qda::COffsetStepper::kLimit;
    qda::COffsetStepper m_stepper;
    int m_timer = 0;
    bool m_mouseStepped = false;  // a mouse press already stepped; its click command is not a step
    bool m_leftHeld = false;      // Left / Right held without Ctrl: they end a repeat run
    bool m_rightHeld = false;
    bool m_loading = false;  // controls being filled from the record: no notices
    ColorChooser m_chooser;
    QCheckBox* m_enable = nullptr;
    CNumEdit* m_name = nullptr;
    CNumEdit* m_offset = nullptr;
    CDrawnButton* m_down = nullptr;
    CDrawnButton* m_up = nullptr;
    CDrawnButton* m_color = nullptr;
};
