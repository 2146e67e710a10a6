#pragma once
// What the bench programs report of a series of times: the steady clock they read, and the
// mean, worst, median and 99th percentile of a series (in whatever unit the series is in).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <vector>

namespace qda::bench {

inline int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Spread {
    size_t count = 0;
    double mean = 0;
    double worst = 0;
    double median = 0;
    double p99 = 0;
};

inline Spread Summarise(std::vector<double> values) {
    Spread s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
    s.worst = values.back();
    s.median = values[values.size() / 2];
    s.p99 =
        values[std::min(values.size() - 1, static_cast<size_t>(static_cast<double>(values.size()) * 0.99))];
    return s;
}

// The intervals between consecutive steady-clock times (ns), in ms.
inline std::vector<double> Intervals(const std::vector<int64_t>& ns) {
    std::vector<double> out;
    for (size_t i = 1; i < ns.size(); ++i) out.push_back(static_cast<double>(ns[i] - ns[i - 1]) / 1e6);
    return out;
}

}  // namespace qda::bench
