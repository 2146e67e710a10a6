// The tool window list and the window messages between the program's windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <atomic>
#include <thread>

#include "support/ScriptedMessageBackend.h"
#include "windowing/ToolWindows.h"
#include "windowing/WidgetMessageWindow.h"
#include "windowing/WindowMessage.h"

namespace {

using namespace qda;
using qda::test::RecordingWindow;
using qda::test::ScopedMessageBackend;
using qda::test::ScriptedMessageBackend;

class ToolWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearToolWindows(); }
    void TearDown() override { ClearToolWindows(); }
    ScriptedMessageBackend backend;
    ScopedMessageBackend installed{backend};
};

TEST_F(ToolWindowsTest, ToolWindowsSkipWindowsNotCreatedAndHoldAtMostTen) {
    RecordingWindow windows[kMaxToolWindows + 1];
    for (int i = 0; i < kMaxToolWindows; ++i) EXPECT_TRUE(RegisterToolWindow(&windows[i]));
    EXPECT_FALSE(RegisterToolWindow(&windows[kMaxToolWindows]));
    EXPECT_FALSE(RegisterToolWindow(nullptr));
    windows[2].created = false;
    EnableToolWindows(false);
    for (int i = 0; i < kMaxToolWindows; ++i) EXPECT_EQ(windows[i].enabled, i == 2) << i;
    EXPECT_TRUE(windows[kMaxToolWindows].history.empty());
    EnableToolWindows(true);
    EXPECT_TRUE(windows[0].enabled);
    EXPECT_TRUE(windows[2].history.empty());
}

// A receiver that records the messages it gets and answers each with wParam + lParam.
class Receiver : public QObject {
public:
    std::vector<unsigned> messages;
    bool event(QEvent* e) override {
        if (e->type() != WindowMessageEvent::EventType()) return QObject::event(e);
        auto* m = static_cast<WindowMessageEvent*>(e);
        messages.push_back(m->message);
        m->result = static_cast<std::intptr_t>(m->wParam) + m->lParam;
        return true;
    }
};

TEST(WindowMessageTest, PostedMessagesWaitForTheLoopAndSentOnesAnswer) {
    Receiver receiver;
    EXPECT_TRUE(PostWindowMessage(&receiver, WM_TRANSFER_DONE, 1, 0));
    EXPECT_TRUE(receiver.messages.empty()) << "a posted message waits for the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.messages, std::vector<unsigned>{WM_TRANSFER_DONE});
    EXPECT_EQ(SendWindowMessage(&receiver, WM_OUT_RELOAD, 2, 3), 5);
    EXPECT_FALSE(PostWindowMessage(nullptr, WM_OUT_RELOAD, 0, 0));
    EXPECT_EQ(SendWindowMessage(nullptr, WM_OUT_RELOAD, 2, 3), 0);

    // Sent from a worker, the message runs on the receiver's thread and the worker gets the answer.
    std::atomic<std::intptr_t> answer{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = SendWindowMessage(&receiver, WM_HEAD_SEND_SETTINGS, 40, 2);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(receiver.messages.back(), WM_HEAD_SEND_SETTINGS);
}

TEST(WidgetMessageWindowTest, DisablingTheOwnerLeavesItsOwnWindowsUsable) {
    auto owner = std::make_unique<QWidget>();
    auto* dialog = new QDialog(owner.get());
    auto* child = new QWidget(owner.get());
    WidgetMessageWindow window(owner.get());
    EXPECT_TRUE(window.IsCreated());
    window.SetEnabled(false);
    EXPECT_FALSE(owner->isEnabled());
    EXPECT_FALSE(child->isEnabled());
    EXPECT_TRUE(dialog->isEnabled()) << "a dialog opened from the window can still be used and closed";
    window.SetEnabled(true);
    EXPECT_TRUE(child->isEnabled());
    owner.reset();
    EXPECT_FALSE(window.IsCreated());
    window.SetEnabled(false);  // nothing left to switch
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
