#include "help/HelpPictures.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

#include "app/TR52Dlg.h"
#include "monitor/Wave.h"
#include "pages/OptionCommunication.h"
#include "pages/OptionEnvironment.h"
#include "pages/OptionHeadSetting.h"
#include "resources/Messages.h"
#include "storage/DataStorage.h"

namespace qda::help {

namespace {

using Renderer = std::function<QImage(CTR52Dlg&)>;

QImage Grab(QWidget& w) {
    w.show();
    QApplication::processEvents();
    QImage image = w.grab().toImage();
    w.hide();
    return image;
}

// The main window showing page `tab` (0 head A ... 5 settings list).
Renderer MainWindowAt(int tab) {
    return [tab](CTR52Dlg& main) {
        main.show();
        QApplication::processEvents();
        for (int guard = 0; guard < 6 && main.CurrentTab() != tab; ++guard) main.MoveTab(1);
        QApplication::processEvents();
        return main.grab().toImage();
    };
}

// A dialog made with the main window as parent, prepared by `prepare`.
template <typename Dialog>
Renderer DialogOf(std::function<std::unique_ptr<Dialog>(CTR52Dlg&)> make) {
    return [make](CTR52Dlg& main) {
        std::unique_ptr<Dialog> dialog = make(main);
        return Grab(*dialog);
    };
}

// A window the main window made hidden at start (the measured-value and waveform windows),
// found by its class name and, where there are several, by `pick`:
// {"calc-window", ToolWindow("CCalc")}.
Renderer ToolWindow(const char* className, std::function<bool(QWidget&)> pick = {}) {
    return [className, pick](CTR52Dlg& main) {
        for (QWidget* w : QApplication::allWidgets()) {
            if (qstrcmp(w->metaObject()->className(), className) == 0 && w->isWindow() &&
                (!pick || pick(*w))) {
                main.show();
                return Grab(*w);
            }
        }
        return QImage();
    };
}

const std::vector<std::pair<QString, Renderer>>& Table() {
    static const std::vector<std::pair<QString, Renderer>> table = {
        {"main-head", MainWindowAt(0)},
        {"main-out", MainWindowAt(2)},
        {"main-common", MainWindowAt(4)},
        {"main-list", MainWindowAt(5)},
        {"pc-communication", DialogOf<COptionCommunication>([](CTR52Dlg& main) {
             auto d = std::make_unique<COptionCommunication>(&main);
             d->SetRecord(PcCommSetting{kCommRs232c, 0, 0, 2});
             return d;
         })},
        {"environment", DialogOf<COptionEnvironment>([](CTR52Dlg& main) {
             auto d = std::make_unique<COptionEnvironment>(&main);
             d->SetRecord(main.Settings().Environment, false);
             return d;
         })},
        {"rova-tuning", DialogOf<COptionHeadSetting>([](CTR52Dlg& main) {
             return std::make_unique<COptionHeadSetting>(QStringLiteral("A"), &main.Command(), &main, 0u,
                                                         &main);
         })},
        {"wave-window",
         ToolWindow("CWave", [](QWidget& w) { return static_cast<CWave&>(w).HeadLetter() == 'A'; })},
        {"calc-window", ToolWindow("CCalc")},
        // Without a link: the picture shows the window as it opens, and its "cannot connect"
        // message is not one for the build's console.
        {"storage-window", DialogOf<CDataStorage>([](CTR52Dlg& main) {
             const int silent = IsMessageSilent();
             SetMessageSilent(1);
             auto d = std::make_unique<CDataStorage>(main.Settings(), main.GetSelectedProgram(), &main, 0u,
                                                     nullptr, &main);
             SetMessageSilent(silent);
             return d;
         })},
    };
    return table;
}

}  // namespace

QImage RenderPicture(const QString& name, CTR52Dlg& main) {
    for (const auto& [known, render] : Table()) {
        if (known == name) return render(main);
    }
    return {};
}

std::vector<QString> KnownPictures() {
    std::vector<QString> names;
    for (const auto& entry : Table()) names.push_back(entry.first);
    return names;
}

}  // namespace qda::help
