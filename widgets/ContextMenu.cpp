#include "widgets/ContextMenu.h"

#include "app/core/K.h"
#include "app/core/Logging.h"

#include <QApplication>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

ContextMenu::ContextMenu(QWidget *parent)
    : QWidget(parent)
    , m_minimumMenuWidth(K::f(120))
    , m_itemHeight(K::f(32))
{
    setupUI();
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    qApp->installEventFilter(this);

    m_opacityEffect = new QGraphicsOpacityEffect(this);
    m_opacityEffect->setOpacity(1.0);
    setGraphicsEffect(m_opacityEffect);

    m_showAnimation = new QPropertyAnimation(m_opacityEffect, "opacity", this);
    m_showAnimation->setDuration(150);
    m_showAnimation->setStartValue(0.0);
    m_showAnimation->setEndValue(1.0);
    m_showAnimation->setEasingCurve(QEasingCurve::OutCubic);

    m_hideAnimation = new QPropertyAnimation(m_opacityEffect, "opacity", this);
    m_hideAnimation->setDuration(100);
    m_hideAnimation->setStartValue(1.0);
    m_hideAnimation->setEndValue(0.0);
    m_hideAnimation->setEasingCurve(QEasingCurve::InCubic);
    connect(m_hideAnimation, &QPropertyAnimation::finished, this, &QWidget::hide);
}

ContextMenu::~ContextMenu()
{
    qApp->removeEventFilter(this);
}

ContextMenu *ContextMenu::create(QWidget *parent)
{
    auto *menu = new ContextMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    return menu;
}

void ContextMenu::setupUI()
{
    auto *layout = new QVBoxLayout(this);
    const int margin = K::f(4);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(0);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("menuScrollArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setStyleSheet(
        QStringLiteral("QScrollArea { background: transparent; border: none; }"
                       " QScrollBar:vertical { background: rgba(0, 0, 0, 0.05); width: %1px;"
                       " margin: %2px; border-radius: %2px; }"
                       " QScrollBar::handle:vertical { background: rgba(0, 0, 0, 0.2);"
                       " border-radius: %2px; min-height: %3px; }"
                       " QScrollBar::handle:vertical:hover { background: rgba(0, 0, 0, 0.35); }"
                       " QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical {"
                       " height: 0px; }"
                       " QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical {"
                       " background: transparent; }")
            .arg(K::s(K::f(4)), K::s(K::f(2)), K::s(K::f(16))));

    m_container = new QWidget(m_scrollArea);
    m_container->setObjectName(QStringLiteral("menuContainer"));
    m_container->setStyleSheet(QStringLiteral("background: transparent;"));
    m_itemsLayout = new QVBoxLayout(m_container);
    m_itemsLayout->setContentsMargins(0, 0, 0, 0);
    m_itemsLayout->setSpacing(K::f(1));
    m_scrollArea->setWidget(m_container);
    layout->addWidget(m_scrollArea);
}

QPushButton *ContextMenu::createMenuButton(const ContextMenuItem &item)
{
    auto *button = new QPushButton(item.text, m_container);
    button->setObjectName(QStringLiteral("menuItem"));
    button->setEnabled(item.enabled);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedHeight(m_itemHeight);

    // Measured with the font the button has before its style sheet applies.
    const int advance = button->fontMetrics().horizontalAdvance(item.text);
    const int iconRoom = item.icon.isEmpty() ? 0 : K::f(26);
    button->setFixedWidth(qMax(m_minimumMenuWidth, advance + K::f(24) + iconRoom));
    if (!item.icon.isEmpty()) {
        button->setIcon(QIcon(item.icon));
        button->setIconSize(QSize(K::f(18), K::f(18)));
    }

    const char *textColour = item.danger ? "#e53935" : "#333333";
    const char *hover = item.danger ? "rgba(229, 57, 53, 0.08)" : "rgba(0, 0, 0, 0.05)";
    const char *pressed = item.danger ? "rgba(229, 57, 53, 0.15)" : "rgba(0, 0, 0, 0.1)";
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; border-radius: %1px;"
                       " padding: 0px %2px; font-size: %3px; text-align: left; color: %4; }"
                       " QPushButton:hover { background: %5; }"
                       " QPushButton:pressed { background: %6; }"
                       " QPushButton:disabled { color: rgba(0, 0, 0, 0.3); }")
            .arg(K::s(K::f(4)), K::s(K::f(10)), K::s(K::f(13)), QLatin1String(textColour),
                 QLatin1String(hover), QLatin1String(pressed)));

    if (item.callback) {
        const std::function<void()> callback = item.callback;
        connect(button, &QPushButton::clicked, this, [this, callback] {
            closeMenu();
            callback();
        });
    }
    return button;
}

void ContextMenu::addItem(const QString &text, std::function<void()> callback, const QString &icon,
                          bool enabled, bool danger)
{
    ContextMenuItem item;
    item.text = text;
    item.icon = icon;
    item.callback = std::move(callback);
    item.enabled = enabled;
    item.danger = danger;
    m_items.append(item);
    m_itemsLayout->addWidget(createMenuButton(item));
}

void ContextMenu::addSeparator()
{
    auto *line = new QFrame(m_container);
    line->setObjectName(QStringLiteral("menuSeparator"));
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(K::f(1));
    line->setStyleSheet(QStringLiteral("QFrame { background: rgba(0, 0, 0, 0.08); border: none;"
                                       " margin: %1px %2px; }")
                            .arg(K::s(K::f(3)), K::s(K::f(6))));
    m_itemsLayout->addWidget(line);
}

void ContextMenu::clear()
{
    m_items.clear();
    while (QLayoutItem *entry = m_itemsLayout->takeAt(0)) {
        delete entry->widget();
        delete entry;
    }
}

void ContextMenu::showAt(const QPoint &globalPos)
{
    int contentWidth = m_minimumMenuWidth;
    int contentHeight = 0;
    for (int i = 0; i < m_itemsLayout->count(); ++i) {
        if (QWidget *w = m_itemsLayout->itemAt(i)->widget()) {
            contentHeight += w->height() + K::f(1);
            contentWidth = qMax(contentWidth, w->width());
        }
    }
    const int maxHeight = m_itemHeight * m_maxVisibleItems;
    m_scrollArea->setVerticalScrollBarPolicy(contentHeight > maxHeight ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
    setFixedSize(contentWidth + K::f(16), qMin(contentHeight, maxHeight) + K::f(16));

    updatePosition(globalPos);
    m_opacityEffect->setOpacity(0.0);
    show();
    raise();
    m_showAnimation->start();
}

void ContextMenu::showAtWidget(QWidget *widget, const QPoint &pos)
{
    showAt(widget ? widget->mapToGlobal(pos) : pos);
}

void ContextMenu::closeMenu()
{
    if (m_showAnimation->state() == QAbstractAnimation::Running)
        m_showAnimation->stop();
    if (m_hideAnimation->state() != QAbstractAnimation::Running)
        m_hideAnimation->start();
}

void ContextMenu::setMaxVisibleItems(int count)
{
    m_maxVisibleItems = qMax(count, 1);
}

void ContextMenu::setMinimumMenuWidth(int width)
{
    m_minimumMenuWidth = qMax(width, K::f(100));
}

void ContextMenu::updatePosition(const QPoint &globalPos)
{
    QScreen *screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        qCWarning(lcWidgets) << "无法获取屏幕信息";
        return;
    }
    const QRect area = screen->availableGeometry();
    int x = globalPos.x();
    int y = globalPos.y();
    if (x + width() > area.right())
        x -= width();
    if (y + height() > area.bottom())
        y -= height();
    x = qMax(x, area.left());
    y = qMax(y, area.top());
    move(x, y);
}

void ContextMenu::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), K::f(8), K::f(8));
    painter.fillPath(path, Qt::white);
    painter.setPen(QPen(QColor(220, 220, 220), 0.8, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void ContextMenu::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

void ContextMenu::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
}

bool ContextMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (isVisible()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (!geometry().contains(mouse->globalPos())) {
                closeMenu();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress
                   && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            closeMenu();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
