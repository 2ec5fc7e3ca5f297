#include "batchdelete/BatchDelete.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "platform/MountRoot.h"
#include "batchdelete/BatchDeleteComboBoxDelegate.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_FileListWidget.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "batchdelete/BatchdeleteThread.h"
#include "batchdelete/FileScanThread.h"
#include "widgets/ElementButton.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ToastWidget.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QMouseEvent>
#include <QTimer>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("温馨提示");

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
} // namespace

BatchDelete::BatchDelete(QWidget *parent)
    : QWidget(parent)
{
    if (!Config::k_shops.isEmpty())
        m_currentShopId = Config::k_shops.first().id;
    setupUI();
}

BatchDelete::~BatchDelete()
{
    m_closing = true;
}

void BatchDelete::setupUI()
{
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
        calendar->resize(K::f(160), K::f(180));
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
    calendar->resize(K::f(160), K::f(180));
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
    reqShopInfo();
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
    if (order.netpath.isEmpty())
        return;
    fileListWidget->loadFilesForOrders({order});
}

void BatchDelete::reqShopInfo()
{
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(QStringLiteral("&m=public&a=switch_shop"), BatchDeleteLogic::switchShopBody(m_currentShopId),
                           [self, request](bool ok, const QJsonDocument &document) {
                               request->deleteLater();
                               if (!self || self->m_closing || !ok)
                                   return;
                               QJsonObject reply = document.object();
                               const QString code = reply.take(QStringLiteral("code")).toString();
                               if (code != QLatin1String("1")) {
                                   self->warn(reply.value(QStringLiteral("msg")).toString());
                                   return;
                               }
                               const QJsonValue permission = reply.value(QStringLiteral("is_all_del_photo"));
                               self->m_permission = permission.isDouble() ? permission.toInt() : 0;
                               self->m_superId = reply.value(QStringLiteral("SUPERID")).toString();
                               self->m_managerId = reply.value(QStringLiteral("EID")).toString();
                               QMap<QString, QString> values;
                               values.insert(QStringLiteral("shopid"), self->m_currentShopId);
                               values.insert(QStringLiteral("superid"), self->m_superId);
                               values.insert(QStringLiteral("managerid"), self->m_managerId);
                               emit self->changeShop(values);
                               if (self->m_permission != 1) {
                                   self->orderListWidget->clearOrders();
                                   self->fileListWidget->clearFiles();
                                   self->orderListWidget->countLabel()->setText(QStringLiteral("暂无权限操作批量删除"));
                                   return;
                               }
                               self->reqOrderList();
                           });
}

void BatchDelete::reqOrderList()
{
    const bool byDate = searchTypeCombo->currentIndex() == 1;
    const QString keyword = byDate ? closingDateEdit->date().toString(QStringLiteral("yyyy-MM-dd")) : keywordEdit->text();
    const BatchDeleteLogic::Ids ids{m_currentShopId, m_managerId, m_superId};
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(QStringLiteral("&m=order&a=order_list"),
                           BatchDeleteLogic::orderListBody(keyword, byDate ? 6 : 1, m_selectedPersonId, ids),
                           [self, request](bool ok, const QJsonDocument &document) {
                               request->deleteLater();
                               if (!self || self->m_closing || !ok)
                                   return;
                               QJsonObject reply = document.object();
                               const QString code = reply.take(QStringLiteral("code")).toString();
                               if (code != QLatin1String("1")) {
                                   self->warn(reply.value(QStringLiteral("message")).toString());
                                   return;
                               }
                               const QJsonArray data = reply.value(QStringLiteral("data")).toArray();
                               if (data.isEmpty()) {
                                   self->warn(QStringLiteral("未检索到订单"));
                                   return;
                               }
                               self->orderListWidget->clearOrders();
                               self->fileListWidget->clearFiles();
                               self->orderListWidget->countLabel()->setText(
                                   QStringLiteral("    共%1个订单").arg(data.size()));
                               for (int i = 0; i < data.size(); ++i)
                                   self->orderListWidget->addOrder(BatchDeleteLogic::orderFromJson(data.at(i).toObject(), i));
                           });
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
                                   self->warn(reply.value(QStringLiteral("message")).toString());
                                   return;
                               }
                               self->m_personIds.append(QString());
                               const QJsonArray persons = reply.value(QStringLiteral("persons")).toArray();
                               for (const QJsonValue &person : persons)
                                   self->m_personIds.append(person.toObject().value(QStringLiteral("id")).toString());
                           });
}

void BatchDelete::setUserEnable(bool enable)
{
    m_userEnabled = enable;
    startButton->setButtonDisabled(!enable);
    searchButton->setButtonDisabled(!enable);
    orderListWidget->setUserEnable(enable);
    fileListWidget->setUserEnable(enable);
}

void BatchDelete::onStartBatchDelete()
{
    if (m_permission != 1) {
        ToastWidget::showMessage(this, QStringLiteral("暂无权限操作"), 2000);
        return;
    }
    if (m_running)
        return;
    m_currentOrderIndex = 0;
    m_ordersToDelete = orderListWidget->getCheckedOrders();
    if (m_ordersToDelete.isEmpty()) {
        ToastWidget::showMessage(this, QStringLiteral("请选择要删除的订单!"), 2000);
        return;
    }
    QPointer<BatchDelete> self(this);
    BatchLoginDialog::show(this, [self](bool ok, const QString &, const QString &) {
        if (self && ok && !self->m_closing)
            self->startDeleteRun();
    });
}

void BatchDelete::startDeleteRun()
{
    ToastWidget::showMessage(this, QStringLiteral("验证成功！"), 2000);
    m_running = true;
    m_inFlight = 0;
    setUserEnable(false);
    deleteNextOrder();
}

void BatchDelete::deleteNextOrder()
{
    if (m_closing)
        return;
    if (m_currentOrderIndex >= m_ordersToDelete.size()) {
        endRun(false);
        return;
    }
    const BatchDeleteOrderInfo order = m_ordersToDelete.at(m_currentOrderIndex);
    m_pendingFiles.clear();
    m_approvedPaths.clear();
    m_inFlight = 0;
    auto *scan = new FileScanThread(this);
    scan->setMaxDepth(2);
    connect(scan, &FileScanThread::scanFinished, this, [this, scan, order](const FileScanResult &result) {
        scan->deleteLater();
        onScanResult(order, result);
    });
    // Only a folder strictly below the mount root is scanned; anything else yields no files.
    const QString folder = MountRoot::isOnShare(order.netpath) ? order.netpath : QString();
    if (folder.isEmpty())
        qCWarning(lcBatchDelete) << "订单目录不在共享目录下，跳过:" << order.orderpayforkey << order.netpath;
    scan->startScan(order.order_photo_id, folder);
}

void BatchDelete::onScanResult(const BatchDeleteOrderInfo &order, const FileScanResult &result)
{
    if (m_closing)
        return;
    QList<BatchDeleteFileInfo> files;
    // A stopped or failed scan is never announced: its list may be partial.
    if (result.code == 0) {
        for (const BatchDeleteFileInfo &file : result.files) {
            if (BatchDeleteLogic::mayDelete(file.filePath, order.netpath))
                files.append(file);
        }
        for (int i = 0; i < files.size(); ++i)
            files[i].index = i;
    }
    if (!files.isEmpty()) {
        deletePost_all(order, files);
        return;
    }
    finishOrder();
}

void BatchDelete::deletePost_all(const BatchDeleteOrderInfo &order, const QList<BatchDeleteFileInfo> &files)
{
    if (m_closing)
        return;
    const BatchDeleteLogic::Ids ids{m_currentShopId, m_managerId, m_superId};
    const QByteArray body = BatchDeleteLogic::deleteBeforeBody(ids, order.order_photo_id, files);
    auto *request = new BaseReq(this);
    QPointer<BatchDelete> self(this);
    request->getResultData(
        QStringLiteral("&m=order&a=delete_pic_before"), body,
        [self, request, order, files](bool ok, const QJsonDocument &document) {
            request->deleteLater();
            if (!self || self->m_closing)
                return;
            if (!ok) {
                self->endRun(false);
                self->warn(QStringLiteral("提交数据失败!"));
                return;
            }
            const QJsonObject reply = document.object();
            if (!BatchDeleteLogic::isAccepted(reply)) {
                self->endRun(false);
                self->warn(reply.value(QStringLiteral("message")).toString());
                return;
            }
            const QList<BatchDeleteOrderInfo> stored = self->orderListWidget->orders();
            if (order.row < 0 || order.row >= stored.size()
                || stored.at(order.row).order_photo_id != order.order_photo_id) {
                // A search during the run replaced the orders: stop before touching a file.
                qCWarning(lcBatchDelete) << "订单列表已变化，停止批量删除:" << order.order_photo_id;
                self->endRun(false);
                return;
            }
            self->orderListWidget->refreshOrderFiles(order.order_photo_id, files);
            if (self->fileListWidget->getCurrentOrderInfo().order_photo_id == order.order_photo_id)
                self->fileListWidget->loadFilesForOrders({self->orderListWidget->orders().at(order.row)});
            self->m_pendingFiles = files;
            self->m_approvedPaths.clear();
            for (const BatchDeleteFileInfo &file : files)
                self->m_approvedPaths.insert(file.filePath);
            self->deleteOneFile();
            if (self)
                self->deleteOneFile();
        });
}

void BatchDelete::deleteOneFile()
{
    if (m_closing || m_pendingFiles.isEmpty())
        return;
    if (m_currentOrderIndex < 0 || m_currentOrderIndex >= m_ordersToDelete.size())
        return;
    const BatchDeleteOrderInfo order = m_ordersToDelete.at(m_currentOrderIndex);
    BatchDeleteFileInfo file = m_pendingFiles.takeFirst();
    if (!m_approvedPaths.contains(file.filePath))
        return;
    file.status = Deleting;
    orderListWidget->refreshFileStatusDeleting(order.order_photo_id, file.index);
    fileListWidget->deleteRefreshFile(order, file);

    auto *thread = new BatchdeleteThread();
    thread->order = order;
    thread->file = file;
    connect(thread, &BatchdeleteThread::deleteFileFinish, this, &BatchDelete::onFileResult);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    ++m_inFlight;
    thread->start(QThread::InheritPriority);
}

void BatchDelete::onFileResult(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &result)
{
    if (m_closing)
        return;
    BatchDeleteFileInfo file = result;
    if (file.status == Deleted && !BatchDeleteLogic::isGone(file.filePath)) {
        // Still there after all: never report it as deleted.
        file.status = UnknownError;
        file.errorMessage = QStringLiteral("删除失败，未知原因");
    }
    if (file.status != Deleted) {
        orderListWidget->deleteRefreshOrder(order, file);
        fileListWidget->deleteRefreshFile(order, file);
        afterFileOutcome(order);
        return;
    }
    QPointer<BatchDelete> self(this);
    deletePost_one(order.order_photo_id, file, [self, order, file](bool accepted) {
        if (!self || self->m_closing)
            return;
        BatchDeleteFileInfo reported = file;
        if (!accepted)
            reported.status = SubmitFailed;
        self->orderListWidget->deleteRefreshOrder(order, reported);
        self->fileListWidget->deleteRefreshFile(order, reported);
        self->afterFileOutcome(order);
    });
}

void BatchDelete::deletePost_one(const QString &orderPhotoId, const BatchDeleteFileInfo &file,
                                 const std::function<void(bool)> &done)
{
    const BatchDeleteLogic::Ids ids{m_currentShopId, m_managerId, m_superId};
    const QByteArray body = BatchDeleteLogic::deleteAfterBody(ids, orderPhotoId, file);
    qCDebug(lcBatchDelete) << "打印一下filePath：" << file.filePath;
    QPointer<BatchDelete> self(this);
    if (m_closing)
        return;
    auto *request = new BaseReq(this);
    request->getResultData(
        QStringLiteral("&m=order&a=delete_pic_after"), body,
        [self, request, orderPhotoId, file, done](bool ok, const QJsonDocument &document) {
            if (!self || self->m_closing) {
                request->deleteLater();
                return;
            }
            const QJsonObject reply = document.object();
            if (ok && BatchDeleteLogic::isAccepted(reply)) {
                done(true);
                request->deleteLater();
                return;
            }
            const QString text = ok ? reply.value(QStringLiteral("message")).toString()
                                          + QStringLiteral("，需要继续提交吗？")
                                    : QStringLiteral("删除信息提交失败，需要继续提交吗？");
            SimpleDialog::confirm(
                self, kTitle, text,
                [self, request, orderPhotoId, file, done](bool again) {
                    request->deleteLater();
                    if (!self)
                        return;
                    if (again)
                        self->deletePost_one(orderPhotoId, file, done);
                    else
                        done(false);
                },
                false);
        });
}

void BatchDelete::afterFileOutcome(const BatchDeleteOrderInfo &order)
{
    Q_UNUSED(order)
    if (m_closing)
        return;
    if (m_inFlight > 0)
        --m_inFlight;
    if (!m_pendingFiles.isEmpty()) {
        deleteOneFile();
        return;
    }
    // The order ends when none of its files is still being removed or reported.
    if (m_inFlight == 0)
        finishOrder();
}

void BatchDelete::finishOrder()
{
    ++m_currentOrderIndex;
    if (m_currentOrderIndex < m_ordersToDelete.size()) {
        deleteNextOrder();
        return;
    }
    endRun(true);
}

void BatchDelete::endRun(bool showDone)
{
    m_running = false;
    m_pendingFiles.clear();
    m_approvedPaths.clear();
    setUserEnable(true);
    if (showDone)
        QMessageBox::information(this, kTitle, QStringLiteral("全部删除完成！"), QMessageBox::Ok, QMessageBox::NoButton);
}
