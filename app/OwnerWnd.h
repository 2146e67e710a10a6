#pragma once
// COwnerWnd (dialog 188): the hidden window that owns the main window for the whole run.
#include <QWidget>

class COwnerWnd : public QWidget {
    Q_OBJECT
public:
    explicit COwnerWnd(QWidget* parent = nullptr);
};
