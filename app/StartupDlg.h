#pragma once
// CStartupDlg (dialog 167): what the main window shows first: the connected controller's settings,
// a settings file, or the defaults.
#include <QDialog>

class CStartupDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_RECEIVE = 1199, IDC_FILE = 1200, IDC_DEFAULTS = 1201 };
    explicit CStartupDlg(QWidget* parent = nullptr);
    // After OK: 0 receive, 1 file, 2 defaults (the first checked button in that order).
    int Choice() const { return m_choice; }
    void accept() override;

private:
    int m_choice = 0;
};
