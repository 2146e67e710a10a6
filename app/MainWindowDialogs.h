#pragma once
// The modal dialogs the main window runs, behind one interface so that tests answer them without
// blocking. CMainWindowDialogs runs the real ones.
#include <QString>
#include <Qt>

#include "settings/SettingsBlock.h"

class QWidget;

namespace qda {

class IMainWindowDialogs {
public:
    virtual ~IMainWindowDialogs() = default;
    // The start-up choice: 0 receive, 1 open a file, 2 defaults; -1 when closed without OK.
    virtual int ChooseStartup(QWidget* parent) = 0;
    // The splash with its version text, shown for `milliseconds`.
    virtual void ShowSplash(QWidget* parent, const QString& versionText, int milliseconds) = 0;
    // The open-file dialog for settings files; false when cancelled.
    virtual bool GetOpenFileName(QWidget* parent, const QString& filter, const QString& initial,
                                 QString& chosen) = 0;
    // The save-file dialog (asks before overwriting); false when cancelled.
    virtual bool GetSaveFileName(QWidget* parent, const QString& filter, const QString& initial,
                                 QString& chosen) = 0;
    // The environment dialog; true on OK with `env` replaced and `unitChanged` set.
    virtual bool RunEnvironment(QWidget* parent, EnvironmentSetting& env, bool extended,
                                bool& unitChanged) = 0;
    // The PC communication dialog; true on OK with `pc` replaced.
    virtual bool RunPcComm(QWidget* parent, PcCommSetting& pc) = 0;
    // The version information dialog.
    virtual void RunAbout(QWidget* parent) = 0;
    // Opens a help document; false when it could not be opened.
    virtual bool OpenDocument(const QString& path) = 0;
    // The modifier keys held now (start-up restore, extended environment mode).
    virtual Qt::KeyboardModifiers QueryModifiers() = 0;
    // Whether Caps Lock and Num Lock are both toggled on.
    virtual bool LockKeysOn() = 0;
};

// The real dialogs: CStartupDlg, CSplashDlg, QFileDialog, COptionEnvironment, COptionCommunication,
// CAboutDlg, QDesktopServices.
class CMainWindowDialogs : public IMainWindowDialogs {
public:
    int ChooseStartup(QWidget* parent) override;
    void ShowSplash(QWidget* parent, const QString& versionText, int milliseconds) override;
    bool GetOpenFileName(QWidget* parent, const QString& filter, const QString& initial,
                         QString& chosen) override;
    bool GetSaveFileName(QWidget* parent, const QString& filter, const QString& initial,
                         QString& chosen) override;
    bool RunEnvironment(QWidget* parent, EnvironmentSetting& env, bool extended, bool& unitChanged) override;
    bool RunPcComm(QWidget* parent, PcCommSetting& pc) override;
    void RunAbout(QWidget* parent) override;
    bool OpenDocument(const QString& path) override;
    Qt::KeyboardModifiers QueryModifiers() override;
    // Read from the keyboard LEDs the kernel exposes (/sys/class/leds/*::capslock, *::numlock).
    bool LockKeysOn() override;
};

}  // namespace qda
