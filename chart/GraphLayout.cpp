#include "chart/GraphLayout.h"

#include <cmath>

namespace qda {

int GraphBitmapWidth(int canvasWidth) {
    if (canvasWidth <= 0) return 0;
    return (canvasWidth + 31) / 32 * 32;
}

bool GraphLayout::InPlot(int x, int y) const {
    return x >= PlotLeft() && x <= PlotRight() && y >= PlotTop() && y <= PlotBottom();
}

GraphRect GraphLayout::Band(double offset, int bands) const {
    const int nb = bands < 1 ? 1 : bands;
    return {Px(m_left), Py(m_top + offset), Px(m_left + m_width), Py(m_top + offset + m_height / nb)};
}

int GraphLayout::ValueToY(double v, double minimum, double maximum, double offset, int bands) const {
    const int nb = bands < 1 ? 1 : bands;
    const double span = maximum - minimum;
    double ratio;
    if (span != 0)
        ratio = (v - minimum) / span;
    else  // a collapsed range: values at it sit on the band's bottom, others beyond its edges
        ratio = v > minimum ? 1e9 : (v < minimum ? -1e9 : 0.0);
    const long y = static_cast<long>(Py(m_top + (1.0 - ratio) * m_height / nb)) + Py(offset);
    return y > 32767 ? 32767 : (y < -32767 ? -32767 : static_cast<int>(y));
}

int GraphLayout::TraceX(int i, int visibleSamples) const {
    if (visibleSamples < 1) return Px(m_left);
    return Px(m_left + static_cast<double>(i) * m_width / visibleSamples);
}

int GraphLayout::CursorX(int i, int visibleSamples) const {
    if (visibleSamples < 1) return 0;
    return static_cast<int>(static_cast<long long>(i) * Px(m_width) / visibleSamples) + Px(m_left);
}

}  // namespace qda
