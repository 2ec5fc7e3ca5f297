#include "app/FramelessWindow.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "platform/MacWindowManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>

namespace FramelessWindow {

QHBoxLayout *titleBar(QWidget *window, int buttonSide, QPushButton **minimizeButton,
                      QPushButton **closeButton)
{
    auto *row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    auto *filler = new QLabel(window);
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(filler);
    if (minimizeButton) {
        *minimizeButton = new QPushButton(QStringLiteral("\u2212"), window);
        (*minimizeButton)->setFixedSize(buttonSide, buttonSide);
        (*minimizeButton)->setObjectName(QStringLiteral("minimizeButton"));
        row->addWidget(*minimizeButton);
        row->addSpacing(K::f(6));
    }
    *closeButton = new QPushButton(QStringLiteral("\u00d7"), window);
    (*closeButton)->setFixedSize(buttonSide, buttonSide);
    (*closeButton)->setObjectName(QStringLiteral("closeButton"));
    row->addWidget(*closeButton);
    return row;
}

QString titleButtonStyle()
{
    return QStringLiteral("#minimizeButton, #closeButton { background: transparent; border: none;"
                          "  color: rgba(255, 255, 255, 0.8); font-size: %1px; font-weight: bold; }"
                          "#minimizeButton:hover, #closeButton:hover { color: white;"
                          "  background: rgba(255, 255, 255, 0.1); border-radius: %2px; }")
        .arg(K::f(18))
        .arg(K::f(10));
}

void paintDarkCard(QWidget *widget, QPainter &painter)
{
    const QRect content = widget->rect().adjusted(6, 6, -6, -6);
    for (int k = 0; k <= 8; ++k) {
        const int grow = k < 2 ? 0 : k - 1;
        painter.setPen(QPen(QColor(0, 0, 0, 15 - k), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(content.adjusted(-grow, -grow, grow, grow), 12 + grow, 12 + grow);
    }
    QLinearGradient gradient(0, 0, 0, widget->height());
    gradient.setColorAt(0, QColor(45, 55, 75));
    gradient.setColorAt(1, QColor(35, 45, 65));
    painter.setBrush(gradient);
    painter.setPen(QPen(QColor(80, 90, 110), 1));
    painter.drawRoundedRect(content, 12, 12);
}

void startDrag(QWidget *window, QMouseEvent *event, QPoint &grabOffset, bool &dragging)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = true;
    grabOffset = event->globalPos() - window->frameGeometry().topLeft();
    event->accept();
}

void continueDrag(QWidget *window, QMouseEvent *event, const QPoint &grabOffset, bool dragging)
{
    if (!(event->buttons() & Qt::LeftButton) || !dragging)
        return;
    window->move(event->globalPos() - grabOffset);
    event->accept();
}

void minimize(QWidget *window)
{
    if (!MacWindowManager::minimizeWindow(window)) {
        qCDebug(lcApp) << "最小化失败，尝试Qt默认方法";
        window->setWindowState(Qt::WindowMinimized);
    }
}

void fadeOutAndClose(QWidget *window, int durationMs)
{
    auto *fade = new QPropertyAnimation(window, "windowOpacity", window);
    fade->setDuration(durationMs);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setEasingCurve(QEasingCurve::InCubic);
    QObject::connect(fade, &QPropertyAnimation::finished, window, [window, fade]() {
        window->close();
        fade->deleteLater();
    });
    fade->start();
}

} // namespace FramelessWindow
