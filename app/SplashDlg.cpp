#include "app/SplashDlg.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "app/ButtonArt.h"

CSplashDlg::CSplashDlg(const QString& versionText, int milliseconds, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_picture(qda::SplashPicture()),
      m_text(versionText),
      m_milliseconds(milliseconds) {
    setObjectName(QStringLiteral("189"));
    setFixedSize(m_picture.Size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void CSplashDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    QTimer::singleShot(m_milliseconds, this, &QDialog::accept);
}

void CSplashDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const qreal ratio = qda::PaintRatio(p);
    if (m_shown.isNull() || m_shown.devicePixelRatio() != ratio) m_shown = m_picture.Render(ratio);
    qda::DrawOnDevicePixels(p, QPoint(0, 0), m_shown);
    p.setPen(Qt::white);
    p.setFont(parentWidget() != nullptr ? parentWidget()->font() : font());
    p.drawText(QRect(QPoint(220, 210), QPoint(1000, 1000)), Qt::AlignLeft | Qt::AlignTop, m_text);
}
