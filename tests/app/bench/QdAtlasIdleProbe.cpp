// qd-atlas as it starts, ending when its main window is shown and idle: the start-up sequence of
// the program with the splash and the start-up choice left out.
#include <QApplication>
#include <QTimer>

#include "app/MainWindowDialogs.h"
#include "app/MainWindowLogic.h"
#include "app/TR52App.h"

namespace {

class IdleExitDialogs : public qda::CMainWindowDialogs {
public:
    void ShowSplash(QWidget*, const QString&, int) override {}
    // The start-up action runs right after the window has become visible: end once idle.
    int ChooseStartup(QWidget*) override {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        return -1;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QD-Atlas"));
    QApplication::setOrganizationName(QStringLiteral("Vantor"));
    IdleExitDialogs dialogs;
    CTR52App app(qda::JoinCommandLine(argc, argv), &dialogs);
    app.InitInstance();
    return 0;
}
