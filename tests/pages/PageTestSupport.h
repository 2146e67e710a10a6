#pragma once
// Shared pieces of the page tests: a scripted message answerer installed per test, an empty copy
// buffer, and a main-window stand-in that records the window messages it receives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <functional>
#include <vector>

#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/SettingsCopyBuffer.h"
#include "support/ScriptedMessageBackend.h"
#include "windowing/WindowMessage.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace qda::test {

struct ReceivedMessage {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Records every window message; answers sent ones through `onMessage` (result 0 without it).
class MessageSink : public QObject {
public:
    std::vector<ReceivedMessage> received;
    std::function<std::intptr_t(const ReceivedMessage&)> onMessage;
    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::EventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        received.push_back({m->message, m->wParam, m->lParam});
        if (onMessage) m->result = onMessage(received.back());
        return true;
    }
    std::vector<ReceivedMessage> Of(unsigned message) const {
        std::vector<ReceivedMessage> out;
        for (const auto& r : received)
            if (r.message == message) out.push_back(r);
        return out;
    }
};

class PageTest : public ::testing::Test {
protected:
    PageTest() : m_scope(messages) { CSettingsCopyBuffer::Global().ClearAll(); }
    ~PageTest() override { CSettingsCopyBuffer::Global().ClearAll(); }

    static void SetEditText(QWidget* page, int id, const char* text) {
        Control<QLineEdit>(page, id)->setText(QString::fromUtf8(text));
    }
    static QString EditText(QWidget* page, int id) { return Control<QLineEdit>(page, id)->text(); }

    ScriptedMessageBackend messages;
    MessageSink mainWindow;

private:
    ScopedMessageBackend m_scope;
};

}  // namespace qda::test
