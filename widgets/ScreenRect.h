#pragma once

#include <QRect>

class QWidget;

namespace ScreenRect {

// The widget's rectangle as it lies on the screen. geometry() is that only for
// a window; for a panel it is the place inside its own parent, which a card
// centred on it would take as a screen position and open far from the panel.
QRect of(const QWidget *widget);

} // namespace ScreenRect
