#pragma once
// What the resizable tool windows (the waveform windows, the data storage window) share around
// their own controls: the 16 x 16 size grip (bitmap 188) in the bottom-right corner, which
// resizes the window as its frame's corner does, and the test whether a key is the window's own
// to handle.
#include <cstddef>
#include <functional>
#include <span>

#include "pages/DrawnPicture.h"

class CDrawnButton;
class QEvent;
class QObject;
class QPainter;
class QWidget;

namespace qda {

// The size grip's side in logical pixels.
constexpr int kSizeGrip = 16;

// The grip's picture: three ridges, light above dark, on a transparent background.
DrawnPicture SizeGripPicture();

// Draws the grip in the bottom-right corner of `window` (`p` paints on the window).
void PaintSizeGrip(const QWidget& window, QPainter& p);

// For a window's event(): a left press on the grip hands the resize to the window system. True
// when it did; the event is then the window's.
bool GripPressStartsResize(QWidget& window, QEvent* e);

// Whether a modal window stands in front of `window`: an application-modal one, or a
// window-modal one that belongs to it. The main window runs modal to its hidden owner only, so
// the tool windows beside it still take their keys.
bool BlockedByModal(const QWidget& window);

// For an application-wide event filter: `e` is a key press or release sent to a widget inside
// `window` while no modal window stands in front of it.
bool IsWindowKey(const QWidget& window, QObject* watched, QEvent* e);

// For a window's event filter, for buttons that act when the left mouse button goes down (holding
// it repeats): on a left press of enabled button i, notes acted[i] (so that the click which
// follows does not act again) and calls act(i); a release outside the button clears acted[i], as
// no click follows then.
void TrackPressActions(std::span<CDrawnButton* const> buttons, std::span<bool> acted, QObject* watched,
                       QEvent* e, const std::function<void(size_t)>& act);

}  // namespace qda
