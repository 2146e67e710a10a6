#pragma once
// CButtonBar: the row that holds a window's top drawn buttons. It draws nothing of its own;
// assistive technology sees it as a tool bar, so the buttons read as one group.
#include <QWidget>

class CButtonBar : public QWidget {
    Q_OBJECT
public:
    explicit CButtonBar(QWidget* parent = nullptr);
};
