#pragma once
// Journeys: the whole program (CTR52App with its real main window, tool windows, message boxes,
// file dialogs and language modules) runs on the test's main thread against qd-atlas-sim, over a
// pseudo-terminal or over the USB road through vantorusbd, while a script drives it from a second
// thread as an operator does: it waits for windows and message boxes, clicks controls, presses
// keys and types. The script never touches a widget itself; every look and every action runs on
// the user-interface thread (Operator::Ui), so modal dialogs and message boxes open and close as
// they do for a person.
//
// A watchdog fails the journey when the event loop stops answering for more than 2 s, and a
// journey passes only when its script ran to the end and the program then exited by itself.
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/TR52Dlg.h"
#include "settings/SettingsBlock.h"
#include "support/SimProcess.h"

namespace qda::journey {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A step of a script that could not be done; ends the script.
class JourneyFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which link the program's PC communication settings name at start.
enum class Link { kRs232c, kUsb };

struct ProgramSetup {
    Link link = Link::kRs232c;
    // The program's command line; "-jp" keeps the texts the scripts name independent of the locale.
    std::string commandLine = "-jp";
    // Extra options of qd-atlas-sim (faults, head models).
    std::vector<std::string> simArgs;
    // Help documents the program finds (file names below the language folder "JP", "US", "DE").
    std::vector<std::string> helpDocuments;
    // Changes the state saved by a previous run before the program starts (its PC communication
    // settings name `link`, COM1 for RS-232C, when it is called).
    std::function<void(SettingsBlock&)> savedState;
};

class Journey;

// Takes the program's requests to open a local file with the desktop's viewer (the help
// documents), so that a journey sees them and no viewer starts.
class DocumentOpener : public QObject {
    Q_OBJECT
public:
    std::vector<QString> Opened() const;
public slots:
    void open(const QUrl& url);

private:
    mutable std::mutex m_lock;
    std::vector<QString> m_opened;
};

// What a script may do. Every call may be made only from the script's thread.
class Operator {
public:
    explicit Operator(Journey& journey) : m_journey(journey) {}

    // --- running code on the user-interface thread ---------------------------------------------
    // Runs `f` on the user-interface thread (inside whatever event loop runs there, a modal
    // dialog's included) and returns its result; fails when it does not run within `limit`.
    // Called on the user-interface thread itself (inside a WaitUntil condition), it runs `f` at once.
    template <class F>
    auto Ui(F f, std::chrono::milliseconds limit = 10s) -> decltype(f());
    // Queues `f` on the user-interface thread without waiting: for actions that may open a modal
    // dialog, whose event loop keeps running inside them.
    void Post(std::function<void()> f);
    // Polls `condition` on the user-interface thread until it holds; fails with `what` and the
    // windows open then when it does not within `limit`.
    void WaitUntil(const std::function<bool()>& condition, const std::string& what,
                   std::chrono::milliseconds limit = 10s);
    // Lets the events queued so far (and those they queue) run.
    void Settle();

    // --- windows ----------------------------------------------------------------------------
    // The main window; fails when it is not up.
    QPointer<CTR52Dlg> Main();
    // Waits until the window on top (the active modal dialog, else the main window) is a visible
    // widget named `objectName` (dialog identifiers such as "167") or of class `className`.
    QPointer<QWidget> WaitForDialog(const QString& objectNameOrClass, std::chrono::milliseconds limit = 10s);
    // Waits until `dialog` has closed.
    void WaitClosed(const QPointer<QWidget>& dialog, const std::string& what,
                    std::chrono::milliseconds limit = 10s);
    // The widget on top: the active modal widget, else the main window.
    QPointer<QWidget> Top();
    // Settings page `index` (0 head A ... 5 settings list) of the main window.
    QPointer<QWidget> Page(int index);

    // --- controls ---------------------------------------------------------------------------
    // The visible control in `scope` (the window on top when null) whose objectName is `spec`, or
    // whose text is `spec` (a Japanese literal, shown in the current language; access-key marks
    // do not count). Fails when none or several match.
    QPointer<QWidget> Find(const QString& spec, QPointer<QWidget> scope = {});
    // Clicks the control `spec` with the left mouse button in its middle; waits up to 5 s for it
    // to be enabled first.
    void Click(const QString& spec, QPointer<QWidget> scope = {});
    void Click(const QPointer<QWidget>& control);
    // Clicks the standard button of the dialog on top (QDialogButtonBox or QMessageBox button).
    void ClickStandard(QDialogButtonBox::StandardButton button);
    // Presses and releases `key` with `modifiers` where the keyboard focus is.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Clicks into `control`, selects its text and types `text` over it.
    void TypeInto(const QString& spec, const QString& text, QPointer<QWidget> scope = {});
    // What the control shows: an edit's or a label's text, a combo box's current item.
    QString FieldText(const QString& spec, QPointer<QWidget> scope = {});
    // Chooses item `index` of the combo box `spec` by keyboard (Home, then Down `index` times).
    void Choose(const QString& spec, int index, QPointer<QWidget> scope = {});
    // Clicks tab `index` of the main window's tab control.
    void ClickTab(int index);
    // Opens the menu `menu` of the main window's menu bar and clicks its item `item` (Japanese
    // literals as the program passes them to the language module).
    void ChooseMenu(const char* menu, const char* item);

    // --- message boxes ----------------------------------------------------------------------
    // Waits for a message box, checks that it shows message `code` (-1: any text) and answers it
    // with `button`; returns its text.
    std::string Answer(int code, QMessageBox::StandardButton button = QMessageBox::Ok,
                       std::chrono::milliseconds limit = 15s);
    // Same, for a text that is not addressed by a message code.
    std::string AnswerText(const std::string& text, QMessageBox::StandardButton button = QMessageBox::Ok,
                           std::chrono::milliseconds limit = 15s);
    // Fails when a message box appears within `period`.
    void ExpectNoMessage(std::chrono::milliseconds period = 300ms);

    // --- the usual paths --------------------------------------------------------------------
    // Waits for the splash and dismisses it with Esc.
    void PassSplash();
    // The start-up choice: 0 receive from the controller, 1 open a file, 2 defaults.
    void ChooseStartup(int choice);
    // Types `path` into the open or save dialog on top and accepts it with Enter.
    void UseFileDialog(const QString& path);
    // Clicks "終了(&X)"; answers the save question (message 301) with `saveAnswer` when it comes
    // (QMessageBox::NoButton: none is expected).
    void Exit(QMessageBox::StandardButton saveAnswer = QMessageBox::NoButton);
    // Clicks "終了(&X)" and, when the save question (message 301) comes, answers it with No;
    // then waits until the program has exited.
    void ExitDiscarding();
    // Waits until the program has exited.
    void WaitForExit(std::chrono::milliseconds limit = 15s);

    // --- texts ------------------------------------------------------------------------------
    // A Japanese literal as the program shows it now, and message `code`.
    static QString Text(const char* japanese);
    static std::string Message(int code);
    // What is open on the screen, for failure messages.
    std::string DescribeScreen();

    // Records a failure without ending the script.
    void Fail(const std::string& what);
    // Names the step now running (shown with failures).
    void Step(const std::string& what);

private:
    friend class Journey;
    static bool OnUiThread();
    // Makes `window` the active window, as the window manager does when a person uses it.
    void Activate(const QPointer<QWidget>& window);
    Journey& m_journey;
};

// One run of the program with its peers.
class Journey {
public:
    explicit Journey(ProgramSetup setup = {});
    ~Journey();
    Journey(const Journey&) = delete;
    Journey& operator=(const Journey&) = delete;

    // False (with Why()) when the simulator, the daemon or the scratch folder could not be set up.
    bool Ready() const { return m_why.empty(); }
    const std::string& Why() const { return m_why; }
    // True when a program the journey needs is not built (the test skips itself).
    bool Missing() const { return m_missing; }

    // Starts the program on this thread and `script` on the operator's thread; returns once the
    // program has exited and the script has ended. Failures of the script, of the exit or of the
    // watchdog become test failures.
    void Run(const std::function<void(Operator&)>& script);

    test::SimProcess& Sim() { return *m_sim; }
    // A path in the journey's scratch folder.
    QString Path(const QString& name) const;
    // The saved state the program writes at exit.
    QString SavedStateFile() const;
    // The failures recorded so far.
    std::vector<std::string> Failures() const;
    // The local files the program asked the desktop to open, oldest first.
    std::vector<QString> OpenedDocuments() const { return m_opener->Opened(); }
    // True once the program's main window has closed and CTR52App has returned.
    bool ProgramEnded() const { return m_programEnded.load(); }

private:
    friend class Operator;
    void Record(const std::string& failure);
    void CloseEverything(Operator& op);
    void PrepareSavedState();
    bool StartUsbPeers();

    ProgramSetup m_setup;
    std::string m_why;
    bool m_missing = false;
    QTemporaryDir m_dir;
    std::unique_ptr<test::SimProcess> m_sim;
    pid_t m_daemon = -1;
    std::unique_ptr<DocumentOpener> m_opener;
    std::atomic<bool> m_programEnded{false};
    mutable std::mutex m_lock;
    std::vector<std::string> m_failures;
    std::string m_step;
};

template <class F>
auto Operator::Ui(F f, std::chrono::milliseconds limit) -> decltype(f()) {
    using Result = decltype(f());
    if (OnUiThread()) return f();
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(f));
    std::future<Result> result = task->get_future();
    Post([task] { (*task)(); });
    if (result.wait_for(limit) != std::future_status::ready)
        throw JourneyFailure("the user-interface thread did not run a look within " +
                             std::to_string(limit.count()) + " ms");
    return result.get();
}

}  // namespace qda::journey

// Skips the test when a program the journey needs is not built.
#define QDA_REQUIRE_PEERS(journey) \
    if ((journey).Missing()) GTEST_SKIP() << (journey).Why()
