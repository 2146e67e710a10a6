#pragma once
// Where ShowMessage draws its boxes: the program's message box, the console of qd-atlas-cli, or a
// scripted answerer in tests.
#include <string>

#include "resources/MessageWindow.h"

namespace qda {

class IMessageBackend {
public:
    virtual ~IMessageBackend() = default;
    // Shows `text` with `caption` and the message-box `style`, waits for the answer and returns it
    // (IDOK, IDCANCEL, IDYES or IDNO). May be called from any thread.
    virtual int Show(const std::string& caption, const std::string& text, unsigned style) = 0;
    // Enables or disables `window`; a backend whose windows live on one thread hands the call over
    // to it. May be called from any thread.
    virtual void EnableWindow(IMessageWindow& window, bool enable) { window.SetEnabled(enable); }
};

// Installs `backend` for every later ShowMessage (nullptr: back to the console backend that writes
// to standard error). The caller keeps the backend alive while it is installed. Returns the
// backend installed before (nullptr when it was the default one).
IMessageBackend* SetMessageBackend(IMessageBackend* backend);

// The backend ShowMessage uses now (never nullptr).
IMessageBackend& CurrentMessageBackend();

}  // namespace qda
