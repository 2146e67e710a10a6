// Renders every settings page and option dialog with default settings to PNG files, for a look at
// the layout without a display: qda_render_pages [output directory] (offscreen platform by default).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "pages/OptionCommunication.h"
#include "pages/OptionEnvironment.h"
#include "pages/OptionHeadSetting.h"
#include "pages/SettingsListBuilder.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabList.h"
#include "pages/TabOut.h"
#include "settings/SettingsDefaults.h"

namespace {

bool Save(QWidget& w, const QDir& dir, const char* name, QSize size = {}) {
    if (size.isValid()) w.resize(size);
    w.show();
    QApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(name) + ".png");
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    dir.mkpath(".");
    const SettingsBlock block = qda::DefaultBlock();
    const ProgramSetting& p = block.Programs[0];
    bool ok = true;

    CTabHead head;
    head.LoadPage(nullptr, 0, 0, p.HeadA, QStringLiteral("A"), block.PcComm, nullptr);
    head.RefreshPage();
    ok &= Save(head, dir, "head", {640, 480});

    for (int sub = 0; sub < 3; ++sub) {
        CTabOut out;
        OutSetting rec = p.Out1;
        rec.Calc = 4;
        rec.CalcWave = 5;
        out.LoadPage(nullptr, 0, 0, rec, QStringLiteral("1"), 0, block.PcComm, nullptr);
        out.RefreshPage();
        out.ShowSubPage(sub);
        const char* names[3] = {"out-tolerance", "out-scaling", "out-display"};
        ok &= Save(out, dir, names[sub], {640, 520});
    }

    CTabCommon common;
    common.LoadPage(nullptr, p.Common, 0, 1);
    common.RefreshPage();
    ok &= Save(common, dir, "common", {640, 480});

    SettingsBlock changed = block;
    changed.Programs[0].HeadA.HdMsrMode = 2;
    CTabList list;
    list.LoadPage(nullptr, 0, BuildSettingsListText(changed, 0), BuildSettingsListText(block, 0),
                  block.PcComm, nullptr);
    list.RefreshPage();
    ok &= Save(list, dir, "list", {640, 600});

    COptionCommunication pc;
    pc.SetRecord(block.PcComm);
    ok &= Save(pc, dir, "option-communication");
    COptionEnvironment env;
    env.SetRecord(block.Environment, true);
    ok &= Save(env, dir, "option-environment");
    COptionHeadSetting tuning(QStringLiteral("A"), nullptr, nullptr, 0);
    ok &= Save(tuning, dir, "option-rova-tuning");
    return ok ? 0 : 1;
}
