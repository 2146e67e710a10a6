#include "chart/demo/DemoTraces.h"

#include <cmath>

#include "chart/GraphTypes.h"

namespace qda {

// Four shapes in 0.01 um (shown in the 0.001 mm row): sine, ramp, noisy square, a decaying burst.
std::vector<int32_t> MakeDemoTrace(int kind, int n) {
    std::vector<int32_t> v(n);
    uint32_t seed = 12345u + kind;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = (static_cast<int>((seed >> 8) % 2001) - 1000) / 1000.0;
        double mm = 0;
        switch (kind) {
            case 0:
                mm = 2.0 * std::sin(i * 2 * M_PI / 8192.0) + 0.05 * noise;
                break;
            case 1:
                mm = -3.0 + 6.0 * i / n + 0.2 * noise;
                break;
            case 2:
                mm = ((i / 4096) % 2 ? 1.5 : -1.5) + 0.1 * noise;
                break;
            default:
                mm = 3.0 * std::exp(-(i % 16384) / 4000.0) * std::sin(i / 50.0) + 0.02 * noise;
                break;
        }
        v[i] = static_cast<int32_t>(mm * 100000);
    }
    // Markers: a stretch with no data, and over-range stretches.
    auto mark = [&](int from, int to, int32_t marker) {
        for (int i = from; i < to && i < n; ++i) v[i] = marker;
    };
    mark(20000, 21000, GRAPH_NO_DATA);
    if (kind == 0) mark(40000, 40500, GRAPH_PLUS_OVER);
    if (kind == 2) mark(50000, 50300, GRAPH_MINUS_OVER);
    return v;
}

}  // namespace qda
