#include "monitor/CalcPanels.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <mutex>

#include "pages/PageSupport.h"

namespace {

using qda::LampColour;

// The value panel's two styles: dark green on white while GO alone is lit, white on red otherwise.
const QColor kNormalText(0, 100, 0);
const QColor kNormalBack(255, 255, 255);
const QColor kAlertText(255, 255, 255);
const QColor kAlertBack(200, 0, 0);
const QColor kEmptyBack(235, 235, 235);

void DrawLamp(QPainter& p, const QRect& r, LampColour lamp, const QString& label) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(qda::LampQColor(lamp));
    const int d = std::min(r.width(), r.height() - 14);
    const QRect circle(r.left() + (r.width() - d) / 2, r.top(), d, d);
    p.drawEllipse(circle);
    p.drawText(QRect(r.left(), circle.bottom() + 1, r.width(), 14), Qt::AlignCenter, label);
}

class PanelAccessible : public QAccessibleWidget {
public:
    explicit PanelAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if ((className == QLatin1String("CCalcValuePanel") || className == QLatin1String("CCalcHeadPanel")) &&
        object != nullptr && object->isWidgetType())
        return new PanelAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

namespace qda {

QColor LampQColor(LampColour lamp) {
    switch (lamp) {
        case LampColour::kRed:
            return {255, 0, 0};
        case LampColour::kGreen:
            return {0, 200, 0};
        case LampColour::kYellow:
            return {255, 230, 0};
        case LampColour::kCyan:
            return {0, 220, 255};
        case LampColour::kDark:
            return {40, 40, 40};
        case LampColour::kGrey:
            break;
    }
    return {160, 160, 160};
}

const char* LampWord(LampColour lamp) {
    switch (lamp) {
        case LampColour::kRed:
            return "red";
        case LampColour::kGreen:
            return "green";
        case LampColour::kYellow:
            return "yellow";
        case LampColour::kCyan:
            return "cyan";
        case LampColour::kDark:
            return "dark";
        case LampColour::kGrey:
            break;
    }
    return "grey";
}

void InstallCalcPanelAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&Factory); });
}

}  // namespace qda

CCalcValuePanel::CCalcValuePanel(QWidget* parent) : QWidget(parent) {
    qda::InstallCalcPanelAccessibility();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(220, 130);
    Show(0, {});
}

void CCalcValuePanel::Show(int out, const qda::OutPanelView& view) {
    m_out = out == 1 ? 1 : 0;
    m_view = view;
    const QString name = QString::fromStdString(qda::OutPanelName(m_out, view));
    if (accessibleName() != name) setAccessibleName(name);
    QString description;
    if (view.style != qda::ValueStyle::kNone) {
        description =
            QStringLiteral("TIMING %1, ZERO %2")
                .arg(view.timing == LampColour::kGrey ? QStringLiteral("off") : QStringLiteral("on"),
                     view.zero == LampColour::kGrey ? QStringLiteral("off") : QStringLiteral("on"));
    }
    if (accessibleDescription() != description) setAccessibleDescription(description);
    update();
}

void CCalcValuePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect().adjusted(0, 0, -1, -1);
    const bool alert = m_view.style == qda::ValueStyle::kAlert;
    const QColor back = m_view.style == qda::ValueStyle::kNone ? kEmptyBack
                        : alert                                ? kAlertBack
                                                               : kNormalBack;
    // The frame without antialiasing: a one-pixel line on whole pixels, not two half-tone ones.
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(back);
    p.drawRect(all);
    p.setRenderHint(QPainter::Antialiasing);

    // Title, then the value with its unit, then the lamps along the bottom.
    QFont title = font();
    title.setBold(true);
    p.setFont(title);
    p.setPen(alert ? kAlertText : Qt::black);
    p.drawText(QRect(8, 4, width() - 16, 20), Qt::AlignLeft | Qt::AlignVCenter,
               m_out == 1 ? QStringLiteral("OUT2") : QStringLiteral("OUT1"));

    const int lampRow = 36;
    const QRect valueBox(8, 26, width() - 16, height() - 26 - lampRow - 4);
    if (m_view.style != qda::ValueStyle::kNone) {
        QFont unitFont = font();
        unitFont.setPointSizeF(font().pointSizeF() * 1.3);
        const QFontMetrics unitMetrics(unitFont);
        const int unitWidth = unitMetrics.horizontalAdvance(QStringLiteral("inch")) + 8;
        QFont big = font();
        big.setBold(true);
        big.setPixelSize(std::max(12, std::min(valueBox.height() - 4, valueBox.width() / 8)));
        p.setFont(big);
        p.setPen(alert ? kAlertText : kNormalText);
        p.drawText(valueBox.adjusted(0, 0, -unitWidth, 0), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(m_view.value));
        p.setFont(unitFont);
        p.drawText(QRect(valueBox.right() - unitWidth + 4, valueBox.top(), unitWidth, valueBox.height()),
                   Qt::AlignLeft | Qt::AlignBottom, QString::fromStdString(m_view.unit));
    }

    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.8));
    p.setFont(small);
    const struct {
        LampColour lamp;
        const char* label;
    } lamps[] = {
        {m_view.hi, "HI"}, {m_view.go, "GO"}, {m_view.lo, "LO"}, {m_view.timing, "T"}, {m_view.zero, "Z"}};
    int x = 8;
    for (const auto& lamp : lamps) {
        p.setPen(alert ? kAlertText : Qt::black);
        DrawLamp(p, QRect(x, height() - lampRow, 28, lampRow - 2), lamp.lamp,
                 QString::fromLatin1(lamp.label));
        x += 34;
    }
}

CCalcHeadPanel::CCalcHeadPanel(QWidget* parent) : QWidget(parent) {
    qda::InstallCalcPanelAccessibility();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setMinimumSize(130, 130);
    Show({}, {});
}

void CCalcHeadPanel::Show(const qda::HeadPanelView& headA, const qda::HeadPanelView& headB) {
    m_view[0] = headA;
    m_view[1] = headB;
    QStringList parts;
    for (int head = 0; head < 2; ++head) {
        const qda::HeadPanelView& v = m_view[head];
        parts << QStringLiteral("%1 %2 %3 %4")
                     .arg(qda::MessageQ(head), QString::fromLatin1(qda::LampWord(v.state)),
                          QString::fromLatin1(qda::LampWord(v.second)),
                          QString::fromLatin1(qda::LampWord(v.third)));
    }
    const QString name = parts.join(QStringLiteral(", "));
    if (accessibleName() != name) setAccessibleName(name);
    update();
}

void CCalcHeadPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(kEmptyBack);
    p.drawRect(rect().adjusted(0, 0, -1, -1));  // on whole pixels, as the value panel's
    p.setRenderHint(QPainter::Antialiasing);
    const int rowHeight = (height() - 8) / 2;
    for (int head = 0; head < 2; ++head) {
        const qda::HeadPanelView& v = m_view[head];
        const int top = 4 + head * rowHeight;
        p.setPen(Qt::black);
        p.drawText(QRect(6, top, width() - 12, 18), Qt::AlignLeft | Qt::AlignVCenter, qda::MessageQ(head));
        int x = 6;
        for (const LampColour lamp : {v.state, v.second, v.third}) {
            DrawLamp(p, QRect(x, top + 20, 34, std::max(20, rowHeight - 24)), lamp, QString());
            x += 40;
        }
    }
}
