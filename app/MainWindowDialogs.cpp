#include "app/MainWindowDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QUrl>

#include "app/AboutDlg.h"
#include "app/SplashDlg.h"
#include "app/StartupDlg.h"
#include "pages/OptionCommunication.h"
#include "pages/OptionEnvironment.h"

#ifndef QDA_FILE_VERSION
#define QDA_FILE_VERSION "0,0,0,0"
#endif

namespace qda {

int CMainWindowDialogs::ChooseStartup(QWidget* parent) {
    CStartupDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Choice() : -1;
}

void CMainWindowDialogs::ShowSplash(QWidget* parent, const QString& versionText, int milliseconds) {
    CSplashDlg splash(versionText, milliseconds, parent);
    splash.exec();
}

bool CMainWindowDialogs::GetOpenFileName(QWidget* parent, const QString& filter, const QString& initial,
                                         QString& chosen) {
    chosen = QFileDialog::getOpenFileName(parent, QString(), initial, filter);
    return !chosen.isEmpty();
}

bool CMainWindowDialogs::GetSaveFileName(QWidget* parent, const QString& filter, const QString& initial,
                                         QString& chosen) {
    QFileDialog dialog(parent, QString(), initial, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("qdt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    chosen = dialog.selectedFiles().front();
    return true;
}

bool CMainWindowDialogs::RunEnvironment(QWidget* parent, EnvironmentSetting& env, bool extended,
                                        bool& unitChanged) {
    COptionEnvironment dialog(parent);
    dialog.SetRecord(env, extended);
    if (dialog.exec() != QDialog::Accepted) return false;
    env = dialog.Record();
    unitChanged = dialog.UnitChanged();
    return true;
}

bool CMainWindowDialogs::RunPcComm(QWidget* parent, PcCommSetting& pc) {
    COptionCommunication dialog(parent);
    dialog.SetRecord(pc);
    if (dialog.exec() != QDialog::Accepted) return false;
    pc = dialog.Record();
    return true;
}

void CMainWindowDialogs::RunAbout(QWidget* parent) {
    CAboutDlg dialog(QStringLiteral(QDA_FILE_VERSION), parent);
    dialog.exec();
}

bool CMainWindowDialogs::OpenDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

Qt::KeyboardModifiers CMainWindowDialogs::QueryModifiers() {
    return QGuiApplication::queryKeyboardModifiers();
}

bool CMainWindowDialogs::LockKeysOn() {
    // The kernel shows each keyboard's lock LEDs as /sys/class/leds/<input>::capslock etc.
    auto lit = [](const char* suffix) {
        const QDir leds(QStringLiteral("/sys/class/leds"));
        for (const QString& name :
             leds.entryList({QStringLiteral("*::") + QLatin1String(suffix)}, QDir::Dirs | QDir::System)) {
            QFile file(leds.filePath(name + QStringLiteral("/brightness")));
            if (file.open(QIODevice::ReadOnly) && file.readAll().trimmed().toInt() > 0) return true;
        }
        return false;
    };
    return lit("capslock") && lit("numlock");
}

}  // namespace qda
