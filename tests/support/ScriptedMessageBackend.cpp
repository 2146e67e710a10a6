#include "support/ScriptedMessageBackend.h"

#include "resources/Messages.h"

namespace qda::test {

int ScriptedMessageBackend::Show(const std::string& caption, const std::string& text, unsigned style) {
    ShownMessage shown{caption, text, style};
    std::function<void(const ShownMessage&)> onShow;
    {
        std::lock_guard guard(m_lock);
        m_shown.push_back(shown);
        onShow = m_onShow;
    }
    if (onShow) onShow(shown);
    std::lock_guard guard(m_lock);
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (style & 0x0F) {
        case MB_OK:
            return IDOK;
        case MB_YESNO:
            return IDNO;
        default:
            return IDCANCEL;
    }
}

void ScriptedMessageBackend::EnableWindow(IMessageWindow& window, bool enable) {
    // Under the lock: boxes shown from several threads switch the same window, as the program's
    // backend serialises them on its user-interface thread.
    std::lock_guard guard(m_lock);
    ++m_enableCalls;
    window.SetEnabled(enable);
}

void ScriptedMessageBackend::QueueAnswer(int answer) {
    std::lock_guard guard(m_lock);
    m_answers.push_back(answer);
}

std::vector<ShownMessage> ScriptedMessageBackend::Shown() const {
    std::lock_guard guard(m_lock);
    return m_shown;
}

std::vector<std::string> ScriptedMessageBackend::ShownTexts() const {
    std::lock_guard guard(m_lock);
    std::vector<std::string> texts;
    for (const ShownMessage& m : m_shown) texts.push_back(m.text);
    return texts;
}

size_t ScriptedMessageBackend::PendingAnswers() const {
    std::lock_guard guard(m_lock);
    return m_answers.size();
}

int ScriptedMessageBackend::EnableCalls() const {
    std::lock_guard guard(m_lock);
    return m_enableCalls;
}

void ScriptedMessageBackend::Clear() {
    std::lock_guard guard(m_lock);
    m_shown.clear();
    m_answers.clear();
    m_enableCalls = 0;
}

void ScriptedMessageBackend::SetOnShow(std::function<void(const ShownMessage&)> onShow) {
    std::lock_guard guard(m_lock);
    m_onShow = std::move(onShow);
}

}  // namespace qda::test
