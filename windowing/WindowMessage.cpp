#include "windowing/WindowMessage.h"

#include <QCoreApplication>
#include <QThread>

namespace qda {

WindowMessageEvent::WindowMessageEvent(unsigned message_, std::uintptr_t wParam_, std::intptr_t lParam_)
    : QEvent(EventType()), message(message_), wParam(wParam_), lParam(lParam_) {}

QEvent::Type WindowMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostWindowMessage(QObject* target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!target) return false;
    QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
    return true;
}

std::intptr_t SendWindowMessage(QObject* target, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (!target) return 0;
    auto deliver = [target, message, wParam, lParam]() -> std::intptr_t {
        WindowMessageEvent ev(message, wParam, lParam);
        QCoreApplication::sendEvent(target, &ev);
        return ev.result;
    };
    if (QThread::currentThread() == target->thread()) return deliver();
    // From a worker: the receiver runs it on its own thread while this thread waits.
    std::intptr_t result = 0;
    QMetaObject::invokeMethod(target, deliver, Qt::BlockingQueuedConnection, &result);
    return result;
}

}  // namespace qda
