// The tool windows' frame: the size grip's picture at any ratio, and which keys a tool window
// takes — its own widgets' keys, but none while a modal window stands in front of it — and the
// repeating buttons that act on the press, not again on the click that follows.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "pages/DrawnButton.h"

#include "pages/ToolWindowFrame.h"
#include "support/RenderAtRatio.h"

using namespace qda;

namespace {

TEST(ToolWindowFrame, TheGripIsDrawnAtTheScreensRatio) {
    const DrawnPicture grip = SizeGripPicture();
    ASSERT_EQ(grip.Size(), QSize(kSizeGrip, kSizeGrip));
    const QImage at2 = grip.Render(2);
    EXPECT_EQ(at2.size(), QSize(32, 32));
    EXPECT_FALSE(test::PixelDoubled(at2, at2.rect()));
    // Ridges in the lower right triangle only; the upper left corner shows what lies beneath.
    int above = 0, below = 0;
    for (int y = 0; y < at2.height(); ++y)
        for (int x = 0; x < at2.width(); ++x) {
            if (qAlpha(at2.pixel(x, y)) == 0) continue;
            ++(x + y < at2.width() ? above : below);
        }
    EXPECT_EQ(above, 0);
    EXPECT_GT(below, 40);
}

TEST(ToolWindowFrame, KeysBelongToTheWindowUntilAModalOneStandsInFront) {
    QDialog window;
    auto* edit = new QLineEdit(&window);
    QDialog other;
    auto* elsewhere = new QLineEdit(&other);
    window.show();
    other.show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    QEvent paint(QEvent::Paint);
    EXPECT_TRUE(IsWindowKey(window, edit, &press));
    EXPECT_TRUE(IsWindowKey(window, &window, &press));
    EXPECT_FALSE(IsWindowKey(window, elsewhere, &press)) << "another window's key";
    EXPECT_FALSE(IsWindowKey(window, edit, &paint));

    // A window-modal dialog of another window leaves this one its keys; one of its own does not.
    QDialog sheet(&other);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.show();
    EXPECT_FALSE(BlockedByModal(window));
    sheet.hide();
    QDialog own(&window);
    own.setWindowModality(Qt::WindowModal);
    own.show();
    EXPECT_TRUE(BlockedByModal(window));
    EXPECT_FALSE(IsWindowKey(window, edit, &press));
    own.hide();

    // A message box (application modal) in front: no key is the window's.
    bool blocked = false;
    QTimer::singleShot(0, [&] {
        blocked = !IsWindowKey(window, edit, &press);
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->done(0);
    });
    QMessageBox::information(&window, QStringLiteral("QD-Atlas"), QStringLiteral("x"));
    EXPECT_TRUE(blocked);
    EXPECT_TRUE(IsWindowKey(window, edit, &press));
}

// Runs the tracking as a window's event filter does, for two buttons.
class PressTracker : public QObject {
public:
    std::array<CDrawnButton*, 2> buttons{};
    std::array<bool, 2> acted{};
    std::vector<size_t> actions;
    bool eventFilter(QObject* watched, QEvent* e) override {
        TrackPressActions(buttons, acted, watched, e, [this](size_t i) { actions.push_back(i); });
        return false;
    }
};

TEST(ToolWindowFrame, ARepeatingButtonActsOnThePressAndNotesItForTheClick) {
    QWidget window;
    window.resize(200, 60);
    PressTracker tracker;
    for (size_t i = 0; i < 2; ++i) {
        tracker.buttons[i] = new CDrawnButton(2000 + static_cast<int>(i), QStringLiteral("B"), &window);
        tracker.buttons[i]->setGeometry(10 + static_cast<int>(i) * 60, 10, 50, 30);
        tracker.buttons[i]->installEventFilter(&tracker);
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    CDrawnButton* second = tracker.buttons[1];

    QTest::mousePress(second, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(tracker.actions, std::vector<size_t>{1});
    EXPECT_TRUE(tracker.acted[1]) << "the click that follows must know the press acted";
    EXPECT_FALSE(tracker.acted[0]);
    QTest::mouseRelease(second, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(tracker.acted[1]) << "a release inside leaves the note for the click";

    tracker.acted[1] = false;
    QTest::mousePress(second, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(second, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_FALSE(tracker.acted[1]) << "let go outside: no click follows, nothing to skip";

    tracker.actions.clear();
    QTest::mousePress(second, Qt::RightButton, {}, QPoint(5, 5));
    second->setEnabled(false);
    QTest::mousePress(second, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(tracker.actions.empty()) << "neither the right button nor a disabled button acts";
}

}  // namespace
