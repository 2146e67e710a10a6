#pragma once
// The chart's widget tests draw real widgets: one QApplication for the test program, on the
// offscreen platform unless one was chosen (no display needed).
#include <QApplication>

inline void EnsureWidgetApplication() {
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "chart_widget_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
