// Renders the main window with each of its six pages, and the PC communication dialog, to PNG
// files, for a look at the layout without a display: qda_render_main_window [output directory] (offscreen
// platform by default).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "app/MainWindowDialogs.h"
#include "app/TR52Dlg.h"
#include "pages/OptionCommunication.h"
#include "resources/Messages.h"

namespace {

// The real dialogs, except that the start-up choice is left with Esc and the splash is not shown.
class QuietStartDialogs : public qda::CMainWindowDialogs {
public:
    int ChooseStartup(QWidget*) override { return -1; }
    void ShowSplash(QWidget*, const QString&, int) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    dir.mkpath(".");
    QuietStartDialogs dialogs;
    CTR52Dlg::Options options;
    options.dialogs = &dialogs;
    options.versionText = QStringLiteral("1.00");
    CTR52Dlg window(options);
    window.show();
    QApplication::processEvents();
    const char* names[6] = {"main-head-a", "main-head-b", "main-out1",
                            "main-out2",   "main-common", "main-list"};
    bool ok = true;
    for (int tab = 0; tab < 6; ++tab) {
        if (tab > 0) window.MoveTab(1);
        QApplication::processEvents();
        const QString path = dir.filePath(QString::fromLatin1(names[tab]) + ".png");
        const bool saved = window.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok = ok && saved;
    }
    // The PC communication dialog on RS-232C, with this machine's serial ports in its device list.
    COptionCommunication pc(&window);
    pc.SetRecord(PcCommSetting{qda::kCommRs232c, 0, 0, 2});
    pc.show();
    QApplication::processEvents();
    const QString pcPath = dir.filePath(QStringLiteral("option-pc-communication.png"));
    const bool pcSaved = pc.grab().save(pcPath);
    std::printf("%s %s\n", pcSaved ? "wrote" : "FAILED", qPrintable(pcPath));
    return ok && pcSaved ? 0 : 1;
}
