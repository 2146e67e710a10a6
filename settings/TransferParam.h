#pragma once
// What a receive or a send of all settings works on: the command object, a copy of the settings
// image with its program number, and the completion message for the window that started it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "comm/Event.h"
#include "settings/SettingsBlock.h"

class CCommand;

namespace qda {

// Receives the completion message: (message, wParam 0 receive / 1 send, lParam 1 success / 0).
// Called on the worker thread; the window posts it on to its own thread.
using TransferDoneTarget = std::function<void(unsigned message, uintptr_t wParam, intptr_t lParam)>;

// The main window's completion message (WM_TRANSFER_DONE).
constexpr unsigned kTransferDoneMessage = 0x0401;
constexpr uintptr_t kTransferReceive = 0;
constexpr uintptr_t kTransferSend = 1;

}  // namespace qda

struct TransferParam {
    // 0 when the transfer starts; the worker sets 1 once the procedure has returned.
    std::atomic<int> done{0};
    // The window that receives the completion message, and that message.
    qda::TransferDoneTarget owner;
    unsigned message = qda::kTransferDoneMessage;
    // The command object the transfer talks through.
    CCommand* command = nullptr;
    // Created for each transfer (auto-reset, not signalled).
    std::unique_ptr<qda::CEvent> event;
    // A full copy of the settings image; filled by a receive, sent by a send.
    SettingsBlock image{};
    // The program that goes with the image; after a receive the controller's selected program.
    int program = 0;
};
