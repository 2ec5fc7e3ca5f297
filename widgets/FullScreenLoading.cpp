#include "widgets/FullScreenLoading.h"

#include "app/core/K.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

QMap<QWidget *, FullScreenLoading *> FullScreenLoading::s_instances;

namespace {

const QString kDimStyle = QStringLiteral("background-color: rgba(0, 0, 0, 100);");

} // namespace

FullScreenLoading::FullScreenLoading(QWidget *parent)
    : QWidget(parent)
    , m_owner(parent)
{
    setObjectName(QStringLiteral("FullScreenLoading"));
    setupUI();
    if (parent) {
        setGeometry(parent->rect());
        connect(parent, &QObject::destroyed, this, [this](QObject *gone) {
            auto *key = static_cast<QWidget *>(gone);
            if (s_instances.value(key) == this)
                s_instances.remove(key);
            deleteLater();
        });
    }
}

FullScreenLoading::~FullScreenLoading()
{
    if (rotationTimer->isActive())
        rotationTimer->stop();
    unregister();
}

void FullScreenLoading::unregister()
{
    // Only our own entry: a newer overlay may already stand for the same parent.
    if (m_owner && s_instances.value(m_owner) == this)
        s_instances.remove(m_owner);
}

void FullScreenLoading::setupUI()
{
    setDimBackground(true);

    contentWidget = new QWidget(this);
    contentWidget->setObjectName(QStringLiteral("contentWidget"));
    contentWidget->setFixedWidth(K::f(140));
    contentWidget->setMinimumHeight(K::f(120));
    contentWidget->setAttribute(Qt::WA_StyledBackground);
    contentWidget->setStyleSheet(QStringLiteral("#contentWidget { background-color: white;"
                                                " border: 1px solid #e0e0e0;"
                                                " border-radius: %1px; }")
                                     .arg(K::s(K::f(10))));
    auto *layout = new QVBoxLayout(contentWidget);
    const int margin = K::f(20);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(K::f(10));

    iconLabel = new QLabel(contentWidget);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setFixedSize(K::f(50), K::f(50));
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    layout->addWidget(iconLabel, 0, Qt::AlignHCenter);

    messageLabel = new QLabel(QStringLiteral("加载中..."), contentWidget);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setFixedWidth(K::f(140) - K::f(40));
    messageLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    messageLabel->setStyleSheet(QStringLiteral("color: #333333; font-size: %1px;"
                                               " background: transparent; border: none;")
                                    .arg(K::s(K::f(14))));
    layout->addWidget(messageLabel);

    cancelButton = new QPushButton(QStringLiteral("取消"), contentWidget);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setFixedSize(K::f(70), K::f(28));
    cancelButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: #f0f0f0; border: 1px solid #dcdfe6;"
                       " border-radius: %1px; color: #606266; font-size: %2px; }"
                       " QPushButton:hover { background-color: #e6e6e6; border-color: #c0c4cc; }"
                       " QPushButton:pressed { background-color: #d9d9d9; }")
            .arg(K::s(K::f(4)), K::s(K::f(12))));
    cancelButton->hide();
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        emit cancelled();
        if (receivers(SIGNAL(cancelled())) == 0)
            dismiss();
    });
    layout->addWidget(cancelButton, 0, Qt::AlignHCenter);

    rotationTimer = new QTimer(this);
    connect(rotationTimer, &QTimer::timeout, this, [this] {
        rotationAngle = (rotationAngle + 10) % 360;
        iconLabel->update();
    });

    autoDismissTimer = new QTimer(this);
    autoDismissTimer->setSingleShot(true);
    connect(autoDismissTimer, &QTimer::timeout, this, &FullScreenLoading::playDismissAnimation);

    opacityEffect = new QGraphicsOpacityEffect(this);
    opacityEffect->setOpacity(0.0);
    setGraphicsEffect(opacityEffect);
    opacityAnimation = new QPropertyAnimation(opacityEffect, "opacity", this);
    opacityAnimation->setDuration(200);
    opacityAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    geometryAnimation = new QPropertyAnimation(contentWidget, "geometry", this);
    geometryAnimation->setDuration(300);
    geometryAnimation->setEasingCurve(QEasingCurve::OutBack);
    // The opacity effect caches the overlay; repaint all of it while the panel
    // moves so no trace of an earlier frame stays behind.
    connect(geometryAnimation, &QVariantAnimation::valueChanged, this,
            [this] { update(); });

    iconLabel->installEventFilter(this);
    if (parentWidget())
        centerContent();
}

void FullScreenLoading::setDimBackground(bool dim)
{
    setAttribute(Qt::WA_StyledBackground, dim);
    setStyleSheet(dim ? kDimStyle : QString());
}

FullScreenLoading *FullScreenLoading::show(QWidget *parent, const QString &message,
                                           bool dimBackground)
{
    if (parent) {
        if (FullScreenLoading *overlay = s_instances.value(parent)) {
            overlay->setDimBackground(dimBackground);
            overlay->messageLabel->setText(message);
            overlay->adjustContentSize();
            overlay->raise();
            // A reused overlay must not vanish in the middle of the new wait.
            overlay->cancelDismissal();
            if (!overlay->isVisible()) {
                overlay->QWidget::show();
                overlay->playShowAnimation();
            }
            if (overlay->state != Loading) {
                overlay->state = Loading;
                overlay->rotationAngle = 0;
                overlay->rotationTimer->start(30);
                overlay->iconLabel->update();
            }
            return overlay;
        }
    }

    auto *overlay = new FullScreenLoading(parent);
    overlay->setDimBackground(dimBackground);
    overlay->messageLabel->setText(message);
    overlay->raise();
    overlay->QWidget::show();
    overlay->rotationAngle = 0;
    overlay->rotationTimer->start(30);
    overlay->playShowAnimation();
    if (parent)
        s_instances.insert(parent, overlay);
    return overlay;
}

FullScreenLoading *FullScreenLoading::showCancellable(QWidget *parent, const QString &message,
                                                      const QString &cancelText,
                                                      bool dimBackground)
{
    FullScreenLoading *overlay = show(parent, message, dimBackground);
    if (overlay) {
        overlay->cancelButton->setText(cancelText);
        overlay->cancelButton->setVisible(true);
        overlay->adjustContentSize();
    }
    return overlay;
}

FullScreenLoading *FullScreenLoading::getInstance(QWidget *parent)
{
    if (!parent)
        return nullptr;
    return s_instances.value(parent);
}

QString FullScreenLoading::message() const
{
    return messageLabel->text();
}

void FullScreenLoading::cancelDismissal()
{
    autoDismissTimer->stop();
    if (!m_fadingOut)
        return;
    m_fadingOut = false;
    opacityAnimation->stop();
    disconnect(opacityAnimation, &QPropertyAnimation::finished, this, &QObject::deleteLater);
    if (isVisible()) {
        opacityAnimation->setStartValue(opacityEffect->opacity());
        opacityAnimation->setEndValue(1.0);
        opacityAnimation->start();
    }
}

void FullScreenLoading::setMessage(const QString &message)
{
    messageLabel->setText(message);
    adjustContentSize();
}

void FullScreenLoading::showSuccess(const QString &message, int duration)
{
    if (!parentWidget())
        return;
    autoDismissTimer->stop();
    rotationTimer->stop();
    state = Success;
    messageLabel->setText(message);
    iconLabel->update();
    playStateChangeAnimation();
    if (duration > 0)
        autoDismissTimer->start(duration);
}

void FullScreenLoading::showFailed(const QString &message, int duration)
{
    if (!parentWidget())
        return;
    autoDismissTimer->stop();
    rotationTimer->stop();
    state = Failed;
    messageLabel->setText(message);
    iconLabel->update();
    playStateChangeAnimation();
    if (duration > 0)
        autoDismissTimer->start(duration);
}

void FullScreenLoading::dismiss()
{
    if (rotationTimer->isActive())
        rotationTimer->stop();
    unregister();
    playDismissAnimation();
}

void FullScreenLoading::changeState(LoadingState newState, const QString &message)
{
    rotationTimer->stop();
    state = newState;
    messageLabel->setText(message);
    iconLabel->update();
    playStateChangeAnimation();
}

void FullScreenLoading::setCancelButtonText(const QString &text)
{
    cancelButton->setText(text);
}

void FullScreenLoading::setCancelButtonVisible(bool visible)
{
    cancelButton->setVisible(visible);
    adjustContentSize();
}

void FullScreenLoading::startLoadingAnimation()
{
    rotationAngle = 0;
    rotationTimer->start(30);
}

void FullScreenLoading::stopLoadingAnimation()
{
    if (rotationTimer->isActive())
        rotationTimer->stop();
}

void FullScreenLoading::updateIcon()
{
    iconLabel->update();
}

void FullScreenLoading::centerContent()
{
    if (!parentWidget())
        return;
    contentWidget->move((width() - contentWidget->width()) / 2,
                        (height() - contentWidget->height()) / 2);
}

void FullScreenLoading::adjustContentSize()
{
    const QRect bounds = messageLabel->fontMetrics().boundingRect(
        QRect(0, 0, messageLabel->width(), 100000), Qt::AlignCenter | Qt::TextWordWrap,
        messageLabel->text());
    const int textHeight = bounds.height();
    messageLabel->setMinimumHeight(textHeight);
    contentWidget->adjustSize();

    int total = textHeight + iconLabel->height() + K::f(10) + K::f(40);
    const bool withButton = !cancelButton->isHidden();
    if (withButton)
        total += K::f(10) + cancelButton->height();
    const int minimum = withButton ? K::f(150) : K::f(120);
    contentWidget->setFixedHeight(qMax(total, minimum));
    centerContent();
}

void FullScreenLoading::playShowAnimation()
{
    adjustContentSize();
    const int w = contentWidget->width(), h = contentWidget->height();
    const int x = (width() - w) / 2, y = (height() - h) / 2;
    const QRect start(x + w / 4, y + h / 4, w / 2, h / 2);
    contentWidget->setGeometry(start);
    geometryAnimation->stop();
    geometryAnimation->setKeyValues({});
    geometryAnimation->setStartValue(start);
    geometryAnimation->setEndValue(QRect(x, y, w, h));
    geometryAnimation->start();

    opacityAnimation->stop();
    opacityAnimation->setStartValue(0.0);
    opacityAnimation->setEndValue(1.0);
    opacityAnimation->start();
}

void FullScreenLoading::playStateChangeAnimation()
{
    adjustContentSize();
    const int w = contentWidget->width(), h = contentWidget->height();
    const int x = (width() - w) / 2, y = (height() - h) / 2;
    const QRect normal(x, y, w, h);
    const QRect shrunk(x + 5, y + 5, w - 10, h - 10);
    geometryAnimation->stop();
    geometryAnimation->setDuration(400);
    geometryAnimation->setEasingCurve(QEasingCurve::OutElastic);
    geometryAnimation->setStartValue(normal);
    geometryAnimation->setKeyValueAt(0.5, shrunk);
    geometryAnimation->setEndValue(normal);
    geometryAnimation->start();
    update();
    iconLabel->update();
}

void FullScreenLoading::playDismissAnimation()
{
    m_fadingOut = true;
    opacityAnimation->stop();
    opacityAnimation->setStartValue(opacityEffect->opacity());
    opacityAnimation->setEndValue(0.0);
    opacityAnimation->setDuration(200);
    connect(opacityAnimation, &QPropertyAnimation::finished, this, &QObject::deleteLater,
            Qt::UniqueConnection);
    opacityAnimation->start();
}

bool FullScreenLoading::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == iconLabel && event->type() == QEvent::Paint) {
        paintIcon();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FullScreenLoading::paintIcon()
{
    QPainter painter(iconLabel);
    painter.setRenderHint(QPainter::Antialiasing);
    const int s = iconLabel->width();
    switch (state) {
    case Loading: {
        painter.translate(s / 2, s / 2);
        painter.rotate(rotationAngle);
        painter.setPen(QPen(QColor(QStringLiteral("#409EFF")), 3, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        const int r = static_cast<int>(s * 0.35);
        painter.drawArc(QRect(-r, -r, 2 * r, 2 * r), 0, 270 * 16);
        break;
    }
    case Success: {
        painter.setPen(QPen(QColor(QStringLiteral("#67C23A")), 3, Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
        QPainterPath check;
        check.moveTo(0.25 * s, 0.5 * s);
        check.lineTo(0.45 * s, 0.7 * s);
        check.lineTo(0.75 * s, 0.3 * s);
        painter.drawPath(check);
        break;
    }
    case Failed: {
        painter.setPen(QPen(QColor(QStringLiteral("#F56C6C")), 3, Qt::SolidLine, Qt::RoundCap));
        const int a = static_cast<int>(0.3 * s), b = static_cast<int>(0.7 * s);
        painter.drawLine(a, a, b, b);
        painter.drawLine(b, a, a, b);
        break;
    }
    }
}

void FullScreenLoading::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
}

void FullScreenLoading::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (parentWidget())
        centerContent();
}
