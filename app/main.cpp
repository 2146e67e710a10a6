// qd-atlas: the QD-Atlas program.
#include <QApplication>

#include "app/MainWindowLogic.h"
#include "app/TR52App.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QD-Atlas"));
    QApplication::setOrganizationName(QStringLiteral("Vantor"));
    CTR52App app(qda::JoinCommandLine(argc, argv));
    app.InitInstance();
    return 0;
}
