#include "app/core/Config.h"
#include "app/core/K.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"
#include "split/ui/FJResultRelay.h"
#include "split/ui/naming/NamingRuleFormat.h"
#include "support/EngineTestImages.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/SmbShare.h"
#include "support/SplitStudioData.h"
#include "support/StandInService.h"
#include "widgets/ThumbnailTableView.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QSemaphore>
#include <QThread>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace Data = SplitStudioData;

namespace {

QByteArray jpegBytes(int width = 40, int height = 30)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EngineTestImages::pattern(width, height).save(&buffer, "JPG", 90);
    return bytes;
}

QJsonObject picture(const QString &name)
{
    return QJsonObject{{QStringLiteral("img_name"), name}};
}

// The share as a bind mount of a folder of the same disk: after umount -l
// the mount point is left, as an unmount leaves it on a studio machine, with
// the ".DS_Store" Finder wrote into it.
class BoundShare
{
public:
    explicit BoundShare(const QString &mountPoint)
        : m_point(mountPoint)
    {
        QFile::remove(m_point + QStringLiteral("/.share"));
        QFile(m_point + QStringLiteral("/.DS_Store")).open(QIODevice::WriteOnly);
        QFile marker(m_backing.path() + QStringLiteral("/.share"));
        m_mounted = marker.open(QIODevice::WriteOnly)
                    && QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), m_backing.path(), m_point}) == 0;
    }
    ~BoundShare() { unmount(); }
    bool isMounted() const { return m_mounted; }
    void unmount()
    {
        if (m_mounted)
            m_mounted = QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_point}) != 0;
    }

private:
    QTemporaryDir m_backing;
    QString m_point;
    bool m_mounted = false;
};

QStringList markedIds(const OrderData &order)
{
    QStringList ids;
    for (const ThumbnailInfo &info : order.undownImgList + order.downImgList)
        if (info.selected)
            ids << info.id;
    return ids;
}

// The files below folder (ending with "/"), each relative to it, sorted.
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(folder.size());
    files.sort();
    return files;
}

} // namespace

class tst_FJHomeRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void folderNames_data();
    void folderNames();
    void thumbnailMatching();
    void designSplitOfOneOrder();
    void unusableDetailGoesOnToTheNextOrder_data();
    void unusableDetailGoesOnToTheNextOrder();
    void rawFileChoicesAreFrozen();
    void rawChoiceIsReadAtTheOrdersTurn();
    void shareGoneBeforeTheRun_data();
    void shareGoneBeforeTheRun();
    void sharePinsLastOneRun();
    void killedCopiesLeaveNothingForGood();
    void shareGoneWhileTheJobsWait();
    void shareServerGone_data();
    void shareServerGone();
    void linksOffTheShareAreNotRead_data();
    void linksOffTheShareAreNotRead();
    void orderFolderThroughALink_data();
    void orderFolderThroughALink();
    void linkedOrdersAreEachNamed();
    void orderIdsOfOtherForms();
    void deepOutputFolder_data();
    void deepOutputFolder();
    void idlessPhotosKeepTheirOwnTicks_data();
    void idlessPhotosKeepTheirOwnTicks();
    void rawFilesOfAMissingShareAreRefused();
    void shareUnmountedDuringTheRun_data();
    void shareUnmountedDuringTheRun();
    void photoDelivery_data();
    void photoDelivery();
    void hostileNamesStayInsideTheOutputFolder();
    void slowDownloadBelongsToItsOrder_data();
    void slowDownloadBelongsToItsOrder();
    void failuresAreListed_data();
    void failuresAreListed();
    void noSecretInTheLog();
    void productFolders_data();
    void productFolders();
    void selectionResultsRun();
    void closingDuringARunWaitsForRunningJobs();

private:
    void makeWindow(DesignFileSplitTypes mode, int orders);
    void tickAndStart(const QList<int> &rows);
    QString waitForSummary();
    // Runs the first order (with its raw and camera files in photo delivery) and returns the summary.
    QString runFirstOrderWithRaws(int mode);
    QJsonObject detail(int n) const;
    QString netpath(int n) const { return QStringLiteral("\\\\NAS\\photo\\orders\\o%1").arg(n); }
    QString shareFolder(int n) const { return m_root->mkpath(QStringLiteral("photo/orders/o%1").arg(n)); }
    // A picture of the order's "all" folder with its thumbnail.
    static bool putPicture(const QString &share, const QString &name)
    {
        return QDir(share).mkpath(QStringLiteral("all")) && QDir(share).mkpath(QStringLiteral("90"))
               && EngineTestImages::writeJpeg(share + QStringLiteral("/all/") + name, EngineTestImages::pattern(60, 40))
               && EngineTestImages::writeJpeg(share + QStringLiteral("/90/") + name, EngineTestImages::pattern(9, 6));
    }

    StandInService *m_service = nullptr;
    FJHome *m_window = nullptr;
    ScopedMountRoot *m_root = nullptr;
    QTemporaryDir *m_out = nullptr;
    QSignalSpy *m_finished = nullptr;
    QStringList reportedIds() const
    {
        QStringList ids;
        for (const auto &request : m_service->requests(QStringLiteral("order"), QStringLiteral("download_success")))
            ids << request.field(QStringLiteral("id"));
        ids.sort();
        return ids;
    }
};

void tst_FJHomeRun::init()
{
    Data::installShops();
    m_root = new ScopedMountRoot();
    QVERIFY(m_root->isValid());
    QFile marker(m_root->mkpath(QStringLiteral("photo")) + QStringLiteral("/.share")); // the share is mounted
    QVERIFY(marker.open(QIODevice::WriteOnly));
    m_out = new QTemporaryDir();
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_service->setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), Data::switchShopReply());
    m_service->setReply(QStringLiteral("order"), QStringLiteral("download_success"), Data::accepted());
    // The barcode is fetched with a GET of the service's own page.
    m_service->serveFile(QStringLiteral("/index.php"), jpegBytes());
}

void tst_FJHomeRun::cleanup()
{
    delete m_finished;
    m_finished = nullptr;
    delete m_window;
    m_window = nullptr;
    delete m_service;
    m_service = nullptr;
    delete m_out;
    m_out = nullptr;
    delete m_root;
    m_root = nullptr;
}

void tst_FJHomeRun::makeWindow(DesignFileSplitTypes mode, int orders)
{
    m_service->setReply(QStringLiteral("order"),
                        mode == DownloadOriginals ? QStringLiteral("order_list_type_1") : QStringLiteral("order_list"),
                        Data::orderListReply(orders));
    m_window = new FJHome();
    m_window->splitType = mode;
    m_window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("工具")}});
    m_finished = new QSignalSpy(m_window, &FJHome::runFinished);
    m_window->rightPanel->dirPath = m_out->path();
    QTest::mouseClick(m_window->rightPanel->searchButton, Qt::LeftButton);
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), orders);
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    m_service->clearRequests();
}

void tst_FJHomeRun::tickAndStart(const QList<int> &rows)
{
    for (int row : rows)
        m_window->leftPanel->tableWidget->cellWidget(row, 0)->findChild<QCheckBox *>()->setChecked(true);
    QTest::mouseClick(m_window->rightPanel->startButton, Qt::LeftButton);
}

QString tst_FJHomeRun::waitForSummary()
{
    if (m_finished->isEmpty() && !m_finished->wait(30000))
        return QString();
    return m_finished->first().first().toString();
}

QString tst_FJHomeRun::runFirstOrderWithRaws(int mode)
{
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("switch_shop"), 30000);
    m_window->leftPanel->tableWidget->cellWidget(0, 0)->findChild<QCheckBox *>()->setChecked(true);
    if (mode == DownloadPhotoDelivery) {
        for (QCheckBox *box : m_window->rightPanel->findChildren<QCheckBox *>())
            box->setChecked(box->text() == QStringLiteral("原始档") || box->text() == QStringLiteral("原图"));
    }
    tickAndStart({});
    return waitForSummary();
}

QJsonObject tst_FJHomeRun::detail(int n) const
{
    const QJsonObject order{{QStringLiteral("orderpayforkey"), Data::orderNumber(n)},
                            {QStringLiteral("servicetimes"), QStringLiteral("2")},
                            {QStringLiteral("mname"), QStringLiteral("王强")},
                            {QStringLiteral("wname"), QStringLiteral("李娜")},
                            {QStringLiteral("pickuptypename"), QStringLiteral("自取")},
                            {QStringLiteral("order_photo_id"), Data::orderPhotoId(n)},
                            {QStringLiteral("netpath"), netpath(n)}};
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("order"), order},
                       {QStringLiteral("shop_message"), QJsonObject{}}};
}

void tst_FJHomeRun::folderNames_data()
{
    QTest::addColumn<QJsonObject>("order");
    QTest::addColumn<QString>("name");
    QTest::newRow("all values") << QJsonObject{{"orderpayforkey", "A1"}, {"servicetimes", "2"}, {"mname", "王"},
                                               {"wname", "李"}, {"pickuptypename", "快递"}}
                                << QStringLiteral("A1-服务2 王-李 快递");
    QTest::newRow("no pickup type, no trailing blank")
        << QJsonObject{{"orderpayforkey", "A1"}, {"servicetimes", "2"}, {"mname", "王"}, {"wname", "李"}}
        << QStringLiteral("A1-服务2 王-李");
    QTest::newRow("separators in names") << QJsonObject{{"orderpayforkey", "../A1"}, {"servicetimes", "2"},
                                                        {"mname", "a/b"}, {"wname", "c\\d"}, {"pickuptypename", " 快递 "}}
                                         << QStringLiteral(".._A1-服务2 a_b-c_d 快递");
}

void tst_FJHomeRun::folderNames()
{
    QFETCH(QJsonObject, order);
    QFETCH(QString, name);
    QCOMPARE(FJHome::orderFolderName(order), name);
}

void tst_FJHomeRun::thumbnailMatching()
{
    const QJsonArray thumbs{picture("a.jpg"), picture("b.png")};
    const QJsonArray retouched{picture("a.JPG"), picture("A.jpg"), picture("a.final.jpg"), picture("b.PNG"),
                               picture("c.jpg")};
    const QJsonArray matched = FJHome::matchRetouchedToThumbnails(thumbs, retouched);
    QStringList names;
    for (const QJsonValue &value : matched)
        names << value.toObject().value(QStringLiteral("img_name")).toString();
    // Base name up to the first dot, suffix in lower case; the base keeps its case.
    QCOMPARE(names, (QStringList{QStringLiteral("a.JPG"), QStringLiteral("a.final.jpg"), QStringLiteral("b.PNG")}));
    QVERIFY(FJHome::matchRetouchedToThumbnails(QJsonArray(), retouched).isEmpty());
}

void tst_FJHomeRun::designSplitOfOneOrder()
{
    const QString share = shareFolder(1);
    QVERIFY(putPicture(share, QStringLiteral("IMG_1.jpg")) && putPicture(share, QStringLiteral("IMG_2.jpg")));
    m_service->serveFile(QStringLiteral("/files/courier.txt"), QByteArray("顺丰 SF123\n张三 13800000000\n"),
                         "text/plain");
    m_service->serveFile(QStringLiteral("/files/mark.jpg"), jpegBytes());
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("images"), QJsonArray{picture("IMG_1.jpg"), picture("IMG_2.jpg")});
    reply.insert(QStringLiteral("down_txt"), m_service->fileUrl(QStringLiteral("/files/courier.txt")));
    reply.insert(QStringLiteral("orderpicdescr"),
                 QJsonArray{QJsonObject{{QStringLiteral("cropping_imgurl"), m_service->fileUrl(QStringLiteral("/files/mark.jpg"))},
                                        {QStringLiteral("img_name"), QStringLiteral("mark.jpg")}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);

    makeWindow(DesignSplit, 2);
    tickAndStart({1});
    QVERIFY(!m_window->rightPanel->startButton->isEnabled());
    QCOMPARE(m_window->leftPanel->progressLabel->text(), QStringLiteral("总进度 1/1  当前订单:FJ1002-服务3"));
    const QString summary = waitForSummary();
    QCOMPARE(summary, QStringLiteral("1个订单分件完成!"));

    const auto details = m_service->requests(QStringLiteral("order"), QStringLiteral("orderphotodetail"));
    QCOMPARE(details.size(), 1);
    QCOMPARE(details.at(0).fieldNames().mid(0, 5),
             (QStringList{QStringLiteral("order_photo_id"), QStringLiteral("shopid"), QStringLiteral("eid"),
                          QStringLiteral("superid"), QStringLiteral("personid")}));
    QCOMPARE(details.at(0).field(QStringLiteral("order_photo_id")), Data::orderPhotoId(2));
    QCOMPARE(details.at(0).field(QStringLiteral("superid")), QStringLiteral("S9"));

    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    QVERIFY(QFileInfo(orderDir).isDir());
    QVERIFY(QFileInfo::exists(orderDir + QStringLiteral("其他/成品/IMG_1.jpg")));
    QVERIFY(QFileInfo::exists(orderDir + QStringLiteral("其他/成品/IMG_2.jpg")));
    // Pictures already in the format their names say are kept as the service sent them.
    for (const char *file : {"其他/条形码.jpg", "其他/标记/mark.jpg"}) {
        QFile picture(orderDir + QString::fromUtf8(file));
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.readAll(), jpegBytes());
    }
    QFile courier(orderDir + QStringLiteral("其他/快递信息.txt"));
    QVERIFY(courier.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(courier.readAll()), QStringLiteral("顺丰 SF123\n张三 13800000000\n"));
    // Nothing half-written is left behind.
    QStringList leftovers = QDir(orderDir + QStringLiteral("其他")).entryList(QDir::Files | QDir::Hidden);
    leftovers.sort();
    QCOMPARE(leftovers, (QStringList{QStringLiteral("快递信息.txt"), QStringLiteral("明细制作单.pdf"),
                                     QStringLiteral("条形码.jpg")}));

    QCOMPARE(m_window->allNum, 2 + 3 + 1);
    QVERIFY(m_window->rightPanel->startButton->isEnabled());
    QCOMPARE(m_window->leftPanel->getSelectedRows(), QList<int>{1});
}

void tst_FJHomeRun::unusableDetailGoesOnToTheNextOrder_data()
{
    QTest::addColumn<bool>("transport");
    QTest::addColumn<QJsonValue>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("no answer") << true << QJsonValue(1) << QStringLiteral("订单详情获取失败");
    QTest::newRow("refused") << false << QJsonValue(QStringLiteral("0")) << QStringLiteral("订单已锁定");
    // The message of a reply of the wrong form is no reason.
    QTest::newRow("numeric code") << false << QJsonValue(1) << QStringLiteral("服务器返回数据格式错误");
    QTest::newRow("no code") << false << QJsonValue(QJsonValue::Undefined) << QStringLiteral("服务器返回数据格式错误");
}

void tst_FJHomeRun::unusableDetailGoesOnToTheNextOrder()
{
    QFETCH(bool, transport);
    QFETCH(QJsonValue, code);
    QFETCH(QString, text);
    QJsonObject reply = detail(1);
    reply.remove(QStringLiteral("code"));
    if (!code.isUndefined())
        reply.insert(QStringLiteral("code"), code);
    reply.insert(QStringLiteral("msg"), QStringLiteral("订单已锁定"));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    if (transport)
        m_service->setFailure(QStringLiteral("order"), QStringLiteral("orderphotodetail"),
                              StandInService::Failure::Http500);
    makeWindow(DesignSplit, 2);
    tickAndStart({0, 1});
    auto openBox = [this]() -> QMessageBox * {
        for (QMessageBox *box : m_window->findChildren<QMessageBox *>(QStringLiteral("fjWarning")))
            if (box->isVisible())
                return box;
        return nullptr;
    };
    for (int n = 1; n <= 2; ++n) {
        QTRY_VERIFY(openBox());
        QCOMPARE(openBox()->text(), Data::orderNumber(n) + text);
        QVERIFY(m_finished->isEmpty());
        openBox()->button(QMessageBox::Ok)->click();
    }
    QCOMPARE(waitForSummary(), QStringLiteral("2个订单分件完成!"));
    QVERIFY(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void tst_FJHomeRun::photoDelivery_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("failures");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("folder"); // the order's "netpath" when not its own
    QTest::newRow("精修 and 原图") << QStringList{"原图", "精修"} << QStringLiteral("\nJ2.png 下载失败")
                               << QStringList{"原片/DSC_1.jpg", "精修/J1.jpg"} << QString();
    QTest::newRow("原始档 and 简修含汰片") << QStringList{"原始档", "简修含汰片"} << QString()
                                   << QStringList{"原始档/A.CR2", "原始档/B.CR2", "汰片/T1.jpg", "简修/S1.jpg"} << QString();
    QTest::newRow("nothing to fetch") << QStringList() << QString() << QStringList() << QString();
    // Nothing is read from the share, so its absence, or a path past the limits, stops nothing.
    QTest::newRow("精修 only, the share gone") << QStringList{"精修"} << QStringLiteral("\nJ2.png 下载失败")
                                           << QStringList{"精修/J1.jpg"} << QStringLiteral("\\\\NAS\\gone\\orders\\o1");
    QTest::newRow("精修 only, a 256-byte name") << QStringList{"精修"} << QStringLiteral("\nJ2.png 下载失败")
                                            << QStringList{"精修/J1.jpg"}
                                            << netpath(1) + QStringLiteral("\\") + QString(256, QLatin1Char('n'));
}

void tst_FJHomeRun::photoDelivery()
{
    QFETCH(QStringList, options);
    QFETCH(QString, failures);
    QFETCH(QStringList, files);
    QFETCH(QString, folder);
    const QString share = shareFolder(1);
    QVERIFY(QDir(share).mkpath(QStringLiteral("cam")) && QDir(share).mkpath(QStringLiteral("原始档")));
    QVERIFY(EngineTestImages::writeJpeg(share + QStringLiteral("/cam/DSC_1.jpg"), EngineTestImages::pattern(50, 40)));
    for (const char *name : {"A.CR2", "B.CR2"}) {
        QFile raw(share + QStringLiteral("/原始档/") + QLatin1String(name));
        QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write(name) > 0);
    }
    const auto entry = [this](const char *name, const char *key, const char *path) {
        return QJsonObject{{QStringLiteral("img_name"), QLatin1String(name)},
                           {QLatin1String(key), m_service->fileUrl(QLatin1String(path))}};
    };
    for (const char *path : {"/files/j1.jpg", "/files/s1.jpg", "/files/t1.jpg"})
        m_service->serveFile(QLatin1String(path), jpegBytes(64, 48));
    m_service->serveFile(QStringLiteral("/files/j2.png"), QByteArray("not an image"), "image/png");
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("images_jingxiu"),
                 QJsonArray{entry("J1.jpg", "url", "/files/j1.jpg"), entry("J2.png", "url", "/files/j2.png")});
    reply.insert(QStringLiteral("images_all"), QJsonArray{entry("S1.jpg", "url", "/files/s1.jpg")});
    reply.insert(QStringLiteral("images_taipian"), QJsonArray{entry("T1.jpg", "url_all", "/files/t1.jpg")});
    reply.insert(QStringLiteral("images_yuanpian"),
                 QJsonArray{QJsonObject{{QStringLiteral("img_name"), QStringLiteral("DSC_1.jpg")},
                                        {QStringLiteral("localpath"), netpath(1) + QStringLiteral("\\cam\\DSC_1.jpg")}}});
    if (!folder.isEmpty()) {
        QJsonObject order = reply.value(QStringLiteral("order")).toObject();
        order.insert(QStringLiteral("netpath"), folder);
        reply.insert(QStringLiteral("order"), order);
    }
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DownloadPhotoDelivery, 1);
    // Picking the order sets two options from it; the row's choice comes after.
    m_window->leftPanel->tableWidget->cellWidget(0, 0)->findChild<QCheckBox *>()->setChecked(true);
    for (QCheckBox *box : m_window->rightPanel->findChildren<QCheckBox *>())
        box->setChecked(options.contains(box->text()));
    tickAndStart({});
    QVERIFY(!m_window->rightPanel->rawFileCheckBox->isEnabled());
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!") + failures);
    QVERIFY(m_window->rightPanel->rawFileCheckBox->isEnabled());
    QCOMPARE(m_window->allNum, files.size() + failures.count(QLatin1Char('\n')));
    // A still, full bar: a range of 0..0 would be drawn as busy for ever.
    const QProgressBar *bar = m_window->leftPanel->progressBar;
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), bar->maximum());
    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    const QStringList written = filesBelow(orderDir);
    QCOMPARE(written, files);
    for (const QString &file : files)
        QVERIFY(file.endsWith(QLatin1String(".CR2")) || QImage(orderDir + file).size() == QSize(64, 48)
                || QImage(orderDir + file).size() == QSize(50, 40));
}

void tst_FJHomeRun::hostileNamesStayInsideTheOutputFolder()
{
    m_service->serveFile(QStringLiteral("/files/j1.jpg"), jpegBytes());
    m_service->serveFile(QStringLiteral("/files/j2.jpg"), jpegBytes());
    QJsonObject reply = detail(1);
    QJsonObject order = reply.value(QStringLiteral("order")).toObject();
    order.insert(QStringLiteral("orderpayforkey"), QStringLiteral("../../escape"));
    reply.insert(QStringLiteral("order"), order);
    reply.insert(QStringLiteral("images_jingxiu"),
                 QJsonArray{QJsonObject{{QStringLiteral("img_name"), QStringLiteral("../../../evil.jpg")},
                                        {QStringLiteral("url"), m_service->fileUrl(QStringLiteral("/files/j1.jpg"))}},
                            QJsonObject{{QStringLiteral("img_name"), QStringLiteral("..")},
                                        {QStringLiteral("url"), m_service->fileUrl(QStringLiteral("/files/j2.jpg"))}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DownloadPhotoDelivery, 1);
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!\n.. 保存失败"));
    const QStringList top = QDir(m_out->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(top, QStringList{QStringLiteral(".._.._escape-服务2 王强-李娜 自取")});
    const QString jx = m_out->path() + QLatin1Char('/') + top.first() + QStringLiteral("/精修");
    QCOMPARE(QDir(jx).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral(".._.._.._evil.jpg")});
    QVERIFY(!QFileInfo::exists(QDir(m_out->path()).absoluteFilePath(QStringLiteral("../evil.jpg"))));
}

// The service names the share in another case than it is mounted: nothing is read from there.
void tst_FJHomeRun::rawFilesOfAMissingShareAreRefused()
{
    const QString share = shareFolder(1);
    QVERIFY(QDir(share).mkpath(QStringLiteral("原始档")));
    QFile raw(share + QStringLiteral("/原始档/RAW_1.CR2"));
    QVERIFY(raw.open(QIODevice::WriteOnly));
    QJsonObject reply = detail(1);
    QJsonObject order = reply.value(QStringLiteral("order")).toObject();
    order.insert(QStringLiteral("netpath"), QStringLiteral("\\\\NAS\\PHOTO\\orders\\o1"));
    reply.insert(QStringLiteral("order"), order);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DownloadOriginals, 1);
    OrderData &stored = m_window->leftPanel->orderList[0];
    ThumbnailInfo info;
    info.id = QStringLiteral("u1");
    info.name = QStringLiteral("RAW_1.CR2");
    info.photoPath = QStringLiteral("\\\\NAS\\PHOTO\\orders\\o1\\原始档\\RAW_1.CR2");
    info.selected = true;
    stored.undownImgList = {info};
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("switch_shop"), 30000);
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!\n%1-2 %2;")
                                   .arg(Data::orderNumber(1), K::missingShareMessage(m_root->path() + "PHOTO/orders/o1/")));
    QVERIFY(!QFileInfo::exists(m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/原始档/RAW_1.CR2")));
    QVERIFY(m_service->requests(QStringLiteral("order"), QStringLiteral("download_success")).isEmpty());
}

void tst_FJHomeRun::shareUnmountedDuringTheRun_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("remounted"); // another share is mounted there before the second order
    QTest::newRow("raw files") << int(DownloadOriginals) << false;
    QTest::newRow("selection results with raw files") << int(DownloadSelectionResults) << false;
    QTest::newRow("raw files, remounted") << int(DownloadOriginals) << true;
    QTest::newRow("selection results, remounted") << int(DownloadSelectionResults) << true;
}

// The share leaves between two orders; the empty mount point left behind
// gets look-alike files, which must not be taken for the order's.
void tst_FJHomeRun::shareUnmountedDuringTheRun()
{
    QFETCH(int, mode);
    QFETCH(bool, remounted);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    const QString mountPoint = m_root->path() + QStringLiteral("photo");
    QTemporaryDir backing;
    QTemporaryDir otherBacking;
    bool mountedAgain = false;
    auto unmountAgain = qScopeGuard([&] {
        if (mountedAgain)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint});
    });
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), backing.path(), mountPoint}) != 0)
        QSKIP("needs root to bind-mount");
    bool mounted = true;
    auto unmount = qScopeGuard([&] {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint});
    });
    // Order n's files: a picture and its raw file, on the share or on what stands in its place.
    auto putFiles = [this](int n) {
        const QString share = shareFolder(n);
        QFile raw(share + QStringLiteral("/原始档/IMG_1.CR2"));
        return putPicture(share, QStringLiteral("IMG_1.jpg")) && QDir(share).mkpath(QStringLiteral("原始档"))
               && raw.open(QIODevice::WriteOnly) && raw.write("raw") == 3;
    };
    QVERIFY(putFiles(1) && putFiles(2));
    const auto rawPath = [this](int n) { return netpath(n) + QStringLiteral("\\原始档\\IMG_1.CR2"); };
    m_service->setHandler(
        QStringLiteral("order"), QStringLiteral("orderphotodetail"),
        [&, this](const StandInService::Request &request) {
            const int n = request.field(QStringLiteral("order_photo_id")).mid(3).toInt();
            if (n == 2 && mounted) {
                mounted = QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint}) != 0;
                // A mounted share of the same name, but not the one the run met.
                if (remounted)
                    mountedAgain = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), otherBacking.path(),
                                                                             mountPoint}) == 0;
                putFiles(2);
            }
            QJsonObject reply = detail(n);
            reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
            reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
            const QJsonObject raw{{QStringLiteral("img_name"), QStringLiteral("IMG_1.CR2")},
                                  {QStringLiteral("id"), QStringLiteral("r%1").arg(n)},
                                  {QStringLiteral("localpath"), rawPath(n)}};
            reply.insert(QStringLiteral("ysdimgs"), QJsonObject{{QStringLiteral("images_1_1"), QJsonArray{raw}}});
            return reply;
        });
    makeWindow(DesignFileSplitTypes(mode), 2);
    for (int n = 1; n <= 2; ++n) {
        ThumbnailInfo info;
        info.id = QStringLiteral("r%1").arg(n);
        info.name = QStringLiteral("IMG_1.CR2");
        info.photoPath = rawPath(n);
        info.selected = true;
        m_window->leftPanel->orderList[n - 1].undownImgList = {info};
    }
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("switch_shop"), 30000);
    tickAndStart({0, 1});
    QCOMPARE(waitForSummary(), QStringLiteral("2个订单分件完成!\n%1-2 %2;")
                                   .arg(Data::orderNumber(2), K::missingShareMessage(m_root->path() + "photo/orders/o2/")));
    QVERIFY(!mounted);
    QCOMPARE(mountedAgain, remounted);
    QTRY_COMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("download_success")).size(), 1);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("download_success")).first().field(QStringLiteral("id")),
             QStringLiteral("r1"));
    const QString first = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    const QString second = m_out->path() + QStringLiteral("/FJ1002-服务2 王强-李娜 自取/");
    const QString raw = mode == DownloadOriginals ? QStringLiteral("原始档/IMG_1.CR2") : QStringLiteral("其他/成品原始档/IMG_1.CR2");
    QVERIFY(QFileInfo::exists(first + raw));
    // An order whose share went is not begun: no folder, nothing fetched.
    QVERIFY(!QFileInfo::exists(second));
}

void tst_FJHomeRun::rawFileChoicesAreFrozen()
{
    const QString share = shareFolder(1);
    QDir(share).mkpath(QStringLiteral("原始档"));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), detail(1));
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("orderphotodetail"), 400);
    makeWindow(DownloadOriginals, 1);
    OrderData &stored = m_window->leftPanel->orderList[0];
    // Five photos not yet downloaded, ids as the service may give them; the second and fourth are chosen.
    const QJsonValue ids[] = {QStringLiteral("u1"), QJsonValue(), 3.5, 404, QStringLiteral("u5")};
    QJsonArray photos;
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("RAW_%1.CR2").arg(i);
        photos.append(QJsonObject{{"id", ids[i - 1]}, {"img_name", name}, {"localpath", netpath(1) + "\\原始档\\" + name}});
        QFile raw(share + QStringLiteral("/原始档/") + name);
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(QStringLiteral("u%1").arg(i).toLatin1());
    }
    stored.undownImgList = OrderData::fromJson(QJsonObject{{"images_1_0", photos}}).undownImgList;
    stored.undownImgList[1].selected = stored.undownImgList[3].selected = true;
    emit m_window->leftPanel->orderSelected(0, true);
    tickAndStart({0});
    FJRightPanel *right = m_window->rightPanel;
    // The sections stay usable; what they change during the run is for the next one.
    QVERIFY(right->undownloadSection->isEnabled() && right->undownloadSelectAllButton->isEnabled());
    QVERIFY(right->downloadedThumbnailView->isEnabled());
    QTest::mouseClick(right->undownloadSelectAllButton, Qt::LeftButton);
    right->onUndownloadSelectionChanged(1, false);
    QVERIFY(m_finished->isEmpty());
    // The reload after the run is still out while the table is read, so it keeps the updated record.
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("switch_shop"), 30000);
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!\nRAW_2.CR2 编号无效，未上报"));
    QVERIFY(right->undownloadSection->isEnabled());
    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/原始档/");
    QCOMPARE(QDir(orderDir).entryList(QDir::Files), (QStringList{QStringLiteral("RAW_2.CR2"), QStringLiteral("RAW_4.CR2")}));
    const OrderData &after = m_window->leftPanel->orderList.at(0);
    QStringList down;
    for (const ThumbnailInfo &info : after.downImgList) {
        down << info.id;
        QVERIFY(!info.selected);
    }
    QStringList undown;
    for (const ThumbnailInfo &info : after.undownImgList)
        undown << info.id + (info.selected ? QStringLiteral("*") : QString());
    QCOMPARE(down, (QStringList{QString(), QStringLiteral("404"), QStringLiteral("p1-1")}));
    QCOMPARE(undown, (QStringList{QStringLiteral("u1*"), QStringLiteral("*"), QStringLiteral("u5*")}));
    QCOMPARE(right->downloadedTitleLabel->text().left(12), QStringLiteral("已下载:  (3张)  "));
    QFile copied(orderDir + QStringLiteral("RAW_4.CR2"));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("u4"));
    QTRY_COMPARE(reportedIds(), QStringList{QStringLiteral("404")});
    // The run reloads the list afterwards in this mode.
    QTRY_COMPARE(m_service->requests(QStringLiteral("public"), QStringLiteral("switch_shop")).size(), 1);
}

// Order 2's photo marked while order 1 waits goes with order 2; one marked
// while order 2's own request is out is for the next run, and the sections
// and the reloaded list agree on it, on a downloaded photo too, wherever the
// reload puts the order.
void tst_FJHomeRun::rawChoiceIsReadAtTheOrdersTurn()
{
    for (int n = 1; n <= 2; ++n) {
        QVERIFY(QDir(shareFolder(n)).mkpath(QStringLiteral("原始档")));
        for (int k = 1; k <= 3; ++k) {
            QFile raw(m_root->mkpath(QStringLiteral("photo/o%1").arg(n)) + QStringLiteral("/IMG_%1%2.CR2").arg(n).arg(k));
            QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write("raw") == 3);
        }
    }
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("orderphotodetail"),
                          [this](const StandInService::Request &request) {
                              return detail(request.field(QStringLiteral("order_photo_id")).mid(3).toInt());
                          });
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("orderphotodetail"), 1000);
    makeWindow(DownloadOriginals, 2);
    FJRightPanel *right = m_window->rightPanel;
    emit m_window->leftPanel->orderSelected(0, true);
    right->onUndownloadSelectionChanged(0, true); // p1-2
    emit m_window->leftPanel->orderSelected(1, true);
    // The reload lists order 2 first: the sections must follow it to its new row.
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list_type_1"),
                        QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                                    {QStringLiteral("data"), QJsonArray{Data::order(2), Data::order(1)}}});
    tickAndStart({0, 1});
    right->onUndownloadSelectionChanged(0, true); // p2-2, the first of its list
    QTRY_VERIFY(m_window->leftPanel->progressLabel->text().startsWith(QStringLiteral("总进度 2/2")));
    right->onUndownloadSelectionChanged(1, true); // p2-3
    right->onDownloadedSelectionChanged(0, true); // p2-1, downloaded before
    QCOMPARE(waitForSummary(), QStringLiteral("2个订单分件完成!"));
    QTRY_COMPARE(reportedIds(), (QStringList{QStringLiteral("p1-2"), QStringLiteral("p2-2")}));
    QTRY_VERIFY(right->searchButton->isEnabled()); // the reload is in
    QCOMPARE(right->currentOrderRow, 0);
    const QStringList marked{QStringLiteral("p2-3"), QStringLiteral("p2-1")};
    QCOMPARE(markedIds(m_window->leftPanel->orderList.at(0)), marked);
    QCOMPARE(markedIds(right->currentOrder), marked);
    right->onDownloadedSelectionChanged(0, false); // p2-1 unmarked after the reload

    QTemporaryDir second;
    right->dirPath = second.path();
    m_service->clearRequests();
    m_finished->clear();
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!"));
    QTRY_COMPARE(reportedIds(), QStringList{QStringLiteral("p2-3")});
}

void tst_FJHomeRun::shareGoneBeforeTheRun_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("beforeSearch");
    for (int mode : {DesignSplit, DownloadOriginals, DownloadSelectionResults, DownloadPhotoDelivery}) {
        QTest::addRow("mode %d, gone before the search", mode) << mode << true;
        QTest::addRow("mode %d, gone between search and start", mode) << mode << false;
    }
}

// The mount point left behind is no share: each order gets the note, and nothing is
// made, written or reported for it.
void tst_FJHomeRun::shareGoneBeforeTheRun()
{
    QFETCH(int, mode);
    QFETCH(bool, beforeSearch);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    BoundShare share(m_root->path() + QStringLiteral("photo"));
    if (!share.isMounted())
        QSKIP("needs root to bind-mount");
    for (int n = 1; n <= 2; ++n)
        QVERIFY(putPicture(shareFolder(n), QStringLiteral("IMG_1.jpg")) && QDir(shareFolder(n)).mkpath(QStringLiteral("原始档")));
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("orderphotodetail"),
                          [this](const StandInService::Request &request) {
                              QJsonObject reply = detail(request.field(QStringLiteral("order_photo_id")).mid(3).toInt());
                              reply.insert(QStringLiteral("images"), QJsonArray{picture("IMG_1.jpg")});
                              reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
                              return reply;
                          });
    if (beforeSearch)
        share.unmount();
    makeWindow(DesignFileSplitTypes(mode), 2);
    share.unmount();
    QVERIFY(!share.isMounted());
    for (OrderData &order : m_window->leftPanel->orderList)
        order.undownImgList.first().selected = true;
    // The delivery tool takes one order; its pick ticks "原始档".
    const int orders = mode == DownloadPhotoDelivery ? 1 : 2;
    tickAndStart(orders == 1 ? QList<int>{0} : QList<int>{0, 1});
    QString summary = QString::number(orders) + QStringLiteral("个订单分件完成!");
    for (int n = 1; n <= orders; ++n)
        summary += QStringLiteral("\n%1-2 %2;").arg(Data::orderNumber(n),
                                                   K::missingShareMessage(m_root->path() + QStringLiteral("photo/orders/o%1/").arg(n)));
    QCOMPARE(waitForSummary(), summary);
    QVERIFY(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(reportedIds().isEmpty());
}

// A share remounted between two runs is the share of the next run.
void tst_FJHomeRun::sharePinsLastOneRun()
{
    QVERIFY(putPicture(shareFolder(1), QStringLiteral("IMG_1.jpg")));
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DownloadSelectionResults, 1);
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!"));
    BoundShare share(m_root->path() + QStringLiteral("photo"));
    if (!share.isMounted())
        QSKIP("needs root to bind-mount");
    QVERIFY(putPicture(shareFolder(1), QStringLiteral("IMG_1.jpg")));
    QTemporaryDir second;
    m_window->rightPanel->dirPath = second.path();
    m_finished->clear();
    tickAndStart({});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!"));
    QVERIFY(QFileInfo::exists(second.path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/其他/成品/IMG_1.jpg")));
}

// A copy killed mid-file leaves its temporary in the delivery folder; the
// next run that writes into that folder removes it, and so does each run after.
void tst_FJHomeRun::killedCopiesLeaveNothingForGood()
{
    QVERIFY(putPicture(shareFolder(1), QStringLiteral("IMG_1.jpg")));
    QVERIFY(QDir(shareFolder(1)).mkpath(QStringLiteral("原始档")));
    QFile rawFile(shareFolder(1) + QStringLiteral("/原始档/IMG_1.CR2"));
    QVERIFY(rawFile.open(QIODevice::WriteOnly) && rawFile.write("raw") == 3);
    rawFile.close();
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
    // The chosen photo's raw file goes by a job of its own into a folder of its own.
    const QJsonObject raw{{QStringLiteral("img_name"), QStringLiteral("IMG_1.CR2")}, {QStringLiteral("id"), QStringLiteral("r1")},
                          {QStringLiteral("localpath"), netpath(1) + QStringLiteral("\\原始档\\IMG_1.CR2")}};
    reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("ysdimgs"), QJsonObject{{QStringLiteral("images_1_1"), QJsonArray{raw}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    const auto leave = [&orderDir](const QString &name, int ageSecs) {
        const QString path = orderDir + name;
        const time_t then = std::time(nullptr) - ageSecs;
        const struct timespec times[2] = {{then, 0}, {then, 0}};
        return QDir().mkpath(QFileInfo(path).path()) && QFile(path).open(QIODevice::WriteOnly)
               && ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
    };
    const QString photos = QStringLiteral("其他/成品/.IMG_1.jpg.part-0a1b2c3d4e");
    const QString barcode = QStringLiteral("其他/.条形码.jpg.part-0a1b2c3d4e");
    const QString young = QStringLiteral("其他/成品/.IMG_2.jpg.part-0a1b2c3d4e");
    const QString unwritten = QStringLiteral("原片/.IMG_3.jpg.part-0a1b2c3d4e"); // a folder the run does not write
    const QString rawCopy = QStringLiteral("其他/成品原始档/.IMG_1.CR2.part-0a1b2c3d4e");
    QVERIFY(leave(photos, 7200) && leave(barcode, 7200) && leave(young, 0) && leave(unwritten, 7200)
            && leave(rawCopy, 7200));
    makeWindow(DownloadSelectionResults, 1);
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!"));
    QVERIFY(QFileInfo::exists(orderDir + QStringLiteral("其他/成品/IMG_1.jpg")));
    QVERIFY(QFileInfo::exists(orderDir + QStringLiteral("其他/成品原始档/IMG_1.CR2")));
    QVERIFY(!QFileInfo::exists(orderDir + rawCopy));
    QVERIFY(!QFileInfo::exists(orderDir + photos));
    QVERIFY(!QFileInfo::exists(orderDir + barcode));
    QVERIFY(QFileInfo::exists(orderDir + young));
    QVERIFY(QFileInfo::exists(orderDir + unwritten));

    // Left while the window stayed open: the next run writes the sheet there again.
    QVERIFY(leave(barcode, 7200));
    m_finished->clear();
    tickAndStart({});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!"));
    QVERIFY(!QFileInfo::exists(orderDir + barcode));
}

// The share goes after the order began, before its jobs got a thread: each
// read fails for it, the order gets one note, and the look-alikes on the bare
// mount point are never taken.
void tst_FJHomeRun::shareGoneWhileTheJobsWait()
{
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    BoundShare share(m_root->path() + QStringLiteral("photo"));
    if (!share.isMounted())
        QSKIP("needs root to bind-mount");
    auto putFiles = [this] {
        QFile raw(shareFolder(1) + QStringLiteral("/原始档/IMG_1.CR2"));
        return putPicture(shareFolder(1), QStringLiteral("IMG_1.jpg")) && QDir(shareFolder(1)).mkpath(QStringLiteral("原始档"))
               && raw.open(QIODevice::WriteOnly) && raw.write("raw") == 3;
    };
    QVERIFY(putFiles());
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
    const QJsonObject raw{{QStringLiteral("img_name"), QStringLiteral("IMG_1.CR2")}, {QStringLiteral("id"), QStringLiteral("r1")},
                          {QStringLiteral("localpath"), netpath(1) + QStringLiteral("\\原始档\\IMG_1.CR2")}};
    reply.insert(QStringLiteral("ysdimgs"), QJsonObject{{QStringLiteral("images_1_1"), QJsonArray{raw}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DownloadSelectionResults, 1);
    // Every thread the order will have is busy until the share has gone.
    const int threads = qMax(QThread::idealThreadCount() / 4, 3);
    auto gate = std::make_shared<QSemaphore>();
    auto open = qScopeGuard([&] { gate->release(threads); });
    m_window->threadPool->setMaxThreadCount(threads);
    for (int i = 0; i < threads; ++i)
        m_window->threadPool->start([gate] { gate->acquire(); });
    tickAndStart({0});
    QTRY_VERIFY(m_window->allNum > 0);
    share.unmount();
    QVERIFY(!share.isMounted() && putFiles());
    gate->release(threads);
    open.dismiss();
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!\n%1-2 %2;")
                                   .arg(Data::orderNumber(1), K::missingShareMessage(m_root->path() + QStringLiteral("photo/"))));
    QVERIFY(!QFileInfo::exists(m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/其他/成品原始档/IMG_1.CR2")));
    QVERIFY(reportedIds().isEmpty());
}

void tst_FJHomeRun::shareServerGone_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("beforeTheRun"); // else once the order's jobs are waiting
    for (int mode : {DesignSplit, DownloadOriginals, DownloadSelectionResults, DownloadPhotoDelivery})
        QTest::addRow("mode %d, before the run", mode) << mode << true;
    for (int mode : {DesignSplit, DownloadOriginals, DownloadSelectionResults})
        QTest::addRow("mode %d, while the jobs wait", mode) << mode << false;
}

// The SMB share's server goes away: every read below the share fails with an
// I/O error. The order is said to be out of reach, never its photos missing;
// an order that cannot be read at its start gets nothing written.
void tst_FJHomeRun::shareServerGone()
{
    QFETCH(int, mode);
    QFETCH(bool, beforeTheRun);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    SmbShare share(QStringLiteral("photo"));
    SMBSHARE_START(share);
    MountRoot::setPath(QFileInfo(share.sharePath()).path());
    const QString served = share.servedPath() + QStringLiteral("/orders/o1");
    QVERIFY(putPicture(served, QStringLiteral("IMG_1.jpg")) && QDir(served).mkpath(QStringLiteral("原始档")));
    QFile raw(served + QStringLiteral("/原始档/IMG_1.CR2"));
    QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write("raw") == 3);
    raw.close();
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("images"), QJsonArray{picture("IMG_1.jpg")});
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
    const QString rawPath = netpath(1) + QStringLiteral("\\原始档\\IMG_1.CR2");
    reply.insert(QStringLiteral("ysdimgs"),
                 QJsonObject{{QStringLiteral("images_1_1"),
                              QJsonArray{QJsonObject{{QStringLiteral("img_name"), QStringLiteral("IMG_1.CR2")},
                                                     {QStringLiteral("id"), QStringLiteral("r1")},
                                                     {QStringLiteral("localpath"), rawPath}}}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DesignFileSplitTypes(mode), 1);
    ThumbnailInfo info;
    info.id = QStringLiteral("r1");
    info.name = QStringLiteral("IMG_1.CR2");
    info.photoPath = rawPath;
    info.selected = true;
    m_window->leftPanel->orderList[0].undownImgList = {info};
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("switch_shop"), 30000);
    const int threads = qMax(QThread::idealThreadCount() / 4, 3);
    auto gate = std::make_shared<QSemaphore>();
    auto open = qScopeGuard([&] { gate->release(threads); });
    if (beforeTheRun) {
        QVERIFY(share.stopServer());
        tickAndStart({0});
    } else {
        // Every thread the order will have is busy until the server has gone.
        m_window->threadPool->setMaxThreadCount(threads);
        for (int i = 0; i < threads; ++i)
            m_window->threadPool->start([gate] { gate->acquire(); });
        tickAndStart({0});
        QTRY_VERIFY(m_window->allNum > 0);
        QVERIFY(share.stopServer());
        gate->release(threads);
        open.dismiss();
    }
    QCOMPARE(waitForSummary(),
             QStringLiteral("1个订单分件完成!\n%1-2 连接不上共享目录;").arg(Data::orderNumber(1)));
    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    if (beforeTheRun)
        QVERIFY(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QDirIterator it(orderDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QVERIFY2(!file.contains(QStringLiteral("IMG_1")), qPrintable(file));
    }
    QVERIFY(reportedIds().isEmpty());
}

void tst_FJHomeRun::linksOffTheShareAreNotRead_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("linked"); // a folder of the order's path that is itself a link off the share
    QTest::addColumn<QStringList>("files");  // what the order folder gets
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QString>("line"); // lines of the summary, split at "|"
    QTest::newRow("design split") << int(DesignSplit) << QString()
                                  << QStringList{"其他/原始档/IMG_1.CR2", "其他/成品/IMG_1.jpg", "其他/成品/IMG_3.jpg",
                                                 "其他/成品/IMG_4.jpg", "其他/明细制作单.pdf", "其他/条形码.jpg",
                                                 "其他/缩略图/IMG_1.jpg"}
                                  << QStringList() << QStringLiteral("IMG_3.CR2 不在共享目录内|IMG_4.jpg 缩略图 不在共享目录内");
    QTest::newRow("design split, raw file folder linked") << int(DesignSplit) << QStringLiteral("原始档")
        << QStringList{"其他/成品/IMG_1.jpg", "其他/成品/IMG_3.jpg", "其他/成品/IMG_4.jpg", "其他/明细制作单.pdf", "其他/条形码.jpg",
                       "其他/缩略图/IMG_1.jpg"} << QStringList() << QStringLiteral("原始档 不在共享目录内");
    QTest::newRow("raw files") << int(DownloadOriginals) << QString() << QStringList{"原始档/IMG_1.CR2"}
                               << QStringList{"r1"} << QStringLiteral("IMG_2.CR2 不在共享目录内");
    QTest::newRow("selection results") << int(DownloadSelectionResults) << QString()
                                       << QStringList{"其他/成品/IMG_1.jpg", "其他/成品/IMG_4.jpg", "其他/成品原始档/IMG_1.CR2",
                                                      "其他/明细制作单.pdf", "其他/条形码.jpg", "其他/缩略图/IMG_1.jpg"}
                                       << QStringList{"r1"} << QStringLiteral("IMG_2.CR2 不在共享目录内|IMG_4.jpg 缩略图 不在共享目录内");
    QTest::newRow("photo delivery") << int(DownloadPhotoDelivery) << QString()
                                    << QStringList{"原始档/IMG_1.CR2", "原片/DSC_1.jpg"} << QStringList()
                                    << QStringLiteral("IMG_2.CR2 不在共享目录内");
    QTest::newRow("photo delivery, raw file folder linked") << int(DownloadPhotoDelivery) << QStringLiteral("原始档")
                                                            << QStringList{"原片/DSC_1.jpg"} << QStringList()
                                                            << QStringLiteral("原始档 不在共享目录内");
    QTest::newRow("selection results, order folder linked") << int(DownloadSelectionResults) << QStringLiteral("orders")
                                                            << QStringList() << QStringList()
                                                            << QStringLiteral("FJ1001-2 不在共享目录内;");
}

// Files, and folders, of the order that are links leading off the share, and
// a photo the service places on another share: none of them is read.
void tst_FJHomeRun::linksOffTheShareAreNotRead()
{
    QFETCH(int, mode);
    QFETCH(QString, linked);
    QFETCH(QStringList, files);
    QFETCH(QStringList, reported);
    QFETCH(QString, line);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    BoundShare share(m_root->path() + QStringLiteral("photo"));
    BoundShare other(m_root->mkpath(QStringLiteral("other")));
    if (!share.isMounted() || !other.isMounted())
        QSKIP("needs root to bind-mount");
    QTemporaryDir outside;
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    // The order's own files, and look-alikes off the share that links of the order lead to.
    QString order = shareFolder(1);
    if (linked == QLatin1String("orders")) {
        QVERIFY(QDir(m_root->path() + QStringLiteral("photo/orders")).removeRecursively());
        QVERIFY(QFile::link(outside.path(), m_root->path() + QStringLiteral("photo/orders")));
        order = outside.path() + QStringLiteral("/o1");
    } else if (!linked.isEmpty()) {
        QVERIFY(QDir(outside.path()).mkpath(linked) && QFile::link(outside.path() + QLatin1Char('/') + linked,
                                                                   order + QLatin1Char('/') + linked));
    }
    QVERIFY(putPicture(order, QStringLiteral("IMG_1.jpg")) && write(order + QStringLiteral("/原始档/IMG_1.CR2"), "raw")
            && write(order + QStringLiteral("/cam/DSC_1.jpg"), "camera"));
    QVERIFY(write(outside.path() + QStringLiteral("/x/IMG_2.jpg"), "outside") && write(outside.path() + QStringLiteral("/x/IMG_2.CR2"), "outside"));
    for (const char *name : {"all/IMG_2.jpg", "90/IMG_2.jpg", "原始档/IMG_2.CR2", "cam/DSC_2.jpg", "90/IMG_4.jpg"})
        QVERIFY(QFile::link(outside.path() + QStringLiteral("/x/") + QFileInfo(QLatin1String(name)).fileName().replace("DSC", "IMG"),
                            order + QLatin1Char('/') + QString::fromUtf8(name)));
    // A photo of the share whose raw file is a link off it, its thumbnail gone: a note before the refusal.
    QVERIFY(write(order + QStringLiteral("/all/IMG_3.jpg"), "3") && write(order + QStringLiteral("/all/IMG_4.jpg"), "4")
            && write(outside.path() + QStringLiteral("/x/IMG_4.jpg"), "outside") && QFile::link(outside.path() + QStringLiteral("/x/IMG_2.CR2"), order + QStringLiteral("/原始档/IMG_3.CR2")));
    QVERIFY(write(m_root->path() + QStringLiteral("other/orders/o1/原始档/IMG_1.NEF"), "other share")
            && write(m_root->path() + QStringLiteral("other/orders/o1/cam/DSC_3.jpg"), "other share"));
    const QString otherPath = QStringLiteral("\\\\NAS\\other\\orders\\o1");
    const auto entry = [](const QString &name, const QString &id, const QString &path) {
        return QJsonObject{{QStringLiteral("img_name"), name}, {QStringLiteral("id"), id}, {QStringLiteral("localpath"), path}};
    };
    const QList<QJsonObject> raws{entry("IMG_1.CR2", "r1", netpath(1) + "\\原始档\\IMG_1.CR2"),
                                  entry("IMG_2.CR2", "r2", netpath(1) + "\\原始档\\IMG_2.CR2"),
                                  entry("IMG_1.NEF", "r3", otherPath + "\\原始档\\IMG_1.NEF")};
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("images"), QJsonArray{picture("IMG_1.jpg"), picture("IMG_2.jpg"), picture("IMG_3.jpg"), picture("IMG_4.jpg")});
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg"), picture("IMG_2.jpg"), picture("IMG_4.jpg")});
    reply.insert(QStringLiteral("ysdimgs"),
                 QJsonObject{{QStringLiteral("images_1_1"), QJsonArray{raws.at(0), raws.at(1), raws.at(2)}}});
    reply.insert(QStringLiteral("images_yuanpian"),
                 QJsonArray{entry("DSC_1.jpg", "y1", netpath(1) + "\\cam\\DSC_1.jpg"),
                            entry("DSC_2.jpg", "y2", netpath(1) + "\\cam\\DSC_2.jpg"),
                            entry("DSC_3.jpg", "y3", otherPath + "\\cam\\DSC_3.jpg")});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DesignFileSplitTypes(mode), 1);
    QList<ThumbnailInfo> chosen;
    for (const QJsonObject &raw : raws) {
        ThumbnailInfo info;
        info.id = raw.value(QStringLiteral("id")).toString();
        info.name = raw.value(QStringLiteral("img_name")).toString();
        info.photoPath = raw.value(QStringLiteral("localpath")).toString();
        info.selected = true;
        chosen << info;
    }
    m_window->leftPanel->orderList[0].undownImgList = chosen;
    const QString summary = runFirstOrderWithRaws(mode);
    QVERIFY2(summary.startsWith(QStringLiteral("1个订单分件完成!\n")) && summary.contains(QStringLiteral("不在共享目录内")),
             qPrintable(summary));
    QVERIFY2(!summary.contains(QStringLiteral("共享目录不存在")), qPrintable(summary));
    for (const QString &one : line.split(QLatin1Char('|')))
        QVERIFY2(summary.split(QLatin1Char('\n')).contains(one), qPrintable(summary));
    // Only the refusals are listed: no note of an absent raw file comes along with one.
    const QStringList notes = summary.split(QLatin1Char('\n')).mid(1);
    QVERIFY2(notes.filter(QStringLiteral("不在共享目录内")) == notes, qPrintable(summary));
    // A linked folder is refused as a whole, not file by file: one line, none for what lies in it.
    if (!linked.isEmpty() && linked != QLatin1String("orders")) {
        QCOMPARE(notes.count(linked + QStringLiteral(" 不在共享目录内")), 1);
        QVERIFY2(notes.filter(QStringLiteral(".CR2")).isEmpty(), qPrintable(summary));
    }
    if (!linked.isEmpty())
        QVERIFY2(summary.contains(QStringLiteral("\n%1 不在共享目录内").arg(linked == QLatin1String("orders") ? QStringLiteral("FJ1001-2") : linked)),
                 qPrintable(summary));
    // The original photo reached through a link is refused as such, not as missing.
    if (mode == DownloadPhotoDelivery)
        QVERIFY2(summary.contains(QStringLiteral("\nDSC_2.jpg 不在共享目录内")), qPrintable(summary));
    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    const QStringList written = filesBelow(orderDir);
    QVERIFY2(written == files, qPrintable(written.join('|')));
    QCOMPARE(QFileInfo::exists(orderDir), linked != QLatin1String("orders"));
    QTRY_COMPARE(reportedIds(), reported);
}

void tst_FJHomeRun::orderFolderThroughALink_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("linked"); // "order", "year" or nothing: real folders
    QTest::addColumn<bool>("bound");     // the share a real bind mount, else a folder of the mount root
    for (int mode : {DesignSplit, DownloadOriginals, DownloadSelectionResults, DownloadPhotoDelivery}) {
        for (const char *linked : {"order folder linked", "year folder linked", "real folders"}) {
            const QString kind = QString::fromLatin1(linked).section(' ', 0, 0).replace("real", QString());
            QTest::addRow("mode %d, %s", mode, linked) << mode << kind << false;
            if (mode == DownloadSelectionResults || mode == DownloadOriginals)
                QTest::addRow("mode %d, %s, bind mount", mode, linked) << mode << kind << true;
        }
    }
}

// An order folder reached through a link of the share may be another order's:
// the order is refused before anything of it is read, written or reported.
void tst_FJHomeRun::orderFolderThroughALink()
{
    QFETCH(int, mode);
    QFETCH(QString, linked);
    QFETCH(bool, bound);
    std::unique_ptr<ScopedEnvironment> realMountsOnly;
    std::unique_ptr<BoundShare> share;
    if (bound) {
        realMountsOnly.reset(new ScopedEnvironment("STUDIO_LOCAL_SHARES"));
        share.reset(new BoundShare(m_root->path() + QStringLiteral("photo")));
        if (!share->isMounted())
            QSKIP("needs root to bind-mount");
    }
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    // Order 2's folder, and order 1's: its own, or reached through a link into order 2's.
    const auto fill = [&](const QString &folder) {
        return putPicture(folder, QStringLiteral("IMG_1.jpg")) && write(folder + QStringLiteral("/原始档/IMG_1.CR2"), "raw")
               && write(folder + QStringLiteral("/cam/DSC_1.jpg"), "camera");
    };
    const QString other = shareFolder(2);
    QVERIFY(fill(other));
    QString path = netpath(1);
    QString link;
    if (linked == QLatin1String("order")) {
        link = m_root->path() + QStringLiteral("photo/orders/o1");
        QVERIFY(QFile::link(other, link));
    } else if (linked == QLatin1String("year")) {
        path = QStringLiteral("\\\\NAS\\photo\\2024\\o2");
        link = m_root->path() + QStringLiteral("photo/2024");
        QVERIFY(QFile::link(m_root->path() + QStringLiteral("photo/orders"), link));
    } else {
        QVERIFY(fill(shareFolder(1)));
    }
    QMap<QString, QByteArray> before;
    for (const QString &file : filesBelow(other + QLatin1Char('/'))) {
        QFile read(other + QLatin1Char('/') + file);
        QVERIFY(read.open(QIODevice::ReadOnly));
        before.insert(file, read.readAll());
    }
    QJsonObject reply = detail(1);
    QJsonObject order = reply.value(QStringLiteral("order")).toObject();
    order.insert(QStringLiteral("netpath"), path);
    reply.insert(QStringLiteral("order"), order);
    const QJsonObject raw{{QStringLiteral("img_name"), QStringLiteral("IMG_1.CR2")}, {QStringLiteral("id"), QStringLiteral("r1")},
                          {QStringLiteral("localpath"), path + QStringLiteral("\\原始档\\IMG_1.CR2")}};
    reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("images"), QJsonArray{picture("IMG_1.jpg")});
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
    reply.insert(QStringLiteral("ysdimgs"), QJsonObject{{QStringLiteral("images_1_1"), QJsonArray{raw}}});
    reply.insert(QStringLiteral("images_yuanpian"),
                 QJsonArray{QJsonObject{{QStringLiteral("img_name"), QStringLiteral("DSC_1.jpg")},
                                        {QStringLiteral("localpath"), path + QStringLiteral("\\cam\\DSC_1.jpg")}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DesignFileSplitTypes(mode), 1);
    ThumbnailInfo chosen;
    chosen.id = QStringLiteral("r1");
    chosen.name = QStringLiteral("IMG_1.CR2");
    chosen.photoPath = raw.value(QStringLiteral("localpath")).toString();
    chosen.selected = true;
    m_window->leftPanel->orderList[0].undownImgList = {chosen};
    const QString summary = runFirstOrderWithRaws(mode);
    const bool raws = mode == DownloadOriginals || mode == DownloadSelectionResults;
    if (link.isEmpty()) {
        QVERIFY2(summary.startsWith(QStringLiteral("1个订单分件完成!")) && !summary.contains(QStringLiteral("链接")),
                 qPrintable(summary));
        QVERIFY(!filesBelow(m_out->path() + QLatin1Char('/')).isEmpty());
        QTRY_COMPARE(reportedIds(), raws ? QStringList{QStringLiteral("r1")} : QStringList());
    } else {
        QCOMPARE(summary, QStringLiteral("1个订单分件完成!\nFJ1001-2 订单目录是链接: %1;").arg(link));
        QVERIFY(QDir(m_out->path()).isEmpty());
        QVERIFY(reportedIds().isEmpty());
    }
    QMap<QString, QByteArray> after;
    for (const QString &file : filesBelow(other + QLatin1Char('/'))) {
        QFile read(other + QLatin1Char('/') + file);
        QVERIFY(read.open(QIODevice::ReadOnly));
        after.insert(file, read.readAll());
    }
    QCOMPARE(after, before);
}

// Ids come as strings, sometimes as numbers: a number is read as its digits;
// an order without a usable id is refused before anything is asked or written.
// Each refused order keeps its own note: a later one does not take an earlier one's place.
void tst_FJHomeRun::linkedOrdersAreEachNamed()
{
    QVERIFY(putPicture(shareFolder(2), QStringLiteral("IMG_1.jpg")));
    const QString link = m_root->path() + QStringLiteral("photo/orders/o1");
    QVERIFY(QFile::link(shareFolder(2), link));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), detail(1));
    makeWindow(DesignSplit, 2);
    tickAndStart({0, 1});
    const QString note = QStringLiteral("\n%1-2 订单目录是链接: %2;").arg(Data::orderNumber(1), link);
    QCOMPARE(waitForSummary(), QStringLiteral("2个订单分件完成!") + note + note);
    QVERIFY(QDir(m_out->path()).isEmpty());
}

void tst_FJHomeRun::orderIdsOfOtherForms()
{
    QJsonObject numbered = Data::order(1);
    numbered.insert(QStringLiteral("order_photo_id"), 1001);
    QJsonObject missing = Data::order(2);
    missing.remove(QStringLiteral("order_photo_id"));
    QJsonObject fraction = Data::order(3);
    fraction.insert(QStringLiteral("order_photo_id"), 3.5);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"),
                        QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                                    {QStringLiteral("data"), QJsonArray{numbered, missing, fraction}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), detail(1));
    m_window = new FJHome();
    m_window->splitType = DownloadSelectionResults;
    m_window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("工具")}});
    m_finished = new QSignalSpy(m_window, &FJHome::runFinished);
    m_window->rightPanel->dirPath = m_out->path();
    QTest::mouseClick(m_window->rightPanel->searchButton, Qt::LeftButton);
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 3);
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    m_service->clearRequests();
    tickAndStart({0, 1, 2});
    QCOMPARE(waitForSummary(), QStringLiteral("3个订单分件完成!\nFJ1002-3 订单数据错误;\nFJ1003-1 订单数据错误;"));
    const auto details = m_service->requests(QStringLiteral("order"), QStringLiteral("orderphotodetail"));
    QCOMPARE(details.size(), 1);
    QCOMPARE(details.first().field(QStringLiteral("order_photo_id")), QStringLiteral("1001"));
    QCOMPARE(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("FJ1001-服务2 王强-李娜 自取")});
}

void tst_FJHomeRun::deepOutputFolder_data()
{
    QTest::addColumn<int>("bytes"); // the order folder's whole path, with its closing "/"
    QTest::newRow("just under the limit") << PATH_MAX - 1;
    QTest::newRow("at the limit") << PATH_MAX;
}

// The order folder is judged with the output folder before it: a short name
// below a deep folder may pass the system's limit all the same.
void tst_FJHomeRun::deepOutputFolder()
{
    QFETCH(int, bytes);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), detail(1));
    makeWindow(DownloadPhotoDelivery, 1);
    const QString name = QStringLiteral("FJ1001-服务2 王强-李娜 自取");
    int left = bytes - 2 - QFile::encodeName(name).size() - QFile::encodeName(m_out->path()).size();
    QString base = m_out->path();
    while (left > 0) {
        const int part = left > 201 ? 200 : left - 1;
        QVERIFY(part > 0);
        base += QLatin1Char('/') + QString(part, QLatin1Char('d'));
        left -= part + 1;
    }
    const QString folder = base + QLatin1Char('/') + name + QLatin1Char('/');
    QCOMPARE(QFile::encodeName(folder).size(), bytes);
    m_window->rightPanel->dirPath = base;
    for (QCheckBox *box : m_window->rightPanel->findChildren<QCheckBox *>())
        box->setChecked(false);
    tickAndStart({0});
    const QString summary = waitForSummary();
    if (bytes < PATH_MAX) {
        QCOMPARE(summary, QStringLiteral("1个订单分件完成!"));
        QVERIFY(QFileInfo(folder).isDir());
    } else {
        QVERIFY2(summary.startsWith(QStringLiteral("1个订单分件完成!\nFJ1001-2 路径过长: ")), qPrintable(summary));
        QVERIFY(QDir(m_out->path()).isEmpty());
    }
}

void tst_FJHomeRun::idlessPhotosKeepTheirOwnTicks_data()
{
    QTest::addColumn<int>("ticked"); // which of two photos of one name, both without an id
    QTest::newRow("the first") << 0;
    QTest::newRow("the second") << 1;
}

// Photos without a usable id are told apart by their folder: a tick stays
// with its photo over a search, and the run moves that photo alone.
void tst_FJHomeRun::idlessPhotosKeepTheirOwnTicks()
{
    QFETCH(int, ticked);
    const QString share = shareFolder(1);
    QJsonArray photos;
    for (const char *folder : {"a", "b"}) {
        QFile raw(m_root->mkpath(QStringLiteral("photo/orders/o1/原始档/") + QLatin1String(folder)) + QStringLiteral("/IMG_1.CR2"));
        QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write(folder) == 1);
        photos.append(QJsonObject{{"img_name", "IMG_1.CR2"},
                                  {"localpath", netpath(1) + "\\原始档\\" + QLatin1String(folder) + "\\IMG_1.CR2"}});
    }
    photos.append(QJsonObject{{"id", "u3"}, {"img_name", "IMG_3.CR2"}, {"localpath", netpath(1) + "\\原始档\\IMG_3.CR2"}});
    QJsonObject listed = Data::order(1);
    listed.insert(QStringLiteral("images_1_0"), photos);
    listed.insert(QStringLiteral("images_1_1"), QJsonArray());
    const QJsonObject list{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("data"), QJsonArray{listed}}};
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), detail(1));
    makeWindow(DownloadOriginals, 1);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list_type_1"), list);
    FJRightPanel *right = m_window->rightPanel;
    const auto search = [&] {
        m_service->clearRequests();
        QTest::mouseClick(right->searchButton, Qt::LeftButton);
        QTRY_COMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list_type_1")).size(), 1);
        QTRY_VERIFY(right->searchButton->isEnabled());
    };
    search();
    QCOMPARE(m_window->leftPanel->orderList.at(0).undownImgList.size(), 3);
    emit m_window->leftPanel->orderSelected(0, true);
    right->onUndownloadSelectionChanged(ticked, true);
    const auto ticks = [](const OrderData &order) {
        QStringList marks;
        for (const ThumbnailInfo &info : order.undownImgList)
            marks << (info.selected ? QStringLiteral("*") : QStringLiteral("-"));
        return marks.join(QString());
    };
    const QString mark = ticked == 0 ? QStringLiteral("*--") : QStringLiteral("-*-");
    QCOMPARE(ticks(right->currentOrder), mark);
    search();
    QCOMPARE(ticks(m_window->leftPanel->orderList.at(0)), mark);
    QCOMPARE(ticks(right->currentOrder), mark);

    // The reload after the run is still out while the lists are read.
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("switch_shop"), 30000);
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!\nIMG_1.CR2 编号无效，未上报"));
    const OrderData &after = m_window->leftPanel->orderList.at(0);
    QCOMPARE(after.downImgList.size(), 1);
    QCOMPARE(after.downImgList.first().photoPath, photos.at(ticked).toObject().value("localpath").toString());
    QCOMPARE(after.undownImgList.size(), 2);
    QCOMPARE(after.undownImgList.first().photoPath, photos.at(1 - ticked).toObject().value("localpath").toString());
    QCOMPARE(ticks(after), QStringLiteral("--"));
    QFile copied(m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/原始档/IMG_1.CR2"));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), ticked == 0 ? QByteArray("a") : QByteArray("b"));
}

void tst_FJHomeRun::slowDownloadBelongsToItsOrder_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("numericIds"); // the detail gives the order's id as a number
    QTest::addColumn<QJsonValue>("badId"); // the detail's id, unusable: the row's id stands
    const QJsonValue none(QJsonValue::Undefined);
    QTest::newRow("design split") << int(DesignSplit) << false << none;
    QTest::newRow("selection results") << int(DownloadSelectionResults) << false << none;
    QTest::newRow("design split, ids as numbers") << int(DesignSplit) << true << none;
    QTest::newRow("design split, detail id a fraction") << int(DesignSplit) << false << QJsonValue(12345.5);
    QTest::newRow("selection results, detail id a bool") << int(DownloadSelectionResults) << false << QJsonValue(true);
}

void tst_FJHomeRun::slowDownloadBelongsToItsOrder()
{
    QFETCH(int, mode);
    QFETCH(bool, numericIds);
    QFETCH(QJsonValue, badId);
    for (int n = 1; n <= 2; ++n) {
        QVERIFY(putPicture(shareFolder(n), QStringLiteral("IMG_1.jpg")));
    }
    m_service->setFileDelay(QStringLiteral("/index.php"), 1500);
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("orderphotodetail"),
                          [this, mode, numericIds, badId](const StandInService::Request &request) {
                              const int n = request.field(QStringLiteral("order_photo_id")).mid(3).toInt();
                              QJsonObject reply = detail(n);
                              reply.insert(mode == DesignSplit ? QStringLiteral("images") : QStringLiteral("images_all"),
                                           QJsonArray{picture("IMG_1.jpg")});
                              QJsonObject order = reply.value(QStringLiteral("order")).toObject();
                              if (numericIds)
                                  order.insert(QStringLiteral("order_photo_id"), 5000 + n);
                              else if (!badId.isUndefined())
                                  order.insert(QStringLiteral("order_photo_id"), badId);
                              reply.insert(QStringLiteral("order"), order);
                              return reply;
                          });
    makeWindow(DesignFileSplitTypes(mode), 2);
    tickAndStart({0, 1});
    QPointer<FJResultRelay> first;
    QTRY_VERIFY((first = m_window->findChild<FJResultRelay *>()));
    QCOMPARE(waitForSummary(), QStringLiteral("2个订单分件完成!"));
    // The order waited for its barcode; the sheet came after it.
    for (int n = 1; n <= 2; ++n) {
        const QString folder = QStringLiteral("/%1-服务2 王强-李娜 自取/").arg(Data::orderNumber(n));
        const QString orderDir = m_out->path() + folder;
        const QFileInfo barcode(orderDir + QStringLiteral("其他/条形码.jpg"));
        const QFileInfo sheet(orderDir + QStringLiteral("其他/明细制作单.pdf"));
        QVERIFY2(barcode.exists() && sheet.exists(), qPrintable(folder));
        QVERIFY(barcode.lastModified() <= sheet.lastModified());
    }
    QCOMPARE(m_window->downPhotoFinishNums, 1);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("orderphotodetail")).size(), 2);
    // Each barcode is asked for by its own order's id, as the detail gives it.
    QStringList barcodeIds;
    for (const auto &request : m_service->requests(QStringLiteral("order"), QStringLiteral("getbarcodegen")))
        barcodeIds << request.query.queryItemValue(QStringLiteral("order_photo_id"));
    QCOMPARE(barcodeIds, numericIds ? (QStringList{"5001", "5002"}) : (QStringList{Data::orderPhotoId(1), Data::orderPhotoId(2)}));
    // Each order's relay goes when the order ends.
    QTRY_VERIFY(!first);
    QTRY_VERIFY(m_window->findChildren<FJResultRelay *>().isEmpty());
}

void tst_FJHomeRun::failuresAreListed_data()
{
    // A picture missing on the share, a download the service refuses.
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QString>("folder"); // the order's "netpath" when not its own; else, if set, the woman's name
    QTest::newRow("design split") << int(DesignSplit)
                                  << QStringList{QStringLiteral("IMG_9.jpg"), QStringLiteral("mark.jpg 下载失败")} << QString();
    QTest::newRow("photo delivery") << int(DownloadPhotoDelivery)
                                    << QStringList{QStringLiteral("DSC_9.jpg"), QStringLiteral("J1.jpg 下载失败")} << QString();
    QTest::newRow("raw files without share") << int(DownloadOriginals)
                                             << QStringList{QStringLiteral("FJ1001-2 连接不上共享目录;")} << QString();
    // Refused before anything is made or read there.
    QTest::newRow("design split, 300,000 levels")
        << int(DesignSplit) << QStringList{QStringLiteral("FJ1001-2 路径过长: ")}
        << QStringLiteral("\\\\NAS\\photo\\") + QStringLiteral("d\\").repeated(300000);
    QTest::newRow("raw files, a 255-byte name") << int(DownloadOriginals) << QStringList{"FJ1001-2 连接不上共享目录;"}
                                                << netpath(1) + QStringLiteral("\\") + QString(255, QLatin1Char('n'));
    QTest::newRow("raw files, a 256-byte name") << int(DownloadOriginals) << QStringList{QStringLiteral("FJ1001-2 路径过长: ")}
                                                << netpath(1) + QStringLiteral("\\") + QString(256, QLatin1Char('n'));
    QTest::newRow("photo delivery, a 256-byte name") << int(DownloadPhotoDelivery) << QStringList{QStringLiteral("FJ1001-2 路径过长: ")}
                                                     << netpath(1) + QStringLiteral("\\") + QString(256, QLatin1Char('n'));
    // Judged as the share's path, three long names are well within the limits.
    QTest::newRow("design split, three names of 200 bytes") << int(DesignSplit) << QStringList{"IMG_9.jpg", "IMG_1.jpg", "mark.jpg 下载失败"}
        << netpath(1) + QStringLiteral("\\%1").arg(QString(200, QLatin1Char('d'))).repeated(3);
    // The order folder's name: "FJ1001-服务2 王强-" and " 自取" are 29 bytes.
    QTest::newRow("design split, a folder name of 255 bytes") << int(DesignSplit) << QStringList{"IMG_9.jpg", "mark.jpg 下载失败"}
                                                              << QString(226, QLatin1Char('w'));
    QTest::newRow("design split, a folder name of 256 bytes") << int(DesignSplit) << QStringList{"FJ1001-2 路径过长: "}
                                                              << QString(227, QLatin1Char('w'));
    QTest::newRow("photo delivery, a name of 100 characters") << int(DownloadPhotoDelivery)
                                                              << QStringList{"FJ1001-2 路径过长: "} << QStringLiteral("娜").repeated(100);
    QStringList many{"mark.jpg 下载失败"};
    for (int n = 100; n < 160; ++n)
        many << QStringLiteral("IMG_%1.jpg").arg(n);
    QTest::newRow("design split, 60 photos missing") << int(DesignSplit) << many << QString();
}

void tst_FJHomeRun::failuresAreListed()
{
    QFETCH(int, mode);
    QFETCH(QStringList, notes);
    QFETCH(QString, folder);
    // Copied without its thumbnail: a note of a job that succeeded, not a failure.
    const QString share = shareFolder(1);
    QVERIFY(QDir(share).mkpath(QStringLiteral("all"))
            && EngineTestImages::writeJpeg(share + QStringLiteral("/all/IMG_1.jpg"), EngineTestImages::pattern(60, 40)));
    m_service->serveFile(QStringLiteral("/files/gone.jpg"), jpegBytes());
    m_service->setFileFailure(QStringLiteral("/files/gone.jpg"), StandInService::Failure::Http500);
    const QString gone = m_service->fileUrl(QStringLiteral("/files/gone.jpg"));
    QJsonObject reply = detail(1);
    QJsonArray images{picture("IMG_1.jpg")};
    for (const QString &note : notes) // the missing photos
        if (note.startsWith(QLatin1String("IMG_")) && note != QLatin1String("IMG_1.jpg"))
            images.append(picture(note));
    reply.insert(QStringLiteral("images"), images);
    reply.insert(QStringLiteral("orderpicdescr"),
                 QJsonArray{QJsonObject{{QStringLiteral("cropping_imgurl"), gone},
                                        {QStringLiteral("img_name"), QStringLiteral("mark.jpg")}}});
    reply.insert(QStringLiteral("images_jingxiu"),
                 QJsonArray{QJsonObject{{QStringLiteral("img_name"), QStringLiteral("J1.jpg")},
                                        {QStringLiteral("url"), gone}}});
    reply.insert(QStringLiteral("images_yuanpian"),
                 QJsonArray{QJsonObject{{QStringLiteral("img_name"), QStringLiteral("DSC_9.jpg")},
                                        {QStringLiteral("localpath"), netpath(1) + QStringLiteral("\\DSC_9.jpg")}}});
    if (!folder.isEmpty()) {
        QJsonObject order = reply.value(QStringLiteral("order")).toObject();
        order.insert(folder.startsWith(QLatin1Char('\\')) ? QStringLiteral("netpath") : QStringLiteral("wname"), folder);
        reply.insert(QStringLiteral("order"), order);
    }
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DesignFileSplitTypes(mode), 1);
    m_window->leftPanel->tableWidget->cellWidget(0, 0)->findChild<QCheckBox *>()->setChecked(true);
    if (mode == DownloadPhotoDelivery) { // a row naming the woman reads nothing from the share
        m_window->rightPanel->originalImageCheckBox->setChecked(!folder.contains(QStringLiteral("娜")));
        m_window->rightPanel->rawFileCheckBox->setChecked(false);
    }
    tickAndStart({});
    const QStringList lines = waitForSummary().split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("1个订单分件完成!"));
    QCOMPARE(lines.size(), notes.size() + 1);
    for (const QString &note : notes)
        QVERIFY2(lines.filter(note).size() == 1, qPrintable(note + QStringLiteral(" in ") + lines.join('|')));
    QCOMPARE(QDir(m_out->path()).isEmpty(), notes.first().contains(QStringLiteral("路径过长")));
    // However long the list, the box stays on the screen and holds all of it.
    const QMessageBox *box = m_window->findChild<QMessageBox *>(QStringLiteral("fjWarning"));
    QVERIFY(box->isVisible() && box->height() <= box->screen()->availableGeometry().height());
    QCOMPARE(box->detailedText().isEmpty() ? box->text() : box->detailedText(), lines.join(QLatin1Char('\n')));
}

void tst_FJHomeRun::noSecretInTheLog()
{
    static QStringList messages;
    messages.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &message) {
            static QMutex lock; // pool threads log too
            QMutexLocker locker(&lock);
            messages << message;
        });
    // The barcode is the one address that carries the token; its download fails.
    m_service->setFileFailure(QStringLiteral("/index.php"), StandInService::Failure::Http500);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), detail(1));
    makeWindow(DesignSplit, 1);
    tickAndStart({0});
    const QString summary = waitForSummary();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(summary, QStringLiteral("1个订单分件完成!\n条形码.jpg 下载失败"));
    QVERIFY(messages.size() > 10);
    for (const QString &message : qAsConst(messages))
        QVERIFY2(!message.contains(Config::URL_TOKEN), qPrintable(message));
}

void tst_FJHomeRun::productFolders_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("goods");
    QTest::addColumn<QJsonArray>("rule");  // the branch's naming rule
    QTest::addColumn<QString>("folder");   // how a product folder's name starts
    QTest::newRow("after the last copy") << 1 << 2 << QJsonArray() << QStringLiteral("#相册");
    QTest::newRow("at once without copies") << 0 << 3 << QJsonArray() << QStringLiteral("#相册");
    QTest::newRow("by the branch's rule")
        << 0 << 1
        << QJsonArray{QJsonObject{{"name", "产品名称"}, {"key", "name"}, {"separator", "-"}},
                      QJsonObject{{"name", "订单号"}, {"key", "orderpayforkey"}}}
        << QStringLiteral("相册-FJ1001");
}

void tst_FJHomeRun::productFolders()
{
    QFETCH(int, copies);
    QFETCH(int, goods);
    QFETCH(QJsonArray, rule);
    QFETCH(QString, folder);
    Config::k_shops[0].goodsfoldernamerule = NamingRuleFormat::toStoredText(rule);
    const QString share = shareFolder(1);
    QDir(share).mkpath(QStringLiteral("all"));
    QJsonObject reply = detail(1);
    QJsonArray images;
    for (int i = 0; i < copies; ++i) {
        const QString name = QStringLiteral("IMG_%1.jpg").arg(i);
        QVERIFY(putPicture(share, name));
        images.append(picture(name));
    }
    reply.insert(QStringLiteral("images"), images);
    QJsonArray goodsList;
    for (int i = 0; i < goods; ++i)
        goodsList.append(QJsonObject{{QStringLiteral("goodname"), QStringLiteral("相册")}, {QStringLiteral("num"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("servicetime"), QJsonArray{QJsonObject{{QStringLiteral("goods"), goodsList}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DesignSplit, 1);
    tickAndStart({0});
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!"));
    // Copies, products, the barcode and the sheet.
    QCOMPARE(m_window->allNum, copies + goods + 1 + 1);
    QCOMPARE(m_window->copyPicFinishNum, copies);
    QCOMPARE(m_window->proFinishNum, goods);
    QVERIFY(m_window->isSaveHtml);
    QCOMPARE(m_window->leftPanel->progressBar->value(), m_window->allNum);
    QStringList products;
    for (QDirIterator it(m_out->path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();) {
        const QString name = QFileInfo(it.next()).fileName();
        if (name.startsWith(folder))
            products << name;
    }
    QVERIFY2(products.size() == goods, qPrintable(products.join('|')));
}

void tst_FJHomeRun::selectionResultsRun()
{
    const QString share = shareFolder(1);
    QVERIFY(putPicture(share, QStringLiteral("IMG_1.jpg")));
    QDir(share).mkpath(QStringLiteral("原始档"));
    for (const char *name : {"IMG_1.CR2", "IMG_1.NEF"}) {
        QFile raw(share + QStringLiteral("/原始档/") + QLatin1String(name));
        QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write(name) > 0);
    }
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("shop_message"), QJsonObject{{QStringLiteral("isbdyxzysd"), QStringLiteral("1")}});
    reply.insert(QStringLiteral("images_all"), QJsonArray{picture("IMG_1.jpg")});
    const auto rawEntry = [this](const QString &name, const QJsonValue &id) {
        return QJsonObject{{QStringLiteral("img_name"), name}, {QStringLiteral("id"), id},
                           {QStringLiteral("localpath"), netpath(1) + QStringLiteral("\\原始档\\") + name}};
    };
    reply.insert(QStringLiteral("ysdimgs"),
                 QJsonObject{{QStringLiteral("images_1_1"), QJsonArray{rawEntry("IMG_1.CR2", QJsonValue())}},
                             {QStringLiteral("images_1_0"),
                              QJsonArray{rawEntry("img_1.cr2", "r2"), rawEntry("IMG_1.NEF", 903)}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DownloadSelectionResults, 1);
    tickAndStart({0});
    // Copied all the same; only a usable id is reported.
    QCOMPARE(waitForSummary(), QStringLiteral("1个订单分件完成!\nIMG_1.CR2 编号无效，未上报"));
    const QString orderDir = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/");
    // Raw files of both lists, downloaded or not, when their name matches a chosen picture.
    QCOMPARE(QDir(orderDir + QStringLiteral("其他/成品原始档")).entryList(QDir::Files),
             (QStringList{QStringLiteral("IMG_1.CR2"), QStringLiteral("IMG_1.NEF")}));
    QVERIFY(QFileInfo::exists(orderDir + QStringLiteral("其他/条形码.jpg")));
    QCOMPARE(m_window->allNum, 1 + 2 + 1 + 1);
    QTRY_COMPARE(reportedIds(), QStringList{QStringLiteral("903")});
    const auto reports = m_service->requests(QStringLiteral("order"), QStringLiteral("download_success"));
    QCOMPARE(reports.at(0).fieldNames().mid(0, 5),
             (QStringList{QStringLiteral("id"), QStringLiteral("shopid"), QStringLiteral("eid"),
                          QStringLiteral("superid"), QStringLiteral("personid")}));
}

void tst_FJHomeRun::closingDuringARunWaitsForRunningJobs()
{
    const QString share = shareFolder(1);
    QDir(share).mkpath(QStringLiteral("all"));
    QJsonArray images;
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("IMG_%1.jpg").arg(i);
        QVERIFY(EngineTestImages::writeJpeg(share + QStringLiteral("/all/") + name, EngineTestImages::pattern(80, 60)));
        images.append(picture(name));
    }
    QJsonObject reply = detail(1);
    reply.insert(QStringLiteral("images"), images);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"), reply);
    makeWindow(DesignSplit, 1);
    tickAndStart({0});
    QTRY_VERIFY(m_window->allNum > 0);
    m_window->close();
    QCOMPARE(m_window->threadPool->activeThreadCount(), 0);
    // Whatever was copied is complete; nothing half-written remains.
    const QString finished = m_out->path() + QStringLiteral("/FJ1001-服务2 王强-李娜 自取/其他/成品");
    for (const QFileInfo &file : QDir(finished).entryInfoList(QDir::Files | QDir::Hidden))
        QVERIFY2(!QImage(file.absoluteFilePath()).isNull(), qPrintable(file.fileName()));
}

QTEST_MAIN(tst_FJHomeRun)
#include "tst_fjhomerun.moc"
