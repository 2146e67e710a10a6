#pragma once
// The main window under test: scripted message answers, scripted dialogs (start-up choice, file
// dialogs, environment and PC communication dialogs), an in-memory registry store.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <memory>

#include "app/MainWindowDialogs.h"
#include "app/TR52Dlg.h"
#include "resources/Messages.h"
#include "settings/RegistryState.h"
#include "settings/SettingsCopyBuffer.h"
#include "support/ScriptedMessageBackend.h"

namespace qda::test {

// Answers the main window's dialogs from queues; an empty queue cancels.
class ScriptedDialogs : public IMainWindowDialogs {
public:
    std::deque<int> startupChoices;  // -1: closed with Esc
    std::deque<QString> openNames;   // "" cancels
    std::deque<QString> saveNames;   // "" cancels
    std::deque<EnvironmentSetting> environments;
    bool environmentUnitChanged = false;
    std::deque<PcCommSetting> pcComms;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    bool lockKeys = false;
    int startupAsked = 0, splashShown = 0, openAsked = 0, saveAsked = 0, aboutShown = 0;
    bool lastEnvironmentExtended = false;
    QString lastSplashText, lastOpenedDocument, lastFilter;

    int ChooseStartup(QWidget*) override {
        ++startupAsked;
        if (startupChoices.empty()) return -1;
        const int c = startupChoices.front();
        startupChoices.pop_front();
        return c;
    }
    void ShowSplash(QWidget*, const QString& text, int) override {
        ++splashShown;
        lastSplashText = text;
    }
    bool Take(std::deque<QString>& queue, QString& chosen) {
        if (queue.empty()) return false;
        chosen = queue.front();
        queue.pop_front();
        return !chosen.isEmpty();
    }
    bool GetOpenFileName(QWidget*, const QString& filter, const QString&, QString& chosen) override {
        ++openAsked;
        lastFilter = filter;
        return Take(openNames, chosen);
    }
    bool GetSaveFileName(QWidget*, const QString& filter, const QString&, QString& chosen) override {
        ++saveAsked;
        lastFilter = filter;
        return Take(saveNames, chosen);
    }
    bool RunEnvironment(QWidget*, EnvironmentSetting& env, bool extended, bool& unitChanged) override {
        lastEnvironmentExtended = extended;
        if (environments.empty()) return false;
        env = environments.front();
        environments.pop_front();
        unitChanged = environmentUnitChanged;
        return true;
    }
    bool RunPcComm(QWidget*, PcCommSetting& pc) override {
        if (pcComms.empty()) return false;
        pc = pcComms.front();
        pcComms.pop_front();
        return true;
    }
    void RunAbout(QWidget*) override { ++aboutShown; }
    bool OpenDocument(const QString& path) override {
        lastOpenedDocument = path;
        return true;
    }
    Qt::KeyboardModifiers QueryModifiers() override { return modifiers; }
    bool LockKeysOn() override { return lockKeys; }
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        CSettingsCopyBuffer::Global().ClearAll();
        SetMessageSilent(0);
    }
    ~MainWindowTest() override {
        window.reset();
        CSettingsCopyBuffer::Global().ClearAll();
    }

    // Creates the main window, shows it and lets its start-up action run.
    CTR52Dlg& Start(const QString& commandLine = {}) {
        CTR52Dlg::Options options;
        options.store = &store;
        options.dialogs = &dialogs;
        options.splashMilliseconds = 0;
        options.versionText = QStringLiteral("1.00");
        options.commandLine = commandLine;
        options.helpRoot = dir.path();
        window = std::make_unique<CTR52Dlg>(options);
        window->resize(960, 720);
        window->show();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        return *window;
    }
    std::vector<std::string> Texts() const { return messages.ShownTexts(); }
    static std::string Msg(int code) { return LoadMessage(code); }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    ScriptedMessageBackend messages;
    ScopedMessageBackend scoped{messages};
    ScriptedDialogs dialogs;
    MemoryRegistryStore store;
    QTemporaryDir dir;
    std::unique_ptr<CTR52Dlg> window;
};

}  // namespace qda::test
