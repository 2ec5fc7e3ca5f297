#include "split/ui/FJHome.h"

#include "app/BaseReq.h"
#include "app/FormBody.h"
#include "app/K.h"
#include "app/Logging.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QSplitter>
#include <QThreadPool>
#include <QVBoxLayout>

FJHome::FJHome(QWidget *parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("FJHome"));
    resize(600, 400);
    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    setWindowTitle(QStringLiteral("分件工具"));
    setupUI();
}

FJHome::~FJHome()
{
    if (threadPool) {
        threadPool->clear();
        threadPool->waitForDone(-1);
    }
}

void FJHome::setupUI()
{
    threadPool = new QThreadPool(this);
    threadPool->setMaxThreadCount(2);
    setStyleSheet(QStringLiteral("QWidget {    background-color: #f2f2f7;    font-family: -apple-system, "
                                 "BlinkMacSystemFont, 'Segoe UI', Roboto, sans-serif;}QLabel {    color: #000000;}"));
    mainLayout = new QHBoxLayout();
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setStyleSheet(QStringLiteral("QSplitter::handle {    background-color: #e5e5ea;    width: ") + K::s(1)
                            + QStringLiteral("px;}QSplitter::handle:hover {    background-color: #d1d1d6;}"));
    leftPanel = new FJLeftPanel(this);
    rightPanel = new FJRightPanel(this);
    leftPanel->setStyleSheet(
        QStringLiteral("FJLeftPanel {    background-color: #ffffff;    border-right: 1px solid #e5e5ea;}"));
    rightPanel->setStyleSheet(QStringLiteral("FJRightPanel {    background-color: #ffffff;}"));
    splitter->addWidget(leftPanel);
    splitter->addWidget(rightPanel);
    splitter->setSizes({K::f(800), K::f(300)});
    splitter->setStretchFactor(0, 7);
    splitter->setStretchFactor(1, 5);

    connect(rightPanel, &FJRightPanel::searchRequested, leftPanel, &FJLeftPanel::onReqShopInfo);
    connect(rightPanel, &FJRightPanel::startProcessRequested, this, &FJHome::onStartProcessRequested);
    connect(rightPanel, &FJRightPanel::downAndUnDownImgSelectedChange, this, [this] {
        qCDebug(lcSplit) << "更新选中的";
        // A search may have replaced the list since the pick: write back only over the same order.
        const int row = rightPanel->currentOrderRow;
        if (row < 0 || row >= leftPanel->orderList.size())
            return;
        if (leftPanel->orderList.at(row).order_photo_id != rightPanel->currentOrder.order_photo_id)
            return;
        leftPanel->orderList[row] = rightPanel->currentOrder;
    });
    connect(rightPanel, &FJRightPanel::shopChange, this, [] {});
    connect(leftPanel, &FJLeftPanel::emitReqOrderFinish, rightPanel, &FJRightPanel::onSetSearchBtnStatus);
    connect(leftPanel, &FJLeftPanel::userInfoChange, this,
            [this](const QString &shopid, const QString &uid, const QString &superid) {
                qCDebug(lcSplit) << "获取到的参数是：" << shopid << uid << superid;
                rightPanel->shopId = shopid;
                rightPanel->superId = superid;
                rightPanel->eid = uid;
            });
    connect(leftPanel, &FJLeftPanel::orderSelected, this, &FJHome::onOrderSelected);

    mainLayout->addWidget(splitter);
    verticalLayout->addLayout(mainLayout);
}

void FJHome::setInitData(QMap<QString, QString> data)
{
    setWindowTitle(data.value(QStringLiteral("windowtitle")));
    leftPanel->setSplitType(splitType);
    rightPanel->setSplitType(splitType);
    if (splitType == DownloadOriginals) {
        splitter->setSizes({K::f(400), K::f(500)});
        splitter->setStretchFactor(0, 4);
        splitter->setStretchFactor(1, 6);
    }
}

void FJHome::onOrderSelected(int row, bool checked)
{
    if (row < 0 || row >= leftPanel->orderList.size())
        return;
    const OrderData order = leftPanel->orderList.at(row);
    if (splitType == DownloadOriginals) {
        if (!checked)
            return;
        rightPanel->currentOrderRow = row;
        rightPanel->currentOrder = order;
        rightPanel->refreshDownAndUndownImgList();
    } else if (splitType == DownloadPhotoDelivery && rightPanel->rawFileCheckBox) {
        rightPanel->rawFileCheckBox->setChecked(order.iszsysd == QLatin1String("1"));
        rightPanel->simpleRetouchCheckBox->setChecked(order.iszsjx == QLatin1String("1"));
    }
}

void FJHome::showMessage(const QString &text, bool information)
{
    auto *box = new QMessageBox(information ? QMessageBox::Information : QMessageBox::Warning,
                                QStringLiteral("温馨提示"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("fjWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void FJHome::onStartProcessRequested()
{
    if (running)
        return;
    selectedRows = leftPanel->getSelectedRows();
    if (selectedRows.isEmpty()) {
        showMessage(QStringLiteral("请选择需要分件的订单"), false);
        return;
    }
    running = true;
    errorLog.clear();
    rightPanel->setBtnEnable(false);
    leftPanel->setBtnEnable(false);
    currentOrderIndex = 0;
    getOrderInfo(leftPanel->orderList.value(selectedRows.first()));
}

void FJHome::getOrderInfo(OrderData order)
{
    leftPanel->progressBar->setValue(0);
    leftPanel->progressLabel->setText(QStringLiteral("总进度 %1/%2  当前订单:%3-服务%4")
                                          .arg(currentOrderIndex + 1)
                                          .arg(selectedRows.size())
                                          .arg(order.orderpayforkey, order.servicetimes));
    nextOrder();
}

void FJHome::nextOrder()
{
    ++currentOrderIndex;
    if (currentOrderIndex >= selectedRows.size()) {
        running = false;
        if (splitType == DownloadOriginals)
            rightPanel->searchClick();
        rightPanel->setBtnEnable(true);
        leftPanel->setBtnEnable(true);
        const QString summary = QString::number(selectedRows.size()) + QStringLiteral("个订单分件完成!") + errorLog;
        showMessage(summary, true);
        emit runFinished(summary);
        return;
    }
    getOrderInfo(leftPanel->orderList.value(selectedRows.at(currentOrderIndex)));
}

void FJHome::slt_copypicthread(bool, QString, QString, QString, QString)
{
}

void FJHome::closeEvent(QCloseEvent *event)
{
    if (threadPool) {
        threadPool->clear();
        threadPool->waitForDone(-1);
    }
    event->accept();
}
