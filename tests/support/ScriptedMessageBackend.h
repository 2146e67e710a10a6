#pragma once
// A message backend for tests: records every message ShowMessage draws and answers from a queue.
//
// Install it with qda::ScopedMessageBackend for the length of a test. When the queue is empty a box
// with only an OK button answers OK and a question answers its refusing button (no or cancel), so a
// test that forgot to queue an answer never goes ahead by accident.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "resources/MessageBackend.h"

namespace qda::test {

struct ShownMessage {
    std::string caption;
    std::string text;
    unsigned style;
};

class ScriptedMessageBackend : public IMessageBackend {
public:
    int Show(const std::string& caption, const std::string& text, unsigned style) override;
    void EnableWindow(IMessageWindow& window, bool enable) override;

    // Queues the answer for the next box shown.
    void QueueAnswer(int answer);
    // Every message shown so far, oldest first.
    std::vector<ShownMessage> Shown() const;
    // Texts of every message shown so far.
    std::vector<std::string> ShownTexts() const;
    // Answers still queued.
    size_t PendingAnswers() const;
    // Number of EnableWindow calls made through this backend.
    int EnableCalls() const;
    void Clear();

    // Called inside Show, before it answers (e.g. to show a nested box); may be empty.
    void SetOnShow(std::function<void(const ShownMessage&)> onShow);

private:
    mutable std::mutex m_lock;
    std::vector<ShownMessage> m_shown;
    std::deque<int> m_answers;
    int m_enableCalls = 0;
    std::function<void(const ShownMessage&)> m_onShow;
};

// Installs a backend for the lifetime of the object and puts the previous one back afterwards.
class ScopedMessageBackend {
public:
    explicit ScopedMessageBackend(IMessageBackend& backend) : m_previous(SetMessageBackend(&backend)) {}
    ~ScopedMessageBackend() { SetMessageBackend(m_previous); }
    ScopedMessageBackend(const ScopedMessageBackend&) = delete;
    ScopedMessageBackend& operator=(const ScopedMessageBackend&) = delete;

private:
    IMessageBackend* m_previous;
};

// A window that records how it was switched.
class RecordingWindow : public IMessageWindow {
public:
    bool IsCreated() const override { return created; }
    void SetEnabled(bool enable) override {
        enabled = enable;
        history.push_back(enable);
    }
    void DispatchPending() override { ++dispatches; }

    bool created = true;
    bool enabled = true;
    std::vector<bool> history;  // every SetEnabled argument, in order
    int dispatches = 0;
};

}  // namespace qda::test
