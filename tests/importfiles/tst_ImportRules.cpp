#include "app/core/FormBody.h"
#include "importfiles/ImportRules.h"
#include "support/ImportFilesStudioData.h"
#include "support/ScopedMountRoot.h"

#include <QFile>
#include <QJsonDocument>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

namespace {

QString field(const QByteArray &body, const QString &key)
{
    for (const auto &pair : FormBody::parse(body)) {
        if (pair.first == key)
            return pair.second;
    }
    return QString();
}

QStringList fieldNames(const QByteArray &body)
{
    QStringList names;
    for (const auto &pair : FormBody::parse(body))
        names << pair.first;
    return names;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_ImportRules : public QObject
{
    Q_OBJECT

private slots:
    void shotDate_data();
    void shotDate();
    void pickName_data();
    void pickName();
    void orderFromReplyObject();
    void orderValuesOfOtherTypesReadEmpty();
    void orderIds_data();
    void orderIds();
    void ordersKeepReplyIndex();
    void routing_data();
    void routing();
    void mismatchedNamesListsUnpicked();
    void orderFolder_data();
    void orderFolder();
    void realPlaceOfMissingParts_data();
    void realPlaceOfMissingParts();
    void collidingNames();
    void folderScanMatchesMasksIgnoringCase();
    void batchBodyFieldsEncodedOnce();
    void photoInfoBodyKinds_data();
    void photoInfoBodyKinds();
    void reimportHtmlListsNames();
};

void tst_ImportRules::shotDate_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::newRow("short parts padded") << "2024-3-5" << "2024" << "03" << "05";
    QTest::newRow("already padded") << "2024-03-05" << "2024" << "03" << "05";
    QTest::newRow("empty") << "" << "1970" << "01" << "01";
    QTest::newRow("slashes") << "2024/03/05" << "1970" << "01" << "01";
    QTest::newRow("two parts") << "2024-03" << "1970" << "01" << "01";
    QTest::newRow("empty middle") << "2024--5" << "2024" << "" << "05";
    QTest::newRow("not validated") << "24-1-123" << "24" << "01" << "123";
}

void tst_ImportRules::shotDate()
{
    QFETCH(QString, date);
    const ImportRules::ShotDate split = ImportRules::splitShotDate(date);
    QTEST(split.year, "year");
    QTEST(split.month, "month");
    QTEST(split.day, "day");
}

void tst_ImportRules::pickName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("double suffix") << "IMG_0001.Final.JPG" << "IMG_0001.jpg";
    QTest::newRow("jpeg upper") << "a.JPEG" << "a.jpeg";
    QTest::newRow("plain") << "b.jpg" << "b.jpg";
    QTest::newRow("no suffix") << "c" << "c.";
    QTest::newRow("empty") << "" << ".";
}

void tst_ImportRules::pickName()
{
    QFETCH(QString, name);
    QTEST(ImportRules::pickName(name), "expected");
}

void tst_ImportRules::orderFromReplyObject()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(ImportFilesStudioData::orderShareFolder(1));
    const QJsonObject object = ImportFilesStudioData::order(1, ImportFilesStudioData::orderNetpath(1),
                                                            {QStringLiteral("IMG_1.Final.JPG"), QStringLiteral("x.JPEG")});
    const ImportOrder order = ImportRules::orderFromJson(object, 4);
    QCOMPARE(QStringList({QString::number(order.row), order.id, order.orderid, order.order_photo_id, order.shotdate_year,
                          order.shotdate_month, order.shotdate_day, order.serverName, order.publicNetPath,
                          order.number_yuanpian}),
             QStringList({"4", "9101", "9101", ImportFilesStudioData::orderPhotoId(1), "2024", "05", "02",
                          ImportFilesStudioData::kServer, ImportFilesStudioData::publicNetpath(), "11"}));
    QCOMPARE(QDir::cleanPath(order.importPath), QDir::cleanPath(folder));
    QCOMPARE(order.selectedNames, (QStringList{QStringLiteral("IMG_1.jpg"), QStringLiteral("x.jpeg")}));
    QVERIFY(order.files.isEmpty());
}

void tst_ImportRules::orderValuesOfOtherTypesReadEmpty()
{
    QJsonObject object = ImportFilesStudioData::order(0, QString());
    object.remove(QStringLiteral("picpathnew"));
    object.insert(QStringLiteral("wname"), true);
    object.insert(QStringLiteral("images"), QJsonArray{QJsonObject{}});
    const ImportOrder order = ImportRules::orderFromJson(object, 0);
    QVERIFY(order.wname.isEmpty());
    QCOMPARE(order.selectedNames, QStringList{QStringLiteral(".")});
    // No folder of its own and no public one.
    QVERIFY(order.importPath.isEmpty() && order.importPublicPath.isEmpty() && order.serverName.isEmpty());
}

void tst_ImportRules::orderIds_data()
{
    QTest::addColumn<QJsonValue>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("text") << QJsonValue("9100") << "9100";
    QTest::newRow("integer") << QJsonValue(42) << "42";
    QTest::newRow("integer past 32 bits") << QJsonValue(4294967297.0) << "4294967297";
    QTest::newRow("fraction") << QJsonValue(42.5) << "";
    QTest::newRow("past 64 bits, through a double") << QJsonValue(1e19) << "";
    QTest::newRow("boolean") << QJsonValue(true) << "";
    QTest::newRow("object") << QJsonValue(QJsonObject{{"id", "1"}}) << "";
    QTest::newRow("null") << QJsonValue() << "";
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << "";
}

// Both ids the tool reports by are taken from a string or an integer, and only from those.
void tst_ImportRules::orderIds()
{
    QFETCH(QJsonValue, id);
    QFETCH(QString, text);
    for (const char *key : {"id", "order_photo_id"}) {
        QJsonObject object = ImportFilesStudioData::order(0, QString());
        if (id.isUndefined())
            object.remove(QLatin1String(key));
        else
            object.insert(QLatin1String(key), id);
        const ImportOrder order = ImportRules::orderFromJson(object, 0);
        const QString read = QLatin1String(key) == QLatin1String("id") ? order.id + "|" + order.orderid
                                                                        : order.order_photo_id + "|" + order.order_photo_id;
        QCOMPARE(read, text + "|" + text);
        QCOMPARE(ImportRules::hasIds(order), !text.isEmpty());
    }
}

void tst_ImportRules::ordersKeepReplyIndex()
{
    const QJsonObject reply{{QStringLiteral("data"),
                             QJsonArray{ImportFilesStudioData::order(0, QString()), 5,
                                        ImportFilesStudioData::order(2, QString())}}};
    const QList<ImportOrder> orders = ImportRules::ordersFromReply(reply);
    QCOMPARE(orders.size(), 3);
    QCOMPARE(orders.at(1).row, 1);
    QVERIFY(orders.at(1).id.isEmpty());
    QCOMPARE(orders.at(2).orderpayforkey, ImportFilesStudioData::orderNumber(2));
    QVERIFY(ImportRules::ordersFromReply(QJsonObject{{QStringLiteral("data"), QStringLiteral("x")}}).isEmpty());
}

void tst_ImportRules::routing_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("folder");
    QTest::newRow("jpg") << int(OriginalFiles) << "jpg" << "原片";
    QTest::newRow("JPEG") << int(OriginalFiles) << "JPEG" << "原片";
    QTest::newRow("mixed case is raw") << int(OriginalFiles) << "Jpg" << "原始档";
    QTest::newRow("cr3") << int(OriginalFiles) << "CR3" << "原始档";
    QTest::newRow("no suffix") << int(OriginalFiles) << "" << "原始档";
    QTest::newRow("retouched jpg") << int(RetouchedFiles) << "jpg" << "精修片";
    QTest::newRow("retouched anything") << int(RetouchedFiles) << "png" << "精修片";
}

void tst_ImportRules::routing()
{
    QFETCH(int, type);
    QFETCH(QString, suffix);
    QTEST(ImportRules::subfolderFor(ImportFileType(type), suffix), "folder");
    const ImportFile file = ImportRules::makeFile(QStringLiteral("/src/IMG_1.") + suffix, QStringLiteral("/share/o"),
                                                  ImportFileType(type), 3, 7);
    QFETCH(QString, folder);
    QCOMPARE(file.targetFolder, QStringLiteral("/share/o/") + folder);
    QCOMPARE(file.orderRow, 3);
    QCOMPARE(file.fileRow, 7);
    QCOMPARE(file.status, ImportStatus::Waiting);
}

void tst_ImportRules::mismatchedNamesListsUnpicked()
{
    const QStringList picks{QStringLiteral("IMG_1.jpg"), QStringLiteral("IMG_2.jpg")};
    QCOMPARE(ImportRules::mismatchedNames({QStringLiteral("/a/IMG_1.JPG"), QStringLiteral("/a/IMG_2.v2.jpg"),
                                           QStringLiteral("/a/IMG_3.jpg"), QStringLiteral("/a/img_1.jpg")},
                                          picks),
             (QStringList{QStringLiteral("IMG_3.jpg"), QStringLiteral("img_1.jpg")}));
    QCOMPARE(ImportRules::mismatchedNames({QStringLiteral("/a/IMG_1.jpg")}, {}), QStringList{QStringLiteral("IMG_1.jpg")});
}

void tst_ImportRules::orderFolder_data()
{
    namespace Data = ImportFilesStudioData;
    QTest::addColumn<QString>("netpath");
    QTest::addColumn<QString>("publicNetpath");
    QTest::addColumn<QString>("folder"); // below the root; empty when refused
    QTest::addColumn<QString>("refused");
    const QString own = Data::orderNetpath(0);
    const QString pub = Data::publicNetpath();
    QTest::newRow("own folder") << own << pub << Data::orderShareFolder(0) << "";
    QTest::newRow("generated") << "" << pub << "photo/import/2024/05/01/DD20240001-1_张伟_李娜" << "";
    QTest::newRow("own with ..") << own + "\\..\\x" << pub << "" << own + "\\..\\x";
    QTest::newRow("own with .") << "\\\\NAS-STUDIO\\photo\\.\\o" << pub << "" << "\\\\NAS-STUDIO\\photo\\.\\o";
    QTest::newRow("own relative") << "NAS-STUDIO\\photo\\o1" << pub << "" << "NAS-STUDIO\\photo\\o1";
    QTest::newRow("own off the share") << "/etc/orders" << pub << "" << "/etc/orders";
    QTest::newRow("public with ..") << "" << pub + "\\..\\..\\x" << "" << pub + "\\..\\..\\x";
    QTest::newRow("no folder at all") << "" << "" << "" << "";
}

void tst_ImportRules::orderFolder()
{
    QFETCH(QString, netpath);
    QFETCH(QString, publicNetpath);
    QFETCH(QString, folder);
    ScopedMountRoot root;
    root.mkpath(ImportFilesStudioData::publicShareFolder());
    QJsonObject object = ImportFilesStudioData::order(0, netpath);
    object.insert(QStringLiteral("picpathnew"), QJsonObject{{QStringLiteral("netpath"), publicNetpath}});
    const ImportOrder order = ImportRules::orderFromJson(object, 0);
    QString refused = QStringLiteral("<unset>");
    QString result = ImportRules::orderFolder(order, refused);
    if (result.endsWith(QLatin1Char('/')))
        result.chop(1);
    QCOMPARE(result, folder.isEmpty() ? QString() : root.path() + folder);
    QTEST(refused, "refused");
}

void tst_ImportRules::realPlaceOfMissingParts_data()
{
    QTest::addColumn<QString>("path");     // below a folder holding o1/, link -> o1, dangling -> gone
    QTest::addColumn<QString>("expected"); // below the real o1; "-" when empty
    QTest::newRow("existing folder") << "o1" << "";
    QTest::newRow("last part missing") << "o1/o2" << "/o2";
    QTest::newRow("two parts missing") << "o1/o2/x" << "/o2/x";
    QTest::newRow("missing below a link") << "link/o2" << "/o2";
    QTest::newRow("missing below a dangling link") << "dangling/o2" << "-";
}

// A missing folder keeps its own name: it is not its parent (nor a sibling below that parent).
void tst_ImportRules::realPlaceOfMissingParts()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("o1")));
    QVERIFY(QFile::link(dir.path() + QStringLiteral("/o1"), dir.path() + QStringLiteral("/link")));
    QVERIFY(QFile::link(dir.path() + QStringLiteral("/gone"), dir.path() + QStringLiteral("/dangling")));
    const QString realO1 = QFileInfo(dir.path() + QStringLiteral("/o1")).canonicalFilePath();
    QCOMPARE(ImportRules::realPlaceOf(dir.path() + QLatin1Char('/') + path),
             expected == QLatin1String("-") ? QString() : realO1 + expected);
}

void tst_ImportRules::collidingNames()
{
    const auto files = [](ImportFileType type, const QStringList &paths) {
        QList<ImportFile> list;
        for (int i = 0; i < paths.size(); ++i)
            list << ImportRules::makeFile(paths.at(i), QStringLiteral("/share/o"), type, 0, i);
        return ImportRules::collidingNames(list);
    };
    // Case-only differences and one name from two folders collide; other subfolders do not.
    QCOMPARE(files(OriginalFiles, {"/a/IMG_1.JPG", "/b/IMG_1.jpg", "/a/IMG_1.CR3", "/a/IMG_2.jpg", "/c/img_2.JPG"}),
             (QStringList{"/a/IMG_1.JPG", "/b/IMG_1.jpg", "/a/IMG_2.jpg", "/c/img_2.JPG"}));
    QCOMPARE(files(OriginalFiles, {"/a/x.jpg", "/a/x.Jpg"}), QStringList());
    QCOMPARE(files(RetouchedFiles, {"/a/x.jpg", "/b/x.jpg"}), (QStringList{"/a/x.jpg", "/b/x.jpg"}));
    // Typed composed, delivered decomposed (macOS): one name on the share.
    const QString composed = QStringLiteral("/a/caf\u00e9.jpg");
    const QString decomposed = QStringLiteral("/b/cafe\u0301.JPG");
    QCOMPARE(files(OriginalFiles, {composed, decomposed, "/c/cafe.jpg"}), (QStringList{composed, decomposed}));
}

void tst_ImportRules::folderScanMatchesMasksIgnoringCase()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("原始档")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("原片/sub.jpg")));
    writeFile(dir.filePath(QStringLiteral("原始档/A.CR2")), "12345");
    writeFile(dir.filePath(QStringLiteral("原始档/b.NEF")), "1");
    writeFile(dir.filePath(QStringLiteral("原始档/c.dng")), "1");
    writeFile(dir.filePath(QStringLiteral("原片/x.jpg")), "abc");
    writeFile(dir.filePath(QStringLiteral("原片/.~import-1.tmp")), "abc");
    writeFile(dir.filePath(QStringLiteral("原片/y.png")), "abc");

    const ImportRules::FolderScan raws = ImportRules::scanSubfolder(dir.path(), QStringLiteral("原始档"));
    QCOMPARE(raws.count, 2);
    QMap<QString, QString> sizes;
    for (const QJsonValue &v : raws.entries)
        sizes.insert(v.toObject().value(QStringLiteral("name")).toString(),
                     v.toObject().value(QStringLiteral("size")).toString());
    QCOMPARE(sizes.value(QStringLiteral("A.CR2")), QStringLiteral("5"));
    QCOMPARE(sizes.value(QStringLiteral("b.NEF")), QStringLiteral("1"));

    const ImportRules::FolderScan jpegs = ImportRules::scanSubfolder(dir.path(), QStringLiteral("原片"));
    QCOMPARE(jpegs.count, 1);
    QCOMPARE(jpegs.entries.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("x.jpg"));
    // A missing folder is an empty list, unless files were placed there or the order folder itself is gone.
    QCOMPARE(QJsonDocument(ImportRules::scanSubfolder(dir.path(), QStringLiteral("精修片")).entries).toJson(QJsonDocument::Compact),
             QByteArray("[]"));
    QVERIFY(ImportRules::scanSubfolder(dir.path(), QStringLiteral("精修片")).failure.isEmpty());
    QVERIFY(!ImportRules::scanSubfolder(dir.path(), QStringLiteral("精修片"), {QStringLiteral("x.jpg")}).failure.isEmpty());
    QCOMPARE(ImportRules::scanSubfolder(dir.filePath(QStringLiteral("moved")), QStringLiteral("原片")).failure,
             ImportRules::listingFailedMessage(dir.filePath(QStringLiteral("moved")), qt_error_string(ENOENT)));
    // A raw folder that cannot be listed (a link to itself) fails the whole report, however the photos list.
    QVERIFY(QDir(dir.path()).rename(QStringLiteral("原始档"), QStringLiteral("raws")));
    QCOMPARE(::symlink("原始档", QFile::encodeName(dir.filePath(QStringLiteral("原始档"))).constData()), 0);
    ImportOrder order;
    order.importPath = dir.path();
    const ImportRules::BatchReport report = ImportRules::batchReport(OriginalFiles, order, {});
    QVERIFY2(report.failure.startsWith(QStringLiteral("读取目录失败: ") + dir.filePath(QStringLiteral("原始档"))),
             qPrintable(report.failure));
    QVERIFY(report.body.isEmpty());
}


void tst_ImportRules::batchBodyFieldsEncodedOnce()
{
    ImportOrder order;
    order.order_photo_id = QStringLiteral("77");
    order.orderid = QStringLiteral("9100");
    order.serverName = QStringLiteral("NAS");
    order.importPath = MountRoot::path() + QStringLiteral("photo/o&1 x/");
    const QJsonArray names{QJsonObject{{QStringLiteral("name"), QStringLiteral("a&b=c.jpg")},
                                       {QStringLiteral("size"), QStringLiteral("3")}}};
    const QByteArray body = ImportRules::batchBody(OriginalFiles, order, {QStringLiteral("11"), QStringLiteral("E"), QStringLiteral("S")},
                                                   names, QJsonArray());
    QCOMPARE(fieldNames(body), (QStringList{"shopid", "imgnames", "rawimgnames", "type", "order_photo_id", "eid",
                                            "superid", "personid", "person_id", "orderid", "localpath"}));
    QCOMPARE(field(body, "imgnames").toUtf8(), QJsonDocument(names).toJson(QJsonDocument::Compact));
    QCOMPARE(field(body, "rawimgnames"), QStringLiteral("[]"));
    QCOMPARE(field(body, "type"), QStringLiteral("1"));
    QCOMPARE(field(body, "personid"), QStringLiteral("E"));
    QCOMPARE(field(body, "localpath"), QStringLiteral("\\\\NAS\\photo\\o&1 x"));
    const QByteArray retouched = ImportRules::batchBody(RetouchedFiles, order, {}, QJsonArray(), QJsonArray());
    QVERIFY(!fieldNames(retouched).contains(QStringLiteral("rawimgnames")));
    QCOMPARE(field(retouched, "type"), QStringLiteral("5"));
}

void tst_ImportRules::photoInfoBodyKinds_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("kind");
    QTest::newRow("camera jpeg") << int(OriginalFiles) << "JPG" << "2";
    QTest::newRow("raw") << int(OriginalFiles) << "cr3" << "1";
    QTest::newRow("retouched") << int(RetouchedFiles) << "jpg" << "5";
}

void tst_ImportRules::photoInfoBodyKinds()
{
    QFETCH(int, type);
    QFETCH(QString, suffix);
    ImportOrder order;
    order.serverName = QStringLiteral("NAS");
    ImportFile file;
    file.baseName = QStringLiteral("IMG_1");
    file.suffix = suffix;
    file.size = 3000000000LL;
    file.targetFolder = MountRoot::path() + QStringLiteral("photo/o/原片");
    const QByteArray body = ImportRules::photoInfoBody(ImportFileType(type), order, file, {}, QString());
    QTEST(field(body, "type"), "kind");
    QCOMPARE(field(body, "size"), QStringLiteral("3000000000"));
    QCOMPARE(field(body, "path"), QStringLiteral("\\\\NAS\\photo\\o\\原片\\IMG_1.") + suffix);
}

void tst_ImportRules::reimportHtmlListsNames()
{
    ImportOrder order;
    order.orderpayforkey = QStringLiteral("A12");
    order.servicetimes = QStringLiteral("2");
    const QJsonObject reply{
        {QStringLiteral("code"), QStringLiteral("1")},
        {QStringLiteral("local_imgnames"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("L.jpg")}}}},
        {QStringLiteral("server_imgnames"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("<b>S.jpg")}}}},
        {QStringLiteral("server_rawimgnames"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("R.CR2")}}}},
    };
    const QString html = ImportRules::reimportHtml(OriginalFiles, order, reply);
    QVERIFY(html.startsWith(QStringLiteral("<span style=\"font-size: 26px; font-weight: 600; color: #000; \"> 订单: A12-2</span>")));
    const int camera = html.indexOf(QStringLiteral("以下原片需要重新导入:"));
    const int raw = html.indexOf(QStringLiteral("以下原始档需要重新导入:"));
    QVERIFY(camera > 0 && raw > camera);
    QVERIFY(html.indexOf(QStringLiteral("L.jpg")) < html.indexOf(QStringLiteral("S.jpg")));
    QVERIFY(html.indexOf(QStringLiteral("R.CR2")) > raw);
    QVERIFY(html.contains(QStringLiteral("&lt;b&gt;S.jpg")));

    const QString retouched = ImportRules::reimportHtml(RetouchedFiles, order, reply);
    QVERIFY(retouched.contains(QStringLiteral("以下精修照片需要重新导入:")));
    QVERIFY(!retouched.contains(QStringLiteral("R.CR2")));
    // Nothing asked, or only raws of the retouch tool: no dialog.
    QVERIFY(ImportRules::reimportHtml(OriginalFiles, order, QJsonObject{{"code", "1"}}).isEmpty());
    QVERIFY(ImportRules::reimportHtml(RetouchedFiles, order, QJsonObject{{"server_rawimgnames", reply.value("server_rawimgnames")}}).isEmpty());
}

QTEST_GUILESS_MAIN(tst_ImportRules)
#include "tst_ImportRules.moc"
