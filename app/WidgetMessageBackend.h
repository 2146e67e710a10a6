#pragma once
// The program's message box: ShowMessage's backend over QMessageBox. A box asked for on a worker
// thread is shown on the user-interface thread while the worker waits for the answer.
#include "resources/MessageBackend.h"

namespace qda {

class WidgetMessageBackend : public IMessageBackend {
public:
    // Shows a modal QMessageBox captioned `caption` over the active window; returns IDOK, IDCANCEL,
    // IDYES or IDNO. Any thread.
    int Show(const std::string& caption, const std::string& text, unsigned style) override;
    // Switches the window on the user-interface thread. Any thread.
    void EnableWindow(IMessageWindow& window, bool enable) override;
};

}  // namespace qda
