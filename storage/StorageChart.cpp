#include "storage/StorageChart.h"

#include "chart/GraphCanvas.h"

namespace qda {

void CanvasStorageChart::RepaintNow() {
    m_chart.Redraw();
}

}  // namespace qda
