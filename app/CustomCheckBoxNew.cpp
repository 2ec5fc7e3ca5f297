#include "app/CustomCheckBoxNew.h"

#include <QPainter>

CustomCheckBoxNew::CustomCheckBoxNew(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
}

void CustomCheckBoxNew::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF indicator(0, 3, 15, 15);
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(41, 128, 255));
        painter.drawRoundedRect(indicator, 3, 3);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("Arial"), 13));
        painter.drawText(indicator, Qt::AlignCenter, QStringLiteral("\u2713"));
    } else {
        painter.setPen(QPen(QColor(200, 200, 200), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(indicator, 3, 3);
    }

    QFont labelFont = font();
    labelFont.setPointSize(13);
    painter.setFont(labelFont);
    painter.setPen(QColor(160, 160, 160));
    painter.drawText(QRect(21, 0, width() - 21, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
