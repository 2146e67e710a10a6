// The drawn controls as their owners see them: commands posted, states, colours, refused changes.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "pages/ColorStatic.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/NumEdit.h"
#include "pages/PictureHolder.h"
#include "windowing/WindowMessage.h"

namespace {

// A 16 × 16 picture: a magenta (transparent) border around a pure red square.
QImage TestPicture() {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) img.setPixel(x, y, qRgb(255, 0, 0));
    return img;
}

struct ButtonFixture : ::testing::Test {
    QWidget parent;
    CDrawnButton* button = nullptr;
    void SetUp() override {
        parent.resize(200, 100);
        button = new CDrawnButton(1007, QStringLiteral("P1(&1)"), &parent);
        button->setGeometry(10, 10, 100, 40);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
};

TEST_F(ButtonFixture, ClickPostsCommandAfterRelease) {
    QSignalSpy spy(button, &CDrawnButton::command);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(button->IsPressed());
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 0);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(spy.count(), 0) << "the command is posted, not delivered inside the release";
    QApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 1007);
    EXPECT_FALSE(button->IsPressed());
}

TEST_F(ButtonFixture, AccessKeyOfTheCaptionClicks) {
    QSignalSpy spy(button, &CDrawnButton::command);
    button->SetToggle(true);
    QTest::keyClick(&parent, Qt::Key_1, Qt::AltModifier);
    QApplication::processEvents();
    ASSERT_EQ(spy.count(), 1) << "Alt+1 clicks \"P1(&1)\"";
    EXPECT_EQ(spy[0][0].toInt(), 1007);
    EXPECT_TRUE(button->IsSelected()) << "as a click, it toggles";
    EXPECT_FALSE(button->IsPressed());

    // A new caption brings its own key; a disabled button takes none.
    button->SetText(QStringLiteral("Copy(&W)"));
    QTest::keyClick(&parent, Qt::Key_1, Qt::AltModifier);
    QTest::keyClick(&parent, Qt::Key_W, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 2) << "only Alt+W clicks now";
    button->setEnabled(false);
    QTest::keyClick(&parent, Qt::Key_W, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(ButtonFixture, ToggleFlipsSelectionOnlyWhenReleasedInside) {
    button->SetToggle(true);
    QSignalSpy spy(button, &CDrawnButton::command);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_TRUE(button->IsSelected());
    EXPECT_TRUE(button->IsDown());
    EXPECT_EQ(spy.count(), 1);

    // Pressed, dragged out and released outside: nothing changes, nothing is posted.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(button, QPoint(20, 20));
    QTest::mouseMove(button, QPoint(150, 20));
    EXPECT_FALSE(button->IsPressed());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 20));
    QApplication::processEvents();
    EXPECT_TRUE(button->IsSelected());
    EXPECT_EQ(spy.count(), 1);

    // Released outside without a move in between.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 60));
    QApplication::processEvents();
    EXPECT_TRUE(button->IsSelected());
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(ButtonFixture, NotifyOnPressPostsOnDownAndClearsSelection) {
    button->SetNotifyOnPress(true);
    QSignalSpy spy(button, &CDrawnButton::command);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
    button->SetSelected(true);
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 2) << "setting the selection of a notify-on-press button posts the command";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 3);
    EXPECT_FALSE(button->IsSelected());
}

TEST_F(ButtonFixture, SetSelectedOfPlainButtonPostsNothing) {
    QSignalSpy spy(button, &CDrawnButton::command);
    button->SetSelected(true);
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(button->IsDown());
    button->setEnabled(false);
    EXPECT_FALSE(button->IsDown()) << "a disabled button is never down";
}

TEST_F(ButtonFixture, FocusLossClearsPressedAndHover) {
    QTest::mouseMove(button, QPoint(20, 20));
    EXPECT_TRUE(button->IsHover());
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(button->hasFocus());
    auto* other = new QWidget(&parent);
    other->setFocusPolicy(Qt::StrongFocus);
    other->show();
    other->setFocus();
    EXPECT_FALSE(button->IsPressed());
    EXPECT_FALSE(button->IsHover());
}

TEST_F(ButtonFixture, CaptionCutBeforeAccelerator) {
    EXPECT_EQ(button->Caption(), QStringLiteral("P1(&1)"));
    button->SetCutAccelerator(true);
    EXPECT_EQ(button->Caption(), QStringLiteral("P1"));
}

TEST_F(ButtonFixture, ImagesFillTheTransparentColour) {
    button->SetText(QString());
    button->SetBitmaps(TestPicture(), 16, 16, QColor(255, 0, 255), QColor(204, 204, 255),
                       QColor(102, 102, 128));
    button->SetFillColors(QColor(204, 204, 255), QColor(102, 102, 128));
    // Image centred: the 100 × 39 client area puts its top-left at (42, 11).
    QImage shot = button->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(42 + 1, 11 + 1)), QColor(204, 204, 255));
    EXPECT_EQ(QColor(shot.pixel(42 + 8, 11 + 8)), QColor(255, 0, 0));

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    shot = button->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(42 + 1, 11 + 1)), QColor(102, 102, 128)) << "hot image while pressed";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));

    button->setEnabled(false);
    shot = button->grab().toImage();
    const QColor inner(shot.pixel(42 + 8, 11 + 8));
    EXPECT_EQ(inner.red(), inner.green());
    EXPECT_EQ(inner.green(), inner.blue()) << "the disabled image is grey";
    EXPECT_EQ(QColor(shot.pixel(42 + 1, 11 + 1)), QColor(204, 204, 255));
}

TEST_F(ButtonFixture, DisabledCaptionIsGrey) {
    QFont big = parent.font();
    big.setPixelSize(30);
    big.setBold(true);
    parent.setFont(big);
    button->SetText(QStringLiteral("H"));
    button->SetTextColor(QColor(0, 0, 255));
    auto countColour = [&](QColor c) {
        const QImage shot = button->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) n += QColor(shot.pixel(x, y)) == c;
        return n;
    };
    EXPECT_GT(countColour(QColor(0, 0, 255)), 10);
    button->setEnabled(false);
    EXPECT_EQ(button->CaptionColor(), QColor(128, 128, 128));
    EXPECT_EQ(countColour(QColor(0, 0, 255)), 0);
    EXPECT_GT(countColour(QColor(128, 128, 128)), 10);
}

TEST(ColorStatic, FillsWithItsColour) {
    CColorStatic s(1207, QString());
    s.resize(40, 40);
    EXPECT_EQ(s.Color(), s.palette().color(QPalette::Button));
    s.SetColor(QColor(241, 241, 241));
    const QImage shot = s.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(20, 30)), QColor(241, 241, 241));
}

TEST(PictureHolder, ReadsAsAGraphicNamedByItsOwner) {
    QWidget parent;
    auto* holder = new qda::PictureHolder(1019, QSize(32, 28), &parent);
    holder->setAccessibleName(QStringLiteral("Head A"));
    QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(holder);
    ASSERT_NE(ai, nullptr);
    EXPECT_EQ(ai->role(), QAccessible::Graphic);
    EXPECT_EQ(ai->text(QAccessible::Name), QStringLiteral("Head A"));
}

TEST(DrawnTab, UserChangeCanBeRefused) {
    QWidget parent;
    auto* tab = new CDrawnTab(1015, &parent);
    tab->setGeometry(0, 0, 400, 300);
    for (const char* t : {"A", "B", "OUT1"}) tab->InsertItem(QString::fromUtf8(t));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_EQ(tab->CurSel(), 0);

    bool refuse = true;
    int changed = 0;
    QObject::connect(tab, &CDrawnTab::selectionChanging, [&](bool* r) { *r = refuse; });
    QObject::connect(tab, &CDrawnTab::selectionChanged, [&] { ++changed; });
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->ItemRect(2).center());
    EXPECT_EQ(tab->CurSel(), 0);
    EXPECT_EQ(changed, 0);
    refuse = false;
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->ItemRect(2).center());
    EXPECT_EQ(tab->CurSel(), 2);
    EXPECT_EQ(changed, 1);
    // The owner's own change sends nothing.
    EXPECT_TRUE(tab->SetCurSel(1));
    EXPECT_FALSE(tab->SetCurSel(3));
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(tab->DisplayRect().top() > tab->ItemRect(0).bottom());
}

// Receives the numeric edit's notifications.
struct NotifySink : QObject {
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> seen;
    bool event(QEvent* e) override {
        if (e->type() != qda::WindowMessageEvent::EventType()) return QObject::event(e);
        auto* m = static_cast<qda::WindowMessageEvent*>(e);
        if (m->message == 0x0500) seen.emplace_back(m->wParam, m->lParam);
        return true;
    }
};

bool IsRed(const CNumEdit& e) {
    return e.palette().color(QPalette::Active, QPalette::Text) == QColor(255, 0, 0);
}

TEST(NumEdit, IntegerRangeMarksInvalidTextRedWithoutChangingIt) {
    NotifySink sink;
    CNumEdit edit(1021);
    edit.Setup(&sink, 0x0500, CNumEdit::kInteger, 1.0, 99.0);
    struct Case {
        const char* text;
        bool invalid;
    } cases[] = {{"0", true}, {"100", true}, {"99", false}, {"1", false},  {"+5", false},
                 {"", true},  {"-", true},   {"5-", true},  {"1.0", true}, {"0099", false}};
    for (const auto& c : cases) {
        edit.setText(QString::fromUtf8(c.text));
        EXPECT_EQ(edit.IsInvalid(), c.invalid) << c.text;
        EXPECT_EQ(IsRed(edit), c.invalid) << c.text;
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.text)) << "the control never rewrites the text";
    }
    QApplication::processEvents();
    ASSERT_FALSE(sink.seen.empty());
    EXPECT_EQ(sink.seen.back().first, 0x0300u);
    EXPECT_EQ(sink.seen.back().second, 1021);
}

TEST(NumEdit, DisabledInvalidEditIsNotRed) {
    CNumEdit edit(1027);
    edit.Setup(nullptr, 0, CNumEdit::kInteger, 0.0, 999.0);
    edit.setText(QStringLiteral("1000"));
    edit.setEnabled(false);
    EXPECT_TRUE(edit.IsInvalid());
    EXPECT_NE(edit.palette().color(QPalette::Disabled, QPalette::Text), QColor(255, 0, 0));
}

TEST(NumEdit, DecimalRangeIsConvertedIntoTheDisplayUnit) {
    CNumEdit edit(1062);
    // ±999999 steps of the 0.0001 mm row (step 10 internal units): ±99.9999 mm.
    edit.Setup(nullptr, 0, CNumEdit::kDecimal, -9999990.0, 9999990.0, 0, 2, 2);
    struct Case {
        const char* text;
        bool invalid;
    } cases[] = {{"99.9999", false}, {"100", true},   {"-99.9999", false}, {"-100.5", true},
                 {".5", true},       {"1.2.3", true}, {"0.5", false},      {"abc", true}};
    for (const auto& c : cases) {
        edit.setText(QString::fromUtf8(c.text));
        EXPECT_EQ(edit.IsInvalid(), c.invalid) << c.text;
    }
    // The µm row (0.01 um, step 1): ±9999.99 um.
    edit.Setup(nullptr, 0, CNumEdit::kDecimal, -999999.0, 999999.0, 0, 5, 2);
    edit.setText(QStringLiteral("9999.99"));
    EXPECT_FALSE(edit.IsInvalid());
    edit.setText(QStringLiteral("10000"));
    EXPECT_TRUE(edit.IsInvalid());
}

TEST(NumEdit, TextModeRefusesDoubleByteCharacters) {
    CNumEdit edit(1300);
    edit.Setup(nullptr, 0, CNumEdit::kText, 0, 0);
    edit.SetLengthLimit(16);
    edit.SetText(QStringLiteral("Graph01"));
    edit.setText(QStringLiteral("Graph01X"));
    EXPECT_EQ(edit.text(), QStringLiteral("Graph01X"));
    edit.setText(QString::fromUtf8("Graph01Xグ"));
    EXPECT_EQ(edit.text(), QStringLiteral("Graph01X")) << "the last valid text comes back";
    edit.setText(QStringLiteral("a.b"));
    EXPECT_TRUE(edit.IsInvalid());
    EXPECT_EQ(edit.text(), QStringLiteral("a.b"));
}

}  // namespace
