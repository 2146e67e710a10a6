#pragma once
// CColorStatic: a static filled with a settable colour, its text centred at the top.
#include <QColor>
#include <QWidget>

class CColorStatic : public QWidget {
    Q_OBJECT
public:
    CColorStatic(int id, const QString& text, QWidget* parent = nullptr);

    // Sets the fill colour and repaints.
    void SetColor(QColor color);
    QColor Color() const { return m_color; }
    void SetText(const QString& text);
    QString Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_color;
    QString m_text;
};
