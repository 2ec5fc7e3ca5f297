#pragma once

class QAbstractScrollArea;
class QWidget;

// Sizes a window so that its scroll area's viewport gets an exact width.
namespace ViewportFit {

// Resizes the window towards the width and returns true once the viewport
// has it. Meant to be polled (QTRY_VERIFY): the layout and the scroll bars
// may move the viewport again after a resize.
bool fit(QWidget *window, const QAbstractScrollArea *area, int width);

} // namespace ViewportFit
