#include "batchdelete/BatchDelete.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"
#include "platform/MountRoot.h"
#include "batchdelete/BatchDeleteAnnouncement.h"
#include "batchdelete/BatchDeleteComboBoxDelegate.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_FileListWidget.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "batchdelete/BatchdeleteThread.h"
#include "batchdelete/FileScanThread.h"
#include "widgets/DialogAnswer.h"
#include "widgets/ElementButton.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ToastWidget.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QPushButton>
#include <QComboBox>
#include <QMouseEvent>
#include <QTimer>
#include <QDateEdit>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QThread>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("温馨提示");
// How often a window looks whether the one holding the deletion journal is gone.
constexpr int kJournalRetryMs = 2000;

QString unrecordableText(const QString &why)
{
    return QStringLiteral("无法写入删除记录，删除已停止：%1").arg(why);
}

QString comboStyle()
{
    return QStringLiteral(
               "QComboBox { padding: 6px 12px; border: 1px solid #e0e0e0; border-radius: 6px; font-size: %1px;"
               " background: #ffffff; selection-background-color: #e3f2fd; color: #000000; }"
               "QComboBox:focus { border-color: #007aff; outline: none; }"
               "QComboBox::drop-down { border: none; width: 30px; }"
               "QComboBox::down-arrow { image: url(:/public/image/public/arrows/downarrow_gray_64.png);"
               " width: 16px; height: 16px; margin-right: 8px; }"
               "QComboBox QAbstractItemView { border: 1px solid #e0e0e0; background: #ffffff;"
               " selection-background-color: #e3f2fd; selection-color: #000; font-size: %1px; min-height: 60px; }"
               "QComboBox QAbstractItemView::item:selected { background: #87CEEB; color: #000000; }")
        .arg(K::f(10));
}
// Never smaller than the calendar needs: all six week rows must show.
QSize calendarSize(QCalendarWidget *calendar)
{
    calendar->ensurePolished();
    return calendar->sizeHint().expandedTo(QSize(K::f(160), K::f(180)));
}
} // namespace

BatchDelete::BatchDelete(QWidget *parent)
    : QWidget(parent)
{
    if (!Config::k_shops.isEmpty())
        m_currentShopId = Config::k_shops.first().id;
    setupUI();
    m_journal = std::make_unique<BatchDeleteJournal>(BatchDeleteJournal::defaultPath());
    m_journal->load();
    m_journalRetry = new QTimer(this);
    m_journalRetry->setInterval(kJournalRetryMs);
    connect(m_journalRetry, &QTimer::timeout, this, &BatchDelete::resendJournal);
    QTimer::singleShot(0, this, &BatchDelete::resendJournal);
}

BatchDelete::~BatchDelete()
{
    m_closing = true;
}

void BatchDelete::setupUI()
{
    m_deletionPool = new QThreadPool(this);
    m_deletionPool->setMaxThreadCount(2);
    setWindowTitle(QStringLiteral("批量删除"));
    BatchDeleteLogic::registerMetaTypes();

    mainLayout = new QVBoxLayout(this);
    mainLayout->setSpacing(K::f(10));
    mainLayout->setContentsMargins(K::f(15), K::f(10), K::f(15), K::f(10));

    auto *searchRow = new QHBoxLayout();
    searchRow->setSpacing(K::f(8));
    const QString labelStyle = QStringLiteral("font-size: %1px; font-weight: 600; color: #333;").arg(K::f(12));
    auto *branchLabel = new QLabel(QStringLiteral("分店选择:"), this);
    branchLabel->setStyleSheet(labelStyle);
    shopCombo = new QComboBox(this);
    shopCombo->setObjectName(QStringLiteral("shopCombo"));
    shopCombo->setFixedHeight(K::f(30));
    shopCombo->setMinimumWidth(K::f(120));
    for (const ShopEntry &shop : qAsConst(Config::k_shops))
        shopCombo->addItem(shop.name);
    shopCombo->setStyleSheet(comboStyle());
    shopCombo->setItemDelegate(new BatchDeleteComboBoxDelegate(this));
    connect(shopCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &BatchDelete::onBranchSelectionChanged);

    auto *typeLabel = new QLabel(QStringLiteral("搜索类型:"), this);
    typeLabel->setStyleSheet(labelStyle);
    searchTypeCombo = new QComboBox(this);
    searchTypeCombo->setObjectName(QStringLiteral("searchTypeCombo"));
    searchTypeCombo->setFixedHeight(K::f(30));
    searchTypeCombo->setMinimumWidth(K::f(80));
    searchTypeCombo->addItems({QStringLiteral("基本信息"), QStringLiteral("结单日期")});
    searchTypeCombo->setStyleSheet(comboStyle());
    searchTypeCombo->setItemDelegate(new BatchDeleteComboBoxDelegate(this));
    connect(searchTypeCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &BatchDelete::onSearchTypeChanged);

    keywordEdit = new QLineEdit(this);
    keywordEdit->setObjectName(QStringLiteral("keywordEdit"));
    keywordEdit->setPlaceholderText(QStringLiteral("搜索订单号、姓名、电话、微信..."));
    keywordEdit->setFixedSize(K::f(180), K::f(30));
    keywordEdit->setStyleSheet(QStringLiteral("QLineEdit { padding: 6px 12px; border: 1px solid #e0e0e0; border-radius: 6px;"
                                              " font-size: %1px; background: #ffffff; color: #000000; }"
                                              "QLineEdit:focus { border-color: #007aff; outline: none; }")
                                   .arg(K::f(10)));
    connect(keywordEdit, &QLineEdit::returnPressed, this, &BatchDelete::onSearchClick);

    closingDateEdit = new QDateEdit(QDate::currentDate(), this);
    closingDateEdit->setObjectName(QStringLiteral("closingDateEdit"));
    closingDateEdit->setFixedSize(K::f(120), K::f(30));
    closingDateEdit->setCalendarPopup(true);
    closingDateEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    closingDateEdit->setToolTip(QStringLiteral("点击选择日期"));
    closingDateEdit->setStyleSheet(QStringLiteral("QDateEdit { padding: 6px 12px; border: 1px solid #e0e0e0; border-radius: 6px;"
                                                  " font-size: %1px; background: #ffffff; color: #333333; }"
                                                  "QDateEdit:focus { border-color: #007aff; outline: none; }")
                                       .arg(K::f(10)));
    closingDateEdit->setReadOnly(true);
    closingDateEdit->hide();
    closingDateEdit->installEventFilter(this);
    connect(closingDateEdit, &QDateEdit::dateChanged, this, [this]() {
        QCalendarWidget *calendar = closingDateEdit->calendarWidget();
        if (calendar && calendar->isVisible())
            calendar->hide();
    });
    QTimer::singleShot(0, this, [this]() {
        for (QObject *child : closingDateEdit->children()) {
            if (child->isWidgetType())
                child->installEventFilter(this);
        }
    });

    searchButton = new ElementButton(QStringLiteral("搜索"), ElementButton::ButtonType(1), this);
    searchButton->setObjectName(QStringLiteral("searchButton"));
    connect(searchButton, &QPushButton::clicked, this, &BatchDelete::onSearchClick);
    startButton = new ElementButton(QStringLiteral("开始批量删除"), ElementButton::ButtonType(3), this);
    startButton->setObjectName(QStringLiteral("startButton"));
    connect(startButton, &QPushButton::clicked, this, &BatchDelete::onStartBatchDelete);

    searchRow->addWidget(branchLabel);
    searchRow->addWidget(shopCombo);
    searchRow->addStretch(1);
    searchRow->addWidget(typeLabel);
    searchRow->addWidget(searchTypeCombo);
    searchRow->addWidget(keywordEdit);
    searchRow->addWidget(closingDateEdit);
    searchRow->addStretch(1);
    searchRow->addWidget(searchButton);
    searchRow->addWidget(startButton);
    mainLayout->addLayout(searchRow, 0);

    splitter = new QSplitter(Qt::Horizontal, this);
    orderListWidget = new BatchDelete_OrderListWidget(this);
    orderListWidget->setObjectName(QStringLiteral("orderListPanel"));
    fileListWidget = new BatchDelete_FileListWidget(this);
    fileListWidget->setObjectName(QStringLiteral("fileListPanel"));
    splitter->addWidget(orderListWidget);
    splitter->addWidget(fileListWidget);
    splitter->setStretchFactor(0, 7);
    splitter->setStretchFactor(1, 3);
    splitter->setStyleSheet(QStringLiteral("QSplitter::handle { background: #e0e0e0; width: %1px; }"
                                           "QSplitter::handle:hover { background: #007aff; }")
                                .arg(K::f(3)));
    mainLayout->addWidget(splitter, 1);

    connect(orderListWidget, &BatchDelete_OrderListWidget::orderSelectionChanged, this,
            &BatchDelete::onOrderSelectionChanged);
    connect(orderListWidget, &BatchDelete_OrderListWidget::singleOrderClicked, this,
            &BatchDelete::onSingleOrderClicked);
    connect(fileListWidget, &BatchDelete_FileListWidget::refreshOrderFiles, this,
            [this](const QString &orderPhotoId, const QList<BatchDeleteFileInfo> &files) {
                orderListWidget->refreshOrderFiles(orderPhotoId, files);
            });

    searchTypeCombo->setCurrentIndex(0);
    onSearchTypeChanged(0);
}

bool BatchDelete::eventFilter(QObject *watched, QEvent *event)
{
    const bool onDateEdit = closingDateEdit
                            && (watched == closingDateEdit || watched->parent() == closingDateEdit);
    if (onDateEdit && closingDateEdit->isVisible() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        QPointer<QDateEdit> edit(closingDateEdit);
        QTimer::singleShot(10, this, [this, edit]() {
            if (edit)
                openCalendar(edit);
        });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void BatchDelete::openCalendar(QDateEdit *edit)
{
    const bool wasReadOnly = edit->isReadOnly();
    if (wasReadOnly)
        edit->setReadOnly(false);
    const QPoint position = edit->mapToGlobal(QPoint(0, edit->height()));
    if (QCalendarWidget *calendar = edit->calendarWidget()) {
        calendar->setSelectedDate(edit->date());
        calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        calendar->setFocusPolicy(Qt::StrongFocus);
        calendar->move(position);
        calendar->resize(calendarSize(calendar));
        calendar->setVisible(true);
        calendar->show();
        calendar->raise();
        calendar->activateWindow();
        calendar->setFocus();
        if (!calendar->isVisible())
            showCustomCalendar(edit, position);
    } else {
        showCustomCalendar(edit, position);
    }
    QPointer<QDateEdit> guard(edit);
    QTimer::singleShot(100, edit, [guard, wasReadOnly]() {
        if (guard && wasReadOnly)
            guard->setReadOnly(true);
    });
}

QCalendarWidget *BatchDelete::showCustomCalendar(QDateEdit *edit, const QPoint &globalPos)
{
    auto *calendar = new QCalendarWidget();
    calendar->setObjectName(QStringLiteral("closingDateCalendar"));
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setSelectedDate(edit->date());
    calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    calendar->setFocusPolicy(Qt::StrongFocus);
    calendar->move(globalPos);
    QPalette palette = calendar->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, QColor("#333333"));
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button})
        palette.setColor(role, QColor("#f8f9fa"));
    calendar->setPalette(palette);
    calendar->setStyleSheet(QStringLiteral(
        "QCalendarWidget { background: white; border: 2px solid #007aff; border-radius: 8px; font-size: 14px; }"
        "QCalendarWidget QToolButton { background: #f8f9fa; border: 1px solid #e0e0e0; border-radius: 4px;"
        " color: #333333; font-size: 12px; padding: 4px; }"
        "QCalendarWidget QToolButton:hover { background: #e3f2fd; border-color: #007aff; }"
        "QCalendarWidget QAbstractItemView { selection-background-color: #007aff; selection-color: white; color: #333333; }"));
    calendar->resize(calendarSize(calendar));
    QPointer<QDateEdit> guard(edit);
    connect(calendar, &QCalendarWidget::clicked, calendar, [guard, calendar](const QDate &date) {
        if (guard)
            guard->setDate(date);
        calendar->hide();
        calendar->deleteLater();
    });
    calendar->show();
    calendar->raise();
    calendar->activateWindow();
    calendar->setFocus();
    return calendar;
}

void BatchDelete::warn(const QString &text)
{
    QMessageBox::warning(this, kTitle, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void BatchDelete::onSearchClick()
{
    // A search would replace the orders and the branch a run is working on;
    // Return in the keyword field while a search is out sends nothing more.
    if (m_running || !searchButton->isEnabled())
        return;
    setSearching(true);
    reqShopInfo();
}

// While a search is out the button is busy, so it is never sent twice.
void BatchDelete::setSearching(bool searching)
{
    searchButton->setButtonDisabled(searching || !m_userEnabled);
}

// A failed search leaves no earlier result on screen as if it were the answer.
void BatchDelete::failSearch(const QString &problem)
{
    setSearching(false);
    m_searchIds = BatchDeleteLogic::Ids();
    orderListWidget->clearOrders();
    fileListWidget->clearFiles();
    orderListWidget->countLabel()->setText(QStringLiteral("    共%1个订单").arg(0));
    warn(problem);
}

void BatchDelete::onBranchSelectionChanged(int index)
{
    if (index < 0 || index >= Config::k_shops.size())
        return;
    m_currentShopId = Config::k_shops.at(index).id;
    m_personIds.clear();
}

void BatchDelete::onSearchTypeChanged(int index)
{
    keywordEdit->setVisible(index == 0);
    closingDateEdit->setVisible(index >= 1 && index <= 3);
}

void BatchDelete::onOrderSelectionChanged(const QList<BatchDeleteOrderInfo> &orders)
{
    if (orders.isEmpty())
        fileListWidget->clearFiles();
    else
        fileListWidget->loadFilesForOrders(orders);
}

void BatchDelete::onSingleOrderClicked(const BatchDeleteOrderInfo &order)
{
    qCDebug(lcBatchDelete) << "获取文件照片信息";
    // An order refused for its reply still says why.
    if (order.netpath.isEmpty() && order.problem.isEmpty())
        return;
    fileListWidget->loadFilesForOrders({order});
}

void BatchDelete::reqShopInfo()
{
    // Only the latest search may fill the list; the branch is the one it was sent for.
    const int generation = ++m_searchGeneration;
    const QString shopId = m_currentShopId;
    // No branch the login gave could be named.
    if (shopId.isEmpty()) {
        failSearch(QStringLiteral("没有可用的分店"));
        return;
    }
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(QStringLiteral("&m=public&a=switch_shop"), BatchDeleteLogic::switchShopBody(shopId),
                           [self, request, generation, shopId](bool ok, const QJsonDocument &document) {
                               request->deleteLater();
                               if (!self || self->m_closing || generation != self->m_searchGeneration)
                                   return;
                               const QString problem = ServiceReply::problem(ok, document, request->lastFailure(),
                                                                             QStringLiteral("msg"));
                               if (!problem.isEmpty()) {
                                   self->failSearch(problem);
                                   return;
                               }
                               QJsonObject reply = document.object();
                               const QJsonValue permission = reply.value(QStringLiteral("is_all_del_photo"));
                               self->m_permission = permission.isDouble() ? permission.toInt() : 0;
                               self->m_superId = ServiceReply::idText(reply.value(QStringLiteral("SUPERID")));
                               self->m_managerId = ServiceReply::idText(reply.value(QStringLiteral("EID")));
                               // Every later request of the branch names them: none goes out without.
                               if (!BatchDeleteLogic::Ids{shopId, self->m_managerId, self->m_superId}.usable()) {
                                   self->failSearch(QStringLiteral("切换分店失败：") + ServiceReply::unusableIdText());
                                   return;
                               }
                               QMap<QString, QString> values;
                               values.insert(QStringLiteral("shopid"), shopId);
                               values.insert(QStringLiteral("superid"), self->m_superId);
                               values.insert(QStringLiteral("managerid"), self->m_managerId);
                               emit self->changeShop(values);
                               if (self->m_permission != 1) {
                                   self->setSearching(false);
                                   self->m_searchIds = BatchDeleteLogic::Ids();
                                   self->orderListWidget->clearOrders();
                                   self->fileListWidget->clearFiles();
                                   self->orderListWidget->countLabel()->setText(QStringLiteral("暂无权限操作批量删除"));
                                   return;
                               }
                               self->reqOrderList(BatchDeleteLogic::Ids{shopId, self->m_managerId, self->m_superId});
                           });
}

void BatchDelete::reqOrderList()
{
    reqOrderList(BatchDeleteLogic::Ids{m_currentShopId, m_managerId, m_superId});
}

void BatchDelete::reqOrderList(const BatchDeleteLogic::Ids &ids)
{
    const bool byDate = searchTypeCombo->currentIndex() == 1;
    const QString keyword = byDate ? closingDateEdit->date().toString(QStringLiteral("yyyy-MM-dd")) : keywordEdit->text();
    const int generation = m_searchGeneration;
    const QByteArray body = BatchDeleteLogic::orderListBody(keyword, byDate ? 6 : 1, m_selectedPersonId, ids);
    // The reply is read and turned into orders on a thread of its own: twenty
    // thousand orders held the window for a third of a second.
    QPointer<BatchDelete> self(this);
    ServiceReply::requestOnOwnThread(
        QStringLiteral("&m=order&a=order_list"), body,
        [self, ids, generation](const QString &problem, const QJsonDocument &document) {
            QList<BatchDeleteOrderInfo> orders;
            if (problem.isEmpty())
                orders = BatchDeleteLogic::ordersFromReply(document.object());
            // The window is checked on the GUI thread, where it is deleted.
            QMetaObject::invokeMethod(
                qApp,
                [self, generation, ids, problem, orders]() {
                    if (self)
                        self->onOrderListReply(generation, ids, problem, orders);
                },
                Qt::QueuedConnection);
        });
}

void BatchDelete::onOrderListReply(int generation, const BatchDeleteLogic::Ids &ids, const QString &problem,
                                   const QList<BatchDeleteOrderInfo> &orders)
{
    if (m_closing || generation != m_searchGeneration || m_running)
        return;
    if (!problem.isEmpty()) {
        failSearch(problem);
        return;
    }
    setSearching(false);
    if (orders.isEmpty()) {
        warn(QStringLiteral("未检索到订单"));
        return;
    }
    // A run deletes with the branch and ids of the search that found its orders.
    m_searchIds = ids;
    orderListWidget->clearOrders();
    fileListWidget->clearFiles();
    orderListWidget->countLabel()->setText(QStringLiteral("    共%1个订单").arg(orders.size()));
    orderListWidget->showOrders(orders);
}

void BatchDelete::reqTiaoseList()
{
    const QByteArray body = FormBody()
                                .add(QStringLiteral("shopid"), m_currentShopId)
                                .add(QStringLiteral("eid"), m_managerId)
                                .add(QStringLiteral("superid"), m_superId)
                                .add(QStringLiteral("personid"), m_managerId)
                                .toBytes();
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(QStringLiteral("&m=order&a=get_persons"), body,
                           [self, request](bool ok, const QJsonDocument &document) {
                               request->deleteLater();
                               if (!self || self->m_closing || !ok)
                                   return;
                               const QJsonObject reply = document.object();
                               if (!BatchDeleteLogic::isAccepted(reply)) {
                                   self->warn(BatchDeleteLogic::refusalText(reply));
                                   return;
                               }
                               self->m_personIds.append(QString());
                               const QJsonArray persons = reply.value(QStringLiteral("persons")).toArray();
                               // A person no request could name is not offered.
                               for (const QJsonValue &person : persons) {
                                   const QString id = ServiceReply::idText(person.toObject().value(QStringLiteral("id")));
                                   if (!id.isEmpty())
                                       self->m_personIds.append(id);
                               }
                           });
}

void BatchDelete::setUserEnable(bool enable)
{
    m_userEnabled = enable;
    startButton->setButtonDisabled(!enable);
    searchButton->setButtonDisabled(!enable);
    // The run keeps the branch and the orders of the search that found them.
    shopCombo->setEnabled(enable);
    keywordEdit->setEnabled(enable);
    orderListWidget->setUserEnable(enable);
    fileListWidget->setUserEnable(enable);
}

void BatchDelete::onStartBatchDelete()
{
    if (m_running)
        return;
    if (m_permission != 1 || m_searchIds.shopId.isEmpty()) {
        ToastWidget::showMessage(this, QStringLiteral("暂无权限操作"), 2000);
        return;
    }
    m_currentOrderIndex = 0;
    m_ordersToDelete = orderListWidget->getCheckedOrders();
    if (m_ordersToDelete.isEmpty()) {
        ToastWidget::showMessage(this, QStringLiteral("请选择要删除的订单!"), 2000);
        return;
    }
    QPointer<BatchDelete> self(this);
    // A run refused at once (the share unmounted) says why in a box: not under the dialog.
    BatchLoginDialog::show(this, DialogAnswer::afterClose(this, [self](bool ok, const QString &, const QString &) {
                               if (self && ok && !self->m_closing && !self->m_running)
                                   self->startDeleteRun();
                           }));
}

void BatchDelete::startDeleteRun()
{
    ToastWidget::showMessage(this, QStringLiteral("验证成功！"), 2000);
    // What an earlier run still owes goes first, before this run records its own.
    resendJournal();
    m_running = true;
    m_stopping = false;
    m_runIds = m_searchIds;
    m_end = BatchDeleteLogic::RunEnd();
    m_stopReason.clear();
    setUserEnable(false);
    deleteNextOrder();
}

void BatchDelete::deleteNextOrder()
{
    if (m_closing)
        return;
    if (m_stopping) {
        closeWhenIdle();
        return;
    }
    if (m_currentOrderIndex >= m_ordersToDelete.size()) {
        endRun(QString());
        return;
    }
    const BatchDeleteOrderInfo order = m_ordersToDelete.at(m_currentOrderIndex);
    m_pendingFiles.clear();
    m_inFlight = 0;
    m_tally = BatchDeleteLogic::OrderTally();
    if (!order.problem.isEmpty()) {
        skipOrder(order, order.problem);
        return;
    }
    // Pinned at the scan: every removal of the order is made on this share or not at all.
    m_share = ShareGuard();
    if (!order.netpath.isEmpty() && !m_share.pin(order.netpath)) {
        skipOrder(order, BatchDeleteLogic::shareMissingText(order.netpath));
        return;
    }
    // Taken once, before the scan: no link swapped in later widens what may go.
    QString reason;
    m_scannedFolder = BatchDeleteLogic::realOrderFolder(order.netpath, &reason);
    if (m_scannedFolder.isEmpty()) {
        skipOrder(order, reason);
        return;
    }
    // A folder leading into another share is no folder of this one.
    if (!m_share.reaches(order.netpath)) {
        skipOrder(order, QStringLiteral("订单目录链接到共享目录以外"));
        return;
    }
    auto *scan = new FileScanThread(this);
    scan->setMaxDepth(2);
    connect(scan, &FileScanThread::scanFinished, this, [this, scan, order](const FileScanResult &result) {
        scan->deleteLater();
        onScanResult(order, result);
    });
    scan->startScan(order.order_photo_id, order.netpath);
}

void BatchDelete::onScanResult(const BatchDeleteOrderInfo &order, const FileScanResult &result)
{
    if (m_closing)
        return;
    if (m_stopping) {
        closeWhenIdle();
        return;
    }
    // A stopped or failed scan is never announced: its list may be partial.
    if (result.code != 0) {
        // A folder missing from a share that is gone itself is the share's doing: say that.
        skipOrder(order, MountRoot::isBelowMountedShare(order.netpath) ? result.errorMessage
                                                                       : BatchDeleteLogic::shareMissingText(order.netpath));
        return;
    }
    if (result.files.isEmpty()) {
        nextOrder();
        return;
    }
    deletePost_all(order, result.files);
}

void BatchDelete::skipOrder(const BatchDeleteOrderInfo &order, const QString &reason)
{
    qCWarning(lcBatchDelete) << "订单未删除:" << order.orderpayforkey << reason;
    m_end.addRefused(order, reason);
    nextOrder();
}

void BatchDelete::nextOrder()
{
    ++m_currentOrderIndex;
    deleteNextOrder();
}

void BatchDelete::deletePost_all(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files)
{
    if (m_closing)
        return;
    // Tens of thousands of files make a body of megabytes: checked and built off the window's thread.
    auto *announcement = new BatchDeleteAnnouncement(m_runIds, order, files);
    connect(announcement, &BatchDeleteAnnouncement::built, this, &BatchDelete::sendAnnouncement);
    QThreadPool::globalInstance()->start(announcement);
}

void BatchDelete::sendAnnouncement(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files,
                                   const QByteArray &body, int found)
{
    if (m_closing)
        return;
    if (m_stopping) {
        closeWhenIdle();
        return;
    }
    if (files.isEmpty()) {
        // Files found but none of them may go: say so rather than pass the order over.
        if (found > 0)
            skipOrder(order, BatchDeleteLogic::nothingDeletableText());
        else
            nextOrder();
        return;
    }
    // The share may have gone since the scan: what is announced must be there to delete.
    if (!MountRoot::isBelowMountedShare(order.netpath)) {
        skipOrder(order, BatchDeleteLogic::shareMissingText(order.netpath));
        return;
    }
    // Nothing is announced whose removal could not be recorded first.
    QString error;
    if (!journalAhead(order, files, &error)) {
        endRun(unrecordableText(error));
        return;
    }
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(
        QStringLiteral("&m=order&a=delete_pic_before"), body,
        [self, request, order, files](bool ok, const QJsonDocument &document) {
            request->deleteLater();
            if (!self || self->m_closing)
                return;
            const QJsonObject reply = document.object();
            const QList<BatchDeleteOrderInfo> stored = self->orderListWidget->orders();
            const bool sameOrder = order.row >= 0 && order.row < stored.size()
                                   && stored.at(order.row).order_photo_id == order.order_photo_id;
            if (self->m_stopping || !ok || !BatchDeleteLogic::isAccepted(reply) || !sameOrder)
                self->forgetUnremoved(files);
            if (self->m_stopping) {
                self->closeWhenIdle();
                return;
            }
            if (!ok) {
                self->endRun(QStringLiteral("提交数据失败!"));
                return;
            }
            if (!BatchDeleteLogic::isAccepted(reply)) {
                self->skipOrder(order, BatchDeleteLogic::refusalText(reply));
                return;
            }
            if (!sameOrder) {
                self->endRun(QStringLiteral("订单列表已变化，批量删除已停止"));
                return;
            }
            self->orderListWidget->refreshOrderFiles(order.order_photo_id, files);
            if (self->fileListWidget->getCurrentOrderInfo().order_photo_id == order.order_photo_id)
                self->fileListWidget->loadFilesForOrders({self->orderListWidget->orders().at(order.row)});
            self->m_pendingFiles = files;
            self->m_tally.announced = files.size();
            self->deleteOneFile();
            self->deleteOneFile();
        });
}

void BatchDelete::deleteOneFile()
{
    if (m_closing || m_stopping || m_pendingFiles.isEmpty())
        return;
    if (m_currentOrderIndex < 0 || m_currentOrderIndex >= m_ordersToDelete.size())
        return;
    const BatchDeleteOrderInfo order = m_ordersToDelete.at(m_currentOrderIndex);
    QString error;
    if (!m_journal->contains(m_pendingFiles.first().filePath) && !journalAhead(order, m_pendingFiles, &error)) {
        // Unrecorded, a removal could go unreported for good: nothing more is removed.
        m_stopReason = unrecordableText(error);
        m_pendingFiles.clear();
        if (m_inFlight == 0)
            endRun(m_stopReason);
        return;
    }
    BatchDeleteFileInfo file = m_pendingFiles.takeFirst();
    file.status = Deleting;
    orderListWidget->refreshFileStatusDeleting(order.order_photo_id, file.index);
    fileListWidget->deleteRefreshFile(order, file);

    auto *task = new BatchdeleteThread();
    task->order = order;
    task->file = file;
    task->scannedFolder = m_scannedFolder;
    task->share = m_share;
    connect(task, &BatchdeleteThread::deleteFileFinish, this, &BatchDelete::onFileResult);
    ++m_inFlight;
    // Two threads kept for the run take the files in turn: starting a thread per
    // file cost more than removing it.
    task->startIn(m_deletionPool);
}

bool BatchDelete::journalAhead(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files,
                               QString *error)
{
    // One synced write for a batch of files, not one per file.
    constexpr int batch = 1024;
    QList<BatchDeleteJournal::Entry> entries;
    for (int i = 0; i < files.size() && entries.size() < batch; ++i) {
        const BatchDeleteFileInfo &file = files.at(i);
        if (!m_journal->contains(file.filePath))
            entries.append({m_runIds, order.order_photo_id, file.filePath, file.fileName});
    }
    return m_journal->record(entries, error);
}

void BatchDelete::forgetUnremoved(const QList<BatchDeleteFileInfo> &files)
{
    for (const BatchDeleteFileInfo &file : files)
        m_journal->clear(file.filePath);
}

void BatchDelete::onFileResult(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file)
{
    if (m_closing)
        return;
    if (file.status == Deleted) {
        QPointer<BatchDelete> self(this);
        deletePost_one(order.order_photo_id, file, [self, order, file](bool accepted) {
            if (!self || self->m_closing)
                return;
            BatchDeleteFileInfo reported = file;
            // A report given up stays owed: the next opening sends it again.
            if (accepted)
                self->m_journal->clear(file.filePath);
            else
                reported.status = SubmitFailed;
            self->recordOutcome(order, reported);
        });
        return;
    }
    // Not removed: nothing is owed for it.
    m_journal->clear(file.filePath);
    if (BatchDeleteLogic::isFolderLost(file)) {
        // The folder is gone or no longer the one scanned: the order's other files are
        // not touched, nothing more is reported and the order is listed at the end.
        if (m_tally.lostReason.isEmpty())
            m_tally.lostReason = file.errorMessage;
        const QList<BatchDeleteFileInfo> untouched = m_pendingFiles;
        m_pendingFiles.clear();
        for (BatchDeleteFileInfo other : untouched) {
            m_journal->clear(other.filePath);
            other.status = file.status;
            other.errorMessage = file.errorMessage;
            orderListWidget->deleteRefreshOrder(order, other);
            fileListWidget->deleteRefreshFile(order, other);
        }
        m_end.failed += untouched.size();
    }
    recordOutcome(order, file);
}

void BatchDelete::recordOutcome(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file)
{
    orderListWidget->deleteRefreshOrder(order, file);
    fileListWidget->deleteRefreshFile(order, file);
    if (file.status == Deleted) {
        ++m_end.deleted;
        ++m_tally.removed;
    } else if (file.status == SubmitFailed) {
        // Gone from the share all the same; its record is still owed.
        ++m_end.failed;
        ++m_tally.removed;
        ++m_tally.owed;
    } else {
        ++m_end.failed;
        if (m_tally.keptReason.isEmpty())
            m_tally.keptReason = BatchDeleteLogic::failedReason(file);
    }
    if (m_inFlight > 0)
        --m_inFlight;
    if (m_stopping) {
        closeWhenIdle();
        return;
    }
    if (!m_pendingFiles.isEmpty()) {
        deleteOneFile();
        return;
    }
    // The order ends when none of its files is still being removed or reported.
    if (m_inFlight > 0)
        return;
    if (!m_stopReason.isEmpty()) {
        endRun(m_stopReason);
        return;
    }
    m_end.addOrder(order, m_tally);
    nextOrder();
}

void BatchDelete::deletePost_one(const QString &orderPhotoId, const BatchDeleteFileInfo &file,
                                 const std::function<void(bool)> &done)
{
    const QByteArray body = BatchDeleteLogic::deleteAfterBody(m_runIds, orderPhotoId, file);
    qCDebug(lcBatchDelete) << "打印一下filePath：" << file.filePath;
    QPointer<BatchDelete> self(this);
    if (m_closing)
        return;
    auto *request = new BaseReq(this);
    request->getResultData(
        QStringLiteral("&m=order&a=delete_pic_after"), body,
        [self, request, orderPhotoId, file, done](bool ok, const QJsonDocument &document) {
            request->deleteLater();
            if (!self || self->m_closing)
                return;
            const QJsonObject reply = document.object();
            if (ok && BatchDeleteLogic::isAccepted(reply)) {
                done(true);
                return;
            }
            // While the window closes, a report that does not get through is given up.
            if (self->m_stopping) {
                done(false);
                return;
            }
            const QString text = ok ? BatchDeleteLogic::refusalText(reply) + QStringLiteral("，需要继续提交吗？")
                                    : QStringLiteral("删除信息提交失败，需要继续提交吗？");
            self->askResend(text, [self, orderPhotoId, file, done](bool again) {
                if (!self || self->m_closing)
                    return;
                if (again)
                    self->deletePost_one(orderPhotoId, file, done);
                else
                    done(false);
            });
        });
}

void BatchDelete::resendJournal()
{
    // While a run goes its own entries are live: only what earlier runs left is looked at.
    if (m_resending || m_closing || m_running)
        return;
    m_journal->load();
    // What windows now gone left belongs to the window holding the journal: once
    // that one is gone too, this window takes it over and sends what is owed.
    if (m_journal->holdsLock())
        m_journalRetry->stop();
    else if (!m_journalRetry->isActive())
        m_journalRetry->start();
    QList<BatchDeleteJournal::Entry> owed;
    QStringList unusable;
    for (const BatchDeleteJournal::Entry &entry : m_journal->entries()) {
        if (BatchDeleteLogic::isGoneFromShare(entry.filePath)) {
            if (entry.ids.usable() && !entry.orderPhotoId.isEmpty()) {
                owed.append(entry);
                continue;
            }
            // No report could name it: said once with the refused ones, then dropped.
            m_journal->clear(entry.filePath);
            unusable.append(entry.filePath + QStringLiteral("：") + ServiceReply::unusableIdText());
        } else if (MountRoot::isBelowMountedShare(entry.filePath)) {
            m_journal->clear(entry.filePath); // recorded ahead, never removed
        }
        // Its share is not mounted: kept for a later opening.
    }
    if (owed.isEmpty() && unusable.isEmpty())
        return;
    qCInfo(lcBatchDelete) << "补交已删除文件的记录:" << owed.size();
    m_resending = true;
    m_resendRefused = unusable;
    resendNext(owed, 0, QString());
}

void BatchDelete::resendNext(QList<BatchDeleteJournal::Entry> owed, int failed, const QString &firstFailure)
{
    if (m_closing)
        return;
    if (owed.isEmpty()) {
        m_resending = false;
        if (failed > 0)
            ToastWidget::showMessage(this, QStringLiteral("%1个已删除文件的记录未能提交：%2").arg(failed).arg(firstFailure),
                                     2000);
        if (!m_resendRefused.isEmpty()) {
            const QStringList refused = m_resendRefused;
            m_resendRefused.clear();
            warn(QStringLiteral("以下已删除文件的记录被拒绝，不再补交：\n") + refused.join(QLatin1Char('\n')));
        }
        return;
    }
    const BatchDeleteJournal::Entry entry = owed.takeFirst();
    BatchDeleteFileInfo file;
    file.filePath = entry.filePath;
    file.fileName = entry.fileName;
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(
        QStringLiteral("&m=order&a=delete_pic_after"), BatchDeleteLogic::deleteAfterBody(entry.ids, entry.orderPhotoId, file),
        [self, request, entry, owed, failed, firstFailure](bool ok, const QJsonDocument &document) {
            request->deleteLater();
            if (!self || self->m_closing)
                return;
            const QJsonObject reply = document.object();
            if (ok && BatchDeleteLogic::isAccepted(reply)) {
                self->m_journal->clear(entry.filePath);
                self->resendNext(owed, failed, firstFailure);
                return;
            }
            if (ok) {
                // Refused for a reason: asking again would be refused again. Said once, then dropped.
                self->m_journal->clear(entry.filePath);
                self->m_resendRefused.append(
                    entry.filePath + QStringLiteral("：") + BatchDeleteLogic::refusalText(reply));
                self->resendNext(owed, failed, firstFailure);
                return;
            }
            const QString first = firstFailure.isEmpty() ? BaseReq::failureMessage(request->lastFailure()) : firstFailure;
            // Unreachable: the rest waits for the next opening instead of timing out one by one.
            self->resendNext({}, failed + 1 + owed.size(), first);
        });
}

void BatchDelete::askResend(const QString &text, const std::function<void(bool)> &answer)
{
    auto *dialog = new SimpleDialog(this);
    dialog->setDialogType(SimpleDialog::Confirm);
    dialog->setDialogTitle(kTitle);
    dialog->setDialogMessage(text, false);
    // Giving up the last report ends the run with its box.
    dialog->setDialogCallback(DialogAnswer::afterClose(this, answer));
    // Return resends, as the primary button says.
    if (auto *resend = dialog->findChild<QPushButton *>(QStringLiteral("confirmButton"))) {
        resend->setDefault(true);
        resend->setFocus();
    }
    m_resendPrompts.removeAll(QPointer<SimpleDialog>());
    m_resendPrompts.append(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void BatchDelete::endRun(const QString &stopReason)
{
    if (!stopReason.isEmpty()) {
        // The order it stopped at keeps what it removed; those after it were not begun.
        if (m_currentOrderIndex < m_ordersToDelete.size())
            m_end.addOrder(m_ordersToDelete.at(m_currentOrderIndex), m_tally, stopReason);
        for (int i = m_currentOrderIndex + 1; i < m_ordersToDelete.size(); ++i)
            m_end.addRefused(m_ordersToDelete.at(i), QStringLiteral("未开始删除"));
    }
    m_running = false;
    m_pendingFiles.clear();
    setUserEnable(true);
    m_end.stopReason = stopReason;
    const QString text = BatchDeleteLogic::runEndText(m_end);
    if (m_end.allDone())
        QMessageBox::information(this, kTitle, text, QMessageBox::Ok, QMessageBox::NoButton);
    else
        warn(text);
}

void BatchDelete::closeEvent(QCloseEvent *event)
{
    if (!m_running || m_closeConfirmed) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_stopping)
        return;
    QPointer<BatchDelete> self(this);
    SimpleDialog::confirm(this, kTitle, QStringLiteral("正在批量删除，确定要关闭窗口吗？"),
                          [self](bool yes) {
                              if (self && yes && self->m_running)
                                  self->stopAndClose();
                          });
}

void BatchDelete::stopAndClose()
{
    // No further file is touched; the reports of files already removed still go out,
    // for at most one request time-out.
    m_stopping = true;
    m_pendingFiles.clear();
    // The window may stay for a request time-out: it says so rather than look stuck.
    FullScreenLoading::show(this, QStringLiteral("正在提交删除记录，完成后自动关闭..."), true);
    const QList<QPointer<SimpleDialog>> prompts = m_resendPrompts;
    m_resendPrompts.clear();
    for (const QPointer<SimpleDialog> &prompt : prompts) {
        if (prompt && prompt->isVisible())
            prompt->handleOk();
    }
    QTimer::singleShot(BaseReq::limits().actionDeadlineMs, this, [this]() { closeNow(); });
    closeWhenIdle();
}

void BatchDelete::closeWhenIdle()
{
    if (m_inFlight == 0)
        closeNow();
}

void BatchDelete::closeNow()
{
    if (m_closeConfirmed)
        return;
    m_closeConfirmed = true;
    close();
}
