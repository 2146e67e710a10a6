#include "storage/LoadStorage.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "comm/Command.h"
#include "pages/PageSupport.h"
#include "storage/StorageReadout.h"

CLoadStorage::CLoadStorage(CCommand& command, const qda::ReadoutStatus& status, int parts, QWidget* parent)
    : QDialog(parent),
      m_command(command),
      m_status(status),
      m_progress(qda::U8("蓄積データを取得しています...").toStdString(), parts) {
    setObjectName(QStringLiteral("187"));
    setWindowTitle(qda::U8("蓄積データを取得しています..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setObjectName(QString::number(IDC_TITLE));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QString::number(IDC_PROGRESS));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setAccessibleName(qda::U8("蓄積データを取得しています..."));
    m_time = new QLabel(this);
    m_time->setObjectName(QString::number(IDC_TIME));
    layout->addWidget(m_title);
    layout->addWidget(m_bar);
    layout->addWidget(m_time);
    setMinimumWidth(360);
    m_timer.start(kTickMs, this);
}

void CLoadStorage::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_timer.timerId()) {
        QDialog::timerEvent(e);
        return;
    }
    Tick();
}

void CLoadStorage::Tick() {
    int started = 0, expected = 0, received = 0;
    m_command.GetTransferProgress(&started, &expected, &received);
    m_progress.Tick(started, expected, received);
    if (m_progress.PercentChanged()) m_bar->setValue(m_progress.Percent());
    const std::string title = m_status.Title();
    if (!title.empty()) m_title->setText(QString::fromStdString(title));
    m_time->setText(QString::fromStdString(m_progress.TimeText()));
    if (m_status.done.load()) {
        m_timer.stop();
        done(QDialog::Accepted);
    }
    setWindowTitle(QString::fromStdString(m_progress.Caption()));
}
