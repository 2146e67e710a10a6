#include "app/WidgetMessageBackend.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "resources/Messages.h"

namespace qda {

namespace {

int RunBox(const std::string& caption, const std::string& text, unsigned style) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (style & 0xF0) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    switch (style & 0x0F) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            // A yes/no box has no cancel; closing it is not an answer it can give.
            box.setEscapeButton(QMessageBox::NoButton);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    switch (box.standardButton(const_cast<QAbstractButton*>(clicked))) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        case QMessageBox::Cancel:
            return IDCANCEL;
        default:
            break;
    }
    // Closed without a button: the refusing answer of the box.
    switch (style & 0x0F) {
        case MB_OKCANCEL:
        case MB_YESNOCANCEL:
            return IDCANCEL;
        case MB_YESNO:
            return IDNO;
        default:
            return IDOK;
    }
}

bool OnUiThread() {
    return QCoreApplication::instance() == nullptr ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

int WidgetMessageBackend::Show(const std::string& caption, const std::string& text, unsigned style) {
    if (OnUiThread()) return RunBox(caption, text, style);
    int answer = IDCANCEL;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { answer = RunBox(caption, text, style); },
        Qt::BlockingQueuedConnection);
    return answer;
}

void WidgetMessageBackend::EnableWindow(IMessageWindow& window, bool enable) {
    if (OnUiThread()) {
        window.SetEnabled(enable);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { window.SetEnabled(enable); }, Qt::BlockingQueuedConnection);
}

}  // namespace qda
