#include "storage/StorageWindowSink.h"

#include "windowing/WindowMessage.h"

namespace qda {

void StorageWindowSink::Post(int wParam, std::intptr_t lParam) {
    PostWindowMessage(m_window, WM_STORAGE_STATUS, static_cast<std::uintptr_t>(wParam), lParam);
}

void StorageWindowSink::Send(int wParam, std::intptr_t lParam) {
    SendWindowMessage(m_window, WM_STORAGE_STATUS, static_cast<std::uintptr_t>(wParam), lParam);
}

}  // namespace qda
