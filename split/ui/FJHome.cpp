#include "split/ui/FJHome.h"

#include "app/core/BaseReq.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/Config.h"
#include "app/core/ServiceReply.h"
#include "app/core/TemporarySweep.h"
#include "platform/MountRoot.h"
#include "split/engine/FJDataThread.h"
#include "split/engine/FJJobFile.h"
#include "split/ui/FJDownloadFile.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJMessageBox.h"
#include "split/ui/FJResultRelay.h"
#include "split/ui/FJRightPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>
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
    dataOperate.downloadUrls.clear();
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
    connect(leftPanel, &FJLeftPanel::emitReqOrderFinish, this, &FJHome::followShownOrder);
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

QMessageBox *FJHome::showMessage(const QString &text, bool information)
{
    return FJMessageBox::open(this, information ? QMessageBox::Information : QMessageBox::Warning, text);
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
    m_runShares.clear();
    m_sweep = std::make_shared<TemporarySweep>();
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
    m_turnOrder = order;
    if (order.order_photo_id.isEmpty()) {
        // Without its id nothing can be asked for the order, nor written for it.
        skipOrder(QStringLiteral("\n") + order.orderpayforkey + QLatin1Char('-') + order.servicetimes
                  + QStringLiteral(" 订单数据错误;"));
        return;
    }
    // A new number per order: whatever still arrives for the previous one is dropped.
    ++m_generation;
    const int generation = m_generation;
    const QByteArray body = FormBody()
                                .add(QStringLiteral("order_photo_id"), order.order_photo_id)
                                .add(QStringLiteral("shopid"), rightPanel->shopId)
                                .add(QStringLiteral("eid"), leftPanel->eid)
                                .add(QStringLiteral("superid"), leftPanel->superId)
                                .add(QStringLiteral("personid"), leftPanel->eid)
                                .toBytes();
    auto *req = new BaseReq(this);
    req->fjReq(QStringLiteral("&m=order&a=orderphotodetail"), body,
               [this, req, order, generation](bool ok, const QJsonDocument &doc) {
                   req->deleteLater();
                   if (generation != m_generation)
                       return;
                   processOrderPhotoDetail(ok, doc, order);
               });
}

void FJHome::nextOrder()
{
    if (!running)
        return;
    releaseRelay();
    ++currentOrderIndex;
    if (currentOrderIndex >= selectedRows.size()) {
        running = false;
        rightPanel->setBtnEnable(true);
        leftPanel->setBtnEnable(true);
        // After unlocking, so the reload keeps its search button disabled until it ends.
        if (splitType == DownloadOriginals)
            rightPanel->searchClick();
        const QString summary = QString::number(selectedRows.size()) + QStringLiteral("个订单分件完成!") + errorLog;
        showMessage(summary, true);
        emit runFinished(summary);
        return;
    }
    // Read now, not at the start: a choice made while earlier orders ran counts.
    getOrderInfo(leftPanel->orderList.value(selectedRows.at(currentOrderIndex)));
}

// Every job and download of the ended order has reported, so its relay has nothing left to carry.
void FJHome::releaseRelay()
{
    if (m_relay)
        m_relay->deleteLater();
    m_relay = nullptr;
}

void FJHome::onRelayedResult(int generation, bool ok, const QString &jobType, const QString &srcPath,
                             const QString &third, const QString &message)
{
    if (generation != m_generation || !running) {
        qCDebug(lcSplit) << "已结束订单的结果，忽略:" << jobType << srcPath;
        return;
    }
    slt_copypicthread(ok, jobType, srcPath, third, message);
}

bool FJHome::currentRow(int *row) const
{
    if (currentOrderIndex < 0 || currentOrderIndex >= selectedRows.size())
        return false;
    const int r = selectedRows.at(currentOrderIndex);
    if (r < 0 || r >= leftPanel->orderList.size())
        return false;
    *row = r;
    return true;
}

void FJHome::reportDownloadSuccess(const QString &photoId)
{
    const QByteArray body = FormBody()
                                .add(QStringLiteral("id"), photoId)
                                .add(QStringLiteral("shopid"), rightPanel->shopId)
                                .add(QStringLiteral("eid"), leftPanel->eid)
                                .add(QStringLiteral("superid"), leftPanel->superId)
                                .add(QStringLiteral("personid"), leftPanel->eid)
                                .toBytes();
    // Goes on when the window closes: the file is downloaded all the same.
    auto *req = BaseReq::forOwedReport();
    req->fjReq(QStringLiteral("&m=order&a=download_success"), body,
               [req](bool, const QJsonDocument &) { req->deleteLater(); });
}

void FJHome::startJob(FJDataThread *job)
{
    job->sweep = m_sweep;
    threadPool->start(job, 0);
}

void FJHome::startProducts()
{
    for (const QJsonObject &goods : qAsConst(dataOperate.goods)) {
        auto *job = new FJDataThread(QStringLiteral("创建产品"), dataOperate.order, goods, orderDir, m_relay);
        job->goodsFolderNameRules = dataOperate.namingRule;
        startJob(job);
    }
}

void FJHome::noteFailure(bool ok, const QString &srcPath, const QString &message)
{
    if (!ok && m_orderShare.isPinned() && message == K::missingShareMessage(m_orderShare.shareFolder())) {
        noteShareGone(message);
        return;
    }
    if (!ok && message == FJDataThread::unreachableMessage()) {
        noteShareGone(message);
        return;
    }
    // The raw-file modes list every note; the others only what failed, since
    // their copies also note absent optional files.
    const bool listed = splitType == DownloadOriginals || splitType == DownloadSelectionResults
                            ? !message.isEmpty()
                            : !ok;
    if (listed) {
        // Notes set apart stand on lines of their own, never on empty ones.
        const QStringList lines = message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines.isEmpty() ? QStringList{QString()} : lines)
            errorLog += QStringLiteral("\n") + failureNote(srcPath, line);
    } else if (ok)
        for (const QString &note : FJDataThread::listedNotes(message))
            errorLog += QStringLiteral("\n") + note;
}

QString FJHome::failureNote(const QString &srcPath, const QString &message)
{
    QString note = message.isEmpty() ? QStringLiteral("拷贝失败") : message;
    const QString name = QFileInfo(srcPath).fileName();
    if (!name.isEmpty() && !note.contains(name))
        note = name + QLatin1Char(' ') + note;
    return note;
}

void FJHome::slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message)
{
    noteFailure(ok, srcPath, message);
    // Copied, but the service could not be told: the user is.
    if (ok && third.isEmpty() && jobType == QStringLiteral("下载原始档"))
        errorLog += QStringLiteral("\n") + QFileInfo(srcPath).fileName() + QLatin1Char(' ')
                    + ServiceReply::unusableIdText() + QStringLiteral("，未上报");
    if (splitType == DownloadPhotoDelivery) {
        ++copyPicFinishNum;
        judgeOrderFinish();
        return;
    }
    if (splitType == DownloadOriginals) {
        ++copyPicFinishNum;
        int row = -1;
        if (!currentRow(&row))
            return;
        if (ok && !third.isEmpty())
            reportDownloadSuccess(third);
        leftPanel->progressBar->setValue(copyPicFinishNum);
        if (allNum != copyPicFinishNum)
            return;
        // The photos chosen when the order's request went move; marks made since stay for the next run.
        const OrderData &started = m_turnOrder;
        const bool listed = leftPanel->orderList.at(row).order_photo_id == started.order_photo_id;
        const OrderData order = markDownloaded(listed ? leftPanel->orderList.at(row) : started, started);
        if (listed)
            leftPanel->orderList[row] = order;
        if (order.order_photo_id == rightPanel->currentOrder.order_photo_id) {
            rightPanel->currentOrder = order;
            rightPanel->refreshDownAndUndownImgList();
        }
        nextOrder();
        return;
    }
    if (jobType == QStringLiteral("生成Html")) {
        isSaveHtml = true;
        leftPanel->progressBar->setValue(allNum);
        if (splitType == DesignSplit) {
            nextOrder();
            return;
        }
        const int generation = m_generation;
        QTimer::singleShot(1000, this, [this, generation] {
            if (generation == m_generation && running)
                nextOrder();
        });
        return;
    }
    if (splitType == DownloadSelectionResults) {
        if (jobType == QStringLiteral("下载原始档") && ok && !third.isEmpty())
            reportDownloadSuccess(third);
        ++copyPicFinishNum;
        judgeOrderFinish();
        return;
    }

    // Design split.
    if (!message.isEmpty())
        qCDebug(lcSplit) << "有失败得照片: " << srcPath << "\n" << message;
    if (jobType == QStringLiteral("拷贝照片")) {
        ++copyPicFinishNum;
        if (copyPicFinishNum == copyPicNum && !dataOperate.goods.isEmpty())
            startProducts();
    } else if (jobType == QStringLiteral("创建产品")) {
        ++proFinishNum;
        qCDebug(lcSplit) << srcPath << (ok ? " 成功  " : "失败  ") << message;
    }
    judgeOrderFinish();
}

void FJHome::judgeOrderFinish()
{
    const int done = proFinishNum + copyPicFinishNum + downPhotoFinishNums + (isSaveHtml ? 1 : 0);
    qCDebug(lcSplit) << "总进度:" << allNum << " 当前进度:" << done;
    qCDebug(lcSplit) << "copyPicFinishNum: " << copyPicFinishNum;
    qCDebug(lcSplit) << "proFinishNum: " << proFinishNum;
    qCDebug(lcSplit) << "downPhotoFinishNums: " << downPhotoFinishNums;
    qCDebug(lcSplit) << "isSaveHtml: " << (isSaveHtml ? 1 : 0);
    qCDebug(lcSplit) << "---------------------------------------------";
    leftPanel->progressBar->setValue(done);
    if (splitType == DownloadPhotoDelivery) {
        if (done == allNum)
            nextOrder();
        return;
    }
    // The sheet waits until every copy and download of the order has ended,
    // and is made once per order: two would write the same file.
    if (done + 1 != allNum || isStartHtml || htmlScheduled)
        return;
    htmlScheduled = true;
    const int generation = m_generation;
    QTimer::singleShot(1000, this, [this, generation] {
        if (generation == m_generation && running)
            startGenerateHtml();
    });
}

void FJHome::startGenerateHtml()
{
    isStartHtml = true;
    auto *job = new FJDataThread(QStringLiteral("生成Html"), m_relay);
    job->detailData = dataOperate.detailData;
    job->orderDir = orderDir;
    startJob(job);
}

bool FJHome::rawFolderOffShare()
{
    const QString share = K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString());
    const QString rawFolder = share + QStringLiteral("/原始档");
    if (!QFileInfo::exists(rawFolder) || m_orderShare.reaches(rawFolder))
        return false;
    errorLog += QStringLiteral("\n原始档 不在共享目录内");
    return true;
}

QString FJHome::photoKey(const ThumbnailInfo &info)
{
    return info.id.isEmpty() ? QLatin1Char('\n') + info.name + QLatin1Char('\n') + info.photoPath : info.id;
}

OrderData FJHome::markDownloaded(OrderData order, const OrderData &started)
{
    QSet<QString> chosen;
    for (const ThumbnailInfo &info : started.undownImgList)
        if (info.selected)
            chosen.insert(photoKey(info));
    for (int i = order.undownImgList.size() - 1; i >= 0; --i) {
        if (!chosen.contains(photoKey(order.undownImgList.at(i))))
            continue;
        ThumbnailInfo moved = order.undownImgList.takeAt(i);
        moved.selected = false;
        order.downImgList.prepend(moved);
    }
    return order;
}

OrderData FJHome::withMarksOf(OrderData fresh, const OrderData &marked)
{
    QHash<QString, bool> marks;
    for (const QList<ThumbnailInfo> *list : {&marked.undownImgList, &marked.downImgList})
        for (const ThumbnailInfo &info : *list)
            marks.insert(photoKey(info), info.selected);
    for (QList<ThumbnailInfo> *list : {&fresh.undownImgList, &fresh.downImgList})
        for (ThumbnailInfo &info : *list)
            info.selected = marks.value(photoKey(info), info.selected);
    return fresh;
}

// A search replaces the records; the sections would otherwise go on showing
// marks that no entry of the list holds, and the next run would not see them.
void FJHome::followShownOrder()
{
    if (splitType != DownloadOriginals || rightPanel->currentOrder.order_photo_id.isEmpty())
        return;
    for (int row = 0; row < leftPanel->orderList.size(); ++row) {
        if (leftPanel->orderList.at(row).order_photo_id != rightPanel->currentOrder.order_photo_id)
            continue;
        leftPanel->orderList[row] = withMarksOf(leftPanel->orderList.at(row), rightPanel->currentOrder);
        rightPanel->currentOrderRow = row;
        rightPanel->currentOrder = leftPanel->orderList.at(row);
        rightPanel->refreshDownAndUndownImgList();
        return;
    }
}

QString FJHome::orderFolderName(const QJsonObject &orderObj)
{
    auto part = [&orderObj](const char *key) {
        return K::sanitizePathComponent(orderObj.value(QLatin1String(key)).toString().trimmed());
    };
    // Windows clients cannot open a folder whose name ends in a blank.
    return QStringLiteral("%1-服务%2 %3-%4 %5")
        .arg(part("orderpayforkey"), part("servicetimes"), part("mname"), part("wname"), part("pickuptypename"))
        .trimmed();
}

QString FJHome::downloadFolder(const QString &orderDir, const QString &imageType, int splitType)
{
    const QString type = K::sanitizePathComponent(imageType);
    if (imageType == QStringLiteral("条形码") || imageType == QStringLiteral("快递信息"))
        return orderDir + QStringLiteral("其他/");
    if (splitType == DownloadPhotoDelivery)
        return orderDir + type + QLatin1Char('/');
    return orderDir + QStringLiteral("其他/") + type + QLatin1Char('/');
}

QJsonArray FJHome::matchRetouchedToThumbnails(const QJsonArray &images, const QJsonArray &retouched)
{
    auto key = [](const QString &name) {
        const QFileInfo info(name);
        return info.baseName() + QLatin1Char('.') + info.suffix().toLower();
    };
    QSet<QString> keys;
    for (const QJsonValue &value : images)
        keys.insert(key(value.toObject().value(QStringLiteral("img_name")).toString()));
    QJsonArray matched;
    for (const QJsonValue &value : retouched) {
        if (keys.contains(key(value.toObject().value(QStringLiteral("img_name")).toString())))
            matched.append(value);
    }
    return matched;
}

void FJHome::skipOrder(const QString &note)
{
    errorLog += note;
    nextOrder();
}

void FJHome::processOrderPhotoDetail(bool ok, const QJsonDocument &reply, const OrderData &order)
{
    if (!ok) {
        qCDebug(lcSplit) << "订单获取详情失败了";
        QMessageBox *box = showMessage(order.orderpayforkey + QStringLiteral("订单详情获取失败"), false);
        connect(box, &QMessageBox::finished, this, &FJHome::nextOrder, Qt::QueuedConnection);
        return;
    }
    QJsonObject data = reply.object();
    const ServiceReply::Code code = ServiceReply::codeOf(data);
    data.remove(QStringLiteral("code"));
    if (code != ServiceReply::Code::Accepted) {
        const QString why = code == ServiceReply::Code::BadForm ? ServiceReply::badFormMessage()
                                                                : data.value(QStringLiteral("msg")).toString();
        QMessageBox *box = showMessage(order.orderpayforkey + why, false);
        connect(box, &QMessageBox::finished, this, &FJHome::nextOrder, Qt::QueuedConnection);
        return;
    }
    dataOperate.detailData = data;
    dataOperate.order = data.value(QStringLiteral("order")).toObject();
    // Refused before the path is looked at: nothing is made or read below a
    // path past the system's limits.
    const QString tooLong =
        K::pathTooLongMessage(K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString()));
    if (readsShare() && !tooLong.isEmpty()) {
        skipOrder(orderNote(tooLong));
        return;
    }
    // So is the order folder made from the order's names, in every mode.
    const QString base = QDir::cleanPath(rightPanel->dirPath);
    const QString folder = base + QLatin1Char('/') + orderFolderName(dataOperate.order) + QLatin1Char('/');
    const QString folderTooLong = K::pathTooLongMessage(folder);
    if (!folderTooLong.isEmpty()) {
        skipOrder(orderNote(folderTooLong));
        return;
    }
    m_orderShare = runShare(K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString()));
    dataOperate.share = m_orderShare;
    dataOperate.sweep = m_sweep;
    m_shareGoneNoted = false;
    // Nothing of an order whose share is gone, does not answer or is reached
    // through a link off it: no folder, no file, no report.
    if (readsShare() && (shareUnreachable() || shareMissing() || orderFolderOffShare() || orderFolderLinked())) {
        nextOrder();
        return;
    }

    orderDir = folder;
    qCDebug(lcSplit) << "生成的导入路径是：" << orderDir;
    if (!MountRoot::isStrictlyBelow(orderDir, base)) {
        skipOrder(QStringLiteral("\n") + order.orderpayforkey + QStringLiteral(" 订单目录无效;"));
        return;
    }
    QDir().mkpath(orderDir);

    allNum = 0;
    copyPicNum = 0;
    downPhotoNum = 0;
    copyPicFinishNum = 0;
    downPhotoFinishNums = 0;
    proFinishNum = 0;
    isStartHtml = false;
    isSaveHtml = false;
    htmlScheduled = false;

    // The row's id was checked before its request went; the detail's is the same order's.
    QString orderId = OrderData::idText(dataOperate.order.value(QStringLiteral("order_photo_id")));
    if (orderId.isEmpty())
        orderId = order.order_photo_id;
    dataOperate.barcodeUrl = Config::URL_FJ_BARCODE + QStringLiteral("&order_photo_id=") + orderId
                             + QStringLiteral("&shopid=") + rightPanel->shopId + QStringLiteral("&superid=")
                             + leftPanel->superId + QStringLiteral("&token=") + Config::URL_TOKEN;

    threadPool->clear();
    const int quarter = QThread::idealThreadCount() / 4;
    threadPool->setMaxThreadCount(quarter > 3 ? quarter : 3);
    threadPool->setExpiryTimeout(-1);
    // Reports of this order's jobs come through their own relay.
    m_relay = new FJResultRelay(
        m_generation,
        [this](int generation, bool jobOk, const QString &jobType, const QString &srcPath, const QString &third,
               const QString &message) { onRelayedResult(generation, jobOk, jobType, srcPath, third, message); },
        this);

    const QJsonObject shop = data.value(QStringLiteral("shop_message")).toObject();
    switch (splitType) {
    case DesignSplit:
        runDesignSplit(shop);
        break;
    case DownloadOriginals:
        runDownloadOriginals(order);
        break;
    case DownloadSelectionResults:
        runSelectionResults(shop);
        break;
    case DownloadPhotoDelivery:
        runPhotoDelivery();
        break;
    }
}

// Qt draws a bar of range 0..0 as busy for ever: an order with nothing to
// fetch shows a full bar instead.
void FJHome::showOrderProgress()
{
    leftPanel->progressBar->setRange(0, qMax(1, allNum));
    leftPanel->progressBar->setValue(allNum == 0 ? 1 : 0);
}

void FJHome::queueDownload(const QString &url, const QJsonObject &entry)
{
    dataOperate.downloadUrls.append(url);
    dataOperate.imageByUrl.insert(url, entry);
}

// Both picture modes start an order from empty download and goods lists.
void FJHome::beginOrderAnalysis()
{
    dataOperate.downloadUrls.clear();
    dataOperate.imageByUrl.clear();
    dataOperate.goods.clear();
    downPhotoNum = 0;
    dataOperate.setOrderImportPath(dataOperate.order.value(QStringLiteral("netpath")).toString());
    shareMissing();
}

bool FJHome::readsShare() const
{
    if (splitType != DownloadPhotoDelivery)
        return true;
    return rightPanel->rawFileCheckBox->isChecked() || rightPanel->originalImageCheckBox->isChecked();
}

ShareGuard FJHome::runShare(const QString &path)
{
    return m_runShares.pin(path);
}

QString FJHome::orderNote(const QString &text) const
{
    return QStringLiteral("\n") + dataOperate.order.value(QStringLiteral("orderpayforkey")).toString()
           + QLatin1Char('-') + dataOperate.order.value(QStringLiteral("servicetimes")).toString() + QLatin1Char(' ')
           + text + QLatin1Char(';');
}

bool FJHome::shareUnreachable()
{
    const QString folder = K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString());
    if (folder.isEmpty() || !MountRoot::isOnShare(folder)
        || FJJobFile::folderState(folder) != FJJobFile::SourceState::Unreachable)
        return false;
    noteShareGone(FJDataThread::unreachableMessage());
    return true;
}

bool FJHome::orderFolderOffShare()
{
    const QString folder = K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString());
    // A missing folder is the jobs' to tell, photo by photo.
    if (folder.isEmpty() || !QFileInfo::exists(folder) || m_orderShare.reaches(folder))
        return false;
    errorLog += orderNote(QStringLiteral("不在共享目录内"));
    return true;
}

bool FJHome::orderFolderLinked()
{
    const QString link = FJDataOperate::orderFolderLink(dataOperate.order.value(QStringLiteral("netpath")).toString());
    if (link.isEmpty())
        return false;
    errorLog += orderNote(K::orderFolderLinkMessage(link));
    return true;
}

bool FJHome::shareMissing()
{
    const QString folder = K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString());
    // A path off the share is refused elsewhere.
    if (folder.isEmpty() || !MountRoot::isOnShare(folder) || m_orderShare.holds(folder))
        return false;
    noteShareGone(K::missingShareMessage(folder));
    return true;
}

// One note per order, however many of its reads failed for it.
void FJHome::noteShareGone(const QString &message)
{
    if (m_shareGoneNoted)
        return;
    m_shareGoneNoted = true;
    errorLog += orderNote(message);
}

void FJHome::startShareJob(FJDataThread *job)
{
    job->share = m_orderShare;
    startJob(job);
}

void FJHome::runDesignSplit(const QJsonObject &shop)
{
    const QJsonObject &data = dataOperate.detailData;
    const QString dest = orderDir + QStringLiteral("其他/");
    beginOrderAnalysis();
    // The jobs take no raw file through a folder leading off the share; the user hears of it once.
    if (!K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString()).isEmpty())
        rawFolderOffShare();

    QJsonArray thumbs;
    QJsonArray finished;
    if (leftPanel->issjfenjianms == QLatin1String("2")) {
        thumbs = data.value(QStringLiteral("images")).toArray();
        dataOperate.copy_cpthumnailimg_pics(thumbs, dest, threadPool, m_relay);
        finished = matchRetouchedToThumbnails(thumbs, data.value(QStringLiteral("images_jingxiu")).toArray());
        dataOperate.copy_jxptocp_pics(finished, dest, threadPool, m_relay);
    } else {
        finished = data.value(QStringLiteral("images")).toArray();
        dataOperate.copy_chengpin_pics(finished, dest, threadPool, m_relay);
    }
    QJsonArray rejects;
    if (shop.value(QStringLiteral("xztp")).toString() == QLatin1String("1")) {
        rejects = data.value(QStringLiteral("images_taipian")).toArray();
        dataOperate.copy_taipian_pics(rejects, dest, threadPool, m_relay);
    }
    const QJsonArray base = data.value(QStringLiteral("images_rudi")).toArray();
    dataOperate.copy_rudi_pics(base, dest, threadPool, m_relay);

    dataOperate.analysis_biaoji_pics(data.value(QStringLiteral("orderpicdescr")).toArray());
    dataOperate.analysis_servicetimes(data.value(QStringLiteral("servicetime")).toArray());
    queueDownload(dataOperate.barcodeUrl, QJsonObject{{QStringLiteral("image_type"), QStringLiteral("条形码")},
                                                      {QStringLiteral("img_name"), QStringLiteral("条形码.jpg")}});
    const QString courier = data.value(QStringLiteral("down_txt")).toString();
    if (!courier.isEmpty())
        queueDownload(courier, QJsonObject{{QStringLiteral("image_type"), QStringLiteral("快递信息")},
                                           {QStringLiteral("img_name"), QStringLiteral("快递信息.txt")}});

    copyPicNum = thumbs.size() + finished.size() + rejects.size() + base.size();
    downPhotoNum = dataOperate.downloadUrls.size();
    dataOperate.namingRule = rightPanel->getGoodsFolderNameRules();
    allNum = copyPicNum + downPhotoNum + dataOperate.goods.size() + 1;
    qCDebug(lcSplit) << "chenpins 总数:" << finished.size();
    qCDebug(lcSplit) << "images_taipians 总数:" << rejects.size();
    qCDebug(lcSplit) << "images_rudis 总数:" << base.size();
    qCDebug(lcSplit) << "downImgUrls 总数:" << dataOperate.downloadUrls.size();
    qCDebug(lcSplit) << "pros 总数:" << dataOperate.goods.size();
    qCDebug(lcSplit) << "开始拷贝数据了 总进度:" << allNum;
    showOrderProgress();
    downImg();
    downImg();
    if (copyPicNum == 0 && !dataOperate.goods.isEmpty())
        startProducts();
}

void FJHome::runDownloadOriginals(const OrderData &order)
{
    const QString share = K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString());
    const QString rawFolder = share + QStringLiteral("/原始档");
    if (shareMissing()) {
        nextOrder();
        return;
    }
    if (share.isEmpty() || !MountRoot::isOnShare(rawFolder) || !QFileInfo(rawFolder).isDir()) {
        skipOrder(orderNote(QStringLiteral("连接不上共享目录")));
        return;
    }
    QList<ThumbnailInfo> chosen;
    for (const ThumbnailInfo &info : order.downImgList)
        if (info.selected)
            chosen.append(info);
    for (const ThumbnailInfo &info : order.undownImgList)
        if (info.selected)
            chosen.append(info);
    if (chosen.isEmpty()) {
        skipOrder(orderNote(QStringLiteral("没有选择原始档")));
        return;
    }
    allNum = chosen.size();
    showOrderProgress();
    const QString dest = orderDir + QStringLiteral("原始档");
    QDir().mkpath(dest);
    for (const ThumbnailInfo &info : qAsConst(chosen)) {
        auto *job = new FJDataThread(QStringLiteral("下载原始档"), QFileInfo(info.name).suffix(), info.photoPath,
                                     K::sanitizePathComponent(info.name), dest, m_relay);
        job->photoId = info.id;
        startShareJob(job);
    }
}

void FJHome::runSelectionResults(const QJsonObject &shop)
{
    const QJsonObject &data = dataOperate.detailData;
    const QString dest = orderDir + QStringLiteral("其他/");
    beginOrderAnalysis();

    const QJsonArray all = data.value(QStringLiteral("images_all")).toArray();
    dataOperate.copy_onlychengpin_pics(all, dest, threadPool, m_relay);
    QSet<QString> names;
    for (const QJsonValue &value : all)
        names.insert(QFileInfo(value.toObject().value(QStringLiteral("img_name")).toString()).completeBaseName());
    const QJsonArray base = data.value(QStringLiteral("images_rudi")).toArray();
    dataOperate.copy_rudi_pics(base, dest, threadPool, m_relay);
    dataOperate.analysis_biaoji_pics(data.value(QStringLiteral("orderpicdescr")).toArray());
    dataOperate.analysis_servicetimes(data.value(QStringLiteral("servicetime")).toArray());

    QList<QJsonObject> raws;
    if (shop.value(QStringLiteral("isbdyxzysd")).toString() == QLatin1String("1")) {
        const QJsonObject ysd = data.value(QStringLiteral("ysdimgs")).toObject();
        for (const char *key : {"images_1_1", "images_1_0"}) {
            for (const QJsonValue &value : ysd.value(QLatin1String(key)).toArray()) {
                const QJsonObject raw = value.toObject();
                const QString name = raw.value(QStringLiteral("img_name")).toString();
                if (names.contains(QFileInfo(name).completeBaseName()))
                    raws.append(raw);
            }
        }
        const QString rawDest = orderDir + QStringLiteral("其他/成品原始档");
        for (const QJsonObject &raw : qAsConst(raws)) {
            const QString name = raw.value(QStringLiteral("img_name")).toString();
            auto *job = new FJDataThread(QStringLiteral("下载原始档"), QFileInfo(name).suffix(),
                                         raw.value(QStringLiteral("localpath")).toString(),
                                         K::sanitizePathComponent(name), rawDest, m_relay);
            job->photoId = ServiceReply::idText(raw.value(QStringLiteral("id")));
            startShareJob(job);
        }
    }
    queueDownload(dataOperate.barcodeUrl, QJsonObject{{QStringLiteral("image_type"), QStringLiteral("条形码")},
                                                      {QStringLiteral("img_name"), QStringLiteral("条形码.jpg")}});
    copyPicNum = all.size() + base.size() + raws.size();
    downPhotoNum = dataOperate.downloadUrls.size();
    allNum = copyPicNum + downPhotoNum + 1;
    showOrderProgress();
    downImg();
    downImg();
}

void FJHome::runPhotoDelivery()
{
    const QJsonObject &data = dataOperate.detailData;
    const bool simple = rightPanel->simpleRetouchCheckBox->isChecked();
    const bool simpleWithRejects = rightPanel->simpleRetouchRejectsCheckBox->isChecked();
    if (simple || simpleWithRejects) {
        QDir().mkpath(orderDir + QStringLiteral("简修"));
        for (const QJsonValue &value : data.value(QStringLiteral("images_all")).toArray()) {
            QJsonObject entry = value.toObject();
            entry.insert(QStringLiteral("image_type"), QStringLiteral("简修"));
            queueDownload(entry.value(QStringLiteral("url")).toString(), entry);
        }
    }
    if (rightPanel->rawFileCheckBox->isChecked()) {
        const QString dest = orderDir + QStringLiteral("原始档");
        QDir().mkpath(dest);
        const QString share = K::pathConvert(dataOperate.order.value(QStringLiteral("netpath")).toString());
        const QString rawFolder = share + QStringLiteral("/原始档");
        // Listed only where it really lies on the share.
        if (!rawFolderOffShare() && !shareMissing() && !share.isEmpty() && MountRoot::isOnShare(rawFolder)) {
            const QFileInfoList files = QDir(rawFolder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
            for (const QFileInfo &file : files) {
                ++copyPicNum;
                startShareJob(new FJDataThread(QStringLiteral("下载照片交付-拷贝原始档"), QStringLiteral("原始档"),
                                          file.absoluteFilePath(), file.fileName(), dest + QLatin1Char('/') + file.fileName(),
                                          m_relay));
            }
        }
    }
    if (rightPanel->originalImageCheckBox->isChecked()) {
        const QString dest = orderDir + QStringLiteral("原片");
        QDir().mkpath(dest);
        for (const QJsonValue &value : data.value(QStringLiteral("images_yuanpian")).toArray()) {
            const QJsonObject entry = value.toObject();
            const QString name = K::sanitizePathComponent(entry.value(QStringLiteral("img_name")).toString());
            ++copyPicNum;
            startShareJob(new FJDataThread(QStringLiteral("下载照片交付-拷贝原片"), QStringLiteral("原片"),
                                      entry.value(QStringLiteral("localpath")).toString(), name,
                                      dest + QLatin1Char('/') + name, m_relay));
        }
    }
    if (simpleWithRejects) {
        QDir().mkpath(orderDir + QStringLiteral("汰片"));
        for (const QJsonValue &value : data.value(QStringLiteral("images_taipian")).toArray()) {
            QJsonObject entry = value.toObject();
            entry.insert(QStringLiteral("image_type"), QStringLiteral("汰片"));
            queueDownload(entry.value(QStringLiteral("url_all")).toString(), entry);
        }
    }
    if (rightPanel->fullRetouchCheckBox->isChecked()) {
        QDir().mkpath(orderDir + QStringLiteral("精修"));
        for (const QJsonValue &value : data.value(QStringLiteral("images_jingxiu")).toArray()) {
            QJsonObject entry = value.toObject();
            entry.insert(QStringLiteral("image_type"), QStringLiteral("精修"));
            queueDownload(entry.value(QStringLiteral("url")).toString(), entry);
        }
    }
    downPhotoNum = dataOperate.downloadUrls.size();
    allNum = copyPicNum + downPhotoNum;
    showOrderProgress();
    if (allNum == 0) {
        // Nothing to gather would otherwise leave the run waiting for ever.
        nextOrder();
        return;
    }
    downImg();
    downImg();
}

void FJHome::downImg()
{
    if (dataOperate.downloadUrls.isEmpty())
        return;
    const QString url = dataOperate.downloadUrls.takeFirst();
    const int generation = m_generation;
    auto *req = new BaseReq(this);
    req->downloadImage(url, [this, req, url, generation](bool ok, const QByteArray &bytes, const QString &mime) {
        req->deleteLater();
        onDownloaded(generation, url, ok, bytes, mime);
    });
}

void FJHome::onDownloaded(int generation, const QString &url, bool ok, const QByteArray &data,
                          const QString &mimeType)
{
    if (generation != m_generation || !running)
        return;
    downImg();
    const QJsonObject entry = dataOperate.imageByUrl.value(url);
    const QString type = entry.value(QStringLiteral("image_type")).toString();
    const QString name = K::sanitizePathComponent(entry.value(QStringLiteral("img_name")).toString());
    const bool text = type == QStringLiteral("快递信息");
    const QString label = name.isEmpty() ? type : name;
    // A text body is never recognised as an image, so the courier note goes by its bytes.
    if (!(ok || (text && !data.isEmpty())) || name.isEmpty()) {
        downloadEnded(generation, label + QStringLiteral(" 下载失败"));
        return;
    }
    const QString folder = downloadFolder(orderDir, type, splitType);
    const QString path = QDir(folder).absoluteFilePath(name);
    if (!MountRoot::isStrictlyBelow(path, orderDir) || !QDir().mkpath(folder)) {
        qCWarning(lcSplit) << "保存失败:" << path;
        downloadEnded(generation, label + QStringLiteral(" 保存失败"));
        return;
    }
    // Decoding a large picture takes long: it runs on the pool and the
    // download counts once its file is written.
    QPointer<FJResultRelay> relay = m_relay;
    threadPool->start(
        [this, relay, generation, data, mimeType, path, text, label, sweep = m_sweep] {
            const QString error = FJDownloadFile::save(data, mimeType, path, text, sweep.get());
            if (!relay)
                return;
            QMetaObject::invokeMethod(
                relay,
                [this, generation, error, path, label] {
                    if (!error.isEmpty())
                        qCWarning(lcSplit) << "保存失败:" << path << error;
                    else
                        qCDebug(lcSplit) << "保存的照片路径：" << path;
                    downloadEnded(generation, error.isEmpty() ? QString() : label + QStringLiteral(" 保存失败"));
                },
                Qt::QueuedConnection);
        },
        1);
}

void FJHome::downloadEnded(int generation, const QString &note)
{
    if (generation != m_generation || !running)
        return;
    ++downPhotoFinishNums;
    if (!note.isEmpty())
        errorLog += QStringLiteral("\n") + note;
    judgeOrderFinish();
}

void FJHome::closeEvent(QCloseEvent *event)
{
    if (threadPool) {
        threadPool->clear();
        threadPool->waitForDone(-1);
    }
    event->accept();
}
