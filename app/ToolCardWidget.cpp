#include "app/ToolCardWidget.h"

#include "app/core/K.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace {
constexpr int kIconWidth = 180;
constexpr int kIconHeight = 110;
constexpr int kHoverLift = 6;
} // namespace

ToolCardWidget::ToolCardWidget(const QString &iconPath, const QString &name,
                               const QString &description, QWidget *parent)
    : QWidget(parent)
    , m_toolName(name)
{
    Q_UNUSED(description)
    setupUI(iconPath);
    applyCardStyle();

    hoverAnimation = new QPropertyAnimation(iconLabel, "geometry", this);
    hoverAnimation->setDuration(200);
    hoverAnimation->setEasingCurve(QEasingCurve::OutCubic);
}

void ToolCardWidget::setupUI(const QString &iconPath)
{
    setFixedSize(K::f(kIconWidth + 20), K::f(kIconHeight + 20));
    setCursor(Qt::PointingHandCursor);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(K::f(10), K::f(10), K::f(10), K::f(10));
    layout->setSpacing(0);

    iconLabel = new QLabel(this);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setScaledContents(true);
    iconLabel->setFixedSize(K::f(kIconWidth), K::f(kIconHeight));

    // Rendered at three times the label's size so the picture stays sharp on HiDPI screens.
    QSvgRenderer renderer(iconPath);
    QPixmap pixmap(K::f(kIconWidth) * 3, K::f(kIconHeight) * 3);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    iconLabel->setPixmap(pixmap.scaled(iconLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    layout->addWidget(iconLabel, 0, Qt::AlignCenter);
}

void ToolCardWidget::applyCardStyle()
{
    setStyleSheet(QStringLiteral("ToolCardWidget { background: transparent; }"
                                 "QLabel { border: 2px solid rgba(100, 110, 130, 0.3); border-radius: %1px; }"
                                 "QLabel:hover { border: 2px solid rgba(41, 128, 255, 0.8); }")
                      .arg(K::s(14)));
}

void ToolCardWidget::enterEvent(QEvent *event)
{
    const QRect current = iconLabel->geometry();
    const int grow = K::f(kHoverLift) / 2;
    hoverAnimation->stop();
    hoverAnimation->setStartValue(current);
    hoverAnimation->setEndValue(current.adjusted(-grow, -grow, grow, grow));
    hoverAnimation->start();
    QWidget::enterEvent(event);
}

void ToolCardWidget::leaveEvent(QEvent *event)
{
    if (!isPressed) {
        hoverAnimation->stop();
        hoverAnimation->setStartValue(iconLabel->geometry());
        hoverAnimation->setEndValue(QRect(K::f(10), K::f(10), K::f(kIconWidth), K::f(kIconHeight)));
        hoverAnimation->start();
    }
    QWidget::leaveEvent(event);
}

void ToolCardWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        isPressed = true;
    QWidget::mousePressEvent(event);
}

void ToolCardWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isPressed) {
        isPressed = false;
        emit clicked();
    }
    QWidget::mouseReleaseEvent(event);
}

void ToolCardWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(m_toolName);
    QWidget::mouseDoubleClickEvent(event);
}
