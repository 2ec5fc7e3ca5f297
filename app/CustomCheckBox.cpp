#include "app/CustomCheckBox.h"

#include <QPainter>
#include <QStyleOptionButton>

CustomCheckBox::CustomCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
}

void CustomCheckBox::paintEvent(QPaintEvent *event)
{
    QCheckBox::paintEvent(event);
    if (!isChecked())
        return;

    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int cx = (indicator.left() + indicator.right()) / 2;
    const int cy = (indicator.top() + indicator.bottom()) / 2;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setFont(QFont(QStringLiteral("Arial"), 16, QFont::Bold));
    painter.drawLine(cx - 6, cy, cx - 2, cy + 4);
    painter.drawLine(cx - 2, cy + 4, cx + 6, cy - 4);
}
