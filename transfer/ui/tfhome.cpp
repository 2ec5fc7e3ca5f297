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
#include "transfer/ui/PickedEntries.h"
#include "transfer/ui/tfhomephotos.h"
#include "widgets/ToastWidget.h"

#include <QCloseEvent>
#include <QEvent>
#include <QEventLoopLocker>
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

void tfhome::closeEvent(QCloseEvent *event)
{
    if (!hasUnfinishedWork()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_closing)
        return;
    // Photos already being written are finished and reported, so that what is
    // on the share is what the service lists; nothing new is started. Closing
    // the last window meanwhile does not end the program before that.
    m_closing = true;
    m_keepsProgram = std::make_unique<QEventLoopLocker>();
    hide();
    if (m_importManager)
        m_importManager->pauseAllTasks();
    // The photos in flight get one request deadline; each report has its own.
    QTimer::singleShot(BaseReq::actionDeadlineMsFor(0), this, [this]() {
        if (m_importManager)
            m_importManager->abandonPhotosInFlight();
        finishClosingWhenDone();
    });
    finishClosingWhenDone();
}

bool tfhome::hasUnfinishedWork()
{
    return (m_importManager && m_importManager->hasPhotosInFlight()) || !m_runEvents.isEmpty()
           || !m_pendingPhotoReports.isEmpty() || m_pendingOrderReports > 0;
}

void tfhome::finishClosingWhenDone()
{
    if (!m_closing || hasUnfinishedWork())
        return;
    // Closed from the event loop, never from inside a reply or a result.
    QTimer::singleShot(0, this, [this]() {
        if (!hasUnfinishedWork())
            close();
    });
}

void tfhome::orderReportAnswered()
{
    --m_pendingOrderReports;
    finishClosingWhenDone();
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
    if (!m_importManager || m_closing)
        return;
    for (const OrderInfo &order : orders) {
        m_folderReported.remove(order.order_photo_id);
        m_problemShown.remove(order.order_photo_id);
    }
    m_importManager->startImportAllOrders(orders);
    qCDebug(lcTransfer) << QStringLiteral("开始批量导入 %1 个订单").arg(orders.size());
}

void tfhome::onStartImportOrder(const OrderInfo &order)
{
    if (!m_importManager || m_closing)
        return;
    m_folderReported.remove(order.order_photo_id);
    m_problemShown.remove(order.order_photo_id);
    m_importManager->startImportOrder(order);
    qCDebug(lcTransfer) << QStringLiteral("开始导入订单: %1").arg(order.orderpayforkey);
}

void tfhome::onStopAllImport()
{
    if (!m_importManager)
        return;
    // A paused order goes back to waiting: its finish must not start the next order.
    m_afterReports.clear();
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
        result.enginePicks = order.photoList; // shared, not copied
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
        if (event.kind == RunEvent::Result) {
            handlePhotoResult(event);
        } else if (m_pendingPhotoReports.value(event.orderPhotoId) > 0) {
            // A photo counts as imported only once the service has it: the order is
            // finished, reloaded and reported when its photo reports are answered.
            m_afterReports[event.orderPhotoId].append(event);
        } else {
            handleOrderStep(event);
        }
    }
    finishClosingWhenDone();
}

void tfhome::handleOrderStep(const RunEvent &event)
{
    if (event.kind == RunEvent::Completion) {
        handleCompletion(event);
        return;
    }
    // At 100 %: the service's list of the order's photos, then its upload report.
    if (!m_closing)
        reloadImported(event.orderPhotoId);
    const int row = findOrderRow(event.orderPhotoId, event.orderIndex);
    if (row >= 0)
        upImportOrderData(m_orders->getIndexOrderInfo(row));
}

void tfhome::runStepsAfterReports(const QString &orderPhotoId)
{
    const QVector<RunEvent> steps = m_afterReports.take(orderPhotoId);
    for (const RunEvent &step : steps)
        handleOrderStep(step);
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

int tfhome::recordStatus(const QString &orderPhotoId, int hint, int photoIndex, const QString &fileName,
                         PhotoStatus status, PhotoInfo *fileEntry, const QString &failure)
{
    const int row = findOrderRow(orderPhotoId, hint);
    if (row >= 0) {
        OrderInfo key;
        {
            // Let go before the table edits its list in place, so the picks are never copied.
            const OrderInfo before = m_orders->getIndexOrderInfo(row);
            if (photoIndex < 0 || photoIndex >= before.photoList.size()
                || (!fileName.isEmpty() && before.photoList.at(photoIndex).img_name != fileName))
                return -1;
            key = orderKey(before, row);
        }
        if (m_photos && m_orders->getCurrentOrderInfo().index == row)
            m_photos->updatePhotoStatus(photoIndex, fileName, status, failure);
        m_orders->updatePhotoStatus(key, photoIndex, fileName, status, failure);
        const QList<PhotoInfo> after = m_orders->getIndexOrderInfo(row).photoList;
        const int head = PickedEntries::fileEntryIndex(after, photoIndex);
        if (fileEntry && head >= 0)
            *fileEntry = after.at(head);
        return head;
    }
    // The table no longer shows the order (a new search): its run is followed on the engine's copy.
    const auto detached = m_detachedPicks.find(orderPhotoId);
    if (detached == m_detachedPicks.end() || photoIndex < 0 || photoIndex >= detached->size()
        || (!fileName.isEmpty() && detached->at(photoIndex).img_name != fileName))
        return -1;
    const int head = PickedEntries::applyStatus(*detached, photoIndex, status, failure);
    if (fileEntry && head >= 0)
        *fileEntry = detached->at(head);
    return head;
}

void tfhome::handlePhotoResult(const RunEvent &result)
{
    const int row = findOrderRow(result.orderPhotoId, result.orderIndex);
    QString serverName;
    QString entryTag;
    int fileStateBefore = Waiting;
    {
        // Read and let go before the status is recorded: the table edits its list in place.
        OrderInfo latest;
        if (row >= 0) {
            latest = m_orders->getIndexOrderInfo(row);
        } else if (result.hasEngineEntry) {
            // The table no longer shows the order (a new search): its run is followed on the engine's copy.
            if (!m_detachedPicks.contains(result.orderPhotoId))
                m_detachedPicks.insert(result.orderPhotoId, result.enginePicks);
            latest.photoList = m_detachedPicks.value(result.orderPhotoId);
            latest.serverName = result.serverName;
        } else {
            return;
        }
        const int head = PickedEntries::fileEntryIndex(latest.photoList, result.photoIndex);
        if (head < 0 || latest.photoList.at(result.photoIndex).img_name != result.fileName)
            return;
        serverName = latest.serverName;
        entryTag = latest.photoList.at(result.photoIndex).sizeTag;
        // A photo imported whole in an earlier run is passed on as done and not reported again.
        fileStateBefore = latest.photoList.at(head).statusOrigin;
    }
    PhotoInfo file;
    const int fileIndex = recordStatus(result.orderPhotoId, result.orderIndex, result.photoIndex, result.fileName,
                                       result.ok ? Uploaded : Failed, &file, result.error);
    if (fileIndex < 0)
        return;
    // Reported once the upright copy and every size copy are written; the run
    // knows them whole even when the share went right after.
    if (fileStateBefore != Uploaded && file.statusOrigin == Uploaded) {
        const QString path = TransferReports::entryFilePath(file.importPath, file.sizeTag, file.img_name);
        const qint64 placed = m_importManager ? m_importManager->takePlacedSize(result.orderPhotoId, fileIndex) : -1;
        upImportPhotoInfo(result.orderPhotoId, serverName, path, file, fileIndex, placed);
    }

    if (result.ok) {
        qCDebug(lcTransfer) << QStringLiteral("照片导入完成：成功: %1 - %2-%3 第 %4")
                                   .arg(result.orderNumber, result.fileName, entryTag)
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
            RunEvent reload;
            reload.kind = RunEvent::Reload;
            reload.orderPhotoId = order.order_photo_id;
            reload.orderIndex = row;
            queueRunEvent(std::move(reload));
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
    m_detachedPicks.remove(completion.orderPhotoId);
    if (m_orders) {
        const int row = findOrderRow(completion.orderPhotoId, completion.orderIndex);
        if (row >= 0) {
            OrderInfo key = orderKey(m_orders->getIndexOrderInfo(row), row);
            key.importPath = completion.importPath;
            m_orders->updateOrderStatus(key, completion.ok ? QStringLiteral("导片完成") : QStringLiteral("导片失败"));
        }
        // The run goes on even when the finished order has left the table, but not past a close.
        if (!m_closing)
            m_orders->upNextOrderPhotos(row >= 0 ? row : completion.orderIndex);
        // The next run pins its shares afresh: a share mounted again by then is taken as it is.
        if (m_importManager && !m_orders->orderListWidget()->isRunning())
            m_importManager->endRun();
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
                               const PhotoInfo &entry, int fileIndex, qint64 placedSize)
{
    if (!TransferReports::isReportedEntry(entry))
        return;
    // A file that cannot be reported is not imported: it fails like a refused report.
    const auto notReported = [&](const QString &why) {
        if (fileIndex < 0)
            return;
        recordStatus(orderPhotoId, -1, fileIndex, entry.img_name, Failed, nullptr, why);
        showPhotoReportProblem(orderPhotoId, entry.img_name, why);
    };
    const QFileInfo file(path);
    if (placedSize < 0 && !file.isFile()) {
        qCDebug(lcTransfer) << "导入照片路径失败，不执行upImportPhotoInfo" << path;
        notReported(QStringLiteral("文件不在共享目录中"));
        return;
    }
    const QString unc = TransferReports::uncPath(serverName, path);
    if (unc.isEmpty()) {
        qCWarning(lcTransfer) << "导入照片不在共享目录下，不上报:" << path;
        notReported(QStringLiteral("文件不在共享目录下"));
        return;
    }
    const qint64 size = placedSize >= 0 ? placedSize : file.size();
    const QByteArray body =
        TransferReports::photoReportBody(orderPhotoId, Config::k_manager_id, size, entry, unc, branch());
    const ImportTypes kind = TransferReports::kindOfEntry(entry);
    auto *request = new BaseReq(this);
    ++m_pendingPhotoReports[orderPhotoId];
    if (m_orders)
        m_orders->setReportsPending(true);
    const ReportedFile reported{orderPhotoId, serverName, entry.img_name, entry.importPath, fileIndex, kind};
    request->getResultData(TransferReports::photoReportAction(entry), body,
                           [this, request, reported](bool ok, const QJsonDocument &reply) {
                               onPhotoReportReply(reported, ok, reply, request->lastFailure());
                               request->deleteLater();
                               const QString &id = reported.orderPhotoId;
                               if (--m_pendingPhotoReports[id] <= 0) {
                                   m_pendingPhotoReports.remove(id);
                                   runStepsAfterReports(id);
                                   if (m_pendingPhotoReports.isEmpty() && m_orders)
                                       m_orders->setReportsPending(false);
                               }
                               finishClosingWhenDone();
                           });
}

void tfhome::onPhotoReportReply(const ReportedFile &reported, bool ok, const QJsonDocument &reply,
                                BaseReq::Failure failure)
{
    const QString problem = TransferReports::replyProblem(ok, reply, failure);
    if (!problem.isEmpty()) {
        // The service does not hold the photo: it is failed, counted and retried as such.
        qCWarning(lcTransfer) << "照片上报失败:" << reported.fileName << problem;
        if (reported.fileIndex >= 0)
            recordStatus(reported.orderPhotoId, -1, reported.fileIndex, reported.fileName, Failed, nullptr,
                         QStringLiteral("照片上报失败：") + problem);
        showPhotoReportProblem(reported.orderPhotoId, reported.fileName, problem);
        return;
    }
    if (!m_folderReported.contains(reported.orderPhotoId)) {
        // The order's folder is reported with its first photo that the service took.
        m_folderReported.insert(reported.orderPhotoId);
        upImportOrderPath(reported.orderPhotoId, reported.serverName, reported.folder);
    }
    const int row = findOrderRow(reported.orderPhotoId, -1);
    if (row < 0)
        return;
    OrderInfo order = m_orders->getIndexOrderInfo(row);
    // While the order still runs, the reload at 100 % brings its imported list.
    if (order.status != QStringLiteral("导片完成"))
        return;
    const PhotoInfo added = TransferReports::entryFromReply(reply.object());
    if (!TransferReports::appendImported(TransferReports::importedList(order, reported.kind), added))
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
    ++m_pendingOrderReports;
    request->getResultData(QStringLiteral("&m=order&a=saveorderphotopath"),
                           TransferReports::orderPathBody(orderPhotoId, Config::k_manager_id, unc, branch()),
                           [this, request](bool ok, const QJsonDocument &reply) {
                               showReportProblem(QStringLiteral("订单目录上报失败：%1"), ok, reply,
                                                 request->lastFailure());
                               request->deleteLater();
                               orderReportAnswered();
                           });
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
        // Nothing of the order reached the share and the service: there is nothing to report.
        if (count == 0)
            return;
        const QByteArray body = TransferReports::orderDataBody(
            order.order_photo_id, count, TransferReports::uncPath(order.serverName, order.importPath), names,
            TransferReports::kindOfOrder(order, ImportTypes(Config::k_importType)), context);
        auto *request = new BaseReq(this);
        ++m_pendingOrderReports;
        request->getResultData(QStringLiteral("&m=order&a=logreadpic"), body,
                               [this, request](bool ok, const QJsonDocument &reply) {
                                   showReportProblem(QStringLiteral("订单上报失败：%1"), ok, reply,
                                                     request->lastFailure());
                                   request->deleteLater();
                                   orderReportAnswered();
                               });
    });
}

void tfhome::showPhotoReportProblem(const QString &orderPhotoId, const QString &fileName, const QString &problem)
{
    // Once per order and run: a service that is down would otherwise raise one bubble per photo;
    // the summary counts every failed photo.
    if (m_problemShown.contains(orderPhotoId))
        return;
    m_problemShown.insert(orderPhotoId);
    ToastWidget::showMessage(this, QStringLiteral("照片上报失败：%1 %2").arg(fileName, problem), 2000);
}

void tfhome::showReportProblem(const QString &text, bool ok, const QJsonDocument &reply, BaseReq::Failure failure)
{
    const QString problem = TransferReports::replyProblem(ok, reply, failure);
    if (problem.isEmpty())
        return;
    qCWarning(lcTransfer) << text.arg(problem);
    ToastWidget::showMessage(this, text.arg(problem), 2000);
}
