// The yardstick of the start-up benchmark: a Qt Widgets program that shows one empty dialog and
// ends as soon as it is idle.
#include <QApplication>
#include <QDialog>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.show();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return dialog.exec() >= 0 ? 0 : 1;
}
