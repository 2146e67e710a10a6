#include "storage/StorageGraphHead.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <cstdlib>

#include "pages/DrawnButton.h"
#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/Units.h"
#include "storage/GraphHeadRules.h"
#include "windowing/WindowMessage.h"

using namespace qda;

namespace {

constexpr int kMsgBadGraphName = 256;
constexpr int kArrowSize = 12;

QColor FromColorRef(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}
uint32_t ToColorRef(QColor c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

// The pictures of the offset buttons (images 243 and 236): a black triangle pointing left (decrease)
// or right (increase).
DrawnPicture OffsetArrow(bool right) {
    return DrawnPicture({kArrowSize, kArrowSize}, [right](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        const int m = kArrowSize / 2;
        const QPolygon left{QPoint(3, m), QPoint(8, m - 5), QPoint(8, m + 5)};
        const QPolygon rightward{QPoint(8, m), QPoint(3, m - 5), QPoint(3, m + 5)};
        p.drawPolygon(right ? rightward : left);
    });
}

std::optional<QColor> ChooseWithDialog(QColor initial, QWidget* parent) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

}  // namespace

CStorageGraphHead::CStorageGraphHead(QWidget* parent) : QWidget(parent), m_chooser(ChooseWithDialog) {
    setObjectName(QString::number(kDialogId));
    m_enable = new QCheckBox(this);
    m_enable->setObjectName(QString::number(IDC_GRAPH_ENABLE));
    m_name = new CNumEdit(IDC_GRAPH_NAME, this);
    m_name->Setup(nullptr, 0, CNumEdit::kText, 0, 0);
    m_name->SetLengthLimit(kGraphNameMaxChars);
    m_name->setAccessibleName(U8("データ名"));
    m_offset = new CNumEdit(IDC_OFFSET, this);
    m_offset->SetLengthLimit(6);
    m_offset->Setup(nullptr, 0, CNumEdit::kInteger, -COffsetStepper::kLimit, COffsetStepper::kLimit);
    m_offset->setAlignment(Qt::AlignRight);
    m_offset->setAccessibleName(U8("オフセット"));
    const QColor face = palette().color(QPalette::Button);
    m_down = new CDrawnButton(IDC_OFFSET_DOWN, QString(), this);
    m_up = new CDrawnButton(IDC_OFFSET_UP, QString(), this);
    for (auto [button, right] : {std::pair{m_down, false}, std::pair{m_up, true}}) {
        button->SetBitmaps(OffsetArrow(right), face, face);
        button->SetFrame(true, true);
        button->setFixedSize(kArrowSize + 8, kArrowSize + 8);
    }
    m_down->setAccessibleName(U8("オフセット -"));
    m_up->setAccessibleName(U8("オフセット +"));
    m_color = new CDrawnButton(IDC_GRAPH_COLOR, QString(), this);
    m_color->setFixedSize(32, kArrowSize + 8);
    m_color->setAccessibleName(U8("波形色"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setSpacing(2);
    grid->addWidget(m_enable, 0, 0, 1, 3);
    grid->addWidget(m_color, 0, 3);
    grid->addWidget(m_name, 1, 0, 1, 4);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->setSpacing(2);
    offsetRow->addWidget(m_down);
    offsetRow->addWidget(m_offset, 1);
    offsetRow->addWidget(m_up);
    grid->addLayout(offsetRow, 2, 0, 1, 4);

    const std::pair<int, int> tips[] = {{IDC_GRAPH_ENABLE, 74}, {IDC_GRAPH_NAME, 75}, {IDC_OFFSET_DOWN, 76},
                                        {IDC_OFFSET, 77},       {IDC_OFFSET_UP, 77},  {IDC_GRAPH_COLOR, 79}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);

    connect(m_enable, &QCheckBox::clicked, this, [this](bool checked) { OnEnableClicked(checked); });
    connect(m_name, &QLineEdit::textChanged, this, [this] { OnNameEdited(); });
    connect(m_offset, &QLineEdit::textChanged, this, [this] { OnOffsetEdited(); });
    connect(m_color, &CDrawnButton::command, this, [this] { OnColorButton(); });
    connect(m_down, &CDrawnButton::command, this, [this](int id) { OnOffsetCommand(id); });
    connect(m_up, &CDrawnButton::command, this, [this](int id) { OnOffsetCommand(id); });
    for (QWidget* w :
         std::initializer_list<QWidget*>{this, m_enable, m_name, m_offset, m_down, m_up, m_color})
        w->installEventFilter(this);
    Prepare(m_record, 0, nullptr);
}

void CStorageGraphHead::Prepare(const StorageGraphSetting& record, int slot, QObject* owner,
                                unsigned message) {
    StopRepeat();
    m_slot = slot >= 0 && slot < kStorageGraphCount ? slot : 0;
    m_owner = owner;
    m_message = message;
    m_record = PreparedGraphRecord(record, m_slot);
    m_loading = true;
    m_enable->setText(U8("データ%d").replace(QStringLiteral("%d"), QString::number(m_slot + 1)));
    m_enable->setChecked(m_record.IsEnable != 0);
    ShowColor();
    m_loading = false;
    SetOffsetLimits(-COffsetStepper::kLimit, COffsetStepper::kLimit);
    ShowRecord();
}

void CStorageGraphHead::ShowRecord() {
    m_loading = true;
    m_name->SetText(QString::fromStdString(GraphNameOf(m_record)));
    m_offset->SetText(QString::number(m_record.Offset));
    m_loading = false;
}

void CStorageGraphHead::SetRecord(const StorageGraphSetting& record) {
    StopRepeat();
    m_record = record;
    m_record.GraphName[sizeof m_record.GraphName - 1] = '\0';
    m_loading = true;
    m_enable->setChecked(m_record.IsEnable != 0);
    ShowColor();
    m_loading = false;
    ShowRecord();
}

void CStorageGraphHead::Enable(bool enable) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_enable, m_name, m_offset, m_down, m_up, m_color})
        w->setEnabled(enable);
    if (!enable) StopRepeat();
}

void CStorageGraphHead::SetOffsetLimits(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum;
    m_stepper.SetLimits(minimum, maximum);
    m_offset->Setup(nullptr, 0, CNumEdit::kInteger, minimum, maximum);
    const std::string text = ToStd(m_offset->text());
    const long long current = IsIntegerText(text) ? std::atoll(text.c_str()) : m_record.Offset;
    const int clamped = static_cast<int>(current < minimum ? minimum : current > maximum ? maximum : current);
    if (clamped != m_record.Offset) {
        m_record.Offset = clamped;
        m_loading = true;
        m_offset->SetText(QString::number(clamped));
        m_loading = false;
    }
}

bool CStorageGraphHead::CheckName() {
    if (IsGraphNameAllowed(GraphNameOf(m_record))) return true;
    ShowMessageCode(kMsgBadGraphName, MB_OK | MB_ICONWARNING);
    m_name->setFocus(Qt::OtherFocusReason);
    return false;
}

void CStorageGraphHead::Notify(int what, int argument) {
    if (m_owner) PostWindowMessage(m_owner, m_message, static_cast<std::uintptr_t>(what), argument);
    emit headerChanged(what, argument);
}

void CStorageGraphHead::OnNameEdited() {
    if (m_loading) return;
    SetGraphName(m_record, ToStd(m_name->text()));
    Notify(0, 0);
}

void CStorageGraphHead::OnOffsetEdited() {
    if (m_loading || m_offset->IsInvalid()) return;
    const std::string text = ToStd(m_offset->text());
    if (!IsIntegerText(text)) return;
    const long long value = std::atoll(text.c_str());
    if (value < m_min || value > m_max || value == m_record.Offset) return;
    m_record.Offset = static_cast<int>(value);
    Notify(2, m_slot);
}

void CStorageGraphHead::OnEnableClicked(bool checked) {
    m_record.IsEnable = checked ? 1 : 0;
    Notify(0, 1);
    Notify(1, m_slot);
}

void CStorageGraphHead::OnColorButton() {
    if (!m_chooser) return;
    const std::optional<QColor> chosen = m_chooser(FromColorRef(m_record.Color), this);
    if (!chosen) return;
    m_record.Color = ToColorRef(*chosen);
    ShowColor();
    Notify(0, 0);
}

void CStorageGraphHead::ShowColor() {
    const QColor c = FromColorRef(m_record.Color);
    m_color->SetFillColors(c, c);
    m_color->setAccessibleDescription(c.name());
}

void CStorageGraphHead::StepOffset(int direction) {
    m_offset->setText(QString::number(m_stepper.Step(m_record.Offset, direction)));
}

void CStorageGraphHead::OnOffsetCommand(int id) {
    // A mouse press already stepped and started the repeat; its click is no further step.
    if (m_mouseStepped) {
        m_mouseStepped = false;
        return;
    }
    // A click from the keyboard or assistive technology: one step.
    StepOffset(id == IDC_OFFSET_DOWN ? -1 : 1);
    if (m_timer == 0) m_stepper.Stop();
}

void CStorageGraphHead::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer) {
        QWidget::timerEvent(event);
        return;
    }
    int offset = m_record.Offset;
    if (!m_stepper.Tick(offset, m_down->IsPressed(), m_up->IsPressed(), m_leftHeld, m_rightHeld)) {
        StopRepeat();
        return;
    }
    m_offset->setText(QString::number(offset));
}

void CStorageGraphHead::StopRepeat() {
    if (m_timer != 0) killTimer(m_timer);
    m_timer = 0;
    m_stepper.Stop();
}

bool CStorageGraphHead::ForwardKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers();
    const bool down = event->type() == QEvent::KeyPress;
    if (!key->isAutoRepeat() && !(mods & Qt::ControlModifier)) {
        if (key->key() == Qt::Key_Left) m_leftHeld = down;
        if (key->key() == Qt::Key_Right) m_rightHeld = down;
    }
    if (!IsStorageWindowKey(key->key(), mods & Qt::ControlModifier, mods & Qt::AltModifier,
                            mods & Qt::ShiftModifier, down))
        return false;
    QObject* target = m_owner != nullptr ? m_owner : parentWidget();
    if (target == nullptr) return false;
    QCoreApplication::postEvent(
        target, new QKeyEvent(event->type(), key->key(), mods, key->nativeScanCode(), key->nativeVirtualKey(),
                              key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count()));
    return true;
}

bool CStorageGraphHead::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return ForwardKey(event);
        case QEvent::ShortcutOverride:
            // The edits would take Ctrl+arrow and the like for themselves; the storage window's keys
            // go on as key presses to be forwarded.
            if (IsStorageWindowKey(static_cast<QKeyEvent*>(event)->key(),
                                   static_cast<QKeyEvent*>(event)->modifiers() & Qt::ControlModifier,
                                   static_cast<QKeyEvent*>(event)->modifiers() & Qt::AltModifier,
                                   static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier, true)) {
                event->accept();
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if ((watched == m_down || watched == m_up) &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->isEnabled()) {
                // The first step happens at the press; the 200 ms timer repeats it while held.
                m_mouseStepped = true;
                StepOffset(watched == m_down ? -1 : 1);
                if (m_timer == 0) m_timer = startTimer(COffsetStepper::kTickMs);
            }
            break;
        case QEvent::MouseButtonRelease:
            if ((watched == m_down || watched == m_up) && m_mouseStepped) {
                // Only a release inside makes the button post its click command.
                auto* button = static_cast<CDrawnButton*>(watched);
                m_mouseStepped =
                    button->IsPressed() &&
                    button->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}
