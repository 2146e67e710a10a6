// The journeys run inside one QApplication named as the program's own, on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise (e.g. xcb under Xvfb, to watch them).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QD-Atlas"));
    QApplication::setOrganizationName(QStringLiteral("Vantor"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
