#pragma once
// COptionHeadSetting: the modal ROVA tuning dialog of one head. A worker thread drives the
// controller (start, finish with read-back of the ROVA settings, cancel) and reports each step to
// the dialog as its progress message; the dialog cannot be closed while the worker runs.
#include <QDialog>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "windowing/WidgetMessageWindow.h"

class CCommand;
namespace qda {
class CEvent;
}

class COptionHeadSetting : public QDialog {
    Q_OBJECT
public:
    enum : int {
        IDC_STOP = 3,
        IDC_CLOSE = 2,
        IDC_SEND_BEFORE = 1116,
        IDC_START = 1140,
        IDC_CANCEL_TUNING = 1215,
    };
    // The dialog's own progress message: wParam = step (0 end, 1 start, 2 finish, 3 cancel),
    // lParam = success.
    static constexpr unsigned kProgressMessage = 0x0401;
    // Dialog states of the four buttons.
    enum State { kIdle = 0, kBusy = 1, kTuning = 2, kFinished = 3, kCancelled = 4 };

    // `letter` "A" or "B"; the caller opens the port before and closes it after.
    COptionHeadSetting(const QString& letter, CCommand* command, QObject* mainWindow, unsigned sendMessage,
                       QWidget* parent = nullptr);
    ~COptionHeadSetting() override;

    // The results: whether a tuning was finished, and the head's ROVA settings read back then.
    bool Tuned() const { return m_tuned; }
    int RovaMode() const { return m_result.rova; }
    int RovaLower() const { return m_result.lower; }
    int RovaUpper() const { return m_result.upper; }
    State CurrentState() const { return m_state; }
    bool WorkerRunning() const { return m_worker.joinable(); }

    // Esc and the close button are ignored while the worker runs.
    void reject() override;

protected:
    // F1 asks for the help document of this dialog.
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    struct Result {
        int rova = 0;
        int lower = 1;
        int upper = 99;
    };
    void OnStart();
    void OnStop();
    void OnCancel();
    void OnProgress(int step, bool success);
    void SetState(State state);
    void Work(int head, bool sendBefore);
    void Post(int step, bool success);
    // Reads the head's ROVA mode and range after a finished tuning; false when a read fails.
    bool ReadBack(int head, Result& result);
    void EndWorker();

    QString m_letter;
    CCommand* m_command;
    QObject* m_mainWindow;
    unsigned m_sendMessage;
    State m_state = kIdle;
    bool m_tuned = false;
    Result m_result;
    std::mutex m_resultLock;  // the worker writes m_pending, the dialog takes it on (2, 1)
    Result m_pending;
    std::unique_ptr<qda::CEvent> m_start, m_finish, m_cancel, m_quit;
    std::thread m_worker;
    std::atomic<bool> m_done{false};
    // Set by the worker when another program keeps the controller, so that the failed start says why.
    std::atomic<bool> m_refused{false};
    qda::WidgetMessageWindow m_messageWindow;
};
