#include "transfer/ui/tfhome.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "platform/MacWindowManager.h"
#include "transfer/engine/tfimportthreadmanager.h"
#include "transfer/ui/tfhomeorders.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"
#include "transfer/ui/tfhomephotos.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHoverEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSysInfo>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

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

    m_importManager = new tfimportthreadmanager(this);
    m_importManager->setMaxWorkerCount(4);
    connect(m_importManager, &tfimportthreadmanager::photoImported, this, &tfhome::onPhotoImported);
    connect(m_importManager, &tfimportthreadmanager::orderProgressUpdated, this, &tfhome::onOrderProgressUpdated);
    connect(m_importManager, &tfimportthreadmanager::orderImportCompleted, this, &tfhome::onOrderImportCompleted);
    connect(m_importManager, &tfimportthreadmanager::allTasksCompleted, this, &tfhome::onAllTasksCompleted);
    connect(m_importManager, &tfimportthreadmanager::pathErrorOccurred, this, &tfhome::onPathErrorOccurred);
}

tfhome::~tfhome()
{
    if (m_importManager) {
        m_importManager->stopAllTasks();
        delete m_importManager;
        m_importManager = nullptr;
    }
}

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

    m_orders = new tfhomeorders(this);
    m_orders->setStyleSheet(QStringLiteral("tfhomeorders {    background-color: #ffffff;"
                                           "    border-bottom-left-radius: 12px;}"));
    connect(m_orders, &tfhomeorders::changeShop, this, [](const QMap<QString, QString> &shop) {
        qCDebug(lcTransfer) << "更改了" << shop;
    });
    m_photos = new tfhomephotos(this);
    m_photos->setStyleSheet(QStringLiteral("tfhomephotos {    background-color: #ffffff;"
                                           "    border-bottom-right-radius: 12px;}"));
    m_contentLayout->addWidget(m_orders, 7);
    m_contentLayout->addWidget(m_photos, 5);
    mainLayout->addWidget(content, 1);

    connect(m_orders, &tfhomeorders::orderSelChanged, this, [this](int index, const OrderInfo &order) {
        m_photos->setCurrentOrderInfo(index, order);
    });
    connect(m_orders, &tfhomeorders::startImportOrder, this, &tfhome::onStartImportOrder);
    connect(m_orders, &tfhomeorders::startImportAllOrders, this, &tfhome::onStartAllImport);
    connect(m_orders, &tfhomeorders::stopAllImport, this, &tfhome::onStopAllImport);
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

// ---- Import run -----------------------------------------------------------

void tfhome::onStartAllImport(const QList<OrderInfo> &orders)
{
    if (!m_importManager)
        return;
    m_importManager->startImportAllOrders(orders);
    qCDebug(lcTransfer) << QStringLiteral("开始批量导入 %1 个订单").arg(orders.size());
}

void tfhome::onStartImportOrder(const OrderInfo &order)
{
    if (!m_importManager)
        return;
    m_importManager->startImportOrder(order);
    qCDebug(lcTransfer) << QStringLiteral("开始导入订单: %1").arg(order.orderpayforkey);
}

void tfhome::onStopAllImport()
{
    if (!m_importManager)
        return;
    m_importManager->stopAllTasks();
    qCDebug(lcTransfer) << "停止所有导片任务";
}

void tfhome::onPhotoImported(const OrderInfo &order, const QString &fileName, int photoIndex, bool ok,
                             const QString &error)
{
    RunEvent result;
    result.orderPhotoId = order.order_photo_id;
    result.orderNumber = order.orderpayforkey;
    result.orderIndex = order.index;
    result.serverName = order.serverName;
    if (photoIndex >= 0 && photoIndex < order.photoList.size()
        && order.photoList.at(photoIndex).img_name == fileName) {
        result.engineEntry = order.photoList.at(photoIndex);
        result.hasEngineEntry = true;
    }
    result.fileName = fileName;
    result.photoIndex = photoIndex;
    result.ok = ok;
    result.error = error;
    queueRunEvent(std::move(result));
}

void tfhome::onOrderImportCompleted(const OrderInfo &order, bool ok, const QString &message)
{
    // Handled after the order's pending results, so the table holds every
    // status when the queue counts failures and starts the next order.
    RunEvent completion;
    completion.kind = RunEvent::Completion;
    completion.orderPhotoId = order.order_photo_id;
    completion.orderNumber = order.orderpayforkey;
    completion.orderIndex = order.index;
    completion.importPath = order.importPath;
    completion.ok = ok;
    completion.error = message;
    queueRunEvent(std::move(completion));
}

void tfhome::queueRunEvent(RunEvent event)
{
    const bool first = m_runEvents.isEmpty();
    m_runEvents.append(std::move(event));
    // One pending call drains everything that arrived in the meantime.
    if (first)
        QTimer::singleShot(0, this, &tfhome::processRunEvents);
}

void tfhome::processRunEvents()
{
    const QVector<RunEvent> events = std::exchange(m_runEvents, {});
    for (const RunEvent &event : events) {
        switch (event.kind) {
        case RunEvent::Result:
            handlePhotoResult(event);
            break;
        case RunEvent::Completion:
            handleCompletion(event);
            break;
        case RunEvent::Reload:
            // The imported list is asked for once the order's photo reports are answered,
            // so the service's answer holds every photo of the run.
            if (m_pendingPhotoReports.value(event.orderPhotoId) > 0)
                m_reloadAfterReports.insert(event.orderPhotoId);
            else
                reloadImported(event.orderPhotoId);
            break;
        }
    }
}

int tfhome::findOrderRow(const QString &orderPhotoId, int hint) const
{
    if (!m_orders)
        return -1;
    if (hint >= 0) {
        const OrderInfo atHint = m_orders->getIndexOrderInfo(hint);
        if (atHint.index != -1 && (orderPhotoId.isEmpty() || atHint.order_photo_id == orderPhotoId))
            return hint;
    }
    if (orderPhotoId.isEmpty())
        return -1;
    const int count = m_orders->orderListWidget()->orderCount();
    for (int row = 0; row < count; ++row) {
        if (m_orders->getIndexOrderInfo(row).order_photo_id == orderPhotoId)
            return row;
    }
    return -1;
}

OrderInfo tfhome::orderKey(const OrderInfo &order, int row) const
{
    // The table reads the row and the order's keys; its own copy holds the rest.
    OrderInfo key;
    key.order_photo_id = order.order_photo_id;
    key.orderpayforkey = order.orderpayforkey;
    key.servicetimes = order.servicetimes;
    key.importPath = order.importPath;
    key.selectedNum = order.selectedNum;
    key.index = row;
    return key;
}

void tfhome::handlePhotoResult(const RunEvent &result)
{
    const PhotoStatus status = result.ok ? Uploaded : Failed;
    const int row = findOrderRow(result.orderPhotoId, result.orderIndex);

    PhotoInfo entry;
    QString serverName;
    bool reportedBefore = false;
    if (row >= 0) {
        OrderInfo key;
        {
            // Dropped before the table updates its own copy, so the picked list is never duplicated.
            const OrderInfo latest = m_orders->getIndexOrderInfo(row);
            if (result.photoIndex < 0 || result.photoIndex >= latest.photoList.size())
                return;
            entry = latest.photoList.at(result.photoIndex);
            serverName = latest.serverName;
            // The engine passes entries of an earlier run on as done; they were reported then.
            reportedBefore = entry.status == Uploaded;
            key = orderKey(latest, row);
        }
        if (m_photos && m_orders->getCurrentOrderInfo().index == row)
            m_photos->updatePhotoStatus(result.photoIndex, result.fileName, status);
        m_orders->updatePhotoStatus(key, result.photoIndex, result.fileName, status);
    } else if (result.hasEngineEntry) {
        // The table no longer shows the order, but its file is on the share.
        entry = result.engineEntry;
        serverName = result.serverName;
    } else {
        return;
    }

    if (result.ok && !reportedBefore) {
        const QString path = TransferReports::entryFilePath(entry.importPath, entry.sizeTag, entry.img_name);
        upImportPhotoInfo(result.orderPhotoId, serverName, path, entry);
    }
    if (result.photoIndex == 0)
        upImportOrderPath(result.orderPhotoId, serverName, entry.importPath);

    if (result.ok) {
        qCDebug(lcTransfer) << QStringLiteral("照片导入完成：成功: %1 - %2-%3 第 %4")
                                   .arg(result.orderNumber, result.fileName, entry.sizeTag)
                                   .arg(result.photoIndex);
    } else {
        qCDebug(lcTransfer) << QStringLiteral("照片导入完成：失败: %1 - %2 第 %3, 错误: %4")
                                   .arg(result.orderNumber, result.fileName)
                                   .arg(result.photoIndex)
                                   .arg(result.error);
    }
}

void tfhome::onOrderProgressUpdated(const OrderInfo &order, int done, int total)
{
    const int percent = TransferReports::progressPercent(done, total);
    const int row = findOrderRow(order.order_photo_id, order.index);
    if (row >= 0) {
        m_orders->updateOrderProgress(row == order.index ? order : orderKey(order, row), percent);
        if (percent == 100) {
            const QString orderPhotoId = order.order_photo_id;
            RunEvent reload;
            reload.kind = RunEvent::Reload;
            reload.orderPhotoId = orderPhotoId;
            queueRunEvent(std::move(reload));
            QTimer::singleShot(100, this, [this, orderPhotoId, row]() {
                const int now = findOrderRow(orderPhotoId, row);
                if (now >= 0)
                    upImportOrderData(m_orders->getIndexOrderInfo(now));
            });
        }
    }
    qCDebug(lcTransfer) << QStringLiteral("订单 %1 导片进度: %2/%3 (%4%)")
                               .arg(order.orderpayforkey)
                               .arg(done)
                               .arg(total)
                               .arg(percent);
}

void tfhome::handleCompletion(const RunEvent &completion)
{
    if (m_orders) {
        const int row = findOrderRow(completion.orderPhotoId, completion.orderIndex);
        if (row >= 0) {
            OrderInfo key = orderKey(m_orders->getIndexOrderInfo(row), row);
            key.importPath = completion.importPath;
            m_orders->updateOrderStatus(key, completion.ok ? QStringLiteral("导片完成") : QStringLiteral("导片失败"));
        }
        // The run goes on even when the finished order has left the table.
        m_orders->upNextOrderPhotos(row >= 0 ? row : completion.orderIndex);
    }
    if (completion.ok)
        qCDebug(lcTransfer) << QStringLiteral("订单 %1 导片完成").arg(completion.orderNumber);
    else
        qCDebug(lcTransfer) << QStringLiteral("订单 %1 导片失败: %2").arg(completion.orderNumber, completion.error);
}

void tfhome::reloadImported(const QString &orderPhotoId)
{
    const int row = findOrderRow(orderPhotoId, -1);
    if (row >= 0)
        m_orders->getOrderImportPhotos(m_orders->getIndexOrderInfo(row));
}

void tfhome::onAllTasksCompleted()
{
    qCDebug(lcTransfer) << "所有导片任务完成";
}

void tfhome::onPathErrorOccurred(const QString &message, const QString &path)
{
    // Never opened inside the engine's start call: the box runs its own event loop.
    QTimer::singleShot(0, this, [this, message, path]() {
        QMessageBox::warning(this, QStringLiteral("导片路径错误"), message + QStringLiteral("  ") + path,
                             QMessageBox::Ok, QMessageBox::NoButton);
        if (m_orders)
            m_orders->reloadStartAllButtonStatus(false);
    });
}

// ---- Reports to the service ----------------------------------------------

TransferReports::Branch tfhome::branch() const
{
    // The grid holds the same branch context as the pane, from the last branch switch.
    const tfhomeorders_PhotoDisplayWidget *grid = m_orders ? m_orders->photoDisplayWidget() : nullptr;
    if (!grid)
        return {};
    return TransferReports::Branch{grid->m_shopId, grid->m_eid, grid->m_superId};
}

void tfhome::upImportPhotoInfo(const QString &orderPhotoId, const QString &serverName, const QString &path,
                               const PhotoInfo &entry)
{
    if (!TransferReports::isReportedEntry(entry))
        return;
    const QFileInfo file(path);
    if (!file.isFile()) {
        qCDebug(lcTransfer) << "导入照片路径失败，不执行upImportPhotoInfo" << path;
        return;
    }
    const QString unc = TransferReports::uncPath(serverName, path);
    if (unc.isEmpty()) {
        qCWarning(lcTransfer) << "导入照片不在共享目录下，不上报:" << path;
        return;
    }
    const QByteArray body = TransferReports::photoReportBody(orderPhotoId, Config::k_manager_id, file.size(), entry,
                                                             unc, branch());
    const ImportTypes kind = TransferReports::kindOfEntry(entry);
    auto *request = new BaseReq(this);
    ++m_pendingPhotoReports[orderPhotoId];
    if (m_orders)
        m_orders->setReportsPending(true);
    request->getResultData(TransferReports::photoReportAction(entry), body,
                           [this, request, orderPhotoId, kind](bool ok, const QJsonDocument &reply) {
                               onPhotoReportReply(orderPhotoId, kind, ok, reply);
                               request->deleteLater();
                               if (--m_pendingPhotoReports[orderPhotoId] <= 0) {
                                   m_pendingPhotoReports.remove(orderPhotoId);
                                   if (m_reloadAfterReports.remove(orderPhotoId))
                                       reloadImported(orderPhotoId);
                                   if (m_pendingPhotoReports.isEmpty() && m_orders)
                                       m_orders->setReportsPending(false);
                               }
                           });
}

void tfhome::onPhotoReportReply(const QString &orderPhotoId, ImportTypes kind, bool ok, const QJsonDocument &reply)
{
    const QJsonObject object = reply.object();
    if (!ok || object.value(QStringLiteral("code")).toString() != QLatin1String("1"))
        return;
    const int row = findOrderRow(orderPhotoId, -1);
    if (row < 0)
        return;
    OrderInfo order = m_orders->getIndexOrderInfo(row);
    // While the order still runs, the reload at 100 % brings its imported list.
    if (order.status != QStringLiteral("导片完成"))
        return;
    const PhotoInfo added = TransferReports::entryFromReply(object);
    if (!TransferReports::appendImported(TransferReports::importedList(order, kind), added))
        return;
    m_orders->updateOrderInfo(order);
    if (m_orders->getCurrentOrderInfo().index == row)
        m_orders->onAddSinglePhoto(added);
}

void tfhome::upImportOrderPath(const QString &orderPhotoId, const QString &serverName, const QString &folder)
{
    const QString unc = TransferReports::uncPath(serverName, folder);
    if (unc.isEmpty()) {
        qCWarning(lcTransfer) << "订单导入目录不在共享目录下，不上报:" << folder;
        return;
    }
    auto *request = new BaseReq(this);
    request->getResultData(QStringLiteral("&m=order&a=saveorderphotopath"),
                           TransferReports::orderPathBody(orderPhotoId, Config::k_manager_id, unc, branch()),
                           [request](bool, const QJsonDocument &) { request->deleteLater(); });
}

void tfhome::upImportOrderData(OrderInfo order)
{
    if (order.index == -1 || !m_orders)
        return;
    const tfhomeorders_OrderListWidget *table = m_orders->orderListWidget();
    if (!table)
        return;
    const TransferReports::Branch context = branch();
    table->orderUpPicNums(order.index, [this, order, context](int count, const QString &names) {
        const QByteArray body = TransferReports::orderDataBody(
            order.order_photo_id, count, TransferReports::uncPath(order.serverName, order.importPath), names,
            TransferReports::kindOfOrder(order, ImportTypes(Config::k_importType)), context);
        auto *request = new BaseReq(this);
        request->getResultData(QStringLiteral("&m=order&a=logreadpic"), body,
                               [request](bool, const QJsonDocument &) { request->deleteLater(); });
    });
}
