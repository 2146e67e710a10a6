#pragma once
// CAboutDlg (dialog 100): the version of the program and of each language module.
#include <QDialog>

class QPlainTextEdit;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_FILES = 1102 };
    // `programVersion` is the program's "FileVersion" text ("1,0,0,0").
    explicit CAboutDlg(const QString& programVersion, QWidget* parent = nullptr);
    QString FilesText() const;

private:
    QPlainTextEdit* m_files = nullptr;
};
