// The slot header panel: what it shows at opening, what each control changes in the record and
// which notices the storage window gets, the held offset buttons, the name check and the keys it
// hands on.
#include <QAccessible>
#include <QCheckBox>
#include <QKeyEvent>
#include <QTest>
#include <cstring>

#include "pages/DrawnButton.h"
#include "pages/NumEdit.h"
#include "pages/PageTestSupport.h"
#include "storage/StorageGraphHead.h"

namespace {

using namespace qda;
using qda::test::ReceivedMessage;

// The storage window stand-in: records the header's notices and the keys posted to it.
class StorageWindowSink : public qda::test::MessageSink {
public:
    std::vector<std::pair<QEvent::Type, QKeyCombination>> keys;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
            keys.emplace_back(e->type(), static_cast<QKeyEvent*>(e)->keyCombination());
            return true;
        }
        return MessageSink::event(e);
    }
};

class GraphHeadTest : public qda::test::PageTest {
protected:
    GraphHeadTest() {
        record.IsEnable = 0;
        record.Color = 0x00FF8040;  // blue 0xFF, green 0x80, red 0x40
        record.Offset = 77;
        std::strcpy(record.GraphName, "Stored name");
        head.Prepare(record, 2, &window);
        head.show();
        QCoreApplication::processEvents();
        window.received.clear();
    }
    template <typename T>
    T* Ctl(int id) {
        return Control<T>(&head, id);
    }
    // Drains the queued clicks and the notices they post.
    static void Settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    std::vector<std::pair<int, int>> Notices() {
        Settle();
        std::vector<std::pair<int, int>> out;
        for (const ReceivedMessage& m : window.Of(CStorageGraphHead::kHeaderMessage))
            out.emplace_back(static_cast<int>(m.wParam), static_cast<int>(m.lParam));
        return out;
    }
    using Pairs = std::vector<std::pair<int, int>>;
    // Lets the 200 ms repeat timer run until `done` holds (false after two seconds).
    template <typename Pred>
    static bool WaitUntil(Pred done) {
        for (int waited = 0; waited < 2000; waited += 20) {
            if (done()) return true;
            QTest::qWait(20);
        }
        return done();
    }

    StorageGraphSetting record{};
    StorageWindowSink window;
    CStorageGraphHead head;
};

TEST_F(GraphHeadTest, OpeningShowsTheSlotsDefaultNameShownAndOffsetZero) {
    EXPECT_EQ(Ctl<QCheckBox>(CStorageGraphHead::IDC_GRAPH_ENABLE)->text(), QString::fromUtf8("データ3"));
    EXPECT_TRUE(Ctl<QCheckBox>(CStorageGraphHead::IDC_GRAPH_ENABLE)->isChecked());
    EXPECT_EQ(Ctl<QLineEdit>(CStorageGraphHead::IDC_GRAPH_NAME)->text(), "Graph03");
    EXPECT_EQ(Ctl<QLineEdit>(CStorageGraphHead::IDC_OFFSET)->text(), "0");
    EXPECT_EQ(head.GetRecord().Color, 0x00FF8040u);
    EXPECT_STREQ(head.GetRecord().GraphName, "Graph03");
    EXPECT_EQ(head.GetRecord().IsEnable, 1);
    EXPECT_EQ(head.OffsetMinimum(), -65535);
    EXPECT_EQ(head.OffsetMaximum(), 65535);
    EXPECT_TRUE(Notices().empty()) << "opening is no change";
    // A second opening starts afresh as well.
    head.Prepare(head.GetRecord(), 0, &window);
    EXPECT_EQ(Ctl<QLineEdit>(CStorageGraphHead::IDC_GRAPH_NAME)->text(), "Graph01");
}

TEST_F(GraphHeadTest, EachControlChangesItsFieldAndTellsTheWindow) {
    auto* name = Ctl<QLineEdit>(CStorageGraphHead::IDC_GRAPH_NAME);
    name->setText("Thickness");
    EXPECT_STREQ(head.GetRecord().GraphName, "Thickness");
    EXPECT_EQ(Notices(), (Pairs{{0, 0}}));

    window.received.clear();
    Ctl<QCheckBox>(CStorageGraphHead::IDC_GRAPH_ENABLE)->click();
    EXPECT_EQ(head.GetRecord().IsEnable, 0);
    EXPECT_EQ(Notices(), (Pairs{{0, 1}, {1, 2}}));

    window.received.clear();
    QColor offered;
    head.SetColorChooser([&](QColor initial, QWidget*) -> std::optional<QColor> {
        offered = initial;
        return QColor(1, 2, 3);
    });
    Ctl<CDrawnButton>(CStorageGraphHead::IDC_GRAPH_COLOR)->Click();
    EXPECT_EQ(Notices(), (Pairs{{0, 0}}));
    EXPECT_EQ(offered, QColor(0x40, 0x80, 0xFF));
    EXPECT_EQ(head.GetRecord().Color, 0x030201u);

    window.received.clear();
    head.SetColorChooser([](QColor, QWidget*) -> std::optional<QColor> { return std::nullopt; });
    Ctl<CDrawnButton>(CStorageGraphHead::IDC_GRAPH_COLOR)->Click();
    EXPECT_TRUE(Notices().empty()) << "a cancelled colour choice changes nothing";
    EXPECT_EQ(head.GetRecord().Color, 0x030201u);
}

TEST_F(GraphHeadTest, AnOffsetIsTakenOnlyWhenValidAndWithinTheLimits) {
    auto* offset = Ctl<QLineEdit>(CStorageGraphHead::IDC_OFFSET);
    struct Case {
        const char* text;
        int expected;
        Pairs notices;
    } cases[] = {
        {"120", 120, {{2, 2}}}, {"-65535", -65535, {{2, 2}}}, {"65536", -65535, {}}, {"abc", -65535, {}},
        {"-", -65535, {}},      {"-65535", -65535, {}},
    };
    for (const Case& c : cases) {
        window.received.clear();
        offset->setText(c.text);
        EXPECT_EQ(head.GetRecord().Offset, c.expected) << c.text;
        EXPECT_EQ(Notices(), c.notices) << c.text;
    }
    // Narrower limits clamp the offset shown and refuse what lies outside them.
    offset->setText("500");
    head.SetOffsetLimits(-100, 100);
    EXPECT_EQ(head.GetRecord().Offset, 100);
    EXPECT_EQ(offset->text(), "100");
    offset->setText("101");
    EXPECT_EQ(head.GetRecord().Offset, 100);
    EXPECT_TRUE(Ctl<CNumEdit>(CStorageGraphHead::IDC_OFFSET)->IsInvalid());
}

TEST_F(GraphHeadTest, AHeldOffsetButtonStepsAtOnceAndRepeatsUntilReleasedWithinTheBounds) {
    auto* up = Ctl<CDrawnButton>(CStorageGraphHead::IDC_OFFSET_UP);
    auto* down = Ctl<CDrawnButton>(CStorageGraphHead::IDC_OFFSET_DOWN);
    QTest::mousePress(up, Qt::LeftButton);
    EXPECT_EQ(head.GetRecord().Offset, 1);
    EXPECT_TRUE(head.IsRepeating());
    EXPECT_TRUE(WaitUntil([&] { return head.GetRecord().Offset >= 3; })) << "two more steps while held";
    QTest::mouseRelease(up, Qt::LeftButton);
    const int released = head.GetRecord().Offset;
    EXPECT_TRUE(WaitUntil([&] { return !head.IsRepeating(); }))
        << "the first tick after the release ends the run";
    EXPECT_EQ(head.GetRecord().Offset, released) << "the click on release is no extra step";

    // Holding Right ends a run of the increase button.
    QTest::mousePress(up, Qt::LeftButton);
    QTest::keyPress(up, Qt::Key_Right);
    EXPECT_TRUE(WaitUntil([&] { return !head.IsRepeating(); }));
    QTest::keyRelease(up, Qt::Key_Right);
    QTest::mouseRelease(up, Qt::LeftButton);

    // The bound holds.
    Ctl<QLineEdit>(CStorageGraphHead::IDC_OFFSET)->setText("-65535");
    QTest::mousePress(down, Qt::LeftButton);
    EXPECT_EQ(head.GetRecord().Offset, -65535);
    QTest::mouseRelease(down, Qt::LeftButton);
    // A press released outside posts no click, and the next keyboard click still steps.
    QTest::mousePress(up, Qt::LeftButton);
    QTest::mouseMove(up, QPoint(-20, -20));
    QTest::mouseRelease(up, Qt::LeftButton, {}, QPoint(-20, -20));
    const int before = head.GetRecord().Offset;
    up->setFocus();
    QTest::keyClick(up, Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(head.GetRecord().Offset, before + 1);
}

TEST_F(GraphHeadTest, ANameWithACommaOrAPeriodIsRefusedWithMessage256) {
    auto* name = Ctl<QLineEdit>(CStorageGraphHead::IDC_GRAPH_NAME);
    EXPECT_TRUE(head.CheckName());
    name->setText("1.5mm");
    EXPECT_FALSE(head.CheckName());
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, LoadMessage(256));
    EXPECT_TRUE(name->hasFocus() || QApplication::focusWidget() == name || !head.isActiveWindow());
    name->setText("15mm");
    EXPECT_TRUE(head.CheckName());
}

TEST_F(GraphHeadTest, TheProgramsKeysGoToTheStorageWindowOthersStayInTheHeader) {
    auto* name = Ctl<QLineEdit>(CStorageGraphHead::IDC_GRAPH_NAME);
    name->setText("ab");
    QTest::keyClick(name, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(name, Qt::Key_F5);
    QTest::keyClick(name, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(name, Qt::Key_C);
    QCoreApplication::processEvents();
    EXPECT_EQ(name->text(), "abc");
    EXPECT_FALSE(name->hasSelectedText()) << "Shift+Left went to the window";
    using Key = std::pair<QEvent::Type, QKeyCombination>;
    const std::vector<Key> expected = {
        {QEvent::KeyPress, QKeyCombination(Qt::ControlModifier, Qt::Key_Tab)},
        {QEvent::KeyRelease, QKeyCombination(Qt::ControlModifier, Qt::Key_Tab)},
        {QEvent::KeyPress, QKeyCombination(Qt::Key_F5)},
        {QEvent::KeyPress, QKeyCombination(Qt::ShiftModifier, Qt::Key_Left)},
    };
    EXPECT_EQ(window.keys, expected);
}

TEST_F(GraphHeadTest, EveryControlIsReachableAndEnableSwitchesAllSix) {
    for (int id : {CStorageGraphHead::IDC_GRAPH_ENABLE, CStorageGraphHead::IDC_GRAPH_NAME,
                   CStorageGraphHead::IDC_OFFSET_DOWN, CStorageGraphHead::IDC_OFFSET,
                   CStorageGraphHead::IDC_OFFSET_UP, CStorageGraphHead::IDC_GRAPH_COLOR}) {
        QWidget* w = FindControl(&head, id);
        ASSERT_NE(w, nullptr) << id;
        QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(ai, nullptr) << id;
        EXPECT_FALSE(ai->text(QAccessible::Name).isEmpty()) << id;
        EXPECT_FALSE(w->toolTip().isEmpty()) << id;
        head.Enable(false);
        EXPECT_FALSE(w->isEnabled()) << id;
        head.Enable(true);
        EXPECT_TRUE(w->isEnabled()) << id;
    }
    // The increase button's press action steps the offset once.
    QAccessibleInterface* up =
        QAccessible::queryAccessibleInterface(FindControl(&head, CStorageGraphHead::IDC_OFFSET_UP));
    EXPECT_EQ(up->role(), QAccessible::Button);
    up->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(head.GetRecord().Offset, 1);
    EXPECT_FALSE(head.IsRepeating());
}

}  // namespace
