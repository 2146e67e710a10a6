#include "windowing/ToolWindows.h"

#include <mutex>
#include <vector>

#include "resources/MessageBackend.h"

namespace qda {

namespace {

struct ToolWindowList {
    std::mutex lock;
    std::vector<IMessageWindow*> windows;
};

ToolWindowList& ToolWindows() {
    static ToolWindowList list;
    return list;
}

}  // namespace

bool RegisterToolWindow(IMessageWindow* window) {
    ToolWindowList& list = ToolWindows();
    std::lock_guard guard(list.lock);
    if (window == nullptr || static_cast<int>(list.windows.size()) >= kMaxToolWindows) return false;
    list.windows.push_back(window);
    return true;
}

void EnableToolWindows(bool enable) {
    std::vector<IMessageWindow*> windows;
    {
        ToolWindowList& list = ToolWindows();
        std::lock_guard guard(list.lock);
        windows = list.windows;
    }
    // Through the message backend, which switches the window on its own thread.
    IMessageBackend& backend = CurrentMessageBackend();
    for (IMessageWindow* window : windows) {
        if (window->IsCreated()) backend.EnableWindow(*window, enable);
    }
}

void ClearToolWindows() {
    ToolWindowList& list = ToolWindows();
    std::lock_guard guard(list.lock);
    list.windows.clear();
}

}  // namespace qda
