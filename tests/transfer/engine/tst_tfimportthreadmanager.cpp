#include "app/core/K.h"
#include "support/BindMount.h"
#include "support/EngineTestImages.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "transfer/engine/ReplaceGate.h"
#include "transfer/engine/tfimportthreadmanager.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <sys/time.h>

using namespace EngineTestImages;

namespace {

// Every signal of the manager, in the order it came.
struct SignalLog
{
    explicit SignalLog(tfimportthreadmanager *manager)
    {
        QObject::connect(manager, &tfimportthreadmanager::photoImported, manager,
                         [this](const OrderInfo &o, const QString &name, int index, bool ok, const QString &error) {
                             events << QStringLiteral("photo %1 %2 %3").arg(o.order_photo_id).arg(index).arg(ok);
                             photos << Photo{o.order_photo_id, name, index, ok, error};
                         });
        QObject::connect(manager, &tfimportthreadmanager::orderProgressUpdated, manager,
                         [this](const OrderInfo &o, int done, int total) {
                             events << QStringLiteral("progress %1 %2/%3").arg(o.order_photo_id).arg(done).arg(total);
                         });
        QObject::connect(manager, &tfimportthreadmanager::orderImportCompleted, manager,
                         [this](const OrderInfo &o, bool ok, const QString &message) {
                             events << QStringLiteral("completed %1 %2 %3").arg(o.order_photo_id).arg(ok).arg(message);
                             completed << o;
                         });
        QObject::connect(manager, &tfimportthreadmanager::allTasksCompleted, manager,
                         [this]() { events << QStringLiteral("all"); });
        QObject::connect(manager, &tfimportthreadmanager::pathErrorOccurred, manager,
                         [this](const QString &message, const QString &path) { pathErrors << qMakePair(message, path); });
    }

    struct Photo
    {
        QString order;
        QString name;
        int index;
        bool ok;
        QString error;
    };
    QStringList events;
    QList<Photo> photos;
    QList<OrderInfo> completed;
    QList<QPair<QString, QString>> pathErrors;

    QStringList of(const QString &prefix) const { return events.filter(QRegularExpression("^" + prefix)); }
};

} // namespace

class TestImportManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void importsOrderIntoFolderTree_data();
    void importsOrderIntoFolderTree();
    void orderFolderLeadingOffTheShare_data();
    void orderFolderLeadingOffTheShare();
    void workerCountIsClamped_data();
    void workerCountIsClamped();
    void pathErrors_data();
    void pathErrors();
    void everyOrderIsCheckedBeforeAnythingIsCreated();
    void publicPathParentSuffices();
    void videosAndUploadedEntries();
    void slicesOverSeveralWorkers();
    void sameOrderNumberBackToBack();
    void nextOrderStartedFromCompletionSlot();
    void nestedEventLoopInSlot();
    void stopAndStartAgain();
    void emptyOrderCompletesAtOnce();
    void oldCutCopiesGoWithTheNextRun_data();
    void oldCutCopiesGoWithTheNextRun();
    void givenUpAsItsReplacementOpens_data();
    void givenUpAsItsReplacementOpens();

private:
    QStringList photos(int count, const QString &prefix)
    {
        QStringList result;
        for (int i = 0; i < count; ++i) {
            const QString path = m_sources.filePath(QStringLiteral("%1_%2.jpg").arg(prefix).arg(i));
            if (!QFileInfo::exists(path)) {
                writeJpeg(path, pattern(i % 2 ? 150 : 120, 80));
                tagOrientation(path, i % 8 + 1);
            }
            result << path;
        }
        return result;
    }

    QTemporaryDir m_sources;
};

void TestImportManager::initTestCase()
{
    QVERIFY(m_sources.isValid());
}

void TestImportManager::importsOrderIntoFolderTree_data()
{
    QTest::addColumn<bool>("linkedRoot"); // the mount root path is a link to the folder
    QTest::newRow("root as it is") << false;
    QTest::newRow("root reached through a link") << true;
}

void TestImportManager::importsOrderIntoFolderTree()
{
    QFETCH(bool, linkedRoot);
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("studio/.share"));
    QTemporaryDir links;
    if (linkedRoot) {
        QVERIFY(QFile::link(root.path(), links.filePath(QStringLiteral("Volumes"))));
        MountRoot::setPath(links.filePath(QStringLiteral("Volumes")));
    }
    const QString folder = root.path() + QStringLiteral("studio/2024/05/07/A100_1");
    const QStringList sources = photos(3, QStringLiteral("tree"));
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportOrder(order(folder, QStringLiteral("A100"), QStringLiteral("501"), sources));
    QTRY_COMPARE_WITH_TIMEOUT(log.of("all").size(), 1, 20000);

    QCOMPARE(log.photos.size(), 12);
    QCOMPARE(log.completed.size(), 1);
    QCOMPARE(log.completed.first().importPath, folder);
    // Each result comes with its progress, counting up to the entry count; completion comes last.
    QStringList expected;
    for (int i = 0; i < 12; ++i) {
        const int index = log.photos.at(i).index;
        expected << QStringLiteral("photo 501 %1 1").arg(index) << QStringLiteral("progress 501 %1/12").arg(i + 1);
    }
    expected << QStringLiteral("completed 501 1 ") << QStringLiteral("all");
    QCOMPARE(log.events, expected);
    QSet<int> indexes;
    for (const auto &photo : log.photos) {
        indexes.insert(photo.index);
        QCOMPARE(photo.name, QFileInfo(sources.at(photo.index / 4)).fileName());
        QCOMPARE(photo.error, QString());
    }
    QCOMPARE(indexes.size(), 12);

    const QStringList folders = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(QSet<QString>(folders.cbegin(), folders.cend()), QSet<QString>({"all", "原始档", "90", "190", "1920"}));
    for (const QString &source : sources) {
        const QString name = QFileInfo(source).fileName();
        const QImage expectedImage = upright(source);
        QCOMPARE(QImageReader(folder + "/all/" + name).size(), expectedImage.size());
        QVERIFY(sameQuarters(QImage(folder + "/1920/" + name), expectedImage));
        const QSize big = QImageReader(folder + "/1920/" + name).size();
        QCOMPARE(std::max(big.width(), big.height()), 1920);
        QVERIFY(QFileInfo::exists(folder + "/90/" + name));
        QVERIFY(QFileInfo::exists(folder + "/190/" + name));
    }
    QCOMPARE(QDir(folder + "/原始档").entryList(QDir::Files).size(), 0);
    QCOMPARE(QDir(folder + "/all").entryList(QDir::Files | QDir::Hidden).size(), 3);
}

// An order's folder named as a link that leads out of the share takes no
// photo, neither where the link leads nor anywhere in the share.
void TestImportManager::orderFolderLeadingOffTheShare_data()
{
    QTest::addColumn<QString>("linked"); // the folder that is a link off the share: "" the order's own, else a size tag
    QTest::newRow("order folder") << QString();
    QTest::newRow("full-size folder") << QStringLiteral("all");
    QTest::newRow("size folder") << QStringLiteral("90");
    // Links into another order's folder on the same share ("B2:" before the tag).
    QTest::newRow("full-size folder to another order") << QStringLiteral("B2:all");
    QTest::newRow("size folder to another order") << QStringLiteral("B2:1920");
    // The order's folder, or its year folder, a link into another order's: the order is refused whole.
    QTest::newRow("order folder to another order") << QStringLiteral("B2:");
    QTest::newRow("year folder into another order's tree") << QStringLiteral("B2:2024");
}

// A folder of the order that is there already and leads off the share is
// never written into: the photo fails with why, and leaves no copy anywhere.
void TestImportManager::orderFolderLeadingOffTheShare()
{
    QFETCH(QString, linked);
    const bool toOtherOrder = linked.startsWith(QLatin1String("B2:"));
    linked.remove(QStringLiteral("B2:"));
    ScopedMountRoot root;
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    QTemporaryDir backing;
    QVERIFY(QDir(backing.path()).mkpath(QStringLiteral("orders")));
    BindMount mount(backing.path(), root.path() + QStringLiteral("studio"));
    if (!mount.isMounted())
        QSKIP("needs root to bind-mount");
    const QString share = root.path() + QStringLiteral("studio/orders");
    QTemporaryDir outside;
    const bool year = linked == QLatin1String("2024"); // share/2024 leads into B2, where 05/A1 is not made yet
    const QString folder = share + (year ? QStringLiteral("/2024/05/A1") : QStringLiteral("/A1"));
    const QString leadsTo = toOtherOrder ? share + QStringLiteral("/B2/") + (year ? QString() : linked)
                                         : outside.filePath(linked.isEmpty() ? QStringLiteral("A1") : linked);
    QVERIFY(QDir().mkpath(leadsTo));
    QFile theirs(leadsTo + QStringLiteral("/off_0.jpg")); // the other order's photo of the same name
    QVERIFY(!toOtherOrder || (theirs.open(QIODevice::WriteOnly) && theirs.write("theirs") == 6));
    theirs.close();
    if (linked.isEmpty())
        QVERIFY(QFile::link(leadsTo, folder));
    else if (year)
        QVERIFY(QFile::link(leadsTo, share + QStringLiteral("/2024")));
    else
        QVERIFY(QDir().mkpath(folder) && QFile::link(leadsTo, folder + '/' + linked));
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    const QStringList sources = photos(1, QStringLiteral("off"));
    manager.startImportOrder(order(folder, QStringLiteral("A100"), QStringLiteral("501"), sources));
    QTRY_COMPARE_WITH_TIMEOUT(log.of("all").size(), 1, 20000);
    QCOMPARE(log.photos.size(), 4);
    const QString why = linked.isEmpty() ? K::orderFolderLinkMessage(folder)
                        : year           ? K::orderFolderLinkMessage(share + QStringLiteral("/2024"))
                        : toOtherOrder   ? K::outsideOrderMessage(folder + '/' + linked)
                                         : QStringLiteral("目录不在共享目录内: %1/%2").arg(folder, linked);
    for (const auto &photo : log.photos) {
        QVERIFY(!photo.ok);
        QCOMPARE(photo.error, why);
    }
    // Only the other order's own photo is there, as it was.
    QVERIFY(!toOtherOrder || (theirs.open(QIODevice::ReadOnly) && theirs.readAll() == "theirs" && theirs.remove()));
    for (const QString &place : {backing.path(), outside.path()})
        QVERIFY(!QDirIterator(place, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories).hasNext());
    // Not even the order's empty folders are made where the link leads.
    QVERIFY(QDir(leadsTo).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void TestImportManager::workerCountIsClamped_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("zero") << 0 << 1;
    QTest::newRow("negative") << -3 << 1;
    QTest::newRow("two") << 2 << 2;
    QTest::newRow("seventeen") << 17 << 16;
    QTest::newRow("default") << 4 << 4;
}

void TestImportManager::workerCountIsClamped()
{
    QFETCH(int, requested);
    QFETCH(int, expected);
    tfimportthreadmanager manager;
    manager.setMaxWorkerCount(requested);
    QCOMPARE(manager.workerCount(), expected);
    QCOMPARE(manager.findChildren<QThread *>().size(), expected);
}

void TestImportManager::pathErrors_data()
{
    QTest::addColumn<QString>("importPath");       // relative to the mount root unless absolute
    QTest::addColumn<QString>("publicPath");
    QTest::addColumn<QString>("message");          // "=share": the missing share's message for the import path
    QTest::addColumn<QString>("errorPath");        // "=import", "=public" or literal
    QTest::addColumn<QString>("noId");             // the order's id left empty: "id", "order_photo_id"

    const QString unreachable = QStringLiteral("导入路径无法访问并且无法创建，请检查局域网是否能连接");
    QTest::newRow("outside the share") << "/tmp/outside_share/A1" << "" << unreachable << "=import" << "";
    QTest::newRow("relative") << "relative/A1" << "" << unreachable << "=import" << "";
    QTest::newRow("dot dot") << "@/studio/../../escape/A1" << "" << unreachable << "=import" << "";
    QTest::newRow("the root itself") << "@" << "" << unreachable << "=import" << "";
    QTest::newRow("both empty") << "" << "" << QStringLiteral("订单 B7-2 的导入路径和公共导入路径都为空") << "" << "";
    QTest::newRow("public missing") << "" << "@/studio/nothing/here"
                                    << QStringLiteral("公共导入路径无法访问，请检查路径是否正确") << "=public" << "";
    QTest::newRow("cannot be created") << "@/studio/file_in_the_way/A1" << "" << unreachable << "=import" << "";
    // Never made on the local disk beside the mounted share.
    QTest::newRow("share named in other case") << "@/STUDIO/orders/A1" << "" << "=share" << "" << "";
    QTest::newRow("share not mounted") << "@/photos/orders/A1" << "" << "=share" << "" << "";
    QTest::newRow("public folder on a missing share") << "" << "@/Studio/public" << "=share" << "" << "";
    // Refused before anything is looked at: made level by level, they would hold the start for long.
    QTest::newRow("300,000 levels") << "@/studio/" + QString("a/").repeated(300000) + "A1" << "" << "=long" << ""
                                    << "";
    QTest::newRow("name of 256 bytes") << "@/studio/orders/" + QString(256, 'n') << "" << "=long" << "" << "";
    QTest::newRow("public folder 300,000 levels") << "" << "@/studio/" + QString("p/").repeated(300000) << "=long"
                                                  << "" << "";
    QTest::newRow("no order id") << "@/studio/orders/A1" << "" << "订单数据错误" << "B7-2" << "id";
    QTest::newRow("no order photo id") << "@/studio/orders/A1" << "" << "订单数据错误" << "B7-2"
                                       << "order_photo_id";
}

void TestImportManager::pathErrors()
{
    QFETCH(QString, importPath);
    QFETCH(QString, publicPath);
    QFETCH(QString, message);
    QFETCH(QString, errorPath);
    QFETCH(QString, noId);
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("studio/.share"));
    {
        QFile blocker(root.path() + QStringLiteral("studio/file_in_the_way"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    const QString rootNoSlash = root.path().chopped(1);
    importPath.replace(QLatin1Char('@'), rootNoSlash);
    publicPath.replace(QLatin1Char('@'), rootNoSlash);
    OrderInfo info = order(importPath, QStringLiteral("B7"), QStringLiteral("9"), photos(1, QStringLiteral("err")));
    info.servicetimes = QStringLiteral("2");
    info.importPublicPath = publicPath;
    if (noId == "id")
        info.id.clear();
    else if (noId == "order_photo_id")
        info.order_photo_id.clear();
    if (message == "=share")
        message = K::missingShareMessage(tfimportthreadmanager().generateImportPath(info));
    else if (message == "=long")
        message = K::pathTooLongMessage(tfimportthreadmanager().generateImportPath(info));
    if (errorPath == "=import")
        errorPath = importPath;
    else if (errorPath == "=public")
        errorPath = publicPath;

    const auto everything = [&root] {
        QStringList found;
        QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    };
    const QStringList before = everything();
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    QElapsedTimer started;
    started.start();
    manager.startImportAllOrders({info});
    QVERIFY2(started.elapsed() < 1000, qPrintable(QString::number(started.elapsed())));
    QCOMPARE(log.pathErrors.size(), 1);
    QCOMPARE(log.pathErrors.first().first, message);
    QCOMPARE(log.pathErrors.first().second, errorPath);
    QVERIFY(!manager.isRunning());
    QCOMPARE(manager.getCurrentTaskCount(), 0);
    QCOMPARE(everything(), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/outside_share")));
}

// A later order with an unsafe folder stops the start before the first order's folder is made.
void TestImportManager::everyOrderIsCheckedBeforeAnythingIsCreated()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("new/.share")); // content: an empty share folder is a mount point
    root.mkpath(QStringLiteral("other/.share")); // content: an empty share folder is a mount point
    const QString first = root.path() + QStringLiteral("new/parent/A1");
    const OrderInfo good = order(first, QStringLiteral("A1"), QStringLiteral("1"), photos(1, QStringLiteral("chk")));
    const OrderInfo bad = order(root.path() + QStringLiteral("x/../../A2"), QStringLiteral("A2"), QStringLiteral("2"),
                                photos(1, QStringLiteral("chk")));
    tfimportthreadmanager manager;
    QString message;
    QString path;
    QVERIFY(!manager.validateOrderPaths({good, bad}, message, path));
    QCOMPARE(path, bad.importPath);
    QVERIFY(!QFileInfo::exists(root.path() + QStringLiteral("new/parent")));

    // Both good: both folders exist afterwards, not only the first.
    const OrderInfo second = order(root.path() + QStringLiteral("other/deep/A3"), QStringLiteral("A3"),
                                   QStringLiteral("3"), {});
    QVERIFY(manager.validateOrderPaths({good, second}, message, path));
    QVERIFY(QFileInfo::exists(first));
    QVERIFY(QFileInfo::exists(second.importPath));
}

void TestImportManager::publicPathParentSuffices()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("public/.share"));
    const QString publicPath = root.mkpath(QStringLiteral("public")) + QStringLiteral("/missing_leaf");
    OrderInfo info = order(QString(), QStringLiteral("C3"), QStringLiteral("33"), photos(1, QStringLiteral("pub")));
    info.importPublicPath = publicPath;
    info.shotdate_year = QStringLiteral("2024");
    info.shotdate_month = QStringLiteral("05");
    info.shotdate_day = QStringLiteral("07");
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportAllOrders({info});
    QCOMPARE(log.pathErrors.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 1, 20000);
    const QString used = log.completed.first().importPath;
    QVERIFY(used.startsWith(publicPath + QLatin1Char('/')));
    QVERIFY(QFileInfo::exists(used + QStringLiteral("/all/pub_0.jpg")));
}

void TestImportManager::videosAndUploadedEntries()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("videos/.share")); // content: an empty share folder is a mount point
    const QString folder = root.path() + QStringLiteral("videos/V1");
    const QStringList sources = photos(2, QStringLiteral("vid"));
    OrderInfo info = order(folder, QStringLiteral("V1"), QStringLiteral("71"), {});
    for (const QString &source : sources) {
        PhotoInfo video;
        video.img_name = QFileInfo(source).fileName();
        video.url = source;
        video.sizeTag = QStringLiteral("精修视频");
        info.photoList.append(video);
    }
    // An entry already uploaded is reported done and not written again.
    info.photoList[1].status = PhotoStatus::Uploaded;
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportOrder(info);
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 1, 20000);
    QCOMPARE(log.photos.size(), 2);
    for (const auto &photo : log.photos)
        QVERIFY(photo.ok);
    QFile original(sources.at(0));
    QFile copy(folder + QStringLiteral("/精修视频/vid_0.jpg"));
    QVERIFY(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/精修视频/vid_1.jpg")));
    QVERIFY(QFileInfo(folder + QStringLiteral("/all")).isDir());
}

// More entries than workers: each entry is reported exactly once and progress still counts 1..N of N.
void TestImportManager::slicesOverSeveralWorkers()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("slices/.share")); // content: an empty share folder is a mount point
    const QString folder = root.path() + QStringLiteral("slices/S1");
    tfimportthreadmanager manager;
    manager.setMaxWorkerCount(2);
    SignalLog log(&manager);
    OrderInfo info = order(folder, QStringLiteral("S1"), QStringLiteral("81"), photos(10, QStringLiteral("slice")));
    info.photoList[6].imagesize = QStringLiteral("0"); // one failing copy still counts, and fails its photo
    manager.startImportOrder(info);
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 1, 30000);
    QCOMPARE(log.photos.size(), 40);
    QSet<int> indexes;
    int failed = 0;
    for (const auto &photo : log.photos) {
        indexes.insert(photo.index);
        failed += photo.ok ? 0 : 1;
    }
    QCOMPARE(indexes.size(), 40);
    QCOMPARE(failed, 4);
    const QStringList progress = log.of("progress");
    QCOMPARE(progress.size(), 40);
    for (int i = 0; i < 40; ++i)
        QCOMPARE(progress.at(i), QStringLiteral("progress 81 %1/40").arg(i + 1));
    QCOMPARE(log.of("completed"), QStringList{QStringLiteral("completed 81 1 ")});
}

// Two visits of one order number: each completes once, after all of its own results.
void TestImportManager::sameOrderNumberBackToBack()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("same/.share")); // content: an empty share folder is a mount point
    OrderInfo first = order(root.path() + QStringLiteral("same/D1_1"), QStringLiteral("D1"), QStringLiteral("91"),
                            photos(2, QStringLiteral("same")));
    OrderInfo second = order(root.path() + QStringLiteral("same/D1_2"), QStringLiteral("D1"), QStringLiteral("92"),
                             photos(3, QStringLiteral("same")));
    second.servicetimes = QStringLiteral("2");
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportAllOrders({first, second});
    QTRY_COMPARE_WITH_TIMEOUT(log.of("all").size(), 1, 30000);
    QStringList completions = log.of("completed");
    std::sort(completions.begin(), completions.end());
    QCOMPARE(completions, QStringList({"completed 91 1 ", "completed 92 1 "}));
    QCOMPARE(log.of("photo 91").size(), 8);
    QCOMPARE(log.of("photo 92").size(), 12);
    QCOMPARE(log.of("progress 92").last(), QStringLiteral("progress 92 12/12"));
    QCOMPARE(log.of("progress 91").last(), QStringLiteral("progress 91 8/8"));
    // Each visit completes right after its own last result, never early.
    for (const QString id : {"91", "92"}) {
        const int completedAt = log.events.indexOf(QStringLiteral("completed %1 1 ").arg(id));
        const int lastProgress = log.events.lastIndexOf(QRegularExpression(QStringLiteral("progress %1 .*").arg(id)));
        QCOMPARE(completedAt, lastProgress + 1);
    }
    QCOMPARE(QDir(second.importPath + QStringLiteral("/all")).entryList(QDir::Files).size(), 3);
}

// The owner starts the next order from the completion slot, as the tool window does.
void TestImportManager::nextOrderStartedFromCompletionSlot()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("chain/.share")); // content: an empty share folder is a mount point
    const OrderInfo first = order(root.path() + QStringLiteral("chain/E1_1"), QStringLiteral("E1"),
                                  QStringLiteral("101"), photos(2, QStringLiteral("chain")));
    OrderInfo second = order(root.path() + QStringLiteral("chain/E1_2"), QStringLiteral("E1"), QStringLiteral("102"),
                             photos(2, QStringLiteral("chain")));
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    connect(&manager, &tfimportthreadmanager::orderImportCompleted, this,
            [&](const OrderInfo &done) {
                if (done.order_photo_id == QLatin1String("101"))
                    manager.startImportAllOrders({second});
            });
    manager.startImportAllOrders({first});
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 2, 30000);
    QCOMPARE(log.of("progress 102").size(), 8);
    QCOMPARE(log.of("progress 102").first(), QStringLiteral("progress 102 1/8"));
    QCOMPARE(log.of("progress 102").last(), QStringLiteral("progress 102 8/8"));
}

// A slot that runs its own event loop (a modal box) must not freeze the engine.
void TestImportManager::nestedEventLoopInSlot()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("nested/.share")); // content: an empty share folder is a mount point
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    int nested = 0;
    connect(&manager, &tfimportthreadmanager::photoImported, this, [&]() {
        if (nested++ >= 3)
            return;
        QEventLoop loop;
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
        loop.exec();
    });
    connect(&manager, &tfimportthreadmanager::orderProgressUpdated, this, [&](const OrderInfo &o, int done) {
        if (done == 2 && o.order_photo_id == QLatin1String("111")) {
            // Starting another order from inside a slot must not block on the engine's locks.
            manager.startImportOrder(order(root.path() + QStringLiteral("nested/F2"), QStringLiteral("F2"),
                                           QStringLiteral("112"), photos(1, QStringLiteral("nested2"))));
        }
    });
    manager.startImportOrder(order(root.path() + QStringLiteral("nested/F1"), QStringLiteral("F1"),
                                   QStringLiteral("111"), photos(3, QStringLiteral("nested"))));
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 2, 30000);
    QCOMPARE(log.of("photo 111").size(), 12);
    QCOMPARE(log.of("photo 112").size(), 4);
    QCOMPARE(log.of("progress 111").size(), 12);
}

void TestImportManager::stopAndStartAgain()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("stop/.share")); // content: an empty share folder is a mount point
    const QString folder = root.path() + QStringLiteral("stop/G1");
    const OrderInfo info = order(folder, QStringLiteral("G1"), QStringLiteral("121"), photos(12, QStringLiteral("stop")));
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    bool stopped = false;
    connect(&manager, &tfimportthreadmanager::photoImported, this, [&]() {
        if (log.photos.size() == 3 && !stopped) {
            stopped = true;
            manager.stopAllTasks();
        }
    });
    manager.startImportOrder(info);
    QTRY_VERIFY_WITH_TIMEOUT(log.photos.size() >= 3, 20000);
    QVERIFY(!manager.isRunning());
    // The stopped workers end; nothing more is reported for the stopped run.
    const auto allEnded = [&manager]() {
        const QList<QThread *> threads = manager.findChildren<QThread *>();
        return !threads.isEmpty()
               && std::all_of(threads.cbegin(), threads.cend(), [](QThread *t) { return t->isFinished(); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(allEnded(), 20000);
    QCoreApplication::processEvents();
    QCOMPARE(log.photos.size(), 3);
    QCOMPARE(log.completed.size(), 0);

    log.events.clear();
    log.photos.clear();
    manager.startImportOrder(info);
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 1, 30000);
    QCOMPARE(log.photos.size(), 48);
    QCOMPARE(log.of("progress").last(), QStringLiteral("progress 121 48/48"));
    for (const QString &tag : {"all", "90", "190", "1920"})
        QCOMPARE(QDir(folder + QLatin1Char('/') + tag).entryList(QDir::Files | QDir::Hidden).size(), 12);
}

void TestImportManager::emptyOrderCompletesAtOnce()
{
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("empty/.share")); // content: an empty share folder is a mount point
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportAllOrders({order(root.path() + QStringLiteral("empty/H1"), QStringLiteral("H1"),
                                        QStringLiteral("131"), {})});
    QTRY_COMPARE_WITH_TIMEOUT(log.of("all").size(), 1, 10000);
    QCOMPARE(log.events, QStringList({"completed 131 1 ", "all"}));
    QVERIFY(!manager.isRunning());
}


void TestImportManager::oldCutCopiesGoWithTheNextRun_data()
{
    QTest::addColumn<int>("count"); // photos of the run
    QTest::newRow("one photo: one write into each folder") << 1;
    QTest::newRow("two photos") << 2;
}

// A killed run leaves its temporaries; the next run into the folder removes
// those of its own naming untouched for an hour, and nothing else.
void TestImportManager::oldCutCopiesGoWithTheNextRun()
{
    QFETCH(int, count);
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("cut/.share"));
    const QString folder = root.path() + QStringLiteral("cut/C1");
    const struct
    {
        const char *path;
        int ageSecs;
        bool stays;
    } files[] = {
        {"all/.cut_0.jpg.part-0a1b2c3d4e", 7200, false},
        {"90/.cut_1.jpg.part-r0a1b2c3d4e", 3600, false}, // staged beside a photo it was to replace
        {"all/..cut_1.jpg.part-r0a1b2c3d4e.part-zz1b2c3d4e", 7200, false},
        {"1920/.other.jpg.part-0a1b2c3d4e", 86400, false},
        {"all/.cut_2.jpg.part-0a1b2c3d4e", 0, true},
        {"190/.cut_3.jpg.part-0a1b2c3d4e", 3540, true},
        {"all/cut.jpg.part-0a1b2c3d4e", 7200, true},
        {"all/.cut_4.jpg.part-0a1b2c", 7200, true},
        {"all/.cut_5.jpg.part-0A1B2C3D4E", 7200, true},
        {"all/.hidden.jpg", 7200, true},
        {"原始档/.cut_6.jpg.part-0a1b2c3d4e", 7200, true}, // not written by the run
        {".cut_7.jpg.part-0a1b2c3d4e", 7200, true},
    };
    for (const auto &file : files) {
        const QString path = folder + '/' + QString::fromUtf8(file.path);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile made(path);
        QVERIFY(made.open(QIODevice::WriteOnly) && made.write("cut") == 3);
        made.close();
        struct timeval times[2];
        ::gettimeofday(&times[0], nullptr);
        times[0].tv_sec -= file.ageSecs;
        times[1] = times[0];
        QVERIFY(::utimes(QFile::encodeName(path).constData(), times) == 0);
    }
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportOrder(order(folder, QStringLiteral("C1"), QStringLiteral("81"), photos(count, QStringLiteral("cut"))));
    QTRY_COMPARE_WITH_TIMEOUT(log.completed.size(), 1, 20000);
    for (const auto &file : files)
        QVERIFY2(QFileInfo::exists(folder + '/' + QString::fromUtf8(file.path)) == file.stays, file.path);
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/all/cut_0.jpg")));
}

void TestImportManager::givenUpAsItsReplacementOpens_data()
{
    QTest::addColumn<int>("count"); // photos, each on a worker of its own
    QTest::newRow("one worker") << 1;
    QTest::newRow("two workers") << 2;
}

// The close gives the run up just as the photos' replacements open: each
// photo, already taking an older photo's place, is finished and reported.
void TestImportManager::givenUpAsItsReplacementOpens()
{
    QFETCH(int, count);
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("gate/.share"));
    const QString folder = root.path() + QStringLiteral("gate/G1");
    const QStringList sources = photos(count, QStringLiteral("gate"));
    const QStringList tags{"all", "90", "190", "1920"};
    for (const QString &source : sources) {
        for (const QString &tag : tags) {
            QFile older(folder + '/' + tag + '/' + QFileInfo(source).fileName());
            QVERIFY(QDir().mkpath(folder + '/' + tag) && older.open(QIODevice::WriteOnly));
            older.write("the picture before");
        }
    }
    OrderInfo info = order(folder, QStringLiteral("G1"), QStringLiteral("91"), sources);
    for (PhotoInfo &entry : info.photoList)
        entry.replaceConfirmed = true;
    QSemaphore opened;
    QSemaphore resume;
    // Every copy let through stops right before it takes the older photo's place.
    ReplaceGate::setOpenedHook([&] {
        opened.release();
        resume.acquire();
    });
    const auto unhook = qScopeGuard([&] {
        resume.release(4 * count);
        ReplaceGate::setOpenedHook({});
    });
    tfimportthreadmanager manager;
    SignalLog log(&manager);
    manager.startImportOrder(info);
    QTRY_COMPARE_WITH_TIMEOUT(opened.available(), 4 * count, 20000);
    manager.abandonPhotosInFlight();
    QVERIFY(manager.hasPhotosInFlight());
    resume.release(4 * count);
    QTRY_COMPARE_WITH_TIMEOUT(log.photos.size(), 4 * count, 20000);
    for (const auto &photo : log.photos)
        QVERIFY2(photo.ok, qPrintable(photo.error));
    QTRY_VERIFY(!manager.hasPhotosInFlight());
    for (int i = 0; i < count; ++i) {
        const QString name = QFileInfo(sources.at(i)).fileName();
        QCOMPARE(manager.takePlacedSize(QStringLiteral("91"), 4 * i), QFileInfo(folder + "/all/" + name).size());
        for (const QString &tag : tags) {
            QFile placed(folder + '/' + tag + '/' + name);
            QVERIFY(placed.open(QIODevice::ReadOnly));
            QVERIFY2(placed.readAll() != "the picture before", qPrintable(tag));
        }
    }
    for (const QString &tag : tags)
        QCOMPARE(QDir(folder + '/' + tag).entryList(QDir::Files | QDir::Hidden).size(), count);
}

QTEST_MAIN(TestImportManager)
#include "tst_tfimportthreadmanager.moc"
