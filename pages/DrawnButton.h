#pragma once
// CDrawnButton: a push button that paints itself (bitmap, caption, fill colours, pressed and selected
// states, optional toggle behaviour) and reports its identifier as a posted command.
#include <QColor>
#include <QImage>
#include <QWidget>

#include "pages/DrawnPicture.h"

class CDrawnButton : public QWidget {
    Q_OBJECT
public:
    // `id` is the control identifier reported with each command (also the objectName).
    CDrawnButton(int id, const QString& text, QWidget* parent = nullptr);

    int ControlId() const { return m_id; }
    void SetText(const QString& text);
    QString Text() const { return m_text; }

    // Builds the normal, hot and disabled images from `image` (cut to width × height): the
    // transparent colour becomes the normal fill, the hot fill, and (greyed) the normal fill.
    void SetBitmaps(const QImage& image, int width, int height, QColor transparent, QColor normalFill,
                    QColor hotFill);
    // The same from a picture drawn in code: over the normal fill, over the hot fill, and greyed over
    // the normal fill, each drawn at the device pixel ratio the button is painted at.
    void SetBitmaps(const qda::DrawnPicture& picture, QColor normalFill, QColor hotFill);
    // Switches the fill mode on with the normal and the pressed/selected fill colours.
    void SetFillColors(QColor normal, QColor pressed);
    void SetTextColor(QColor color);
    void SetToggle(bool toggle) { m_toggle = toggle; }
    bool IsToggle() const { return m_toggle; }
    // Whether assistive technology sees the selected state as "checked": toggle buttons, and buttons
    // of a group whose owner keeps one selected (the program buttons) when `checkable` is set.
    void SetCheckable(bool checkable) { m_checkable = checkable; }
    bool IsCheckable() const { return m_toggle || m_checkable; }
    void SetNotifyOnPress(bool notify) { m_notifyOnPress = notify; }
    // `flatFrame`: draw a frame in the plain state; `pushFrame`: draw hover frames as push frames.
    void SetFrame(bool flatFrame, bool pushFrame);
    void SetCutAccelerator(bool cut);

    // What a completed click does (pressed, then released inside), as the caption's access key and
    // the accessibility press action do it; nothing while disabled.
    void Click();

    // Sets the selected state, repaints and, for a notify-on-press button, posts the command.
    void SetSelected(bool selected);
    bool IsSelected() const { return m_selected; }
    // True while the button is pressed or selected and enabled.
    bool IsDown() const { return isEnabled() && (m_pressed || m_selected); }
    bool IsPressed() const { return m_pressed; }
    bool IsHover() const { return m_hover; }
    // The logical size of the button's picture; invalid when it has none.
    QSize ImageSize() const { return m_imageSize; }
    // The caption as drawn (cut before "(&" when asked).
    QString Caption() const;
    // The colour the caption is drawn in now (grey while disabled).
    QColor CaptionColor() const;

    QSize sizeHint() const override;

signals:
    // Posted (queued) with the control identifier, like a WM_COMMAND to the parent.
    void command(int id);

protected:
    bool event(QEvent*) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void ButtonDown();
    void ButtonUp(bool inside);
    void CancelMode();
    void PostCommand();
    // Tells assistive technology that the pressed or selected state may have changed.
    void NotifyAccessibleState();
    // Takes the access key of the caption ("(&W)": Alt+W) as the button's shortcut.
    void GrabAccessKey();
    // The image for the current state at `ratio` device pixels per logical pixel, drawn when the
    // ratio changes (another screen, or a window rendered into a finer image).
    const QImage& StateImage(qreal ratio);

    int m_id;
    QString m_text;
    qda::DrawnPicture m_picture;
    QColor m_imageFill, m_imageHotFill;
    qreal m_imageRatio = 0;  // the ratio the three images below were drawn at; 0 when none is
    QImage m_normal, m_hot, m_disabled;
    QSize m_imageSize;
    QColor m_textColor{Qt::black};
    bool m_fillMode = false;
    QColor m_fillNormal, m_fillPressed;
    bool m_flatFrame = false;
    bool m_pushFrame = false;
    bool m_toggle = false;
    bool m_checkable = false;
    bool m_notifyOnPress = false;
    bool m_cutAccelerator = false;
    bool m_pressed = false;
    bool m_selected = false;
    bool m_hover = false;
    int m_accessKey = 0;  // shortcut id of the caption's access key, 0 when none
};
