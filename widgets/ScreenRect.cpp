#include "widgets/ScreenRect.h"

#include <QWidget>

namespace ScreenRect {

QRect of(const QWidget *widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

} // namespace ScreenRect
