#pragma once
// One of the main window's two transfers (receive, send): the worker's parameter block and thread.
#include <atomic>
#include <thread>

#include "settings/TransferParam.h"

namespace qda {

struct MainTransfer {
    TransferParam param;
    std::thread thread;
    // From the start of the worker until its completion message has been handled.
    std::atomic<bool> running{false};
};

}  // namespace qda
