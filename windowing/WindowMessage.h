#pragma once
// Window messages between the program's windows: a posted QEvent carrying (message, wParam, lParam).
//
// Posting queues the event on the receiver's thread; sending runs it at once on the receiver's
// thread and hands back the receiver's result (a blocking queued call when sent from a worker).
#include <QEvent>
#include <QObject>
#include <cstdint>

// Messages between the main window, its pages and its tool windows.
constexpr unsigned WM_TRANSFER_DONE = 0x0401;
constexpr unsigned WM_STARTUP_ACTION = 0x0402;
constexpr unsigned WM_HEAD_SEND_SETTINGS = 0x0403;
constexpr unsigned WM_HEAD_MODE_CHANGED = 0x0404;
constexpr unsigned WM_TRANSFER_REQUEST = 0x0405;
constexpr unsigned WM_OUT_RELOAD = 0x0406;
constexpr unsigned WM_OUT_SEND_SETTINGS = 0x0407;
// A controller error reply (wParam the error code), posted by the command layer's error target.
constexpr unsigned WM_CONTROLLER_ERROR = 0x0408;

// Notification code of an edit control whose text changed (wParam of a numeric edit's notification).
constexpr std::uintptr_t EN_CHANGE = 0x0300;

namespace qda {

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // The event type shared by every window message.
    static QEvent::Type EventType();

    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::intptr_t result = 0;  // set by the receiver of a sent message
};

// Queues the message for `target`; returns false when there is no target.
bool PostWindowMessage(QObject* target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// Delivers the message to `target` and returns the receiver's result (0 without a target).
std::intptr_t SendWindowMessage(QObject* target, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam);

}  // namespace qda
