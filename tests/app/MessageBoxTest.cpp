// The program's message box: caption, buttons and answers, the owner disabled while it is open,
// and a box asked for by a worker thread shown on the user-interface thread.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>

#include "app/WidgetMessageBackend.h"
#include "resources/Messages.h"
#include "windowing/WidgetMessageWindow.h"

using namespace qda;

namespace {

struct SeenBox {
    QString title, text;
    bool enabled = false;
    bool onUiThread = false;
    bool ownerEnabled = true;
    int nesting = 0;
    QStringList buttons;
};

// Waits for the box, records it and clicks the button with `buttonText` (the first button when empty).
void AnswerNextBox(SeenBox& seen, const QString& buttonText, QWidget* owner) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        timer->stop();
        timer->deleteLater();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.enabled = box->isEnabled();
        seen.onUiThread = QThread::currentThread() == qApp->thread();
        seen.ownerEnabled = owner == nullptr || owner->isEnabled();
        seen.nesting = GetMessageNesting();
        for (QAbstractButton* b : box->buttons()) seen.buttons << b->text().remove(QLatin1Char('&'));
        for (QAbstractButton* b : box->buttons()) {
            if (buttonText.isEmpty() || b->text().remove(QLatin1Char('&')) == buttonText) {
                b->click();
                return;
            }
        }
    });
    timer->start(5);
}

class MessageBoxTest : public ::testing::Test {
protected:
    MessageBoxTest() : previous(SetMessageBackend(&backend)) {}
    ~MessageBoxTest() override {
        SetMessageOwner(nullptr);
        SetMessageBackend(previous);
    }
    WidgetMessageBackend backend;
    IMessageBackend* previous;
};

TEST_F(MessageBoxTest, AnswersAndOwner) {
    QDialog owner;
    owner.show();
    // The box is parented to the active window, which is the owner it disables.
    QApplication::setActiveWindow(&owner);
    WidgetMessageWindow ownerWindow(&owner);
    SetMessageOwner(&ownerWindow);
    struct Case {
        unsigned style;
        QString click;
        int answer;
    };
    const Case cases[] = {
        {MB_ICONWARNING, QString(), IDOK},
        {MB_YESNO | MB_ICONQUESTION, QStringLiteral("No"), IDNO},
        {MB_YESNO | MB_ICONQUESTION, QStringLiteral("Yes"), IDYES},
        {MB_OKCANCEL | MB_ICONQUESTION, QStringLiteral("Cancel"), IDCANCEL},
        {MB_YESNOCANCEL | MB_ICONQUESTION, QStringLiteral("Cancel"), IDCANCEL},
    };
    for (const Case& c : cases) {
        SeenBox seen;
        AnswerNextBox(seen, c.click, &owner);
        EXPECT_EQ(ShowMessage("設定を送信しました。", c.style), c.answer);
        EXPECT_EQ(seen.title, QStringLiteral("QD-Atlas"));
        EXPECT_EQ(seen.text, QString::fromUtf8("設定を送信しました。"));
        EXPECT_TRUE(seen.enabled) << "the box itself takes input";
        EXPECT_FALSE(seen.ownerEnabled) << "the owner is disabled while the box is open";
        EXPECT_TRUE(owner.isEnabled()) << "and enabled again afterwards";
    }
}

TEST_F(MessageBoxTest, WorkerBoxIsShownOnTheUiThread) {
    QDialog owner;
    owner.show();
    // The box is parented to the active window, which is the owner it disables.
    QApplication::setActiveWindow(&owner);
    WidgetMessageWindow ownerWindow(&owner);
    SetMessageOwner(&ownerWindow);
    SeenBox seen;
    AnswerNextBox(seen, QStringLiteral("Yes"), &owner);
    int answer = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = ShowMessage("続けますか？", MB_YESNO | MB_ICONQUESTION);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_EQ(answer, IDYES);
    EXPECT_TRUE(seen.onUiThread);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_EQ(seen.nesting, 1);
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(MessageBoxTest, NestedBoxesKeepTheOwnerDisabledUntilTheLastCloses) {
    QDialog owner;
    owner.show();
    QApplication::setActiveWindow(&owner);
    WidgetMessageWindow ownerWindow(&owner);
    SetMessageOwner(&ownerWindow);
    // The first box is open when a worker asks for a second one (as a transfer's message can).
    std::thread worker;
    bool ownerEnabledBetween = true;
    int nestingInSecond = 0;
    auto* timer = new QTimer;
    int stage = 0;
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        if (stage == 0 && box->text() == QStringLiteral("first")) {
            stage = 1;
            worker = std::thread([] { ShowMessage("second", MB_ICONINFORMATION); });
        } else if (stage == 1 && box->text() == QStringLiteral("second")) {
            stage = 2;
            nestingInSecond = GetMessageNesting();
            box->buttons().front()->click();
        } else if (stage == 2 && box->text() == QStringLiteral("first") && GetMessageNesting() == 1) {
            stage = 3;
            ownerEnabledBetween = owner.isEnabled();
            box->buttons().front()->click();
            timer->stop();
        }
    });
    timer->start(5);
    EXPECT_EQ(ShowMessage("first", MB_ICONWARNING), IDOK);
    worker.join();
    delete timer;
    EXPECT_EQ(stage, 3);
    EXPECT_EQ(nestingInSecond, 2);
    EXPECT_FALSE(ownerEnabledBetween) << "the owner stays disabled while the first box is still open";
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(GetMessageNesting(), 0);
}

}  // namespace
