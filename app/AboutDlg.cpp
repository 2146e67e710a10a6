#include "app/AboutDlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ButtonArt.h"
#include "pages/PageSupport.h"
#include "resources/lang/UiText.h"

CAboutDlg::CAboutDlg(const QString& programVersion, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(qda::UiText("QD-Atlas のバージョン情報"));
    setWindowIcon(qda::ApplicationIcon());
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(qda::ApplicationIcon().pixmap(48, 48));
    layout->addWidget(icon);
    m_files = new QPlainTextEdit(this);
    m_files->setObjectName(QString::number(IDC_FILES));
    m_files->setReadOnly(true);
    // One line per file: its name, a space and its version. The language modules carry no version
    // of their own; their line ends after the space.
    QString text = QStringLiteral("qd-atlas %1\r\n").arg(programVersion);
    for (const char* lang : {"jp", "us", "de"})
        text += QStringLiteral("QD-Atlas.Lang.%1.so \r\n").arg(QLatin1String(lang));
    m_files->setPlainText(text);
    layout->addWidget(m_files);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    ok->setFocus();
    resize(420, 220);
}

QString CAboutDlg::FilesText() const {
    return m_files->toPlainText();
}
