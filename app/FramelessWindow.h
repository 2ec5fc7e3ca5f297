#pragma once

#include <QPoint>
#include <QString>

class QHBoxLayout;
class QMouseEvent;
class QPainter;
class QPushButton;
class QWidget;

// What the frameless windows (login windows, launcher) share: their own
// title-bar buttons, minimising through the window bridge and fading out.
namespace FramelessWindow {

// A row with a filler and the "−" and "×" buttons (object names
// "minimizeButton" and "closeButton", buttonSide square), children of window.
// minimizeButton may be null for a window without one.
QHBoxLayout *titleBar(QWidget *window, int buttonSide, QPushButton **minimizeButton,
                      QPushButton **closeButton);

// Style rules for the light title-bar buttons on a dark card.
QString titleButtonStyle();

// The dark rounded card with its soft shadow, 6 pixels inside the window's edge.
void paintDarkCard(QWidget *widget, QPainter &painter);

// Dragging the window by its body, from its mouse press and move handlers:
// a left press keeps where the window was grabbed, moves follow the pointer.
void startDrag(QWidget *window, QMouseEvent *event, QPoint &grabOffset, bool &dragging);
void continueDrag(QWidget *window, QMouseEvent *event, const QPoint &grabOffset, bool dragging);

// Minimises through the window bridge, else with Qt's own window state.
void minimize(QWidget *window);

// Fades window out over durationMs, then closes it.
void fadeOutAndClose(QWidget *window, int durationMs);

} // namespace FramelessWindow
