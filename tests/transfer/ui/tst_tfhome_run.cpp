#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "support/QuietPlatformNotes.h"
#include "support/ScopedMountRoot.h"
#include "support/StandInService.h"
#include "support/TransferMessageBoxes.h"
#include "support/TransferReportData.h"
#include "support/TransferStudioData.h"
#include "transfer/ui/tfhome.h"
#include "transfer/ui/tfhomeorders.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"
#include "transfer/ui/tfhomephotos.h"

#include <QElapsedTimer>
#include <QtTest>

#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTableWidget>

namespace Data = TransferStudioData;

// The run controller and the reports, driven through the window's slots
// with the real panes against the stand-in service.
class TfhomeRunTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void resultForOrderGoneFromTable();
    void resultOutsidePickedEntries();
    void photoRepliesAddOnlyToFinishedOrders();
    void replyForOrderNotOnDisplayAddsNoTile();
    void refusedReplyChangesNothing_data();
    void refusedReplyChangesNothing();
    void refusedReplyFailsThePhoto_data();
    void refusedReplyFailsThePhoto();
    void fileMissingAfterCopyFailsThePhoto();
    void pauseWhileReportsPendingStartsNothing();
    void orderReportWaitsForHundredPercent();
    void countsRefreshWaitsForPhotoReports();
    void closingSoonAfterHundredPercentSendsNoOrderReport();
    void fileOffTheShareIsNotReported();

private:
    OrderInfo pickedOrder(int row, const QStringList &names);
    QString writeOnShare(const OrderInfo &order, const QString &tag, const QString &name);
    int gridTiles() const;
    bool repliesHandled() const;

    ScopedMountRoot *m_root = nullptr;
    StandInService *m_service = nullptr;
    TransferMessageBoxes *m_boxes = nullptr;
    tfhome *m_window = nullptr;
    tfhomeorders *m_orders = nullptr;
};

void TfhomeRunTest::initTestCase()
{
    QuietPlatformNotes::install();
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
}

void TfhomeRunTest::init()
{
    Config::k_importType = FinishedPhotos;
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()}};
    Config::k_manager_id = QStringLiteral("5001");
    m_root = new ScopedMountRoot;
    Data::makeShare(m_root->path());
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_service->setReply("public", "switch_shop", Data::switchShopReply());
    m_service->setReply("order", "get_persons", Data::personsReply());
    m_service->setReply("order", "order_list", Data::orderListReply(3));
    m_service->setReply("order", "getorderphotoimg", Data::orderPhotosReply(0, 0, 0, 0));
    TransferReportData::install(*m_service);
    m_boxes = new TransferMessageBoxes(this);
    m_window = new tfhome;
    m_window->show();
    m_orders = m_window->findChild<tfhomeorders *>();
    m_window->findChild<QPushButton *>(QStringLiteral("searchButton"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_orders->orderListWidget()->orderCount(), 3, 10000);
    m_service->clearRequests();
}

void TfhomeRunTest::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_window;
    m_window = nullptr;
    delete m_boxes;
    delete m_service;
    delete m_root;
    Config::k_shops.clear();
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

// Order at the row with picked photos, as the table would hold it.
OrderInfo TfhomeRunTest::pickedOrder(int row, const QStringList &names)
{
    OrderInfo order = m_orders->getIndexOrderInfo(row);
    QStringList files;
    for (const QString &name : names)
        files << QStringLiteral("/nowhere/") + name;
    order.photoList = m_orders->orderListWidget()->createPhotoInfoList(files, order);
    order.selectedNum = names.size();
    m_orders->updateOrderInfo(order);
    return order;
}

QString TfhomeRunTest::writeOnShare(const OrderInfo &order, const QString &tag, const QString &name)
{
    const QString folder = order.importPath + tag;
    QDir().mkpath(folder);
    QFile file(folder + '/' + name);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QByteArray(1234, 'x'));
    return file.fileName();
}

// The window's requests delete themselves once their reply is handled.
bool TfhomeRunTest::repliesHandled() const
{
    return m_window->findChildren<BaseReq *>(QString(), Qt::FindDirectChildrenOnly).isEmpty();
}

int TfhomeRunTest::gridTiles() const
{
    int tiles = 0;
    auto *grid = m_orders->photoDisplayWidget();
    for (QWidget *tile : grid->findChildren<QWidget *>(QStringLiteral("importedTile")))
        tiles += tile->isVisibleTo(grid) ? 1 : 0;
    return tiles;
}

void TfhomeRunTest::resultForOrderGoneFromTable()
{
    OrderInfo engineCopy = pickedOrder(0, {QStringLiteral("a.jpg")});
    QVERIFY(!writeOnShare(engineCopy, "all", "a.jpg").isEmpty());
    engineCopy.order_photo_id = QStringLiteral("77777"); // a search replaced the table meanwhile
    // Reported once the upright copy and its three size copies are written.
    for (int entry = 0; entry < 3; ++entry)
        m_window->onPhotoImported(engineCopy, QStringLiteral("a.jpg"), entry, true, QString());
    QTest::qWait(100);
    QVERIFY(m_service->requests().isEmpty());
    m_window->onPhotoImported(engineCopy, QStringLiteral("a.jpg"), 3, true, QString());

    QVERIFY(m_service->waitForRequests(2, 10000));
    const auto photos = m_service->requests("order", "savepicpath");
    QCOMPARE(photos.size(), 1);
    QCOMPARE(photos.at(0).field("order_photo_id"), QStringLiteral("77777"));
    QCOMPARE(TransferReportData::fileNameOf(photos.at(0).field("path")), QStringLiteral("a.jpg"));
    QCOMPARE(m_service->requests("order", "saveorderphotopath").size(), 1);
    // The table's own order is untouched.
    QCOMPARE(m_orders->getIndexOrderInfo(0).photoList.at(0).status, int(Waiting));
}

void TfhomeRunTest::resultOutsidePickedEntries()
{
    const OrderInfo order = pickedOrder(1, {QStringLiteral("b.jpg")});
    QVERIFY(!writeOnShare(order, "all", "b.jpg").isEmpty());
    m_window->onPhotoImported(order, QStringLiteral("b.jpg"), 4, true, QString());
    // A result that is handled comes after this one and is the first request seen.
    m_window->onPhotoImported(order, QStringLiteral("b.jpg"), 1, false, QStringLiteral("写入失败"));
    QTRY_COMPARE(m_orders->getIndexOrderInfo(1).photoList.at(0).status90, int(Failed));
    QCOMPARE(m_orders->getIndexOrderInfo(1).photoList.at(0).status, int(Waiting));
    QVERIFY(m_service->requests().isEmpty());
}

void TfhomeRunTest::photoRepliesAddOnlyToFinishedOrders()
{
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    const QString fileA = writeOnShare(order, "all", "a.jpg");
    const QString fileB = writeOnShare(order, "all", "b.jpg");
    m_orders->orderListWidget()->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    QTRY_COMPARE(m_orders->getCurrentOrderInfo().index, 0);
    const int before = m_orders->getIndexOrderInfo(0).importedPhotos.size();
    // The grid makes its tiles in timed batches: let it finish before counting.
    QTRY_COMPARE(gridTiles(), before);

    // While the order runs, an accepted reply adds nothing.
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, fileA, order.photoList.at(0));
    QVERIFY(m_service->waitForRequests(1, 10000));
    QTRY_VERIFY_WITH_TIMEOUT(repliesHandled(), 10000);
    QCOMPARE(m_orders->getIndexOrderInfo(0).importedPhotos.size(), before);

    m_orders->updateOrderStatus(m_orders->getIndexOrderInfo(0), QStringLiteral("导片完成"));
    const int tilesBefore = gridTiles();
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, fileB, order.photoList.at(4));
    QTRY_COMPARE(m_orders->getIndexOrderInfo(0).importedPhotos.size(), before + 1);
    const PhotoInfo added = m_orders->getIndexOrderInfo(0).importedPhotos.last();
    QCOMPARE(added.img_name, QStringLiteral("b.jpg"));
    QVERIFY(!added.id.isEmpty());
    QCOMPARE(added.localpath, m_service->requests("order", "savepicpath").last().field("path"));
    QTRY_COMPARE(gridTiles(), tilesBefore + 1);

    // The same name again appends nothing.
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, fileB, order.photoList.at(4));
    QVERIFY(m_service->waitForRequests(3, 10000));
    QTRY_VERIFY_WITH_TIMEOUT(repliesHandled(), 10000);
    QCOMPARE(m_orders->getIndexOrderInfo(0).importedPhotos.size(), before + 1);
    QCOMPARE(gridTiles(), tilesBefore + 1);
}

void TfhomeRunTest::replyForOrderNotOnDisplayAddsNoTile()
{
    const OrderInfo order = pickedOrder(2, {QStringLiteral("c.jpg")});
    const QString file = writeOnShare(order, "all", "c.jpg");
    m_orders->orderListWidget()->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    QTRY_COMPARE(m_orders->getCurrentOrderInfo().index, 0);
    m_orders->updateOrderStatus(m_orders->getIndexOrderInfo(2), QStringLiteral("导片完成"));
    const int before = m_orders->getIndexOrderInfo(2).importedPhotos.size();
    const int tiles = gridTiles();
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, file, order.photoList.at(0));
    QTRY_COMPARE(m_orders->getIndexOrderInfo(2).importedPhotos.size(), before + 1);
    QCOMPARE(gridTiles(), tiles);
}

void TfhomeRunTest::refusedReplyChangesNothing_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("code 0") << int(StandInService::Failure::CodeZeroMessage);
    QTest::newRow("server error") << int(StandInService::Failure::Http500);
    QTest::newRow("not json") << int(StandInService::Failure::NotJson);
}

void TfhomeRunTest::refusedReplyChangesNothing()
{
    QFETCH(int, failure);
    m_service->setFailure("order", "savepicpath", StandInService::Failure(failure), QStringLiteral("不行"));
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg")});
    const QString file = writeOnShare(order, "all", "a.jpg");
    m_orders->updateOrderStatus(m_orders->getIndexOrderInfo(0), QStringLiteral("导片完成"));
    const int before = m_orders->getIndexOrderInfo(0).importedPhotos.size();
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, file, order.photoList.at(0));
    QVERIFY(m_service->waitForRequests(1, 10000));
    QTRY_VERIFY_WITH_TIMEOUT(repliesHandled(), 10000);
    QCOMPARE(m_orders->getIndexOrderInfo(0).importedPhotos.size(), before);
    QCOMPARE(m_boxes->count(), 0);
}

void TfhomeRunTest::refusedReplyFailsThePhoto_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("video");
    QTest::newRow("photo refused") << int(StandInService::Failure::CodeZeroMsg) << false;
    QTest::newRow("photo, server error") << int(StandInService::Failure::Http500) << false;
    QTest::newRow("photo, no json") << int(StandInService::Failure::NotJson) << false;
    QTest::newRow("video refused") << int(StandInService::Failure::CodeZeroMessage) << true;
}

// The service does not hold the file: it is failed in the table and the panel, and the order's
// completion (and with it the summary) waits for the answer.
void TfhomeRunTest::refusedReplyFailsThePhoto()
{
    QFETCH(int, failure);
    QFETCH(bool, video);
    if (video)
        Config::k_importType = TrialVideo;
    const auto restore = qScopeGuard([] { Config::k_importType = FinishedPhotos; });
    m_service->setFailure("order", video ? "savepicpathmv" : "savepicpath", StandInService::Failure(failure),
                          QStringLiteral("不行"));
    m_service->setDelay("order", video ? "savepicpathmv" : "savepicpath", 300);
    const OrderInfo order = pickedOrder(1, {QStringLiteral("a.mp4"), QStringLiteral("b.mp4")});
    const QString tag = order.photoList.at(0).sizeTag;
    QVERIFY(!writeOnShare(order, tag, "a.mp4").isEmpty());
    QVERIFY(!writeOnShare(order, tag, "b.mp4").isEmpty());
    m_orders->orderListWidget()->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(1);
    QTRY_COMPARE(m_orders->getCurrentOrderInfo().index, 1);
    OrderInfo running = m_orders->getIndexOrderInfo(1);
    m_orders->updateOrderStatus(running, QStringLiteral("导片中"));
    const int files = video ? 2 : 8;
    for (int entry = 0; entry < files; ++entry) {
        const QString name = entry < files / 2 ? QStringLiteral("a.mp4") : QStringLiteral("b.mp4");
        m_window->onPhotoImported(running, name, entry, true, QString());
    }
    m_window->onOrderProgressUpdated(running, files, files);
    m_window->onOrderImportCompleted(running, true, QString());
    QTest::qWait(50);
    // Still waiting for the answers: the order is not finished yet.
    QCOMPARE(m_orders->getIndexOrderInfo(1).status, QStringLiteral("导片中"));

    QTRY_COMPARE_WITH_TIMEOUT(m_orders->getIndexOrderInfo(1).status, QStringLiteral("导片完成"), 10000);
    const QList<PhotoInfo> picks = m_orders->getIndexOrderInfo(1).photoList;
    const int second = video ? 1 : 4;
    for (int head : {0, second}) {
        QCOMPARE(picks.at(head).statusOrigin, int(Failed));
        QCOMPARE(picks.at(head).status, int(Failed));
    }
    QCOMPARE(m_orders->getIndexOrderInfo(1).failedNum, 2);
    QCOMPARE(m_service->requests("order", video ? "savepicpathmv" : "savepicpath").size(), 2);
    // Nothing of the order reached the service: no folder and no order report.
    QTest::qWait(200);
    QCOMPARE(m_service->requests("order", "saveorderphotopath").size(), 0);
    QCOMPARE(m_service->requests("order", "logreadpic").size(), 0);
    // The panel shows the failure on both tiles.
    auto *panel = m_window->findChild<tfhomephotos *>();
    QVERIFY(panel);
    QCOMPARE(panel->currentOrder().photoList.at(0).statusOrigin, int(Failed));
}

// The engine said written, but the share does not show the file: it is not imported.
void TfhomeRunTest::fileMissingAfterCopyFailsThePhoto()
{
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg")});
    for (int entry = 0; entry < 4; ++entry)
        m_window->onPhotoImported(order, QStringLiteral("a.jpg"), entry, true, QString());
    QTRY_COMPARE(m_orders->getIndexOrderInfo(0).photoList.at(0).statusOrigin, int(Failed));
    QTest::qWait(100);
    QVERIFY(m_service->requests().isEmpty());
}

// Paused while the last photo reports are out: the order goes back to waiting, nothing new starts.
void TfhomeRunTest::pauseWhileReportsPendingStartsNothing()
{
    m_service->setDelay("order", "savepicpath", 300);
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg")});
    const OrderInfo next = pickedOrder(1, {QStringLiteral("b.jpg")});
    m_orders->updateOrderStatus(next, QStringLiteral("等待中"));
    QVERIFY(!writeOnShare(order, "all", "a.jpg").isEmpty());
    QSignalSpy started(m_orders, &tfhomeorders::startImportAllOrders);
    m_orders->updateOrderStatus(order, QStringLiteral("导片中"));
    for (int entry = 0; entry < 4; ++entry)
        m_window->onPhotoImported(order, QStringLiteral("a.jpg"), entry, true, QString());
    m_window->onOrderProgressUpdated(order, 4, 4);
    m_window->onOrderImportCompleted(order, true, QString());
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "savepicpath").size(), 1, 10000);
    m_orders->reloadStartAllButtonStatus(false); // the pause button
    QCOMPARE(m_orders->getIndexOrderInfo(0).status, QStringLiteral("等待中"));
    QTest::qWait(600);
    QCOMPARE(m_orders->getIndexOrderInfo(0).status, QStringLiteral("等待中"));
    QCOMPARE(m_orders->getIndexOrderInfo(1).status, QStringLiteral("等待中"));
    QCOMPARE(started.count(), 0);
    QCOMPARE(m_service->requests("order", "logreadpic").size(), 0);
}

void TfhomeRunTest::orderReportWaitsForHundredPercent()
{
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    m_window->onOrderProgressUpdated(order, 199, 200);
    QCOMPARE(m_orders->getIndexOrderInfo(0).progress, 99);
    // Nothing of the order was imported: its list is reloaded, but there is nothing to report.
    m_window->onOrderProgressUpdated(order, 200, 200);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "getorderphotoimg").size(), 1, 10000);
    QTest::qWait(200);
    QCOMPARE(m_service->requests("order", "logreadpic").size(), 0);

    // b.jpg whole on the share and taken by the service: the order report counts it.
    QVERIFY(!writeOnShare(order, "all", "b.jpg").isEmpty());
    for (int entry = 4; entry < 8; ++entry)
        m_window->onPhotoImported(order, QStringLiteral("b.jpg"), entry, true, QString());
    m_window->onOrderProgressUpdated(order, 200, 200);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 10000);
    QCOMPARE(m_service->requests("order", "savepicpath").size(), 1);
    const StandInService::Request report = m_service->requests("order", "logreadpic").at(0);
    QCOMPARE(report.field("order_photo_id"), order.order_photo_id);
    QCOMPARE(report.field("picnumber"), QStringLiteral("1"));
    QCOMPARE(report.field("photonames"), QStringLiteral("b.jpg"));
    QCOMPARE(report.field("type"), QStringLiteral("1"));

    // An order with no entries stays at 0 % and is never reported.
    m_window->onOrderProgressUpdated(m_orders->getIndexOrderInfo(1), 0, 0);
    QCOMPARE(m_orders->getIndexOrderInfo(1).progress, 0);
}

// The end-of-run refresh of imported counts goes out only once the last photo report is answered.
void TfhomeRunTest::countsRefreshWaitsForPhotoReports()
{
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg")});
    QVERIFY(!writeOnShare(order, "all", "a.jpg").isEmpty());
    const int delayMs = 1500;
    m_service->setDelay("order", "savepicpath", delayMs);
    QElapsedTimer sinceReport;
    connect(m_service, &StandInService::requestReceived, this, [&](const StandInService::Request &request) {
        if (request.action() == QLatin1String("savepicpath"))
            sinceReport.start();
    });
    for (int entry = 0; entry < 4; ++entry)
        m_window->onPhotoImported(order, QStringLiteral("a.jpg"), entry, true, QString());
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "savepicpath").size(), 1, 10000);
    m_orders->orderListWidget()->upNextOrderPhotos(-1); // nothing else waits: the run ends
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "order_list").size(), 1, 20000);
    QVERIFY2(sinceReport.elapsed() >= delayMs, qPrintable(QString::number(sinceReport.elapsed())));

    // With no report outstanding the refresh goes out at once.
    m_orders->orderListWidget()->upNextOrderPhotos(-1);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "order_list").size(), 2, 10000);
}

void TfhomeRunTest::closingSoonAfterHundredPercentSendsNoOrderReport()
{
    const OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg")});
    m_window->onOrderProgressUpdated(order, 4, 4);
    delete m_window;
    m_window = nullptr;
    // Well past the 100 ms: neither the reload nor the order report went out.
    QTest::qWait(400);
    QCOMPARE(m_service->requests("order", "logreadpic").size(), 0);
    QCOMPARE(m_service->requests().size(), 0);
}

void TfhomeRunTest::fileOffTheShareIsNotReported()
{
    OrderInfo order = pickedOrder(0, {QStringLiteral("a.jpg")});
    QTemporaryDir elsewhere;
    QDir(elsewhere.path()).mkpath("all");
    QFile outside(elsewhere.filePath("all/a.jpg"));
    QVERIFY(outside.open(QIODevice::WriteOnly));
    outside.close();
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, outside.fileName(), order.photoList.at(0));
    m_window->upImportOrderPath(order.order_photo_id, order.serverName, elsewhere.path() + '/');
    // A missing file is not reported either, while a good one is.
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, order.importPath + "all/none.jpg",
                                order.photoList.at(0));
    const QString good = writeOnShare(order, "all", "a.jpg");
    m_window->upImportPhotoInfo(order.order_photo_id, order.serverName, good, order.photoList.at(0));
    // The good photo, and with it the order's own folder on the share.
    QVERIFY(m_service->waitForRequests(2, 10000));
    QTest::qWait(100);
    QCOMPARE(m_service->requests().size(), 2);
    QCOMPARE(m_service->requests("order", "saveorderphotopath").at(0).field("path"),
             QStringLiteral("\\\\") + Data::kServer + '\\'
                 + QString(order.importPath).mid(m_root->path().size()).replace('/', '\\'));
    QCOMPARE(m_service->requests("order", "savepicpath").at(0).field("path"),
             QStringLiteral("\\\\") + Data::kServer + '\\' + QString(good).mid(m_root->path().size()).replace('/', '\\'));
}

QTEST_MAIN(TfhomeRunTest)
#include "tst_tfhome_run.moc"
