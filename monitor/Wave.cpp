// CWave: construction, layout, painting, the keyboard routine, the button states and closing.
#include "monitor/Wave.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "chart/Graph.h"
#include "comm/Command.h"
#include "monitor/WavePictures.h"
#include "pages/DrawnButton.h"
#include "pages/HelpRequest.h"
#include "pages/PageSupport.h"
#include "pages/PictureHolder.h"
#include "pages/ToolWindowFrame.h"
#include "pages/WindowPlacement.h"
#include "resources/Messages.h"
#include "windowing/WindowMessage.h"

namespace {

using qda::WaveAction;

// The zoom and move buttons in WaveAction order, with their pictures and tool tips.
struct ActionButton {
    int id;
    int picture;
    int toolTip;
};
constexpr ActionButton kActions[qda::kWaveActionCount] = {
    {CWave::IDC_ZOOM_IN_H, 248, 44},  {CWave::IDC_ZOOM_OUT_H, 209, 45}, {CWave::IDC_ZOOM_IN_V, 244, 46},
    {CWave::IDC_ZOOM_OUT_V, 245, 47}, {CWave::IDC_MOVE_UP, 232, 48},    {CWave::IDC_MOVE_DOWN, 233, 49},
};
constexpr int kPeakIds[4] = {CWave::IDC_PEAK1, CWave::IDC_PEAK2, CWave::IDC_PEAK3, CWave::IDC_PEAK4};
constexpr int kPeakPictures[4] = {240, 241, 242, 239};

constexpr int kMsgStartToolTip = 242;
constexpr int kMsgPeakToolTip = 50;
constexpr int kMsgCopyToolTip = 175;
constexpr int kMsgOverlayToolTip = 176;
constexpr int kMsgStartText = 22;

// The window's size when it opens, which is also its smallest size.
constexpr int kOpenWidth = 900;
constexpr int kOpenHeight = 560;
constexpr int kMargin = 8;

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

}  // namespace

CWave::CWave(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("155"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    BuildControls();
    SetCaption();
    resize(kOpenWidth, kOpenHeight);
    setMinimumSize(kOpenWidth, kOpenHeight);
    LayOut();
    if (!CreateChart()) ShowMessageCode(255, MB_ICONWARNING);
    UpdateButtons();
    qApp->installEventFilter(this);
}

CWave::~CWave() {
    qApp->removeEventFilter(this);
    m_repeatTimer.stop();
    if (m_worker) {
        m_worker.reset();  // stops and joins
        if (m_command != nullptr) m_command->ClosePort();
    }
}

void CWave::BuildControls() {
    auto drawn = [this](int id, int picture, const QString& text, int toolTip) {
        auto* b = new CDrawnButton(id, text, this);
        b->SetBitmaps(qda::WavePicture(picture), ButtonFace(), ButtonFace().lighter(108));
        b->SetFrame(true, true);
        b->setToolTip(qda::MessageQ(toolTip));
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &CDrawnButton::command, this, &CWave::OnCommand);
        return b;
    };
    m_start = drawn(IDC_START, 231, qda::MessageQ(kMsgStartText), kMsgStartToolTip);
    m_start->SetToggle(true);
    for (size_t i = 0; i < m_actionButtons.size(); ++i) {
        CDrawnButton* b = drawn(kActions[i].id, kActions[i].picture, QString(), kActions[i].toolTip);
        // The action runs when the mouse button goes down (see eventFilter); holding it repeats
        // the action. A click without the mouse (access key, assistive technology) acts once.
        b->setAccessibleName(qda::MessageQ(kActions[i].toolTip));
        m_actionButtons[i] = b;
    }
    for (size_t i = 0; i < m_peakButtons.size(); ++i) {
        CDrawnButton* b = drawn(kPeakIds[i], kPeakPictures[i], QString(), kMsgPeakToolTip);
        b->setAccessibleName(QStringLiteral("ROVA %1").arg(i + 1));
        b->setAccessibleDescription(qda::MessageQ(kMsgPeakToolTip));
        m_peakButtons[i] = b;
    }

    auto plain = [this](int id, const char* text, int toolTip) {
        QPushButton* b = qda::MakeButton(this, id, qda::U8(text));
        b->setAutoDefault(false);
        b->setDefault(false);
        if (toolTip >= 0) b->setToolTip(qda::MessageQ(toolTip));
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return b;
    };
    m_copy = plain(IDC_COPY, "画面イメージをコピー(&C)", kMsgCopyToolTip);
    m_overlayButton = plain(IDC_OVERLAY, "波形の重ね書き(&O)", kMsgOverlayToolTip);
    // Checkable, so that the state shows and is read out; the click itself switches the overlay.
    m_overlayButton->setCheckable(true);
    m_close = plain(IDC_CLOSE, "閉じる", -1);
    m_help = plain(IDC_HELP, "ヘルプ(&H)", -1);

    m_model = new QLabel(this);
    m_model->setObjectName(QString::number(IDC_MODEL));
    m_model->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_headPicture = new qda::PictureHolder(IDC_HEAD_PICTURE, QSize(32, 28), this);

    // The static strip behind the lower part of the chart carries nothing of its own.
    m_strip = new QWidget(this);
    m_strip->setObjectName(QString::number(IDC_STRIP));
    m_strip->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_chart = new CGraph(this);
    m_chart->setObjectName(QString::number(IDC_CHART));
    m_chart->setFocusPolicy(Qt::NoFocus);

    for (QFrame** f : {&m_topSeparator, &m_bottomSeparator}) {
        *f = new QFrame(this);
        (*f)->setFrameShape(QFrame::HLine);
        (*f)->setFrameShadow(QFrame::Sunken);
    }
    m_strip->lower();
}

void CWave::SetCaption() {
    QString caption = qda::U8("ヘッド%c受光波形表示");
    caption.replace(QStringLiteral("%c"), QString(QChar::fromLatin1(m_headLetter)));
    setWindowTitle(caption);
    m_chart->setAccessibleName(caption);
    m_headPicture->SetPicture(qda::WavePicture(m_headLetter == 'B' ? 168 : 167));
    m_headPicture->setAccessibleName(m_headLetter == 'B' ? qda::MessageQ(1) : qda::MessageQ(0));
}

void CWave::LayOut() {
    const int w = width();
    const int h = height();
    // Top row: acquisition, the six zoom and move buttons, the four ROVA peaks; the head model
    // and picture stay at the top right.
    const int row = kMargin;
    m_start->setGeometry(kMargin, row, 210, 40);
    int x = kMargin + 210 + 14;
    for (CDrawnButton* b : m_actionButtons) {
        b->setGeometry(x, row + 2, 36, 36);
        x += 40;
    }
    x += 14;
    for (CDrawnButton* b : m_peakButtons) {
        b->setGeometry(x, row + 2, 36, 36);
        x += 40;
    }
    m_headPicture->move(w - kMargin - 32, row + 6);
    m_model->setGeometry(w - kMargin - 32 - 8 - 150, row + 6, 150, 28);
    m_topSeparator->setGeometry(kMargin, row + 46, w - 2 * kMargin, 2);

    // The chart grows with the window; the bottom buttons keep their distance from the corner.
    const int bottomRow = h - kMargin - 30;
    const QRect chart(kMargin, row + 54, w - 2 * kMargin, bottomRow - 10 - (row + 54));
    m_chart->setGeometry(chart);
    m_strip->setGeometry(0, chart.top() + chart.height() * 85 / 100, w, chart.height() / 10);
    m_bottomSeparator->setGeometry(kMargin, bottomRow - 6, w - 2 * kMargin, 2);
    int right = w - kMargin - qda::kSizeGrip;
    for (QPushButton* b : {m_help, m_close, m_overlayButton, m_copy}) {
        const int bw = std::max(b == m_close || b == m_help ? 100 : 200, b->sizeHint().width());
        right -= bw;
        b->setGeometry(right, bottomRow, bw, 30);
        right -= kMargin;
    }
}

void CWave::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    LayOut();
}

void CWave::paintEvent(QPaintEvent*) {
    QPainter p(this);
    qda::PaintSizeGrip(*this, p);
}

bool CWave::event(QEvent* e) {
    if (qda::GripPressStartsResize(*this, e)) return true;
    if (e->type() != qda::WindowMessageEvent::EventType()) return QDialog::event(e);
    auto* m = static_cast<qda::WindowMessageEvent*>(e);
    if (m->message == qda::kWaveWorkerMessage) {
        OnWorkerMessage(m->wParam, m->lParam);
    } else if (m->message == kChartMessage) {
        OnChartNotify(m->wParam);
    } else {
        return QDialog::event(e);
    }
    return true;
}

void CWave::SetConnection(char headLetter, int initialScale, const PcCommSetting& pcComm, CCommand* command) {
    m_headLetter = headLetter == 'B' ? 'B' : 'A';
    m_pcComm = pcComm;
    if (m_command != command) {
        m_command = command;
        m_source = command != nullptr ? std::make_unique<qda::CCommandWaveformSource>(*command) : nullptr;
    }
    m_view.SetInitialScale(initialScale);
    SetCaption();
    if (m_chartReady) ResetChart();
    UpdateButtons();
}

void CWave::SetCommunication(const PcCommSetting& pcComm) {
    m_pcComm = pcComm;
}

void CWave::GetHeadAndScale(char& headLetter, int& initialScale) const {
    headLetter = m_headLetter;
    initialScale = m_view.InitialScale();
}

void CWave::SetHeadMode(int mode) {
    m_headMode = mode;
    UpdateButtons();
}

std::string CWave::PlacementName() const {
    return std::string("WAVE_") + m_headLetter;
}

void CWave::LoadPlacement() {
    qda::RestoreWindowPlacement(*this, PlacementName());
    UpdateButtons();
}

void CWave::SavePlacement() {
    if (m_shownThisRun) qda::SaveWindowPlacement(*this, PlacementName());
}

void CWave::showEvent(QShowEvent* e) {
    m_shownThisRun = true;
    QDialog::showEvent(e);
}

void CWave::EnableStart(bool enable) {
    m_start->setEnabled(enable);
}

CDrawnButton* CWave::Button(int id) const {
    return qobject_cast<CDrawnButton*>(qda::FindControl(this, id));
}

void CWave::OnCommand(int id) {
    switch (id) {
        case IDC_START:
            if (m_start->IsSelected())
                OnStart();
            else
                OnPause();
            return;
        case IDC_COPY:
            OnCopy();
            return;
        case IDC_OVERLAY:
            OnOverlay();
            return;
        case IDC_CLOSE:
            OnClose();
            return;
        case IDC_HELP:
            OnHelp();
            return;
        default:
            break;
    }
    for (int i = 0; i < 4; ++i) {
        if (kPeakIds[i] == id) {
            OnPeakButton(i);
            return;
        }
    }
    OnActionButton(id);
}

void CWave::OnHelp() {
    qda::RequestHelp("QD-AtlasWave.pdf");
}

void CWave::UpdateButtons() {
    qda::WaveButtonInput in;
    in.headMode = m_headMode;
    in.acquiring = Acquiring();
    in.dataValid = m_dataValid;
    in.replyStatus = m_worker ? m_worker->LastStatus() : qda::kNoStatus;
    in.peakSelection = m_peakSelection;
    const qda::WaveButtonStates s = m_view.Buttons(in);
    for (size_t i = 0; i < m_actionButtons.size(); ++i) m_actionButtons[i]->setEnabled(s.action[i]);
    for (size_t i = 0; i < m_peakButtons.size(); ++i) {
        m_peakButtons[i]->setEnabled(s.peakEnabled[i]);
        // Called after every waveform: a button whose state stays is neither repainted nor announced.
        if (m_peakButtons[i]->IsSelected() != s.peakPressed[i])
            m_peakButtons[i]->SetSelected(s.peakPressed[i]);
    }
    UpdateAccessibleText();
}

void CWave::UpdateAccessibleText() {
    // What the chart shows, for a screen reader: the range and the light peaks.
    QString text = qda::U8("表示範囲") + QStringLiteral(": %1-%2, %3 / %4")
                                             .arg(m_view.Low())
                                             .arg(m_view.High())
                                             .arg(m_view.VisibleSamples())
                                             .arg(qda::kWaveCapacity);
    if (m_dataValid) {
        QStringList peaks;
        for (const uint16_t p : m_lastReply.peak)
            if (p != 0) peaks << QString::number(p);
        text += QStringLiteral("; ") + qda::U8("ピーク位置") + QStringLiteral(": ") +
                (peaks.isEmpty() ? QStringLiteral("-") : peaks.join(QStringLiteral(", ")));
    }
    m_chart->setAccessibleDescription(text);
}

bool CWave::eventFilter(QObject* watched, QEvent* e) {
    qda::TrackPressActions(m_actionButtons, m_actedOnPress, watched, e,
                           [this](size_t i) { PressAction(static_cast<WaveAction>(i)); });
    if (qda::IsWindowKey(*this, watched, e) &&
        HandleKey(static_cast<QKeyEvent*>(e), e->type() == QEvent::KeyPress))
        return true;
    return QDialog::eventFilter(watched, e);
}

bool CWave::HandleKey(QKeyEvent* key, bool press) {
    const int k = key->key();
    const bool alt = key->modifiers() & Qt::AltModifier;
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const bool arrow = k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Up || k == Qt::Key_Down;
    auto button = [this](WaveAction a) { return m_actionButtons[static_cast<size_t>(a)]; };
    if (!press) {
        if (!arrow) return false;
        // A held key repeats through the window's own timer, not through the keyboard's repeat.
        if (key->isAutoRepeat()) return true;
        switch (k) {
            case Qt::Key_Left:
                button(WaveAction::kZoomOutH)->SetSelected(false);
                break;
            case Qt::Key_Right:
                button(WaveAction::kZoomInH)->SetSelected(false);
                break;
            case Qt::Key_Up:
                button(WaveAction::kZoomInV)->SetSelected(false);
                button(WaveAction::kMoveUp)->SetSelected(false);
                break;
            default:
                button(WaveAction::kZoomOutV)->SetSelected(false);
                button(WaveAction::kMoveDown)->SetSelected(false);
                break;
        }
        return true;
    }
    if (alt) {
        CDrawnButton* target = nullptr;
        switch (k) {
            case Qt::Key_Left:
                target = button(WaveAction::kZoomOutH);
                break;
            case Qt::Key_Right:
                target = button(WaveAction::kZoomInH);
                break;
            case Qt::Key_Up:
                target = button(WaveAction::kZoomInV);
                break;
            case Qt::Key_Down:
                target = button(WaveAction::kZoomOutV);
                break;
            case Qt::Key_C:
                if (!key->isAutoRepeat()) OnCopy();
                return true;
            default:
                // The access keys of the window's buttons (overlay, help) work; other keys with
                // Alt do nothing here.
                for (QPushButton* b : {m_copy, m_overlayButton, m_close, m_help}) {
                    if (QKeySequence::mnemonic(b->text()) == QKeySequence(Qt::ALT | Qt::Key(k))) return false;
                }
                return k != Qt::Key_Alt;
        }
        if (!key->isAutoRepeat()) KeyPressAction(target);
        return true;
    }
    if (ctrl && (k == Qt::Key_Up || k == Qt::Key_Down)) {
        if (!key->isAutoRepeat())
            KeyPressAction(button(k == Qt::Key_Up ? WaveAction::kMoveUp : WaveAction::kMoveDown));
        return true;
    }
    if (k == Qt::Key_F1) {
        if (!key->isAutoRepeat()) OnHelp();
        return true;
    }
    return false;
}

void CWave::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_repeatTimer.timerId()) {
        QDialog::timerEvent(e);
        return;
    }
    std::array<bool, qda::kWaveActionCount> held{};
    for (size_t i = 0; i < held.size(); ++i) held[i] = m_actionButtons[i]->IsDown();
    WaveAction action{};
    if (m_repeat.Tick(held, action)) RunAction(action);
    if (!m_repeat.Running()) m_repeatTimer.stop();
}

void CWave::OnClose() {
    if (m_worker) StopAcquisition(true);
    SavePlacement();
    hide();
}

void CWave::reject() {
    OnClose();
}

void CWave::closeEvent(QCloseEvent* e) {
    // The window lives as long as the main window: closing only hides it.
    e->ignore();
    OnClose();
}
