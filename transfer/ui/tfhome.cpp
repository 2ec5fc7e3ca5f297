#include "transfer/ui/tfhome.h"

#include "app/K.h"
#include "app/Logging.h"
#include "platform/MacWindowManager.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHoverEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

namespace {

const QString kRestoreText = QStringLiteral("□");
const QString kMaximizedText = QStringLiteral("◱");

struct ButtonColours
{
    const char *normal[3];
    const char *normalBorder;
    const char *hover[3];
    const char *hoverBorder;
    const char *hoverText;
    const char *pressed[3];
    const char *pressedBorder;
    const char *pressedText;
};

QString radial(const char *const stops[3], const char *cy)
{
    return QStringLiteral("qradialgradient(cx:0.5, cy:%1, radius:0.8, stop:0 %2, stop:0.8 %3, stop:1 %4)")
        .arg(QLatin1String(cy), QLatin1String(stops[0]), QLatin1String(stops[1]), QLatin1String(stops[2]));
}

// Round coloured button of the macOS-style title bar.
QString roundButtonStyle(const ButtonColours &c)
{
    return QStringLiteral("QPushButton {    background: %1;    border: 1px solid %2;    border-radius: %3px;"
                          "    color: #000000;    font-size: %4px;    font-weight: bold;}"
                          "QPushButton:hover {    background: %5;    border: 1px solid %6;    color: %7;}"
                          "QPushButton:pressed {    background: %8;    border: 1px solid %9;    color: %10;}")
        .arg(radial(c.normal, "0.3"), QLatin1String(c.normalBorder), K::s(K::f(10)), K::s(15),
             radial(c.hover, "0.3"), QLatin1String(c.hoverBorder), QLatin1String(c.hoverText),
             radial(c.pressed, "0.7"), QLatin1String(c.pressedBorder))
        .arg(QLatin1String(c.pressedText));
}

const ButtonColours kCloseColours = {{"#ff7f77", "#ff5f57", "#e04a42"}, "#d73832",
                                     {"#ff6f67", "#ff4136", "#d32f2f"}, "#c62828", "#800000",
                                     {"#e04a42", "#d73832", "#c62828"}, "#b71c1c", "#600000"};
const ButtonColours kMinimizeColours = {{"#ffcd3e", "#ffbd2e", "#e09a00"}, "#d48806",
                                        {"#ffcc02", "#ffaa00", "#d48806"}, "#bf7700", "#000000",
                                        {"#e09a00", "#d48806", "#bf7700"}, "#a66600", "#663300"};

ButtonColours maximizeColours(bool toggled)
{
    return {{"#4caf50", "#28ca42", "#1b9332"}, "#198c28",
            {"#66bb6a", "#1fb037", "#087f23"}, "#0f7b1f", toggled ? "#004400" : "#000000",
            {"#1b9332", "#198c28", "#0f7b1f"}, "#087f23", "#002200"};
}

// Flat grey button of the Windows-style title bar; the close button turns red.
QString flatButtonStyle(bool close)
{
    const QString hover = close ? QStringLiteral("stop:0 #ff6b6b, stop:1 #e81123);    border: 1px solid #d40000;"
                                                 "    color: white;")
                                : QStringLiteral("stop:0 #e8e8e8, stop:1 #d8d8d8);    border: 1px solid #c0c0c0;");
    const QString pressed = close ? QStringLiteral("stop:0 #d40000, stop:1 #ff6b6b);    border: 1px solid #a00000;"
                                                   "    color: white;")
                                  : QStringLiteral("stop:0 #d0d0d0, stop:1 #e0e0e0);    border: 1px solid #a0a0a0;");
    return QStringLiteral("QPushButton {    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fafafa, "
                          "stop:1 #f0f0f0);    border: 1px solid #d0d0d0;    border-radius: %1px;    color: #333333;"
                          "    font-size: %2px;    font-weight: bold;}"
                          "QPushButton:hover {    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, %3}"
                          "QPushButton:pressed {    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, %4}")
        .arg(K::s(K::f(4)), K::s(15), hover, pressed);
}

QPushButton *titleButton(const QString &text, const QString &name, QWidget *parent, int width, int height)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFixedSize(K::f(width), K::f(height));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

tfhome::tfhome(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("tfhome"));
    setWindowTitle(QStringLiteral("导片"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(1200, 800);
    setMinimumSize(800, 600);
    installEventFilter(this);
    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_Hover);
    setStyleSheet(QStringLiteral("QMainWindow {    background-color: #f6f6f6;    border-radius: 12px;    color: #000000}"
                                 "QLabel {    color: #000000}QPushButton {    color: #000000}"));

    setupCustomTitleBar();
    setupMainLayout();
}

tfhome::~tfhome() = default;

bool tfhome::isWindowsStyle()
{
    return QSysInfo::productType() == QLatin1String("windows");
}

void tfhome::setupCustomTitleBar()
{
    m_titleBar = new QWidget(this);
    m_titleBar->setObjectName(QStringLiteral("titleBar"));
    m_titleBar->setFixedHeight(K::f(40));
    m_titleBar->setStyleSheet(QStringLiteral("QWidget {    background-color: #f6f6f6;    border-top-left-radius: 12px;"
                                             "    border-top-right-radius: 12px;}"));
    auto *layout = new QHBoxLayout(m_titleBar);
    layout->setContentsMargins(15, 5, 15, 5);
    layout->setSpacing(8);

    m_titleLabel = new QLabel(QStringLiteral("照片传输"), m_titleBar);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setStyleSheet(QStringLiteral("QLabel {    color: #333333;    font-size: %1px;    font-weight: 600;}")
                                    .arg(K::s(K::f(13))));

    if (isWindowsStyle()) {
        m_minBtn = titleButton(QStringLiteral("−"), QStringLiteral("minimizeButton"), m_titleBar, 30, 20);
        m_maxBtn = titleButton(kRestoreText, QStringLiteral("maximizeButton"), m_titleBar, 30, 20);
        m_closeBtn = titleButton(QStringLiteral("✕"), QStringLiteral("closeButton"), m_titleBar, 30, 20);
        m_minBtn->setStyleSheet(flatButtonStyle(false));
        m_maxBtn->setStyleSheet(flatButtonStyle(false));
        m_closeBtn->setStyleSheet(flatButtonStyle(true));
        layout->addWidget(m_titleLabel);
        layout->addStretch();
        layout->addWidget(m_minBtn);
        layout->addWidget(m_maxBtn);
        layout->addWidget(m_closeBtn);
    } else {
        m_closeBtn = titleButton(QStringLiteral("✕"), QStringLiteral("closeButton"), m_titleBar, 25, 25);
        m_minBtn = titleButton(QStringLiteral("−"), QStringLiteral("minimizeButton"), m_titleBar, 25, 25);
        m_maxBtn = titleButton(kRestoreText, QStringLiteral("maximizeButton"), m_titleBar, 25, 25);
        m_closeBtn->setStyleSheet(roundButtonStyle(kCloseColours));
        m_minBtn->setStyleSheet(roundButtonStyle(kMinimizeColours));
        m_maxBtn->setStyleSheet(roundButtonStyle(maximizeColours(false)));
        layout->addWidget(m_closeBtn);
        layout->addWidget(m_minBtn);
        layout->addWidget(m_maxBtn);
        layout->addSpacing(10);
        layout->addWidget(m_titleLabel);
        layout->addStretch();
    }

    connect(m_closeBtn, &QPushButton::clicked, this, &tfhome::onCloseButtonClicked);
    connect(m_minBtn, &QPushButton::clicked, this, &tfhome::onMinimizeButtonClicked);
    connect(m_maxBtn, &QPushButton::clicked, this, &tfhome::onMaximizeButtonClicked);
}

void tfhome::setupMainLayout()
{
    m_centralWidget = new QWidget(this);
    setCentralWidget(m_centralWidget);
    auto *mainLayout = new QVBoxLayout(m_centralWidget);
    mainLayout->setContentsMargins(4, 4, 4, 4);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(m_titleBar);

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("contentWidget"));
    content->setStyleSheet(QStringLiteral("QWidget {    background-color: #ffffff;    border-bottom-left-radius: 12px;"
                                          "    border-bottom-right-radius: 12px;}"));
    m_contentLayout = new QHBoxLayout(content);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout->setSpacing(1);
    mainLayout->addWidget(content, 1);
}

void tfhome::onCloseButtonClicked()
{
    close();
}

bool tfhome::minimizeThroughPlatform()
{
    return MacWindowManager::minimizeWindow(this);
}

void tfhome::onMinimizeButtonClicked()
{
    if (!minimizeThroughPlatform()) {
        qCDebug(lcTransfer) << "最小化失败，尝试Qt默认方法";
        setWindowState(Qt::WindowMinimized);
    }
}

void tfhome::styleMaximizeButton(bool toggled)
{
    m_maxBtn->setStyleSheet(isWindowsStyle() ? flatButtonStyle(false) : roundButtonStyle(maximizeColours(toggled)));
}

void tfhome::onMaximizeButtonClicked()
{
    if (m_isMaximized) {
        showNormal();
        m_isMaximized = false;
        m_maxBtn->setText(kRestoreText);
    } else {
        showMaximized();
        m_isMaximized = true;
        m_maxBtn->setText(kMaximizedText);
    }
    styleMaximizeButton(true);
}

Qt::CursorShape tfhome::getCursorShape(const QPoint &pos) const
{
    if (m_isMaximized)
        return Qt::ArrowCursor;
    const int r = rect().right();
    const int b = rect().bottom();
    const int x = pos.x();
    const int y = pos.y();
    const bool rightStrip = x >= r - 12 && x <= r - 4;
    const bool bottomStrip = y >= b - 12 && y <= b - 4;
    if (rightStrip && y >= 12 && y <= b - 12)
        return Qt::SizeHorCursor;
    if (bottomStrip && x >= 12 && x <= r - 12)
        return Qt::SizeVerCursor;
    if (rightStrip && bottomStrip)
        return Qt::SizeFDiagCursor;
    if (rightStrip && y >= 4 && y <= 12)
        return Qt::SizeBDiagCursor;
    return Qt::ArrowCursor;
}

QRect tfhome::getResizeArea(const QPoint &pos) const
{
    Q_UNUSED(pos)
    return rect().adjusted(4, 4, -4, -4);
}

void tfhome::updateCursor(const QPoint &pos)
{
    const Qt::CursorShape shape = getCursorShape(pos);
    if (cursor().shape() != shape)
        setCursor(shape);
}

bool tfhome::isInTitleBar(const QPoint &pos) const
{
    return m_titleBar->rect().contains(m_titleBar->mapFrom(this, pos));
}

void tfhome::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_isMaximized) {
        QMainWindow::mousePressEvent(event);
        return;
    }
    const Qt::CursorShape zone = getCursorShape(event->pos());
    if (zone != Qt::ArrowCursor) {
        m_isResizing = true;
        m_resizeStartPos = event->globalPos();
        m_resizeStartGeometry = geometry();
        m_resizeArea = zone;
        event->accept();
        return;
    }
    if (isInTitleBar(event->pos())) {
        m_isDragging = true;
        m_dragPosition = event->globalPos() - frameGeometry().topLeft();
        event->accept();
    }
    QMainWindow::mousePressEvent(event);
}

void tfhome::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton) {
        if (m_isResizing && !m_isMaximized) {
            const QPoint delta = event->globalPos() - m_resizeStartPos;
            QRect next = m_resizeStartGeometry;
            switch (m_resizeArea) {
            case Qt::SizeVerCursor:
                next.setHeight(m_resizeStartGeometry.height() + delta.y());
                break;
            case Qt::SizeHorCursor:
                next.setWidth(m_resizeStartGeometry.width() + delta.x());
                break;
            case Qt::SizeBDiagCursor:
                next.setTop(m_resizeStartGeometry.top() + delta.y());
                next.setWidth(m_resizeStartGeometry.width() + delta.x());
                break;
            case Qt::SizeFDiagCursor:
                next.setWidth(m_resizeStartGeometry.width() + delta.x());
                next.setHeight(m_resizeStartGeometry.height() + delta.y());
                break;
            default:
                break;
            }
            if (next.width() >= minimumWidth() && next.height() >= minimumHeight())
                setGeometry(next);
            event->accept();
        } else if (m_isDragging && !m_isMaximized) {
            move(event->globalPos() - m_dragPosition);
            event->accept();
        }
    } else if (!m_isMaximized) {
        updateCursor(event->pos());
    }
    QMainWindow::mouseMoveEvent(event);
}

void tfhome::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_isDragging = false;
        m_isResizing = false;
        setCursor(Qt::ArrowCursor);
    }
    QMainWindow::mouseReleaseEvent(event);
}

void tfhome::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton
        && isInTitleBar(event->pos())) {
        onMaximizeButtonClicked();
        event->accept();
        return;
    }
    QMainWindow::mouseDoubleClickEvent(event);
}

bool tfhome::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::HoverMove && !m_isMaximized && !m_isDragging
        && !m_isResizing) {
        updateCursor(static_cast<QHoverEvent *>(event)->pos());
    }
    return QMainWindow::eventFilter(watched, event);
}

void tfhome::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = width();
    const int h = height();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 4));
    painter.drawRoundedRect(QRect(0, 3, w, h), 14, 14);
    painter.setBrush(QColor(0, 0, 0, 8));
    painter.drawRoundedRect(QRect(2, 2, w - 4, h), 12, 12);
    painter.setPen(QPen(QColor(QStringLiteral("#e6e6e6")), 1));
    painter.setBrush(QColor(QStringLiteral("#f6f6f6")));
    painter.drawRoundedRect(QRect(4, 4, w - 8, h - 8), 12, 12);
    painter.end();
    QMainWindow::paintEvent(event);
}
