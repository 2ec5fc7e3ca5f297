#include "split/engine/FJDataThread.h"
#include "split/engine/ProductFolderNames.h"
#include "support/FJJobReports.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

QJsonArray array(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).array();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Files and folders below folder, relative, sorted; folders end with "/".
QStringList entriesBelow(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries << QDir(folder).relativeFilePath(path) + (it.fileInfo().isDir() ? QStringLiteral("/") : QString());
    }
    entries.sort();
    return entries;
}

const char *kOrder = R"({"orderpayforkey":"A001","mname":"M1","wname":"W1","pickuptime":"T1",
                          "isurgenttime":"T2","servicetimes":"2"})";

} // namespace

class TestFJDataThreadProducts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void builtInNames_data();
    void builtInNames();
    void singleProductCopiesItsPictures();
    void typeFortyMakesOnlyTheGroupFolder();
    void sonGoodsGetOneFolderEach();
    void ruleNamesTheFolders();
    void missingPictureIsOneFailureLine();
    void serviceValuesStayInsideTheOrderFolder_data();
    void serviceValuesStayInsideTheOrderFolder();
    void equalNamesAtOnceGetDistinctFolders();
    void folderThatCannotBeMadeIsAFailure_data();
    void folderThatCannotBeMadeIsAFailure();

private:
    FJJobReceiver::Report runProduct(const QJsonObject &goods, const QJsonArray &rule = QJsonArray());
    void putFinished(const QStringList &names);

    QTemporaryDir *m_out = nullptr;
    QString m_orderDir;
    FJJobReceiver *m_receiver = nullptr;
};

void TestFJDataThreadProducts::init()
{
    m_out = new QTemporaryDir;
    QVERIFY(m_out->isValid());
    m_orderDir = m_out->path() + QStringLiteral("/A001-服务2 M1-W1 自取/");
    m_receiver = new FJJobReceiver;
}

void TestFJDataThreadProducts::cleanup()
{
    delete m_receiver;
    delete m_out;
}

FJJobReceiver::Report TestFJDataThreadProducts::runProduct(const QJsonObject &goods, const QJsonArray &rule)
{
    auto *job = new FJDataThread(QStringLiteral("创建产品"), object(kOrder), goods, m_orderDir, m_receiver);
    job->goodsFolderNameRules = rule;
    return m_receiver->runOne(job);
}

void TestFJDataThreadProducts::putFinished(const QStringList &names)
{
    for (const QString &name : names)
        QVERIFY(writeBytes(m_orderDir + QStringLiteral("其他/成品/") + name, "finished " + name.toUtf8()));
}

void TestFJDataThreadProducts::builtInNames_data()
{
    QTest::addColumn<QJsonObject>("goods");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("single");
    QTest::addColumn<QString>("son");

    QTest::newRow("not urgent") << object(R"({"id":"88","goodname":"相册","goodtypename":"册","goodamount":"1",
                                             "factoryname":"F","isurgent":"0","isems":"邮寄"})")
                                << "F M1-W1 T1取 邮寄" << "88#相册 册 1 A001 M1-W1 T1取 邮寄"
                                << "s9#相册-内页 页 2 A001 M1-W1 T1取 邮寄";
    // Empty values leave no edge or doubled blank: Windows clients cannot open a name ending in one.
    QTest::newRow("no isurgent counts as 0") << object(R"({"id":"88","goodname":"相册","factoryname":"F"})")
                                             << "F M1-W1 T1取" << "88#相册 A001 M1-W1 T1取"
                                             << "s9#相册-内页 页 2 A001 M1-W1 T1取";
    QTest::newRow("urgent") << object(R"({"id":"88","goodname":"相册","goodtypename":"册","goodamount":"1",
                                         "isurgent":"1","isems":"E"})")
                            << "M1-W1 T2急 E" << "88#相册 册 1 A001 M1-W1 T2急 E"
                            << "s9#相册-内页 页 2 A001 M1-W1 T2急 E";
    QTest::newRow("blank values") << object(R"({"id":"7","goodname":"册","goodtypename":" ","goodamount":" 2 ",
                                               "factoryname":"  ","isems":" E "})")
                                  << "M1-W1 T1取 E" << "7#册 2 A001 M1-W1 T1取 E" << "s9#册-内页 页 2 A001 M1-W1 T1取 E";
    QTest::newRow("slash in a value") << object(R"({"id":"1","goodname":"a/b\\c","factoryname":"x/y"})")
                                      << "x_y M1-W1 T1取" << "1#a_b_c A001 M1-W1 T1取"
                                      << "s9#a_b_c-内页 页 2 A001 M1-W1 T1取";
}

void TestFJDataThreadProducts::builtInNames()
{
    QFETCH(QJsonObject, goods);
    QFETCH(QString, group);
    QFETCH(QString, single);
    QFETCH(QString, son);
    const QJsonObject order = object(kOrder);
    QCOMPARE(ProductFolderNames::groupFolder(order, goods), group);
    QCOMPARE(ProductFolderNames::singleProduct(order, goods), single);
    QCOMPARE(ProductFolderNames::sonProduct(
                 order, goods, object(R"({"id":"s9","goodname":"内页","goodtype":"页","goodamount":"2"})")),
             son);
}

void TestFJDataThreadProducts::singleProductCopiesItsPictures()
{
    putFinished({"a.jpg", "b.jpg"});
    const FJJobReceiver::Report report = runProduct(object(
        R"({"id":"88","goodname":"相册","goodtypename":"册","goodamount":"1","factoryname":"F","isurgent":"0",
            "isems":"E","imgs":[{"img_name":"a.jpg"},{"img_name":"b.jpg"}]})"));
    QVERIFY2(report.ok, qPrintable(report.message));
    QCOMPARE(report.jobType, QStringLiteral("创建产品"));
    QCOMPARE(report.srcPath, QString());
    QCOMPARE(report.message, QString());
    const QString product = m_orderDir + QStringLiteral("F M1-W1 T1取 E/88#相册 册 1 A001 M1-W1 T1取 E/");
    QCOMPARE(readBytes(product + "a.jpg"), QByteArray("finished a.jpg"));
    QCOMPARE(readBytes(product + "b.jpg"), QByteArray("finished b.jpg"));
    QCOMPARE(QDir(product).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.jpg", "b.jpg"}));
}

void TestFJDataThreadProducts::typeFortyMakesOnlyTheGroupFolder()
{
    putFinished({"a.jpg"});
    const FJJobReceiver::Report report = runProduct(
        object(R"({"id":"5","goodname":"加急","goodtypeid":"40","factoryname":"F","imgs":[{"img_name":"a.jpg"}]})"));
    QVERIFY(report.ok);
    QCOMPARE(report.message, QString());
    QCOMPARE(entriesBelow(m_orderDir),
             (QStringList{"F M1-W1 T1取/", "其他/", "其他/成品/", "其他/成品/a.jpg"}));
}

void TestFJDataThreadProducts::sonGoodsGetOneFolderEach()
{
    putFinished({"a.jpg", "b.jpg", "own.jpg"});
    const FJJobReceiver::Report report = runProduct(object(
        R"({"id":"1","goodname":"套系","goodtypeid":"40","factoryname":"F","isems":"E",
            "imgs":[{"img_name":"own.jpg"}],
            "son_good":[{"id":"s1","goodname":"内页","goodtype":"页","goodamount":"2","picpath":[{"img_name":"a.jpg"}]},
                        {"id":"s2","goodname":"封面","goodtype":"面","goodamount":"1","picpath":[{"img_name":"b.jpg"}]}]})"));
    QVERIFY2(report.ok, qPrintable(report.message));
    const QString group = QStringLiteral("F M1-W1 T1取 E/");
    QCOMPARE(entriesBelow(m_orderDir + group),
             (QStringList{"s1#套系-内页 页 2 A001 M1-W1 T1取 E/", "s1#套系-内页 页 2 A001 M1-W1 T1取 E/a.jpg",
                          "s2#套系-封面 面 1 A001 M1-W1 T1取 E/", "s2#套系-封面 面 1 A001 M1-W1 T1取 E/b.jpg"}));
}

void TestFJDataThreadProducts::ruleNamesTheFolders()
{
    putFinished({"a.jpg", "b.jpg"});
    const QJsonArray rule = array(R"([{"key":"customername","separator":"_"},{"key":"orderpayforkey"}])");
    FJJobReceiver::Report report = runProduct(
        object(R"({"id":"1","goodname":"相册","factoryname":"F","imgs":[{"img_name":"a.jpg"}]})"), rule);
    QVERIFY(report.ok);
    QCOMPARE(readBytes(m_orderDir + QStringLiteral("F M1-W1 T1取/W1 M1_A001/a.jpg")), QByteArray("finished a.jpg"));

    // Sub-products: the product's own values, the goods item's isems.
    const QJsonArray sonRule = array(R"([{"key":"name","separator":" "},{"key":"isems"}])");
    report = runProduct(object(R"({"goodname":"套系","factoryname":"G","isems":"E",
                                   "son_good":[{"goodname":"内页","picpath":[{"img_name":"a.jpg"}]},
                                               {"goodname":"封面","picpath":[{"img_name":"b.jpg"}]}]})"),
                        sonRule);
    QVERIFY(report.ok);
    QCOMPARE(entriesBelow(m_orderDir + QStringLiteral("G M1-W1 T1取 E/")),
             (QStringList{"内页 E/", "内页 E/a.jpg", "封面 E/", "封面 E/b.jpg"}));
}

void TestFJDataThreadProducts::missingPictureIsOneFailureLine()
{
    putFinished({"a.jpg", "c.jpg"});
    FJJobReceiver::Report report = runProduct(object(
        R"({"id":"7","goodname":"框","factoryname":"F","imgs":[{"img_name":"a.jpg"},{"img_name":"b.jpg"},
            {"img_name":"c.jpg"},{"img_name":"gone.jpg"}]})"));
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("\n框的b.jpg拷贝失败\n框的gone.jpg拷贝失败"));
    const QString product = m_orderDir + QStringLiteral("F M1-W1 T1取/7#框 A001 M1-W1 T1取/");
    QCOMPARE(QDir(product).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.jpg", "c.jpg"}));

    report = runProduct(object(R"({"goodname":"套系","factoryname":"F",
                                   "son_good":[{"goodname":"内页","picpath":[{"img_name":"x.jpg"}]}]})"));
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("\n套系_内页的x.jpg拷贝失败"));
}

void TestFJDataThreadProducts::serviceValuesStayInsideTheOrderFolder_data()
{
    QTest::addColumn<QJsonObject>("goods");
    QTest::addColumn<QJsonArray>("rule");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("productEntries"); // below the group folder

    QTest::newRow("parent in a picture name")
        << object(R"({"id":"1","goodname":"g","factoryname":"F","imgs":[{"img_name":"../../../escape.jpg"},
                      {"img_name":".."}]})")
        << QJsonArray() << false << QStringList{"1#g A001 M1-W1 T1取/"};
    QTest::newRow("slashes in names by rule")
        << object(R"({"id":"../..","goodname":"a/b","factoryname":"F","imgs":[{"img_name":"a.jpg"}]})")
        << array(R"([{"key":"id","separator":"/"},{"key":"name"}])") << true
        << QStringList{".._.._a_b/", ".._.._a_b/a.jpg"};
    QTest::newRow("rule with no known key")
        << object(R"({"id":"1","factoryname":"F","imgs":[{"img_name":"a.jpg"}]})")
        << array(R"([{"key":"nothing","separator":"-"}])") << true << QStringList{"_/", "_/a.jpg"};
}

void TestFJDataThreadProducts::serviceValuesStayInsideTheOrderFolder()
{
    QFETCH(QJsonObject, goods);
    QFETCH(QJsonArray, rule);
    QFETCH(bool, ok);
    QFETCH(QStringList, productEntries);
    putFinished({"a.jpg"});
    QVERIFY(writeBytes(m_out->path() + QStringLiteral("/escape.jpg"), "outside"));
    const FJJobReceiver::Report report = runProduct(goods, rule);
    QCOMPARE(report.ok, ok);
    QCOMPARE(entriesBelow(m_orderDir + QStringLiteral("F M1-W1 T1取/")), productEntries);
    // Nothing beside the order folder was touched.
    QCOMPARE(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{"A001-服务2 M1-W1 自取", "escape.jpg"}));
    QCOMPARE(readBytes(m_out->path() + QStringLiteral("/escape.jpg")), QByteArray("outside"));
}

void TestFJDataThreadProducts::equalNamesAtOnceGetDistinctFolders()
{
    putFinished({"a.jpg"});
    const QJsonObject goods =
        object(R"({"id":"7","goodname":"框","factoryname":"F","imgs":[{"img_name":"a.jpg"}]})");
    QList<FJDataThread *> jobs;
    for (int i = 0; i < 12; ++i)
        jobs << new FJDataThread(QStringLiteral("创建产品"), object(kOrder), goods, m_orderDir, m_receiver);
    m_receiver->runAll(jobs, 6);
    QCOMPARE(m_receiver->reports.size(), 12);
    for (const FJJobReceiver::Report &report : qAsConst(m_receiver->reports))
        QVERIFY2(report.ok, qPrintable(report.message));
    const QDir group(m_orderDir + QStringLiteral("F M1-W1 T1取/"));
    const QStringList folders = group.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 12);
    for (const QString &folder : folders)
        QCOMPARE(readBytes(group.filePath(folder) + QStringLiteral("/a.jpg")), QByteArray("finished a.jpg"));
}

void TestFJDataThreadProducts::folderThatCannotBeMadeIsAFailure_data()
{
    QTest::addColumn<QString>("blocker"); // a file put there first, below the order folder
    QTest::addColumn<QString>("goodname");
    QTest::addColumn<bool>("pictures");
    QTest::addColumn<QString>("folder"); // named in the message, below the order folder

    const QString group = QStringLiteral("F M1-W1 T1取");
    const QString product = QStringLiteral("7#框 A001 M1-W1 T1取");
    QTest::newRow("file in the group's place") << group << "框" << true << group;
    QTest::newRow("file in the group's place, no pictures") << group << "框" << false << group;
    QTest::newRow("file in the product's place") << group + "/" + product << "框" << false << group + "/" + product;
    const QString longName = QString(90, QChar(0x6846)); // 270 bytes in UTF-8
    QTest::newRow("name over the limit, no pictures")
        << QString() << longName << false << group + "/7#" + longName + " A001 M1-W1 T1取";
}

void TestFJDataThreadProducts::folderThatCannotBeMadeIsAFailure()
{
    QFETCH(QString, blocker);
    QFETCH(QString, goodname);
    QFETCH(bool, pictures);
    QFETCH(QString, folder);
    putFinished({"a.jpg"});
    if (!blocker.isEmpty())
        QVERIFY(writeBytes(m_orderDir + blocker, "file"));
    QJsonObject goods = object(R"({"id":"7","factoryname":"F"})");
    goods.insert("goodname", goodname);
    if (pictures)
        goods.insert("imgs", array(R"([{"img_name":"a.jpg"}])"));
    const FJJobReceiver::Report report = runProduct(goods);
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("\n") + m_orderDir + folder + QStringLiteral(" 文件夹创建失败"));
}

QTEST_MAIN(TestFJDataThreadProducts)
#include "tst_FJDataThreadProducts.moc"
