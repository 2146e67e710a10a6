#pragma once
// CDumpDialog: the communication dump window ("DUMP"). While it is shown it lists every block the
// command layer hands to the link ("Send data") and takes from the receive queue ("Recevie data"),
// one row per 32 bytes; "Stop scroll" keeps the view where it is, Copy puts the list on the
// clipboard as tab-separated text, Clear empties it. The window registers itself as the
// program's dump sink when created (after the command object, whose construction clears the
// registration) and withdraws when destroyed.
#include <QDialog>
#include <atomic>
#include <memory>

#include "comm/DumpRecords.h"

class QCheckBox;
class QPushButton;
class QTableView;

namespace qda {
class DumpRowsModel;
}

class CDumpDialog : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_LIST = 1000, IDC_STOP_SCROLL = 1001, IDC_COPY = 1002, IDC_CLEAR = 1003 };

    explicit CDumpDialog(QWidget* parent = nullptr);
    ~CDumpDialog() override;

    qda::CDumpRecorder& Recorder() { return m_recorder; }
    // Rows shown in the list now.
    int RowCount() const;

    // Copies the list to the clipboard; false (after its message) when that failed.
    bool OnCopy();
    void OnClear();

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    // Shows the rows logged since the last call (user-interface thread).
    void TakeNewRows();
    void ShowLockFailure();

    qda::CDumpRecorder m_recorder;
    std::unique_ptr<qda::DumpRowsModel> m_model;
    QTableView* m_list = nullptr;
    QCheckBox* m_stopScroll = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_clear = nullptr;
    // One queued call at a time, however fast the blocks come.
    std::atomic<bool> m_takePending{false};
    std::atomic<bool> m_failurePending{false};
};
