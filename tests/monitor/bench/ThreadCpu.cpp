#include "ThreadCpu.h"

#include <filesystem>
#include <fstream>

namespace qda::bench {

std::map<int, double> ThreadCpuMs() {
    std::map<int, double> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        std::ifstream stat(entry.path() / "schedstat");
        long long onCpuNs = 0;
        if (stat >> onCpuNs)
            out[std::stoi(entry.path().filename().string())] = static_cast<double>(onCpuNs) / 1e6;
    }
    return out;
}

}  // namespace qda::bench
