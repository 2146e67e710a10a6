// Renders the main window with each of its six pages, the PC communication dialog and the
// measured-value, waveform and data storage windows to PNG files, for a look at the layout without a display:
// qda_render_main_window [output directory] (offscreen platform by default). On a screen of another
// device pixel ratio (QT_SCALE_FACTOR=2) the names carry it: main-head-a@2x.png.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "app/MainWindowDialogs.h"
#include "app/TR52Dlg.h"
#include "monitor/Wave.h"
#include "pages/OptionCommunication.h"
#include "resources/Messages.h"
#include "storage/DataStorage.h"

namespace {

// The real dialogs, except that the start-up choice is left with Esc and the splash is not shown.
class QuietStartDialogs : public qda::CMainWindowDialogs {
public:
    int ChooseStartup(QWidget*) override { return -1; }
    void ShowSplash(QWidget*, const QString&, int) override {}
};

// "" at 1 x, "@2x" or "@1.5x" on other screens.
QString RatioSuffix() {
    const qreal ratio = qApp->devicePixelRatio();
    return ratio == 1 ? QString() : QStringLiteral("@%1x").arg(ratio);
}

bool Save(QWidget& w, const QDir& dir, const QString& name) {
    w.show();
    QApplication::processEvents();
    const QString path = dir.filePath(name + RatioSuffix() + QStringLiteral(".png"));
    const bool saved = w.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

// A window the main window made hidden at start, by its class name (and head letter for CWave).
QWidget* ToolWindow(const char* className, char head = 0) {
    for (QWidget* w : QApplication::allWidgets()) {
        if (qstrcmp(w->metaObject()->className(), className) != 0 || !w->isWindow()) continue;
        if (head != 0 && static_cast<CWave*>(w)->HeadLetter() != head) continue;
        return w;
    }
    return nullptr;
}

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
        ok = Save(window, dir, QString::fromLatin1(names[tab])) && ok;
    }
    // The PC communication dialog on RS-232C, with this machine's serial ports in its device list.
    COptionCommunication pc(&window);
    pc.SetRecord(PcCommSetting{qda::kCommRs232c, 0, 0, 2});
    ok = Save(pc, dir, QStringLiteral("option-pc-communication")) && ok;
    pc.hide();
    // The tool windows as they open, without a link.
    const std::pair<const char*, QWidget*> tools[] = {{"wave-a", ToolWindow("CWave", 'A')},
                                                      {"calc", ToolWindow("CCalc")}};
    for (const auto& [name, w] : tools) {
        if (w == nullptr) {
            std::printf("FAILED %s: no such window\n", name);
            ok = false;
            continue;
        }
        ok = Save(*w, dir, QString::fromLatin1(name)) && ok;
        w->hide();
    }
    // The data storage window as it opens without a link (its "cannot connect" message kept quiet).
    const int silent = IsMessageSilent();
    SetMessageSilent(1);
    CDataStorage storage(window.Settings(), window.GetSelectedProgram(), &window, 0u, nullptr, &window);
    SetMessageSilent(silent);
    ok = Save(storage, dir, QStringLiteral("storage")) && ok;
    return ok ? 0 : 1;
}
