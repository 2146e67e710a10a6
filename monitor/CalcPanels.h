#pragma once
// The drawn parts of the measured-value window: the value panel of one OUT (value in the normal
// or alert style, HI/GO/LO, timing and zero lamps) and the panel of the two heads' state lamps.
// Each carries what it shows as its accessible name and description, so that a screen reader
// or a test reads what the operator sees.
#include <QWidget>

#include "monitor/CalcReadingView.h"

class CCalcValuePanel : public QWidget {
    Q_OBJECT
public:
    explicit CCalcValuePanel(QWidget* parent = nullptr);
    // Shows OUT `out` (0 or 1) as `view` describes it.
    void Show(int out, const qda::OutPanelView& view);
    int Out() const { return m_out; }
    const qda::OutPanelView& View() const { return m_view; }
    QSize sizeHint() const override { return {320, 150}; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int m_out = 0;
    qda::OutPanelView m_view;
};

class CCalcHeadPanel : public QWidget {
    Q_OBJECT
public:
    explicit CCalcHeadPanel(QWidget* parent = nullptr);
    void Show(const qda::HeadPanelView& headA, const qda::HeadPanelView& headB);
    const qda::HeadPanelView& View(int head) const { return m_view[head == 1 ? 1 : 0]; }
    QSize sizeHint() const override { return {130, 150}; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    qda::HeadPanelView m_view[2];
};

namespace qda {

// The colour a lamp is drawn in.
QColor LampQColor(LampColour lamp);
// The lamp's colour as a word for assistive technology ("red", "grey", ...).
const char* LampWord(LampColour lamp);
// Installs the accessibility of the two panels (once per process).
void InstallCalcPanelAccessibility();

}  // namespace qda
