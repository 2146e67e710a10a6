#pragma once
// The storage worker's notices as window messages (1027) to a window on the user-interface
// thread: posted, or sent and waited for (the hand-over of an OUT's values).
#include <QPointer>

#include "storage/StorageStatusThread.h"

namespace qda {

class StorageWindowSink : public IStorageStatusSink {
public:
    explicit StorageWindowSink(QObject* window) : m_window(window) {}
    void Post(int wParam, std::intptr_t lParam) override;
    void Send(int wParam, std::intptr_t lParam) override;

private:
    QPointer<QObject> m_window;
};

}  // namespace qda
