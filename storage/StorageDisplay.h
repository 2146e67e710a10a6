#pragma once
// CStorageDisplay: the plotting side of the data storage window without its widgets. It shows the
// four data slots in the chart (side by side or overlaid), zooms, moves and auto-scales the
// selected slot, zooms horizontally, chooses and moves the cursors, keeps the cursor information
// list, reacts to the slot headers and the chart's notifications, and decides which plot buttons
// are enabled. The window forwards its buttons, keys and messages here and shows the results.
#include <array>
#include <cstdint>
#include <string>

#include "settings/SettingsBlock.h"
#include "storage/StorageChart.h"
#include "storage/StorageData.h"

namespace qda {

constexpr int kStorageSlots = 4;

// Where the cursor information list writes its cells (row = slot 0..3, column 1..6).
class IStorageInfoList {
public:
    virtual ~IStorageInfoList() = default;
    virtual void SetCell(int row, int column, const std::string& text) = 0;
};

// Which plot buttons may be used now.
struct StorageButtonStates {
    bool verticalZoomIn = false;
    bool verticalZoomOut = false;
    bool horizontalZoomIn = false;
    bool horizontalZoomOut = false;
    bool autoScale = false;
    bool moveUp = false;
    bool moveDown = false;
    std::array<bool, kStorageSlots> header{};  // a slot's header: the slot holds values
    bool save = false;                         // any slot holds values
};

// The cursor choice of buttons 22, 24, 25, 26.
enum class CursorChoice { kHidden, kA, kB, kBoth };

// The buttons that repeat while held (auto-repeat), in the order of RepeatTick's arrays.
enum RepeatButton : int {
    kRepeatVerticalIn,
    kRepeatVerticalOut,
    kRepeatHorizontalIn,
    kRepeatHorizontalOut,
    kRepeatMoveUp,
    kRepeatMoveDown,
    kRepeatButtonCount
};

// What a tick of the repeat timer asks for.
struct RepeatDecision {
    std::array<bool, kRepeatButtonCount> repeat{};   // act again
    std::array<bool, kRepeatButtonCount> release{};  // pressed, but no longer held
    bool stopTimer = false;
};

class CStorageDisplay {
public:
    static constexpr int kFullSpan = 1999998;  // display counts of -999999 ... 999999
    static constexpr int kHalfRange = 999999;
    static constexpr int kMinVisible = 32;
    static constexpr int kMaxVisible = 65536;
    static constexpr int kTraceTotal = 65536;  // x total of every slot's trace
    static constexpr int kGridRows = 24;
    static constexpr int kOffsetLimit = 65535;

    // The next span of the sequence 10, 20, 50 ... 1000000, 1999998 when zooming in (largest value
    // strictly below; 10 stays) and out (smallest value strictly above; 1999998 stays).
    static int ZoomInSpan(int span);
    static int ZoomOutSpan(int span);

    CStorageDisplay(IStorageChart& chart, std::array<CStorageData, kStorageSlots>& slots);

    // --- the slot headers' records ------------------------------------------------------------
    void SetHeader(int slot, const StorageGraphSetting& record) { m_headers[slot] = record; }
    const StorageGraphSetting& Header(int slot) const { return m_headers[slot]; }

    // --- state ------------------------------------------------------------------------------
    bool SideBySide() const { return m_sideBySide; }
    int VisibleSamples() const { return m_visibleSamples; }
    int Span(int slot) const { return m_span[slot]; }
    int ScrollSamples() const { return m_scroll; }
    int CursorStep() const { return m_cursorStep; }
    CursorChoice Cursors() const { return m_cursors; }
    int SelectedSlot() const { return m_chart.GetSelectedTrace(); }

    // --- slot traces ------------------------------------------------------------------------
    // Loads `slot` into its trace with the range low ... high (display counts).
    void LoadSlot(int slot, int low, int high);
    // The trace's enable flag, name, offset and colour from the slot's header.
    void ApplyHeader(int slot);
    // After a readout filled `slot`: full span, the trace made afresh from the header and loaded
    // with the whole range, selected, bands recomputed; the horizontal zoom then fits the shown
    // slots (FitToShownSlots).
    void ShowReadSlot(int slot);
    // After a file was read into `slot` (whose header already took the file's name, enable 1 and
    // offset 0): full span, range centred on the trace's present range, loaded, selected, bands.
    void ShowLoadedSlot(int slot);

    // --- buttons ----------------------------------------------------------------------------
    // From the first sample, the fewest visible samples of the zoom's steps (32 ... 65536) that
    // hold the longest shown slot.
    void FitToShownSlots();

    // 13/14: side by side or overlaid.
    void SetSideBySide(bool sideBySide);
    // 15/16 on the selected slot; false when the span could not change.
    bool VerticalZoom(bool in);
    // 17/18; false at 32 or 65536 visible samples.
    bool HorizontalZoom(bool in);
    // 19 on the selected slot.
    void AutoScale();
    // 20/21 on the selected slot by one grid row; false with no slot shown.
    bool Move(bool up);
    // 22/24/25/26.
    void ChooseCursors(CursorChoice choice);

    // --- keys -------------------------------------------------------------------------------
    // Shift+Left (-1) / Shift+Right (+1): moves the selected cursor(s) by the cursor step, which
    // then grows by 1. True when a cursor moved.
    bool MoveCursorsByKey(int direction);
    // Every key-up.
    void ResetCursorStep() { m_cursorStep = 1; }
    // Ctrl+Tab (forward) / Shift+Ctrl+Tab: the next slot in cyclic order that is shown and has a
    // last value. True when the selection changed.
    bool SelectAdjacentSlot(bool forward);

    // --- notifications ----------------------------------------------------------------------
    // GRAPH_NOTIFY_CURSOR: the cursor choice that follows the chart's selection (the hidden
    // choice stays hidden).
    CursorChoice OnCursorNotify();
    // GRAPH_NOTIFY_SCROLL: the traces reloaded for the new scroll position.
    void OnScroll();
    // Header message (0, flag): name, colour or enable changed.
    void OnHeaderChanged(bool recomputeBands);
    // Header message (1, slot): the slot's enable flag changed.
    void OnHeaderEnableChanged(int slot);
    // Header message (2, slot): the slot's offset changed.
    void OnHeaderOffsetChanged(int slot);

    // --- the cursor information list ---------------------------------------------------------
    // Writes the cells whose value changed since the last refresh.
    void RefreshList(IStorageInfoList& list);
    // Forgets what the list shows (the list was rebuilt).
    void ForgetList();

    StorageButtonStates ButtonStates() const;

    // --- auto-repeat ------------------------------------------------------------------------
    // Starts a repeat run (the window starts its 200 ms timer when it is not running).
    void StartRepeat() { m_repeatCount = 0; }
    // One tick: `pressed` says which buttons are in the pressed state, `held` which of them are
    // still held (their mouse button or their arrow key). After five ticks every pressed button
    // that is held repeats and one that is not is released; a tick with nothing to repeat then
    // ends the run.
    RepeatDecision RepeatTick(const std::array<bool, kRepeatButtonCount>& pressed,
                              const std::array<bool, kRepeatButtonCount>& held);
    int RepeatCount() const { return m_repeatCount; }

private:
    GraphDisplayFormat FormatOf(int slot) const;
    int GridRowStep(int span) const;
    int ShownCount() const;
    void SetChartMode();

    IStorageChart& m_chart;
    std::array<CStorageData, kStorageSlots>& m_slots;
    std::array<StorageGraphSetting, kStorageSlots> m_headers{};
    bool m_sideBySide = true;
    int m_visibleSamples = kMaxVisible;
    std::array<int, kStorageSlots> m_span{kFullSpan, kFullSpan, kFullSpan, kFullSpan};
    int m_scroll = 0;
    int m_repeatCount = 0;
    int m_cursorStep = 1;
    CursorChoice m_cursors = CursorChoice::kA;

    struct ListRow {
        bool shown = false;
        std::array<double, 6> values{};
    };
    std::array<ListRow, kStorageSlots> m_list{};
};

}  // namespace qda
