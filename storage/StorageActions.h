#pragma once
// The rules of the data storage's start, stop and clear, as the storage window's buttons and
// qd-atlas-cli's "storage start|stop|clear" apply them, on a link the caller has opened. Each
// returns what happened and the message to show; nothing is shown here, except that the clear
// asks its question through the caller's function.
#include <functional>

#include "comm/ControllerReplies.h"

class CCommand;

namespace qda {

struct StorageActionResult {
    bool ok = false;
    // The message to show (0: none) and its icon: MB_ICONWARNING for failures, MB_ICONINFORMATION
    // for "there is nothing to clear".
    int message = 0;
    unsigned style = 0;
    // The controller's answer to the command that was refused, when it answered at all (the CLI
    // prints the status's text).
    CommandReply reply;
    // Clear only: the operator declined to stop the storage (nothing was sent).
    bool declined = false;
    // Clear only: the stored data was cleared.
    bool cleared = false;
};

// Start: a controller in setting mode is first brought to measuring mode (the request must be
// answered with status 0 and the state must then say measuring); in an unknown mode the start
// fails. Failure: message 341.
StorageActionResult StartStorage(CCommand& command);

// Stop: only in measuring mode; sends the stop only while the controller stores. Failure:
// message 343.
StorageActionResult StopStorage(CCommand& command);

// Clear. In setting mode the controller is returned to measuring mode and message 257 says there
// is nothing to clear; while storing, `confirmStop` is asked (message 338) and the storage is
// stopped first (failure: 343); with nothing stored, message 257. Other failures: message 333.
StorageActionResult ClearStorage(CCommand& command, const std::function<bool()>& confirmStop);

}  // namespace qda
