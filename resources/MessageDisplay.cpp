// LoadMessage, ShowMessage and the process-wide state around them: the silent flag, the nesting
// count and the owner window.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "resources/ConsoleMessageBackend.h"
#include "resources/MessageBackend.h"
#include "resources/Messages.h"
#include "resources/StringTable.h"

namespace {

std::atomic<int> g_silent{0};
std::atomic<qda::IMessageBackend*> g_backend{nullptr};

// The owner and the nesting count change together: boxes may be shown from a worker thread
// (the transfer procedures) while the user-interface thread shows another.
struct OwnerState {
    std::mutex lock;
    qda::IMessageWindow* owner = nullptr;
    int nesting = 0;
    // Every window disabled by a box of the current nest; all are enabled again when the last box
    // closes, even if the owner changed while a box was open.
    std::vector<qda::IMessageWindow*> disabled;
};

OwnerState& Owner() {
    static OwnerState state;
    return state;
}

}  // namespace

namespace qda {

IMessageBackend* SetMessageBackend(IMessageBackend* backend) {
    return g_backend.exchange(backend);
}

IMessageBackend& CurrentMessageBackend() {
    if (IMessageBackend* backend = g_backend.load()) return *backend;
    static ConsoleMessageBackend console;
    return console;
}

}  // namespace qda

std::string& LoadMessage(int code, std::string& text) {
    if (code < 0 || code >= kMessageCount) {
        text.clear();
        return text;
    }
    text = qda::LoadResourceString(MessageTable[code].stringId);
    return text;
}

std::string LoadMessage(int code) {
    std::string text;
    LoadMessage(code, text);
    return text;
}

int SilentAnswer(unsigned style) {
    if (style & 0x1) return 0;
    if (style & 0x4) return IDYES;
    if (style & 0x2) return IDYES;
    return 0;
}

int ShowMessage(const std::string& text, unsigned style) {
    if (g_silent.load() != 0) return SilentAnswer(style);
    qda::IMessageBackend& backend = qda::CurrentMessageBackend();

    OwnerState& state = Owner();
    qda::IMessageWindow* toDisable = nullptr;
    {
        std::lock_guard guard(state.lock);
        ++state.nesting;
        if (state.owner != nullptr) {
            toDisable = state.owner;
            state.disabled.push_back(toDisable);
        }
    }
    // The backend is called outside the lock: it may hand the call to another thread that is
    // itself about to show a box.
    if (toDisable != nullptr) backend.EnableWindow(*toDisable, false);

    const int answer = backend.Show(kApplicationName, text, style);

    std::vector<qda::IMessageWindow*> toEnable;
    {
        std::lock_guard guard(state.lock);
        if (--state.nesting == 0) toEnable.swap(state.disabled);
    }
    // Each window once, in the order they were disabled.
    for (size_t i = 0; i < toEnable.size(); ++i) {
        bool seen = false;
        for (size_t j = 0; j < i && !seen; ++j) seen = toEnable[j] == toEnable[i];
        if (!seen) backend.EnableWindow(*toEnable[i], true);
    }
    return answer;
}

int ShowMessageCode(int code, unsigned style) {
    return ShowMessage(LoadMessage(code), style);
}

void SetMessageSilent(int flag) {
    g_silent.store(flag);
}

int IsMessageSilent() {
    return g_silent.load();
}

void SetMessageOwner(qda::IMessageWindow* window) {
    std::lock_guard guard(Owner().lock);
    Owner().owner = window;
}

qda::IMessageWindow* GetMessageOwner() {
    std::lock_guard guard(Owner().lock);
    return Owner().owner;
}

int GetMessageNesting() {
    std::lock_guard guard(Owner().lock);
    return Owner().nesting;
}

void PumpMessages(qda::IMessageWindow* window, int milliseconds) {
    if (milliseconds <= 0) return;
    const int passes = (milliseconds + 9) / 10;
    for (int i = 0; i < passes; ++i) {
        if (window != nullptr && window->IsCreated()) window->DispatchPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
