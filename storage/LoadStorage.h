#pragma once
// CLoadStorage: the progress dialog "蓄積データを取得しています..." (dialog 187) of a readout over
// RS-232C. Once a second it shows how much of the reply under way has come, the elapsed and the
// remaining seconds, the readout's title and "(part/parts)" in its caption; it closes itself at
// the first tick after the readout is done.
#include <QBasicTimer>
#include <QDialog>

#include "storage/ReadoutProgress.h"

class CCommand;
class QLabel;
class QProgressBar;

namespace qda {
struct ReadoutStatus;
}

class CLoadStorage : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_PROGRESS = 1220, IDC_TITLE = 1221, IDC_TIME = 1222 };
    static constexpr int kTickMs = 1000;

    // `status` carries the title to show and the done flag; `parts` is 1 or 2.
    CLoadStorage(CCommand& command, const qda::ReadoutStatus& status, int parts, QWidget* parent = nullptr);

    const CReadoutProgress& Progress() const { return m_progress; }
    // One tick of the timer (public for tests that do not wait a second).
    void Tick();

protected:
    void timerEvent(QTimerEvent* e) override;
    // The readout cannot be cancelled: the dialog goes when it is done.
    void reject() override {}

private:
    CCommand& m_command;
    const qda::ReadoutStatus& m_status;
    CReadoutProgress m_progress;
    QBasicTimer m_timer;
    QProgressBar* m_bar = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_time = nullptr;
};
