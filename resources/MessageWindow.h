#pragma once
// What the message display needs of a window: the owner disabled while a box is open, and the
// tool windows switched around modal dialogs. The program's windows implement it over their widgets.

namespace qda {

class IMessageWindow {
public:
    virtual ~IMessageWindow() = default;
    // True while the window exists (created and not yet destroyed).
    virtual bool IsCreated() const = 0;
    // Enables or disables the window for user input.
    virtual void SetEnabled(bool enable) = 0;
    // Dispatches every event pending for this window once, without waiting for more.
    virtual void DispatchPending() = 0;
};

}  // namespace qda
