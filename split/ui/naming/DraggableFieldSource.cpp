#include "split/ui/naming/DraggableFieldSource.h"

#include "app/core/K.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

DraggableFieldSource::DraggableFieldSource(const QString &name, const QString &key, QWidget *parent)
    : QPushButton(name, parent)
    , m_fieldName(name)
    , m_fieldKey(key)
{
    setCursor(Qt::OpenHandCursor);
    setMinimumHeight(K::f(32));
    setStyleSheet(QStringLiteral("QPushButton { background-color: #f5f5f7; color: #1d1d1f;"
                                 " border: %1px solid #d2d2d7; border-radius: %2px;"
                                 " padding: %3px %4px; font-size: %5px; font-weight: 500; }"
                                 "QPushButton:hover { background-color: #e8f4fd; border-color: #007aff;"
                                 " color: #007aff; }"
                                 "QPushButton:pressed { background-color: #d0e8fc; }")
                      .arg(K::s(K::f(1)), K::s(K::f(6)), K::s(K::f(6)), K::s(K::f(12)), K::s(K::f(11))));
}

QMimeData *DraggableFieldSource::createMimeData(const QString &name, const QString &key)
{
    const QString text = name + QLatin1Char('|') + key;
    auto *mime = new QMimeData;
    mime->setText(text);
    mime->setData(QStringLiteral("application/x-field-item"), text.toUtf8());
    return mime;
}

void DraggableFieldSource::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressPos = event->localPos().toPoint();
    QPushButton::mousePressEvent(event);
}

void DraggableFieldSource::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton)
        && (event->localPos().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        auto *drag = new QDrag(this);
        drag->setMimeData(createMimeData(m_fieldName, m_fieldKey));
        drag->setPixmap(dragPixmap());
        drag->setHotSpot(event->localPos().toPoint());
        execDrag(drag);
        drag->deleteLater();
        // The drag took the release and the leave: drop the pressed and hover looks it left behind.
        setDown(false);
        setAttribute(Qt::WA_UnderMouse, false);
        style()->unpolish(this);
        style()->polish(this);
        update();
        return;
    }
    QPushButton::mouseMoveEvent(event);
}

Qt::DropAction DraggableFieldSource::execDrag(QDrag *drag)
{
    return drag->exec(Qt::CopyAction);
}

QPixmap DraggableFieldSource::dragPixmap() const
{
    QPixmap pixmap(size());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(QStringLiteral("#007aff")));
    painter.drawRoundedRect(pixmap.rect(), K::f(6), K::f(6));
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(pixmap.rect(), Qt::AlignCenter, m_fieldName);
    return pixmap;
}
