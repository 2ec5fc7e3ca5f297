#include "batchdelete/BatchDelete_FileListWidget.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "batchdelete/BatchDeleteFileModel.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/FileScanThread.h"
#include "platform/MountRoot.h"
#include "widgets/ElementButton.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/ToastWidget.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kNoOrderTitle = QStringLiteral("请选择订单查看文件列表");
}

BatchDelete_FileListWidget::BatchDelete_FileListWidget(QWidget *parent)
    : QWidget(parent)
{
    setupUI();
}

BatchDelete_FileListWidget::~BatchDelete_FileListWidget()
{
    stopAllThreads();
}

void BatchDelete_FileListWidget::setupUI()
{
    BatchDeleteLogic::registerMetaTypes();

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *background = new QWidget(this);
    background->setObjectName(QStringLiteral("fileListParentWidget"));
    background->setStyleSheet(QStringLiteral(
        "#fileListParentWidget {   border: 1px solid #DCDEE2;   border-radius: 10px;   background-color: #ffffff;}"));
    outer->addWidget(background);

    contentLayout = new QVBoxLayout(background);
    contentLayout->setContentsMargins(10, 10, 10, 10);
    contentLayout->setSpacing(8);

    auto *top = new QHBoxLayout();
    titleLabel = new QLabel(kNoOrderTitle, background);
    titleLabel->setObjectName(QStringLiteral("fileListTitle"));
    titleLabel->setStyleSheet(QStringLiteral("QLabel { font-size: %1px; font-weight: 500; color: #666666; padding: %2px; }")
                                  .arg(K::f(13))
                                  .arg(K::f(8)));
    refreshButton = new ElementButton(QStringLiteral("刷新"), ElementButton::ButtonType(2), background);
    refreshButton->setObjectName(QStringLiteral("fileListRefreshButton"));
    connect(refreshButton, &QPushButton::clicked, this, [this]() { refreshFiles(currentOrder); });
    top->addWidget(titleLabel);
    top->addWidget(refreshButton);
    top->addStretch();
    contentLayout->addLayout(top);

    model = new BatchDeleteFileModel(this);
    table = new QTableView(background);
    table->setObjectName(QStringLiteral("fileListTable"));
    table->setModel(model);
    table->setStyleSheet(QStringLiteral(
        "QTableView { border: none; background-color: #ffffff; gridline-color: #f0f0f0; font-size: %1px;"
        " color: #333333; selection-background-color: #e3f2fd; selection-color: #333333;"
        " alternate-background-color: #fafafa; }"
        // No item colour here: it would paint over the status colours of the model.
        "QTableView::item { padding: %2px %3px; border-bottom: 1px solid #f0f0f0; }"
        "QTableView::item:selected { background-color: #e3f2fd; }"
        "QAbstractScrollArea::corner { background: transparent; }")
                             .arg(K::f(12))
                             .arg(K::f(6))
                             .arg(K::f(4)));
    table->verticalScrollBar()->setStyleSheet(getScrollBarStyle());
    table->horizontalScrollBar()->setStyleSheet(getScrollBarStyle());
    table->horizontalHeader()->setStyleSheet(getHeaderStyle());
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(K::f(40));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    const int widths[] = {200, 80, 80, 150, 400};
    for (int column = 0; column < 5; ++column)
        table->setColumnWidth(column, K::f(widths[column]));
    table->setMouseTracking(true);
    table->viewport()->setMouseTracking(true);
    contentLayout->addWidget(table);
}

QString BatchDelete_FileListWidget::getScrollBarStyle() const
{
    return BatchDelete_OrderListWidget::getScrollBarStyle();
}

QString BatchDelete_FileListWidget::getHeaderStyle() const
{
    return BatchDelete_OrderListWidget::getHeaderStyle();
}

void BatchDelete_FileListWidget::setFiles(const QList<BatchDeleteFileInfo> &files)
{
    model->setFiles(files);
    titleLabel->setText(QStringLiteral("共 %1 个文件").arg(files.size()));
}

void BatchDelete_FileListWidget::clearFiles()
{
    model->clearFiles();
    titleLabel->setText(kNoOrderTitle);
}

void BatchDelete_FileListWidget::updateFileStatus(int row, FileDeleteStatus status, const QString &message)
{
    model->updateFileStatus(row, status, message);
}

void BatchDelete_FileListWidget::loadFilesForOrders(const QList<BatchDeleteOrderInfo> &orders)
{
    if (orders.isEmpty())
        return;
    clearFiles();
    currentOrder = orders.first();
    if (!currentOrder.all.isEmpty())
        setFiles(currentOrder.all);
    else
        refreshFiles(currentOrder);
}

void BatchDelete_FileListWidget::refreshFiles(BatchDeleteOrderInfo order)
{
    cleanupFinishedThreads();
    for (const QPointer<FileScanThread> &scan : qAsConst(scanThreads)) {
        if (scan && scan->isScanning())
            scan->stopAndWait(100);
    }
    if (!order.problem.isEmpty()) {
        ToastWidget::showMessage(this, order.problem, 2000);
        return;
    }
    if (!order.netpath.isEmpty() && !MountRoot::isBelowMountedShare(order.netpath)) {
        ToastWidget::showMessage(this, BatchDeleteLogic::shareMissingText(order.netpath), 2000);
        return;
    }
    // Files listed through a link may be another order's: the refusal stands in their place.
    const QString linked = K::orderFolderLinkRefusal(order.netpath);
    if (!linked.isEmpty()) {
        model->clearFiles();
        titleLabel->setText(linked);
        ToastWidget::showMessage(this, linked, 2000);
        return;
    }
    const QString message = QStringLiteral("查找") + order.orderpayforkey + QLatin1Char('-') + order.servicetimes
                            + QStringLiteral("的文件中...");
    if (FullScreenLoading *overlay = FullScreenLoading::getInstance(this)) {
        overlay->setMessage(message);
    } else {
        overlay = FullScreenLoading::showCancellable(this, message, QStringLiteral("取消"), true);
        connect(overlay, &FullScreenLoading::cancelled, this, &BatchDelete_FileListWidget::cancelScans);
    }
    auto *scan = new FileScanThread(this);
    scan->setMaxDepth(2);
    connect(scan, &FileScanThread::scanFinished, this, &BatchDelete_FileListWidget::onScanFinished);
    connect(scan, &FileScanThread::scanProgress, this, &BatchDelete_FileListWidget::onScanProgress);
    scan->startScan(order.order_photo_id, order.netpath);
    scanThreads.append(scan);
}

void BatchDelete_FileListWidget::deleteRefreshFile(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file)
{
    if (order.order_photo_id != currentOrder.order_photo_id)
        return;
    model->updateFileStatus(file.index, FileDeleteStatus(file.status), file.errorMessage);
}

void BatchDelete_FileListWidget::setUserEnable(bool enabled)
{
    refreshButton->setButtonDisabled(!enabled);
}

void BatchDelete_FileListWidget::onScanFinished(const FileScanResult &result)
{
    cleanupFinishedThreads();
    if (result.orderId != currentOrder.order_photo_id)
        return;
    if (FullScreenLoading *overlay = FullScreenLoading::getInstance(this))
        overlay->dismiss();
    if (result.code == 0) {
        setFiles(result.files);
        emit refreshOrderFiles(currentOrder.order_photo_id, result.files);
    } else if (result.code == 2 || result.code == 3) {
        ToastWidget::showMessage(this, result.errorMessage, 2000);
    }
}

void BatchDelete_FileListWidget::onScanProgress(int fileCount, const QString &folderPath)
{
    Q_UNUSED(fileCount)
    Q_UNUSED(folderPath)
}

void BatchDelete_FileListWidget::onRetrySubmit(int row)
{
    qCDebug(lcBatchDelete) << "重新提交文件状态, 行:" << row;
    emit retrySubmitClicked(row);
}

void BatchDelete_FileListWidget::onRetryDelete(int row)
{
    qCDebug(lcBatchDelete) << "重新删除文件, 行:" << row;
    emit retryDeleteClicked(row);
}

void BatchDelete_FileListWidget::cleanupFinishedThreads()
{
    for (int i = scanThreads.size() - 1; i >= 0; --i) {
        FileScanThread *scan = scanThreads.at(i);
        if (!scan) {
            scanThreads.removeAt(i);
        } else if (!scan->isScanning()) {
            scanThreads.removeAt(i);
            scan->deleteLater();
        }
    }
}

void BatchDelete_FileListWidget::cancelScans()
{
    if (FullScreenLoading *overlay = FullScreenLoading::getInstance(this))
        overlay->dismiss();
    for (const QPointer<FileScanThread> &scan : qAsConst(scanThreads)) {
        if (scan)
            scan->stopAndWait(100);
    }
}

void BatchDelete_FileListWidget::stopAllThreads()
{
    for (const QPointer<FileScanThread> &scan : qAsConst(scanThreads)) {
        if (scan) {
            scan->stopAndWait(100);
            scan->deleteLater();
        }
    }
    scanThreads.clear();
}
