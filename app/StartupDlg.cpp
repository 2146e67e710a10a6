#include "app/StartupDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ButtonArt.h"
#include "pages/PageSupport.h"
#include "resources/lang/UiText.h"

CStartupDlg::CStartupDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("167"));
    setWindowTitle(qda::UiText("起動時に表示する設定内容を選択してください"));
    setWindowIcon(qda::ApplicationIcon());
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(qda::UiText("設定内容"), this);
    auto* g = new QVBoxLayout(group);
    const char* texts[3] = {"接続されているコントローラの設定内容を読み出す(&A)", "ファイルから読み出す(&F)",
                            "初期値で起動する(&I)"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(qda::UiText(texts[i]), group);
        radio->setObjectName(QString::number(IDC_RECEIVE + i));
        radio->setChecked(i == 0);
        g->addWidget(radio);
    }
    layout->addWidget(group);
    auto* ok = new QPushButton(qda::UiText("ＯＫ"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CStartupDlg::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
}

void CStartupDlg::accept() {
    for (int i = 0; i < 3; ++i) {
        auto* radio = qda::Control<QRadioButton>(this, IDC_RECEIVE + i);
        if (radio != nullptr && radio->isChecked()) {
            m_choice = i;
            break;
        }
    }
    QDialog::accept();
}
