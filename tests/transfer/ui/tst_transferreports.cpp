#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "support/StandInService.h"
#include "support/TransferReportData.h"
#include "platform/MountRoot.h"
#include "support/ScopedMountRoot.h"
#include "transfer/ui/TransferReports.h"

#include <QtTest>

using namespace TransferReports;

// The report bodies as the service decodes them, and the rules that decide
// what is reported and where it goes.
class TransferReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void workedExamplePath();
    void photoBodyFields();
    void videoBody_data();
    void videoBody();
    void reportedEntries_data();
    void reportedEntries();
    void entryFilePath_data();
    void entryFilePath();
    void percent_data();
    void percent();
    void orderPathBody();
    void orderDataBody_data();
    void orderDataBody();
    void pathsOffTheShareAreRefused_data();
    void pathsOffTheShareAreRefused();
    void importedEntriesAreUniqueByName();
    void reportedIds_data();
    void reportedIds();
    void orderKind();
    void bodiesReachTheServiceIntact();
    void replyProblem_data();
    void replyProblem();
};

static Branch branch()
{
    return Branch{QStringLiteral("12"), QStringLiteral("E7"), QStringLiteral("S3")};
}

static QStringList names(const QList<QPair<QString, QString>> &fields)
{
    QStringList keys;
    for (const auto &field : fields)
        keys << field.first;
    return keys;
}

static QString value(const QList<QPair<QString, QString>> &fields, const QString &key)
{
    for (const auto &field : fields) {
        if (field.first == key)
            return field.second;
    }
    return QString();
}

static PhotoInfo entry(const QString &tag, const QString &name, const QString &size = QString())
{
    PhotoInfo photo;
    photo.sizeTag = tag;
    photo.img_name = name;
    photo.imagesize = size;
    return photo;
}

void TransferReportsTest::workedExamplePath()
{
    MountRoot::setPath(QStringLiteral("/Volumes/"));
    const PhotoInfo photo = entry(QStringLiteral("all"), QStringLiteral("IMG_0001.JPG"));
    const QString file = TransferReports::entryFilePath(QStringLiteral("/Volumes/photo/2024/05/01/A001-1/"),
                                                        photo.sizeTag, photo.img_name);
    QCOMPARE(file, QStringLiteral("/Volumes/photo/2024/05/01/A001-1/all/IMG_0001.JPG"));
    const QString unc = uncPath(QStringLiteral("srv"), file);
    MountRoot::reset();
    QCOMPARE(unc, QStringLiteral("\\\\srv\\photo\\2024\\05\\01\\A001-1\\all\\IMG_0001.JPG"));

    const QByteArray body = photoReportBody(QStringLiteral("9001"), QStringLiteral("77"), 1234, photo, unc, branch());
    QVERIFY(body.contains("&path=%5C%5Csrv%5Cphoto%5C2024%5C05%5C01%5CA001-1%5Call%5CIMG_0001.JPG&"));
    QCOMPARE(value(FormBody::parse(body), QStringLiteral("path")), unc);
}

void TransferReportsTest::photoBodyFields()
{
    const PhotoInfo photo = entry(QStringLiteral("all"), QStringLiteral("a b.jpg"));
    const auto fields = FormBody::parse(photoReportBody(QStringLiteral("9001"), QStringLiteral("77"), 5000000000LL,
                                                        photo, QStringLiteral("\\\\srv\\照片 库\\a b.jpg"), branch()));
    QCOMPARE(names(fields), QStringList({"order_photo_id", "person_id", "size", "ratio", "path", "shopid", "eid",
                                         "superid", "personid"}));
    QCOMPARE(value(fields, "order_photo_id"), QStringLiteral("9001"));
    QCOMPARE(value(fields, "person_id"), QStringLiteral("77"));
    QCOMPARE(value(fields, "size"), QStringLiteral("5000000000"));
    QCOMPARE(value(fields, "ratio"), QStringLiteral("all"));
    QCOMPARE(value(fields, "path"), QStringLiteral("\\\\srv\\照片 库\\a b.jpg"));
    QCOMPARE(value(fields, "shopid"), QStringLiteral("12"));
    QCOMPARE(value(fields, "eid"), QStringLiteral("E7"));
    QCOMPARE(value(fields, "superid"), QStringLiteral("S3"));
    QCOMPARE(value(fields, "personid"), QStringLiteral("E7"));
}

void TransferReportsTest::videoBody_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::newRow("trial") << QStringLiteral("试拍视频") << QStringLiteral("clip 1.mp4") << QStringLiteral("2");
    QTest::newRow("retouched") << QStringLiteral("精修视频") << QStringLiteral("final.mov") << QStringLiteral("3");
    QTest::newRow("ampersand") << QStringLiteral("试拍视频") << QStringLiteral("a&b=c.mp4") << QStringLiteral("2");
    QTest::newRow("plus and percent") << QStringLiteral("精修视频") << QStringLiteral("50%+1 %41.mp4")
                                      << QStringLiteral("3");
}

void TransferReportsTest::videoBody()
{
    QFETCH(QString, tag);
    QFETCH(QString, name);
    QFETCH(QString, type);
    const PhotoInfo video = entry(tag, name);
    QCOMPARE(photoReportAction(video), QStringLiteral("&m=order&a=savepicpathmv"));
    const auto fields = FormBody::parse(
        photoReportBody(QStringLiteral("9"), QStringLiteral("77"), 10, video, QStringLiteral("\\\\s\\v"), branch()));
    QCOMPARE(names(fields), QStringList({"order_photo_id", "person_id", "size", "ratio", "path", "type",
                                         "photonames", "shopid", "eid", "superid", "personid"}));
    QCOMPARE(value(fields, "ratio"), QStringLiteral("all"));
    QCOMPARE(value(fields, "type"), type);
    QCOMPARE(value(fields, "photonames"), name);
}

void TransferReportsTest::reportedEntries_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QString>("action");
    QTest::newRow("full size") << "all" << "" << true << "&m=order&a=savepicpath";
    QTest::newRow("small") << "90" << "120" << false << "&m=order&a=savepicpath";
    QTest::newRow("middle") << "190" << "190" << false << "&m=order&a=savepicpath";
    QTest::newRow("big") << "1920" << "1920" << false << "&m=order&a=savepicpath";
    QTest::newRow("trial video") << "试拍视频" << "" << true << "&m=order&a=savepicpathmv";
    QTest::newRow("retouched video") << "精修视频" << "" << true << "&m=order&a=savepicpathmv";
}

void TransferReportsTest::reportedEntries()
{
    QFETCH(QString, tag);
    QFETCH(QString, size);
    QFETCH(bool, reported);
    QFETCH(QString, action);
    const PhotoInfo photo = entry(tag, QStringLiteral("x.jpg"), size);
    QCOMPARE(isReportedEntry(photo), reported);
    QCOMPARE(photoReportAction(photo), action);
}

void TransferReportsTest::entryFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slash") << "/r/o/" << "all" << "/r/o/all/n.jpg";
    QTest::newRow("no separator") << "/r/o" << "90" << "/r/o/90/n.jpg";
    QTest::newRow("backslash end") << "/r/o\\" << "1920" << "/r/o/1920/n.jpg";
    QTest::newRow("mixed") << "\\r/o\\p" << "试拍视频" << "/r/o/p/试拍视频/n.jpg";
}

void TransferReportsTest::entryFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, tag);
    QFETCH(QString, expected);
    QCOMPARE(TransferReports::entryFilePath(folder, tag, QStringLiteral("n.jpg")), expected);
}

void TransferReportsTest::percent_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("expected");
    QTest::newRow("not yet") << 199 << 200 << 99;
    QTest::newRow("all") << 200 << 200 << 100;
    QTest::newRow("none") << 0 << 8 << 0;
    QTest::newRow("empty order") << 0 << 0 << 0;
    QTest::newRow("negative total") << 3 << -1 << 0;
    QTest::newRow("large") << 2000000 << 2000000 << 100;
    QTest::newRow("past int when multiplied") << 30000000 << 30000000 << 100;
}

void TransferReportsTest::percent()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(int, expected);
    QCOMPARE(progressPercent(done, total), expected);
}

void TransferReportsTest::orderPathBody()
{
    const auto fields = FormBody::parse(TransferReports::orderPathBody(
        QStringLiteral("9001"), QStringLiteral("77"), QStringLiteral("\\\\srv\\p a\\订单+1&2"), branch()));
    QCOMPARE(names(fields), QStringList({"order_photo_id", "person_id", "path", "shopid", "eid", "superid",
                                         "personid"}));
    QCOMPARE(value(fields, "path"), QStringLiteral("\\\\srv\\p a\\订单+1&2"));
}

void TransferReportsTest::orderDataBody_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("type");
    QTest::newRow("nothing uploaded") << 0 << QString() << int(FinishedPhotos) << "1";
    QTest::newRow("photos") << 2 << QStringLiteral("a.jpg|:|b.jpg") << int(FinishedPhotos) << "1";
    QTest::newRow("awkward names") << 3 << QStringLiteral("a&b.jpg|:|c+d.jpg|:|100%25.jpg") << int(FinishedPhotos)
                                   << "1";
    QTest::newRow("trial videos") << 1 << QStringLiteral("片 1.mp4") << int(TrialVideo) << "2";
    QTest::newRow("retouched videos") << 1 << QStringLiteral("r.mov") << int(RetouchedVideo) << "3";
}

void TransferReportsTest::orderDataBody()
{
    QFETCH(int, count);
    QFETCH(QString, joined);
    QFETCH(int, kind);
    QFETCH(QString, type);
    const QString folder = QStringLiteral("\\\\srv\\photo\\2024 05\\A&B+C 100%");
    const auto fields = FormBody::parse(TransferReports::orderDataBody(QStringLiteral("9001"), count, folder, joined,
                                                                       ImportTypes(kind), branch()));
    QCOMPARE(names(fields), QStringList({"order_photo_id", "picnumber", "orderpicpath", "photonames", "type",
                                         "shopid", "eid", "superid", "personid"}));
    QCOMPARE(value(fields, "picnumber"), QString::number(count));
    QCOMPARE(value(fields, "orderpicpath"), folder);
    QCOMPARE(value(fields, "photonames"), joined);
    QVERIFY(!value(fields, "photonames").isNull() || joined.isEmpty());
    QCOMPARE(value(fields, "type"), type);
}

void TransferReportsTest::pathsOffTheShareAreRefused_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("order folder") << "photo/A001/all/x.jpg" << true;
    QTest::newRow("dot dot") << "photo/../../etc/passwd" << false;
    QTest::newRow("dot") << "photo/./x.jpg" << false;
    QTest::newRow("the root itself") << "" << false;
}

void TransferReportsTest::pathsOffTheShareAreRefused()
{
    QFETCH(QString, relative);
    QFETCH(bool, accepted);
    ScopedMountRoot root;
    const QString unc = uncPath(QStringLiteral("srv"), root.path() + relative);
    QCOMPARE(!unc.isEmpty(), accepted);
    if (accepted)
        QCOMPARE(unc, QStringLiteral("\\\\srv\\") + QString(relative).replace('/', '\\'));
    QVERIFY(uncPath(QStringLiteral("srv"), QStringLiteral("/tmp/elsewhere/x.jpg")).isEmpty());
    QVERIFY(uncPath(QStringLiteral("srv"), QStringLiteral("photo/x.jpg")).isEmpty());
}

void TransferReportsTest::importedEntriesAreUniqueByName()
{
    QJsonObject reply{{"code", "1"}, {"img_name", "a.jpg"}, {"url", "http://x/a.jpg"},
                      {"localpath", "\\\\s\\a.jpg"}, {"id", "31"}};
    const PhotoInfo added = entryFromReply(reply);
    QCOMPARE(added.id, QStringLiteral("31"));
    QCOMPARE(added.url, QStringLiteral("http://x/a.jpg"));
    QCOMPARE(added.localpath, QStringLiteral("\\\\s\\a.jpg"));
    QCOMPARE(added.status, int(Waiting));
    QVERIFY(added.sizeTag.isEmpty() && added.importPath.isEmpty() && added.imagesize.isEmpty());

    QList<PhotoInfo> list{entry(QString(), "a.jpg"), entry(QString(), "b.jpg")};
    QVERIFY(!appendImported(list, added)); // same name as the first entry
    QCOMPARE(list.size(), 2);
    reply["img_name"] = QStringLiteral("c.jpg");
    QVERIFY(appendImported(list, entryFromReply(reply)));
    QCOMPARE(list.size(), 3);
    QCOMPARE(list.last().img_name, QStringLiteral("c.jpg"));

    QJsonObject odd{{"img_name", 5}};
    QVERIFY(entryFromReply(odd).img_name.isEmpty());
}

void TransferReportsTest::reportedIds_data()
{
    QTest::addColumn<QJsonValue>("id");
    QTest::addColumn<QString>("expected"); // empty: unusable
    QTest::newRow("text") << QJsonValue("3000000000") << "3000000000";
    QTest::newRow("integer") << QJsonValue(12) << "12";
    QTest::newRow("integer just under 2^31") << QJsonValue(2147483647.0) << "2147483647";
    QTest::newRow("integer just over 2^31") << QJsonValue(2147483648.0) << "2147483648";
    QTest::newRow("integer 3000000000") << QJsonValue(3000000000.0) << "3000000000";
    QTest::newRow("fraction") << QJsonValue(12.5) << "";
}

// The id of a photo reported back is kept digit for digit, or not at all.
void TransferReportsTest::reportedIds()
{
    QFETCH(QJsonValue, id);
    QFETCH(QString, expected);
    const QJsonObject reply{{"code", "1"}, {"img_name", "a.jpg"}, {"id", id}};
    QCOMPARE(entryFromReply(reply).id, expected);
}

void TransferReportsTest::orderKind()
{
    OrderInfo order;
    QCOMPARE(kindOfOrder(order, RetouchedVideo), RetouchedVideo);
    order.photoList << entry(QStringLiteral("试拍视频"), "t.mp4");
    QCOMPARE(kindOfOrder(order, FinishedPhotos), TrialVideo);
    OrderInfo photos;
    photos.photoList << entry(QStringLiteral("all"), "a.jpg") << entry(QStringLiteral("90"), "a.jpg", "90");
    QCOMPARE(kindOfOrder(photos, TrialVideo), FinishedPhotos);
    QCOMPARE(&importedList(photos, FinishedPhotos), &photos.importedPhotos);
    QCOMPARE(&importedList(photos, TrialVideo), &photos.importedTrialVideos);
    QCOMPARE(&importedList(photos, RetouchedVideo), &photos.importedRetouchedVideos);
}

void TransferReportsTest::bodiesReachTheServiceIntact()
{
    StandInService service;
    QVERIFY(service.start());
    QVERIFY(Config::setUrlHost(service.baseUrl()));
    TransferReportData::install(service, 500);

    const PhotoInfo video = entry(QStringLiteral("精修视频"), QStringLiteral("A&B+C 100%.mp4"));
    const QString unc = QStringLiteral("\\\\srv\\photo\\订单 1\\精修视频\\A&B+C 100%.mp4");
    bool answered = false;
    QJsonObject answer;
    BaseReq request;
    request.getResultData(photoReportAction(video),
                          photoReportBody(QStringLiteral("9001"), QStringLiteral("77"), 42, video, unc, branch()),
                          [&](bool ok, const QJsonDocument &reply) {
                              answered = ok;
                              answer = reply.object();
                          });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    const auto requests = service.requests(QStringLiteral("order"), QStringLiteral("savepicpathmv"));
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().field(QStringLiteral("path")), unc);
    QCOMPARE(requests.first().field(QStringLiteral("photonames")), video.img_name);
    QCOMPARE(requests.first().field(QStringLiteral("type")), QStringLiteral("3"));
    QCOMPARE(requests.first().fieldNames().mid(0, 11),
             QStringList({"order_photo_id", "person_id", "size", "ratio", "path", "type", "photonames", "shopid",
                          "eid", "superid", "personid"}));
    QCOMPARE(answer.value(QStringLiteral("img_name")).toString(), video.img_name);
    QCOMPARE(answer.value(QStringLiteral("id")).toString(), QStringLiteral("500"));
    QCOMPARE(answer.value(QStringLiteral("localpath")).toString(), unc);
}

void TransferReportsTest::replyProblem_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("problem");
    QTest::newRow("accepted") << true << QByteArray(R"({"code":"1","message":"操作成功"})") << 0 << QString();
    QTest::newRow("refused with message") << true << QByteArray(R"({"code":"0","message":"路径错误"})") << 0
                                          << QStringLiteral("路径错误");
    QTest::newRow("refused with msg") << true << QByteArray(R"({"code":"0","msg":"未登录"})") << 0
                                      << QStringLiteral("未登录");
    QTest::newRow("numeric code 1 is no acceptance") << true << QByteArray(R"({"code":1})") << 0
                                                     << QStringLiteral("服务器返回数据格式错误");
    QTest::newRow("numeric code's message is no reason") << true << QByteArray(R"({"code":1,"message":"成功"})") << 0
                                                         << QStringLiteral("服务器返回数据格式错误");
    QTest::newRow("no code") << true << QByteArray(R"({"message":"成功"})") << 0
                             << QStringLiteral("服务器返回数据格式错误");
    QTest::newRow("timed out") << false << QByteArray() << int(BaseReq::Failure::TimedOut)
                               << BaseReq::failureMessage(BaseReq::Failure::TimedOut);
    QTest::newRow("aborted") << false << QByteArray() << int(BaseReq::Failure::Aborted)
                             << QStringLiteral("服务没有应答");
}

void TransferReportsTest::replyProblem()
{
    QFETCH(bool, ok);
    QFETCH(QByteArray, reply);
    QFETCH(int, failure);
    QFETCH(QString, problem);
    QCOMPARE(TransferReports::replyProblem(ok, QJsonDocument::fromJson(reply), BaseReq::Failure(failure)), problem);
}

QTEST_GUILESS_MAIN(TransferReportsTest)
#include "tst_transferreports.moc"
