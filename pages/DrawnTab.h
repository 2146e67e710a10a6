#pragma once
// CDrawnTab: the main window's tab control, painting its own items and the frame of the page area.
// A change of the selection by the user can be refused by the owner before it happens.
#include <QColor>
#include <QStringList>
#include <QWidget>

class CDrawnTab : public QWidget {
    Q_OBJECT
public:
    CDrawnTab(int id, QWidget* parent = nullptr);

    // Appends an item; returns its index.
    int InsertItem(const QString& text);
    int ItemCount() const { return static_cast<int>(m_items.size()); }
    QString ItemText(int index) const;
    int CurSel() const { return m_current; }
    // Selects an item without any notification (the owner's own change); false for a bad index.
    bool SetCurSel(int index);
    void SetBackgroundColor(QColor color);
    // A rectangle (in this control's coordinates) that painting leaves out; an empty one clears it.
    void SetExcludeRect(const QRect& rect);
    // The rectangle of item `index` as laid out now.
    QRect ItemRect(int index) const;
    // The page area below the items, inside the frame.
    QRect DisplayRect() const;
    // What a click on item `index` does (the mouse, or the press action of assistive technology):
    // the owner is offered the change, and the focus moves here when it happened. True when the
    // item is selected afterwards by this change.
    bool ClickItem(int index);

signals:
    // The user asks for another item; setting *refuse keeps the current one.
    void selectionChanging(bool* refuse);
    // The user's change has happened.
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    int HeaderHeight() const;
    // The user's change to `index`, offered to the owner; true when it happened.
    bool UserSelect(int index);
    // Tells assistive technology which item is selected now.
    void NotifyAccessibleSelection();

    QStringList m_items;
    int m_current = -1;
    QColor m_background;
    QRect m_exclude;
};
