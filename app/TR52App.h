#pragma once
// CTR52App: the start of the program: the USB library, the language module, the one-instance
// rule, the hidden owner window and the modal run of the main window.
#include <QLockFile>
#include <QString>
#include <memory>
#include <string>

namespace qda {
class IMainWindowDialogs;
}

class CTR52App {
public:
    // `commandLine` is the raw command line (the arguments after the program name); `dialogs`
    // replaces the main window's real dialogs (nullptr: the real ones).
    explicit CTR52App(std::string commandLine, qda::IMainWindowDialogs* dialogs = nullptr);
    ~CTR52App();

    // Runs the whole start sequence and the main window; returns false in every case, since the
    // process ends when the main window has closed (or when the start was refused).
    bool InitInstance();

    // The one-instance rule: takes the lock "<runtime dir>/<application name>.lock", which the
    // system drops with the process. False, after message 244, when another instance holds it.
    bool AcquireInstanceLock();

    // The folder of the language modules and of the help folders, relative to the executable.
    static QString LibraryDir();
    static QString HelpRoot();

private:
    std::string m_commandLine;
    qda::IMainWindowDialogs* m_dialogs;
    std::unique_ptr<QLockFile> m_instanceLock;
};
