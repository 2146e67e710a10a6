// Renders the main window and a few pages and dialogs in one language to PNG files, to look at the translated
// layout without a display: qda_render_lang <jp|us|de> <module dir> [output directory].
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <string>

#include "app/MainWindowDialogs.h"
#include "app/TR52Dlg.h"
#include "pages/OptionEnvironment.h"
#include "pages/OptionHeadSetting.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabOut.h"
#include "resources/lang/LanguageModule.h"
#include "settings/SettingsDefaults.h"

namespace {

// The real dialogs, except that the start-up choice is left with Esc and the splash is not shown.
class QuietStartDialogs : public qda::CMainWindowDialogs {
public:
    int ChooseStartup(QWidget*) override { return -1; }
    void ShowSplash(QWidget*, const QString&, int) override {}
};

bool Save(QWidget& w, const QDir& dir, const QString& name, QSize size = {}) {
    if (size.isValid()) w.resize(size);
    w.show();
    QApplication::processEvents();
    const QString path = dir.filePath(name + ".png");
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <jp|us|de> <module dir> [output directory]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string lang = argv[1];
    std::string error;
    // The language comes first: the pages take their texts when they are built.
    if (!qda::LoadLanguageModule(lang, argv[2], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    QDir dir(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QDir::currentPath());
    dir.mkpath(".");
    const QString suffix = "-" + QString::fromStdString(lang);
    const SettingsBlock block = qda::DefaultBlock();
    const ProgramSetting& p = block.Programs[0];
    bool ok = true;

    CTabHead head;
    head.LoadPage(nullptr, 0, 0, p.HeadA, QStringLiteral("A"), block.PcComm, nullptr);
    head.RefreshPage();
    ok &= Save(head, dir, "head" + suffix, {640, 480});

    CTabOut out;
    out.LoadPage(nullptr, 0, 0, p.Out1, QStringLiteral("1"), 0, block.PcComm, nullptr);
    out.RefreshPage();
    ok &= Save(out, dir, "out" + suffix, {640, 520});

    CTabCommon common;
    common.LoadPage(nullptr, p.Common, 0, 1);
    common.RefreshPage();
    ok &= Save(common, dir, "common" + suffix, {640, 480});

    COptionEnvironment env;
    env.SetRecord(block.Environment, true);
    ok &= Save(env, dir, "option-environment" + suffix);
    COptionHeadSetting tuning(QStringLiteral("A"), nullptr, nullptr, 0);
    ok &= Save(tuning, dir, "option-rova-tuning" + suffix);

    QuietStartDialogs dialogs;
    CTR52Dlg::Options options;
    options.dialogs = &dialogs;
    options.versionText = QStringLiteral("1.00");
    CTR52Dlg window(options);
    ok &= Save(window, dir, "main-window" + suffix);
    qda::UnloadLanguageModule();
    return ok ? 0 : 1;
}
