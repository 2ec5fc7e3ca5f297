#include "widgets/ToastWidget.h"

#include "app/core/K.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QTimer>
#include <QVBoxLayout>

ToastWidget::ToastWidget(QWidget *parent)
    : QWidget(parent)
{
    setupUI();

    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);

    displayTimer = new QTimer(this);
    displayTimer->setSingleShot(true);

    opacityEffect = new QGraphicsOpacityEffect(this);
    // The effect starts at 0.7 by default; the bubble is fully opaque until it fades.
    opacityEffect->setOpacity(1.0);
    setGraphicsEffect(opacityEffect);

    fadeAnimation = new QPropertyAnimation(opacityEffect, "opacity", this);
    fadeAnimation->setDuration(300);
    fadeAnimation->setStartValue(1.0);
    fadeAnimation->setEndValue(0.0);
    connect(fadeAnimation, &QPropertyAnimation::finished, this, &QObject::deleteLater);
    connect(displayTimer, &QTimer::timeout, fadeAnimation, [this] { fadeAnimation->start(); });
}

void ToastWidget::setupUI()
{
    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setStyleSheet(QStringLiteral("QLabel {"
                                               " background-color: rgba(50, 50, 50, 200);"
                                               " color: white;"
                                               " border-radius: %1px;"
                                               " padding: %2px %3px;"
                                               " font-size: %4px;"
                                               " }")
                                    .arg(K::f(8))
                                    .arg(K::f(12))
                                    .arg(K::f(20))
                                    .arg(K::f(14)));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(messageLabel);
}

void ToastWidget::setMessage(const QString &message)
{
    messageLabel->setText(message);
    adjustSize();
}

void ToastWidget::showMessage(QWidget *parent, const QString &message, int duration)
{
    auto *toast = new ToastWidget(parent);
    toast->messageLabel->setText(message);
    toast->adjustSize();
    toast->show();
    toast->displayTimer->start(duration);
}

void ToastWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QWidget *owner = parentWidget()) {
        const QPoint c = owner->mapToGlobal(owner->rect().center());
        move(c.x() - width() / 2, c.y() - height() / 2);
    }
}
