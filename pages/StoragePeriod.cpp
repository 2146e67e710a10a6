#include "pages/StoragePeriod.h"

#include <cstdio>

namespace qda {

std::string StoragePeriodText(int samplingIndex, int factorIndex) {
    static const int kPeriodUs[] = {20, 50, 100, 200, 500, 1000};
    static const int kFactor[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    if (samplingIndex < 0 || samplingIndex >= 6) samplingIndex = 0;
    if (factorIndex < 0 || factorIndex >= 10) factorIndex = 0;
    const int t = kPeriodUs[samplingIndex] * kFactor[factorIndex];
    char text[32];
    if (t < 1000) {
        std::snprintf(text, sizeof text, "(%dus)", t);
    } else if (t % 1000 != 0) {
        std::snprintf(text, sizeof text, "(%d.%dms)", t / 1000, (t % 1000) / 100);
    } else {
        std::snprintf(text, sizeof text, "(%dms)", t / 1000);
    }
    return text;
}

}  // namespace qda
