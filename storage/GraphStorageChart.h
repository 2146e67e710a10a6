#pragma once
// The storage display's chart interface over the window's CGraph: every call goes to the chart
// control, which repaints and tells the window of cursor moves and scrolling.
#include "chart/Graph.h"
#include "storage/StorageChart.h"

namespace qda {

class GraphStorageChart final : public StorageChartOver<CGraph> {
public:
    using StorageChartOver::StorageChartOver;
    // Draws and paints now, not at the next turn of the event loop.
    void RepaintNow() override;
};

}  // namespace qda
