#include "support/ViewportFit.h"

#include <QAbstractScrollArea>
#include <QWidget>

bool ViewportFit::fit(QWidget *window, const QAbstractScrollArea *area, int width)
{
    const int missing = width - area->viewport()->width();
    if (missing != 0)
        window->resize(window->width() + missing, window->height());
    return missing == 0;
}
