#include "comm/PortPathStore.h"

#include <atomic>
#include <cstdlib>

namespace qda {

namespace {
std::atomic<IPortPathStore*> g_store{nullptr};
}

void SetPortPathStore(IPortPathStore* store) {
    g_store.store(store);
}

IPortPathStore* GetPortPathStore() {
    return g_store.load();
}

std::string DefaultComPortPath(int portNo) {
    return "/dev/ttyS" + std::to_string(portNo - 1);
}

std::string ResolveComPortPath(int portNo) {
    if (portNo < 1 || portNo > 9) return {};
    const std::string var = "QDA_COM" + std::to_string(portNo);
    if (const char* env = std::getenv(var.c_str()); env != nullptr && env[0] != '\0') return env;
    if (IPortPathStore* store = g_store.load()) {
        std::string path = store->PortPath(portNo);
        if (!path.empty()) return path;
    }
    return DefaultComPortPath(portNo);
}

}  // namespace qda
