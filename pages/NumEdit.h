#pragma once
// CNumEdit: an edit control that tests its text on every change and draws invalid text in red.
// It never changes the text itself, except that a text-mode edit with a length limit puts its last
// valid text back when a double-byte character is typed.
#include <QLineEdit>

class CNumEdit : public QLineEdit {
    Q_OBJECT
public:
    enum Mode { kInteger = 0, kDecimal = 1, kText = 2 };

    CNumEdit(int id, QWidget* parent = nullptr);

    int ControlId() const { return m_id; }

    // Sets the test: `mode`, the range (for decimal mode with a length family other than 2 the range
    // is in internal units and converted through the row of (family, mmDigits, inchDigits)), and the
    // window that is told of every change with `message` (none when null).
    void Setup(QObject* notify, unsigned message, Mode mode, double minimum, double maximum, int family = 2,
               int mmDigits = 0, int inchDigits = 0);
    // Changes only the unit conversion of a decimal-mode edit and tests the text again.
    void SetConversion(int family, int mmDigits, int inchDigits);
    // Sets the text, which also becomes the last valid text.
    void SetText(const QString& text);
    // Limits the text length (characters).
    void SetLengthLimit(int limit);
    // True while the text fails the test.
    bool IsInvalid() const { return m_invalid; }
    // The range in display units as tested now.
    double DisplayMinimum() const;
    double DisplayMaximum() const;

signals:
    // The edit lost the keyboard focus (the pages rewrite valid numbers in their display format).
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    void Test();
    void ApplyColors();

    int m_id;
    Mode m_mode = kInteger;
    double m_min = 0, m_max = 0;
    int m_family = 2, m_mmDigits = 0, m_inchDigits = 0;
    bool m_invalid = false;
    QObject* m_notify = nullptr;
    unsigned m_message = 0;
    QString m_lastValid;
    int m_lastCursor = 0;
    int m_limit = 0;
    bool m_restoring = false;
};
