#include "pages/ScalingRequest.h"

namespace qda {
namespace {
// User-interface thread only, like the pages that use it.
std::function<bool(ScalingRequest&)>& Runner() {
    static std::function<bool(ScalingRequest&)> runner;
    return runner;
}
}  // namespace

void SetScalingRunner(std::function<bool(ScalingRequest& request)> runner) {
    Runner() = std::move(runner);
}

bool HasScalingRunner() {
    return static_cast<bool>(Runner());
}

bool RunScalingDialog(ScalingRequest& request) {
    return Runner() ? Runner()(request) : false;
}

}  // namespace qda
