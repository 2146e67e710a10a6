#pragma once
// CSplashDlg (dialog 189): the picture with the program's version, closed by its own timer.
#include <QDialog>
#include <QImage>

#include "pages/DrawnPicture.h"

class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    // `versionText` is drawn at (220, 210); the dialog closes `milliseconds` after it is shown.
    CSplashDlg(const QString& versionText, int milliseconds, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    qda::DrawnPicture m_picture;
    QImage m_shown;  // m_picture at the ratio of the last paint
    QString m_text;
    int m_milliseconds;
};
