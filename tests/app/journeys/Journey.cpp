#include "Journey.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "app/SettingsRegistryStore.h"
#include "app/TR52App.h"
#include "app/TR52Dlg.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "resources/Messages.h"
#include "resources/lang/UiText.h"
#include "settings/RegistryState.h"
#include "settings/SettingsDefaults.h"
#include "usbwire/NtStatus.h"
#include "usbwire/VantorUsbWire.h"

namespace qda::journey {

namespace {

// The event loop must answer within this time; past the second limit the process is stopped,
// since a journey whose user-interface thread is stuck can end no other way.
constexpr auto kStallLimit = 2000ms;
constexpr auto kStuckLimit = 30000ms;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// A text as the operator reads it: access-key marks removed ("&&" is a literal "&").
QString Readable(QString text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) out += QLatin1Char('&'), ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

// The text a control shows, for finding it by text.
QString ShownText(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* d = qobject_cast<const CDrawnButton*>(w)) return d->Text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

QString Describe(const QWidget* w) {
    if (w == nullptr) return QStringLiteral("(none)");
    QString text =
        QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), w->objectName());
    if (!w->windowTitle().isEmpty() && w->isWindow())
        text += QStringLiteral(" titled \"%1\"").arg(w->windowTitle());
    if (auto* box = qobject_cast<const QMessageBox*>(w))
        text += QStringLiteral(" saying \"%1\"").arg(box->text());
    if (!w->isEnabled()) text += QStringLiteral(" (disabled)");
    return text;
}

CTR52Dlg* FindMain() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<CTR52Dlg*>(w)) return main;
    }
    return nullptr;
}

QWidget* TopWidget() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return FindMain();
}

// The window that takes the keyboard now: the focus widget of the modal on top, or of the
// application, or the window on top itself.
bool Reachable(const QWidget* w);

QWidget* KeyTarget() {
    QWidget* top = TopWidget();
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    // A tool window beside the window-modal main window, activated by the script, takes the keys.
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr && active != top && top != nullptr && top == FindMain() && Reachable(active))
        return active->focusWidget() ? active->focusWidget() : active;
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && top != nullptr && (focus->window() == top || top->isAncestorOf(focus)))
        return focus;
    if (top != nullptr && top->focusWidget() != nullptr) return top->focusWidget();
    return top;
}

// Whether a person could reach `w` now: no other modal window stands in front of it. A window-
// modal dialog (the main window) blocks only the windows it belongs to, not the tool windows.
bool Reachable(const QWidget* w) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || w->window() == modal || modal->isAncestorOf(w)) return true;
    if (modal->windowModality() != Qt::WindowModal) return false;
    for (const QWidget* p = modal->parentWidget(); p != nullptr; p = p->parentWidget()) {
        if (p->window() == w->window()) return false;
    }
    return true;
}

// True once the driver host answers a handshake on `socketPath` with the controller present. The
// host serves its socket before it has reached the simulated bus; a program started in between
// finds no controller.
bool ControllerAttached(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    bool attached = false;
    const std::vector<uint8_t> hello = wire::EncodeHello();
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(hello.size())) {
        uint8_t reply[wire::kHeaderSize + sizeof(wire::HelloReplyBody)];
        size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        wire::Header header{};
        wire::HelloReplyBody body{};
        attached = got == sizeof reply &&
                   wire::DecodeHeader(reply, wire::Reader::Client, header) == wire::WireError::None &&
                   header.type == static_cast<uint16_t>(wire::MessageType::HelloReply) &&
                   wire::DecodeHelloReply(std::vector<uint8_t>(reply + wire::kHeaderSize, reply + got), body) ==
                       wire::WireError::None &&
                   body.status == STATUS_SUCCESS;
    }
    ::close(fd);
    return attached;
}

// A program run by the journey (vantorusbd), ended with SIGTERM.
pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Posts a ping to the user-interface thread every 50 ms and reports when none is answered for
// longer than the stall limit.
class Watchdog {
public:
    explicit Watchdog(std::function<void(const std::string&)> report) : m_report(std::move(report)) {}
    ~Watchdog() { Stop(); }

    void Start() {
        m_state->answered = NowMs();
        m_stop = false;
        m_thread = std::thread([this] { Run(); });
    }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }

private:
    struct State {
        std::atomic<int64_t> answered{0};
    };
    void Run() {
        int64_t longest = 0;
        auto report = [&] {
            m_report("the event loop stopped answering for " + std::to_string(longest) + " ms (limit " +
                     std::to_string(kStallLimit.count()) + " ms)");
            longest = 0;
        };
        while (!m_stop) {
            std::shared_ptr<State> state = m_state;
            QMetaObject::invokeMethod(
                qApp, [state] { state->answered = NowMs(); }, Qt::QueuedConnection);
            std::this_thread::sleep_for(50ms);
            const int64_t silent = NowMs() - m_state->answered.load();
            if (silent > kStallLimit.count()) {
                longest = std::max(longest, silent);
                if (silent > kStuckLimit.count()) {
                    std::fprintf(stderr,
                                 "journey: the user-interface thread is stuck for %lld ms; stopping\n",
                                 static_cast<long long>(silent));
                    std::fflush(stderr);
                    std::_Exit(1);
                }
            } else if (longest > 0) {
                report();
            }
        }
        if (longest > 0) report();
    }

    std::function<void(const std::string&)> m_report;
    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace

// --- DocumentOpener -------------------------------------------------------------------------

std::vector<QString> DocumentOpener::Opened() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_opened;
}

void DocumentOpener::open(const QUrl& url) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_opened.push_back(url.toLocalFile());
}

// --- Operator -------------------------------------------------------------------------------

bool Operator::OnUiThread() {
    return QThread::currentThread() == qApp->thread();
}

void Operator::Post(std::function<void()> f) {
    QMetaObject::invokeMethod(qApp, std::move(f), Qt::QueuedConnection);
}

void Operator::Step(const std::string& what) {
    std::lock_guard<std::mutex> guard(m_journey.m_lock);
    m_journey.m_step = what;
}

void Operator::Fail(const std::string& what) {
    m_journey.Record(what);
}

QString Operator::Text(const char* japanese) {
    return UiText(japanese);
}

std::string Operator::Message(int code) {
    return LoadMessage(code);
}

std::string Operator::DescribeScreen() {
    try {
        return Ui(
            [] {
                QStringList lines;
                lines << QStringLiteral("on top: ") + Describe(TopWidget());
                if (QWidget* popup = QApplication::activePopupWidget())
                    lines << QStringLiteral("popup: ") + Describe(popup);
                lines << QStringLiteral("focus: ") + Describe(QApplication::focusWidget());
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (w->isVisible()) lines << QStringLiteral("window: ") + Describe(w);
                }
                return lines.join(QStringLiteral("; ")).toStdString();
            },
            2s);
    } catch (const JourneyFailure&) {
        return "(the user-interface thread did not answer)";
    }
}

void Operator::WaitUntil(const std::function<bool()>& condition, const std::string& what,
                         std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
        if (Ui([&condition] { return condition(); })) return;
        if (Clock::now() > end)
            throw JourneyFailure("waited " + std::to_string(limit.count()) + " ms for " + what + "; " +
                                 DescribeScreen());
        std::this_thread::sleep_for(20ms);
    }
}

void Operator::Settle() {
    Ui([] {});
    Ui([] {});
}

QPointer<CTR52Dlg> Operator::Main() {
    QPointer<CTR52Dlg> main = Ui([] { return QPointer<CTR52Dlg>(FindMain()); });
    if (main.isNull()) throw JourneyFailure("the main window is not up; " + DescribeScreen());
    return main;
}

QPointer<QWidget> Operator::Top() {
    return Ui([] { return QPointer<QWidget>(TopWidget()); });
}

QPointer<QWidget> Operator::Page(int index) {
    const QPointer<CTR52Dlg> main = Main();
    return Ui(
        [main, index] { return main.isNull() ? QPointer<QWidget>() : QPointer<QWidget>(main->Page(index)); });
}

QPointer<QWidget> Operator::WaitForDialog(const QString& name, std::chrono::milliseconds limit) {
    QPointer<QWidget> found;
    WaitUntil(
        [&] {
            QWidget* top = TopWidget();
            if (top == nullptr || !top->isVisible()) return false;
            if (top->objectName() != name && !top->inherits(name.toLatin1().constData())) return false;
            found = top;
            return true;
        },
        "the dialog " + name.toStdString(), limit);
    return found;
}

void Operator::WaitClosed(const QPointer<QWidget>& dialog, const std::string& what,
                          std::chrono::milliseconds limit) {
    WaitUntil([dialog] { return dialog.isNull() || !dialog->isVisible(); }, what + " to close", limit);
}

QPointer<QWidget> Operator::Find(const QString& spec, QPointer<QWidget> scope) {
    const QString wanted = Readable(UiText(spec));
    return Ui([&]() -> QPointer<QWidget> {
        QWidget* root = scope.isNull() ? TopWidget() : scope.data();
        if (root == nullptr) throw JourneyFailure("no window to look for " + spec.toStdString() + " in");
        QList<QWidget*> candidates{root};
        candidates += root->findChildren<QWidget*>();
        QList<QWidget*> byName, byText;
        for (QWidget* w : candidates) {
            if (!w->isVisible()) continue;
            if (w->objectName() == spec) byName << w;
            const QString shown = ShownText(w);
            if (!shown.isEmpty() && Readable(shown) == wanted) byText << w;
        }
        QList<QWidget*> matches = byName.isEmpty() ? byText : byName;
        // Pages reuse the identifiers of their window: a page's own control is named with the page
        // as scope, so the window's controls come first.
        if (matches.size() > 1) {
            QList<QWidget*> own;
            for (QWidget* w : matches) {
                bool inPage = false;
                for (QWidget* p = w->parentWidget(); p != nullptr && p != root; p = p->parentWidget())
                    inPage = inPage || p->property("qdaPage").toBool();
                if (!inPage) own << w;
            }
            if (!own.isEmpty()) matches = own;
        }
        if (matches.size() == 1) return matches.front();
        QStringList names;
        for (QWidget* w : matches) names << Describe(w);
        throw JourneyFailure((matches.isEmpty() ? "no visible control " : "several visible controls ") +
                             spec.toStdString() + " in " + Describe(root).toStdString() +
                             (names.isEmpty() ? "" : ": " + names.join(QStringLiteral(", ")).toStdString()));
    });
}

void Operator::Click(const QString& spec, QPointer<QWidget> scope) {
    Click(Find(spec, scope));
}

void Operator::Click(const QPointer<QWidget>& control) {
    const std::string name = Ui([control] { return Describe(control).toStdString(); });
    WaitUntil([control] { return control.isNull() || (control->isVisible() && control->isEnabled()); },
              name + " to be enabled", 5s);
    Ui([control, name] {
        if (control.isNull()) throw JourneyFailure(name + " went away before the click");
        if (!Reachable(control))
            throw JourneyFailure(name + " is behind " +
                                 Describe(QApplication::activeModalWidget()).toStdString());
    });
    Post([control] {
        if (control.isNull()) return;
        // A check box or radio button takes clicks on its mark and label only, which sit at its left.
        const bool marked = control->inherits("QCheckBox") || control->inherits("QRadioButton");
        const QPoint at = marked ? QPoint(std::min(8, control->width() / 2), control->height() / 2)
                                 : control->rect().center();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
    });
    Settle();
}

void Operator::ClickStandard(QDialogButtonBox::StandardButton button) {
    const QPointer<QWidget> target = Ui([button]() -> QPointer<QWidget> {
        QWidget* top = TopWidget();
        if (auto* box = qobject_cast<QMessageBox*>(top))
            return box->button(static_cast<QMessageBox::StandardButton>(button));
        if (top == nullptr) return nullptr;
        for (QDialogButtonBox* buttons : top->findChildren<QDialogButtonBox*>()) {
            if (QPushButton* b = buttons->button(button)) return QPointer<QWidget>(b);
        }
        return nullptr;
    });
    if (target.isNull()) throw JourneyFailure("no such standard button on " + DescribeScreen());
    Click(target);
}

void Operator::Activate(const QPointer<QWidget>& window) {
    // As a window manager does for the window a person clicks or types into (the offscreen
    // platform leaves no window active once a dialog has closed).
    const bool active = Ui([window] {
        if (window.isNull() || window->isActiveWindow()) return true;
        window->activateWindow();
        return false;
    });
    if (active) return;
    const auto end = Clock::now() + 2s;
    while (Clock::now() < end && !Ui([window] { return window.isNull() || window->isActiveWindow(); }))
        std::this_thread::sleep_for(10ms);
}

void Operator::Key(int key, Qt::KeyboardModifiers modifiers) {
    Activate(Ui([] {
        QWidget* target = KeyTarget();
        if (target == nullptr) throw JourneyFailure("no window takes the keyboard");
        return QPointer<QWidget>(target->window());
    }));
    Post([key, modifiers] {
        if (QWidget* target = KeyTarget()) QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    });
    Settle();
}

void Operator::TypeInto(const QString& spec, const QString& text, QPointer<QWidget> scope) {
    const QPointer<QWidget> field = Find(spec, scope);
    Click(field);
    Post([field, text] {
        if (field.isNull()) return;
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Delete);
        } else {
            QTest::keyClicks(field, text);
        }
    });
    Settle();
}

QString Operator::FieldText(const QString& spec, QPointer<QWidget> scope) {
    const QPointer<QWidget> field = Find(spec, scope);
    return Ui([field] {
        if (auto* edit = qobject_cast<QLineEdit*>(field.data())) return edit->text();
        if (auto* combo = qobject_cast<QComboBox*>(field.data())) return combo->currentText();
        if (auto* text = qobject_cast<QPlainTextEdit*>(field.data())) return text->toPlainText();
        return field.isNull() ? QString() : ShownText(field);
    });
}

void Operator::Choose(const QString& spec, int index, QPointer<QWidget> scope) {
    const QPointer<QWidget> combo = Find(spec, scope);
    WaitUntil([combo] { return combo.isNull() || combo->isEnabled(); }, spec.toStdString() + " to be enabled",
              5s);
    // As reaching it with Tab does: the focus, then the keys.
    Post([combo, index] {
        if (combo.isNull()) return;
        combo->setFocus(Qt::TabFocusReason);
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < index; ++i) QTest::keyClick(combo, Qt::Key_Down);
    });
    Settle();
    const int chosen = Ui([combo] {
        auto* c = qobject_cast<QComboBox*>(combo.data());
        return c != nullptr ? c->currentIndex() : -2;
    });
    if (chosen != index)
        throw JourneyFailure(spec.toStdString() + " shows item " + std::to_string(chosen) + ", not " +
                             std::to_string(index));
}

void Operator::ClickTab(int index) {
    const QPointer<CTR52Dlg> main = Main();
    Ui([main, index] {
        if (main.isNull() || !Reachable(main->Tab()))
            throw JourneyFailure("the tab control cannot be reached");
        if (!main->Tab()->isEnabled()) throw JourneyFailure("the tab control is disabled");
    });
    Post([main, index] {
        if (main.isNull()) return;
        CDrawnTab* tab = main->Tab();
        QTest::mouseClick(tab, Qt::LeftButton, Qt::NoModifier, tab->ItemRect(index).center());
    });
    Settle();
}

void Operator::ChooseMenu(const char* menuText, const char* itemText) {
    const QString menuName = Readable(UiText(menuText)), itemName = Readable(UiText(itemText));
    const QPointer<CTR52Dlg> main = Main();
    Ui([main] {
        if (main.isNull() || !Reachable(main)) throw JourneyFailure("the menu bar is behind a dialog");
    });
    Post([main, menuName] {
        if (main.isNull()) return;
        auto* bar = main->findChild<QMenuBar*>();
        if (bar == nullptr) return;
        for (QAction* a : bar->actions()) {
            if (Readable(a->text()) == menuName) {
                QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(a).center());
                return;
            }
        }
    });
    QPointer<QMenu> menu;
    WaitUntil(
        [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return !menu.isNull() && menu->isVisible();
        },
        "the menu " + menuName.toStdString() + " to open", 5s);
    const bool enabled = Ui([menu, itemName] {
        for (QAction* a : menu->actions()) {
            if (Readable(a->text()).section(QLatin1Char('\t'), 0, 0) ==
                itemName.section(QLatin1Char('\t'), 0, 0))
                return a->isEnabled();
        }
        throw JourneyFailure("the menu has no item " + itemName.toStdString());
    });
    if (!enabled) throw JourneyFailure("the menu item " + itemName.toStdString() + " is disabled");
    Post([menu, itemName] {
        if (menu.isNull()) return;
        for (QAction* a : menu->actions()) {
            if (Readable(a->text()).section(QLatin1Char('\t'), 0, 0) ==
                itemName.section(QLatin1Char('\t'), 0, 0)) {
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
                return;
            }
        }
    });
    Settle();
}

std::string Operator::AnswerText(const std::string& expected, QMessageBox::StandardButton button,
                                 std::chrono::milliseconds limit) {
    QPointer<QMessageBox> box;
    WaitUntil(
        [&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return !box.isNull() && box->isVisible();
        },
        expected.empty() ? std::string("a message box") : "the message \"" + expected + "\"", limit);
    const std::string text = Ui([box] { return box->text().toStdString(); });
    if (!expected.empty() && text != expected)
        throw JourneyFailure("the message box says \"" + text + "\" where \"" + expected + "\" was expected");
    const QPointer<QWidget> target = Ui([box, button] { return QPointer<QWidget>(box->button(button)); });
    if (target.isNull()) throw JourneyFailure("the message box \"" + text + "\" has no such button");
    Click(target);
    WaitClosed(QPointer<QWidget>(box.data()), "the message box \"" + text + "\"");
    return text;
}

std::string Operator::Answer(int code, QMessageBox::StandardButton button, std::chrono::milliseconds limit) {
    return AnswerText(code < 0 ? std::string() : Message(code), button, limit);
}

void Operator::ExpectNoMessage(std::chrono::milliseconds period) {
    const auto end = Clock::now() + period;
    while (Clock::now() < end) {
        const std::string text = Ui([] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box != nullptr && box->isVisible() ? box->text().toStdString() : std::string();
        });
        if (!text.empty()) throw JourneyFailure("unexpected message box \"" + text + "\"");
        std::this_thread::sleep_for(20ms);
    }
}

void Operator::PassSplash() {
    Step("the splash");
    const QPointer<QWidget> splash = WaitForDialog(QStringLiteral("189"));
    Key(Qt::Key_Escape);
    WaitClosed(splash, "the splash");
}

void Operator::ChooseStartup(int choice) {
    Step("the start-up choice " + std::to_string(choice));
    const QPointer<QWidget> dialog = WaitForDialog(QStringLiteral("167"));
    Click(QString::number(1199 + choice), dialog);
    Click(QStringLiteral("1"), dialog);
    WaitClosed(dialog, "the start-up choice");
}

void Operator::UseFileDialog(const QString& path) {
    const QPointer<QWidget> dialog = WaitForDialog(QStringLiteral("QFileDialog"));
    TypeInto(QStringLiteral("fileNameEdit"), path, dialog);
    Key(Qt::Key_Return);
}

void Operator::Exit(QMessageBox::StandardButton saveAnswer) {
    Step("exit");
    Click(QStringLiteral("1020"), Main().data());
    if (saveAnswer != QMessageBox::NoButton) Answer(301, saveAnswer);
}

void Operator::ExitDiscarding() {
    Step("exit, discarding changes");
    Click(QStringLiteral("1020"), Main().data());
    const auto end = Clock::now() + 15s;
    while (!m_journey.ProgramEnded()) {
        const bool asked = Ui([] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box != nullptr && box->isVisible();
        });
        if (asked) {
            Answer(301, QMessageBox::No);
            break;
        }
        if (Clock::now() > end) break;
        std::this_thread::sleep_for(20ms);
    }
    WaitForExit();
}

void Operator::WaitForExit(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!m_journey.ProgramEnded()) {
        if (Clock::now() > end) throw JourneyFailure("the program did not exit; " + DescribeScreen());
        std::this_thread::sleep_for(20ms);
    }
}

// --- Journey --------------------------------------------------------------------------------

Journey::Journey(ProgramSetup setup)
    : m_setup(std::move(setup)), m_opener(std::make_unique<DocumentOpener>()) {
    if (!m_dir.isValid()) {
        m_why = "no scratch folder";
        return;
    }
    if (test::SimProcess::Binary().empty()) {
        m_why = "qd-atlas-sim is not built in QDA_BIN_DIR";
        m_missing = true;
        return;
    }
    const QDir dir(m_dir.path());
    for (const char* sub : {"config", "run", "help", "usb"}) dir.mkpath(QLatin1String(sub));
    ::chmod(QFile::encodeName(Path(QStringLiteral("run"))).constData(), 0700);
    ::chmod(QFile::encodeName(Path(QStringLiteral("usb"))).constData(), 0700);
    // The saved state, the one-instance lock and the help documents of this run only.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path(QStringLiteral("config")));
    ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(Path(QStringLiteral("run"))).constData(), 1);
    ::setenv("QDA_HELP_DIR", QFile::encodeName(Path(QStringLiteral("help"))).constData(), 1);
    for (const std::string& document : m_setup.helpDocuments) {
        const QString path = Path(QStringLiteral("help/") + QString::fromStdString(document));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write("%PDF-1.4\n%%EOF\n");
    }
    QDesktopServices::setUrlHandler(QStringLiteral("file"), m_opener.get(), "open");

    std::vector<std::string> simArgs = m_setup.simArgs;
    if (m_setup.link == Link::kUsb) {
        simArgs.push_back("--usb-socket");
        simArgs.push_back(Path(QStringLiteral("sim.sock")).toStdString());
    }
    m_sim = std::make_unique<test::SimProcess>(simArgs);
    if (!m_sim->ok()) {
        m_why = "qd-atlas-sim did not start";
        return;
    }
    ::setenv("QDA_COM1", m_sim->SlavePath().c_str(), 1);
    if (m_setup.link == Link::kUsb && !StartUsbPeers()) return;
    PrepareSavedState();
}

Journey::~Journey() {
    if (m_daemon > 0) {
        ::kill(m_daemon, SIGTERM);
        int status = 0;
        ::waitpid(m_daemon, &status, 0);
    }
    m_sim.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    for (const char* name : {"QDA_COM1", "VANTORUSB_SOCKET_DIR", "QDA_HELP_DIR"}) ::unsetenv(name);
}

bool Journey::StartUsbPeers() {
    const std::string daemon = test::BinDir() + "/vantorusbd";
    if (::access(daemon.c_str(), X_OK) != 0) {
        m_why = "vantorusbd is not built in QDA_BIN_DIR";
        m_missing = true;
        return false;
    }
    const QString sockets = Path(QStringLiteral("usb"));
    m_daemon = Spawn({daemon, "--sim", Path(QStringLiteral("sim.sock")).toStdString(), "--socket-dir",
                      sockets.toStdString()});
    ::setenv("VANTORUSB_SOCKET_DIR", QFile::encodeName(sockets).constData(), 1);
    const auto end = Clock::now() + 5s;
    const std::string device = (sockets + QStringLiteral("/VantorUSB_U-0")).toStdString();
    while (!ControllerAttached(device)) {
        if (Clock::now() > end) {
            m_why = "vantorusbd did not attach the simulated controller";
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void Journey::PrepareSavedState() {
    SettingsBlock block = DefaultBlock();
    block.PcComm.CommType = m_setup.link == Link::kUsb ? kCommUsb : kCommRs232c;
    block.PcComm.PortNo = 0;
    if (m_setup.savedState) m_setup.savedState(block);
    CSettingsRegistryStore store;
    CRegistrySettings(store).SaveBlock(block);
    store.Sync();
}

QString Journey::Path(const QString& name) const {
    return QDir(m_dir.path()).filePath(name);
}

QString Journey::SavedStateFile() const {
    return Path(QStringLiteral("config/Vantor/QD-Atlas.conf"));
}

std::vector<std::string> Journey::Failures() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failures;
}

void Journey::Record(const std::string& failure) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_failures.push_back(m_step.empty() ? failure : "[" + m_step + "] " + failure);
}

void Journey::CloseEverything(Operator& op) {
    // Answers or closes whatever is on top until the program has gone: message boxes with their
    // refusing button, dialogs by rejecting them, the main window last.
    for (int round = 0; round < 100 && !ProgramEnded(); ++round) {
        try {
            op.Ui(
                [] {
                    QWidget* top = TopWidget();
                    if (QWidget* popup = QApplication::activePopupWidget()) {
                        popup->close();
                        return;
                    }
                    if (auto* box = qobject_cast<QMessageBox*>(top)) {
                        QAbstractButton* b = box->escapeButton();
                        if (b == nullptr) b = box->button(QMessageBox::No);
                        if (b == nullptr && !box->buttons().isEmpty()) b = box->buttons().front();
                        QPointer<QAbstractButton> button(b);
                        QMetaObject::invokeMethod(
                            qApp,
                            [button] {
                                if (button) button->click();
                            },
                            Qt::QueuedConnection);
                    } else if (auto* main = qobject_cast<CTR52Dlg*>(top)) {
                        QPointer<CTR52Dlg> m(main);
                        QMetaObject::invokeMethod(
                            qApp,
                            [m] {
                                if (m) m->QDialog::done(0);
                            },
                            Qt::QueuedConnection);
                    } else if (auto* dialog = qobject_cast<QDialog*>(top)) {
                        QPointer<QDialog> d(dialog);
                        QMetaObject::invokeMethod(
                            qApp,
                            [d] {
                                if (d) d->done(QDialog::Rejected);
                            },
                            Qt::QueuedConnection);
                    }
                },
                2s);
        } catch (const JourneyFailure&) {
        }
        std::this_thread::sleep_for(100ms);
    }
    if (!ProgramEnded()) {
        std::fprintf(stderr, "journey: the program could not be closed; stopping\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
}

void Journey::Run(const std::function<void(Operator&)>& script) {
    if (!Ready()) {
        ADD_FAILURE() << "the journey could not be set up: " << m_why;
        return;
    }
    Operator op(*this);
    std::atomic<bool> scriptEnded{false};
    std::thread driver([&] {
        bool failed = false;
        try {
            script(op);
            op.Step("after the script");
            op.WaitForExit();
        } catch (const std::exception& e) {
            Record(e.what());
            failed = true;
        }
        if (failed) CloseEverything(op);
        scriptEnded = true;
    });

    Watchdog watchdog([this](const std::string& what) { Record(what); });
    watchdog.Start();
    {
        CTR52App program(m_setup.commandLine);
        program.InitInstance();
    }
    m_programEnded = true;
    watchdog.Stop();

    // The script may still look at the screen or be closing up; keep serving it.
    const auto end = Clock::now() + 30s;
    while (!scriptEnded && Clock::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!scriptEnded) {
        std::fprintf(stderr, "journey: the script did not end after the program exited; stopping\n");
        std::_Exit(1);
    }
    driver.join();
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) Record("a window stayed open after the exit: " + Describe(w).toStdString());
    }
    for (const std::string& failure : Failures()) ADD_FAILURE() << failure;
}

}  // namespace qda::journey
