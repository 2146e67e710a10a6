#include "app/TR52App.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/ButtonArt.h"
#include "app/LanguageModule.h"
#include "app/MainWindowLogic.h"
#include "app/OwnerWnd.h"
#include "app/SettingsRegistryStore.h"
#include "app/TR52Dlg.h"
#include "app/WidgetMessageBackend.h"
#include "comm/DumpDialog.h"
#include "comm/PortPathStore.h"
#include "comm/UsbPort.h"
#include "resources/Messages.h"
#include "resources/lang/LanguageChoice.h"
#include "resources/lang/LanguageModule.h"
#include "settings/RegistryState.h"

#ifndef QDA_FILE_VERSION
#define QDA_FILE_VERSION "0,0,0,0"
#endif
#ifndef QDA_INSTALL_DATADIR
#define QDA_INSTALL_DATADIR "share"
#endif

namespace {

constexpr int kMsgAlreadyRunning = 244;

}  // namespace

CTR52App::CTR52App(std::string commandLine, qda::IMainWindowDialogs* dialogs)
    : m_commandLine(std::move(commandLine)), m_dialogs(dialogs) {}

CTR52App::~CTR52App() = default;

QString CTR52App::LibraryDir() {
    return QString::fromStdString(
        qda::LanguageModuleDir(QCoreApplication::applicationDirPath().toStdString()));
}

QString CTR52App::HelpRoot() {
    const QByteArray overridden = qgetenv("QDA_HELP_DIR");
    if (!overridden.isEmpty()) return QString::fromLocal8Bit(overridden);
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral("../") + QStringLiteral(QDA_INSTALL_DATADIR) +
                                         QStringLiteral("/qd-atlas/help")));
}

bool CTR52App::AcquireInstanceLock() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("QD-Atlas")
                                                                       : QCoreApplication::applicationName();
    m_instanceLock = std::make_unique<QLockFile>(QDir(dir).filePath(name + QStringLiteral(".lock")));
    // A lock left by a process that died is taken over (QLockFile checks the owner's PID).
    if (!m_instanceLock->tryLock(0)) {
        m_instanceLock.reset();
        ShowMessageCode(kMsgAlreadyRunning, MB_ICONWARNING);
        return false;
    }
    return true;
}

bool CTR52App::InitInstance() {
    qda::WidgetMessageBackend backend;
    qda::IMessageBackend* previous = qda::SetMessageBackend(&backend);

    // The controller on USB is registered with the access library; the outcome is not examined, a
    // missing controller shows when a command opens the link.
    CUsbPort::Install();

    // "--dump" opens the communication dump window beside the main window.
    const bool dumpWindow = qda::TakeDumpOption(m_commandLine);

    CLanguageModule& language = CLanguageModule::Instance();
    if (!language.Load(m_commandLine, LibraryDir().toStdString())) {
        ShowMessage(qda::kSystemErrorMessage, MB_ICONERROR);
        qda::SetMessageBackend(previous);
        return false;
    }

    if (!AcquireInstanceLock()) {
        language.Release();
        qda::SetMessageBackend(previous);
        return false;
    }

    // Every window of the program without an icon of its own (the option dialogs, the message
    // boxes, the file dialogs) shows the application icon.
    QApplication::setWindowIcon(qda::ApplicationIcon());

    qda::CSettingsRegistryStore store;
    qda::SetRegistryStore(&store);
    qda::SetPortPathStore(&store);

    {
        CTR52Dlg::Options options;
        options.store = &store;
        options.dialogs = m_dialogs;
        options.languageIndex = language.GetLanguage();
        options.helpRoot = HelpRoot();
        options.versionText = QString::fromStdString(qda::FormatVersionText(QDA_FILE_VERSION));
        options.commandLine = QString::fromStdString(m_commandLine);
        COwnerWnd owner;
        CTR52Dlg dialog(options, &owner);
        // Created after the main window's command object, whose construction clears the dump
        // registration; modeless and without owner, so it stays usable beside the main window.
        // It goes before the main window, so no exchange logs into it while it is destroyed.
        std::unique_ptr<CDumpDialog> dump;
        if (dumpWindow) {
            dump = std::make_unique<CDumpDialog>();
            dump->show();
        }
        dialog.exec();
        dump.reset();
    }
    store.Sync();

    qda::SetPortPathStore(nullptr);
    qda::SetRegistryStore(nullptr);
    language.Release();
    qda::SetMessageBackend(previous);
    return false;
}
