#include "storage/GraphStorageChart.h"

namespace qda {

void GraphStorageChart::RepaintNow() {
    m_chart.Canvas().Redraw();
    m_chart.repaint();
}

}  // namespace qda
