#include "settings/UpdateLock.h"

namespace qda {

std::binary_semaphore& UpdateLock() {
    static std::binary_semaphore lock{1};
    return lock;
}

}  // namespace qda
