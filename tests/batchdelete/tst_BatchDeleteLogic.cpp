#include "app/core/FormBody.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "support/ScopedMountRoot.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace BatchDeleteLogic;

class tst_BatchDeleteLogic : public QObject
{
    Q_OBJECT

private slots:
    void customerNames_data();
    void customerNames();
    void orderFromReplyObject();
    void nonTextValuesReadEmpty();
    void orderFolderOnlyBelowMountRoot_data();
    void orderFolderOnlyBelowMountRoot();
    void searchBodyFieldsInOrder();
    void announcementCarriesEveryFileOnce();
    void reportEncodesPathAndNameOnce();
    void acceptedOnlyForTextOne_data();
    void acceptedOnlyForTextOne();
    void fileSizes_data();
    void fileSizes();
    void statusTexts_data();
    void statusTexts();
    void listTexts();
    void mayDeleteOnlyInsideFolder();
    void mayDeleteRefusesFolderLinkedElsewhere();
};

void tst_BatchDeleteLogic::customerNames_data()
{
    QTest::addColumn<QString>("mname");
    QTest::addColumn<QString>("wname");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both") << "张三" << "李四" << "张三/李四";
    QTest::newRow("first only") << "张三" << "" << "张三";
    QTest::newRow("second only") << "" << "李四" << "李四";
    QTest::newRow("none") << "" << "" << "";
}

void tst_BatchDeleteLogic::customerNames()
{
    QFETCH(QString, mname);
    QFETCH(QString, wname);
    QFETCH(QString, expected);
    QCOMPARE(customerName(mname, wname), expected);
}

void tst_BatchDeleteLogic::orderFromReplyObject()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("2024/05/A123-2_张三"));
    const QJsonObject object{{"id", "11"},          {"order_photo_id", "OP1"}, {"orderpayforkey", "A123"},
                             {"servicetimes", "2"}, {"mname", "张三"},          {"wname", ""},
                             {"role1", "王"},        {"tiaosename", "赵"},       {"netpath", folder},
                             {"fulfil_time", "2024-05-06"}};
    const BatchDeleteOrderInfo order = orderFromJson(object, 4);
    QCOMPARE(order.id, QStringLiteral("11"));
    QCOMPARE(order.order_photo_id, QStringLiteral("OP1"));
    QCOMPARE(order.orderpayforkey, QStringLiteral("A123"));
    QCOMPARE(order.servicetimes, QStringLiteral("2"));
    QCOMPARE(order.name, QStringLiteral("张三"));
    QCOMPARE(order.role1, QStringLiteral("王"));
    QCOMPARE(order.tiaosename, QStringLiteral("赵"));
    QCOMPARE(order.netpath, folder);
    QCOMPARE(order.fulfil_time, QStringLiteral("2024-05-06"));
    QCOMPARE(order.row, 4);
    QVERIFY(!order.checked);
    QVERIFY(order.all.isEmpty() && order.deleted.isEmpty() && order.failed.isEmpty());
}

void tst_BatchDeleteLogic::nonTextValuesReadEmpty()
{
    const QJsonObject object{{"order_photo_id", 77}, {"orderpayforkey", QJsonValue::Null}, {"mname", true}};
    const BatchDeleteOrderInfo order = orderFromJson(object, 0);
    QVERIFY(order.order_photo_id.isEmpty());
    QVERIFY(order.orderpayforkey.isEmpty());
    QVERIFY(order.name.isEmpty());
    QVERIFY(order.netpath.isEmpty());
}

void tst_BatchDeleteLogic::orderFolderOnlyBelowMountRoot_data()
{
    QTest::addColumn<QString>("relative"); // below the root; "<abs>" marks an absolute path
    QTest::addColumn<bool>("accepted");
    QTest::newRow("order folder") << "orders/A1" << true;
    QTest::newRow("trailing slash") << "orders/A1/" << true;
    QTest::newRow("the root itself") << "" << false;
    QTest::newRow("dot dot out") << "orders/../../etc" << false;
    QTest::newRow("dot part") << "orders/./A1" << false;
    QTest::newRow("elsewhere") << "<abs>/etc" << false;
    QTest::newRow("relative") << "<rel>orders/A1" << false;
}

void tst_BatchDeleteLogic::orderFolderOnlyBelowMountRoot()
{
    QFETCH(QString, relative);
    QFETCH(bool, accepted);
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("orders/A1"));
    QString netpath;
    if (relative.startsWith(QLatin1String("<abs>")))
        netpath = relative.mid(5);
    else if (relative.startsWith(QLatin1String("<rel>")))
        netpath = relative.mid(5);
    else
        netpath = root.path() + relative;
    const QString folder = orderFolder(netpath);
    QCOMPARE(!folder.isEmpty(), accepted);
    if (accepted) {
        QVERIFY(MountRoot::isOnShare(folder));
        QVERIFY(!folder.endsWith(QLatin1Char('/')));
    }
}

void tst_BatchDeleteLogic::searchBodyFieldsInOrder()
{
    const QByteArray body = orderListBody(QStringLiteral(" 张 &三 "), 1, QString(), Ids{"S1", "E2", "U3"});
    const auto fields = FormBody::parse(body);
    QStringList names;
    for (const auto &field : fields)
        names << field.first;
    QCOMPARE(names, QStringList({"keyword", "searchtype", "role7id", "ratio", "shopid", "eid", "superid", "personid"}));
    QCOMPARE(fields.at(0).second, QStringLiteral(" 张 &三 "));
    QCOMPARE(fields.at(1).second, QStringLiteral("1"));
    QCOMPARE(fields.at(3).second, QStringLiteral("90"));
    QCOMPARE(fields.at(5).second, QStringLiteral("E2"));
    QCOMPARE(fields.at(7).second, QStringLiteral("E2"));
    QVERIFY(!body.contains(' '));
    QVERIFY(!body.contains("%25")); // never encoded twice
}

void tst_BatchDeleteLogic::announcementCarriesEveryFileOnce()
{
    BatchDeleteFileInfo a;
    a.fileName = QStringLiteral("a&b.jpg");
    a.filePath = QStringLiteral("/Volumes/photo/A1/原片/a&b.jpg");
    a.dirName = QStringLiteral("原片");
    BatchDeleteFileInfo b;
    b.fileName = QStringLiteral("c d.CR2");
    b.filePath = QStringLiteral("/Volumes/photo/A1/c d.CR2");
    b.dirName = QStringLiteral("A1");

    const QByteArray expected =
        "[{\"picname\":\"a&b.jpg\",\"picpath\":\"/Volumes/photo/A1/\xe5\x8e\x9f\xe7\x89\x87/a&b.jpg\","
        "\"picshortpath\":\"\xe5\x8e\x9f\xe7\x89\x87\"}]";
    QCOMPARE(picsJson({a}), expected);

    const QByteArray body = deleteBeforeBody(Ids{"S1", "E2", "U3"}, QStringLiteral("OP9"), {a, b});
    const auto fields = FormBody::parse(body);
    QCOMPARE(fields.size(), 6);
    QCOMPARE(fields.at(0), qMakePair(QStringLiteral("shopid"), QStringLiteral("S1")));
    QCOMPARE(fields.at(1), qMakePair(QStringLiteral("eid"), QStringLiteral("E2")));
    QCOMPARE(fields.at(2), qMakePair(QStringLiteral("superid"), QStringLiteral("U3")));
    QCOMPARE(fields.at(3), qMakePair(QStringLiteral("personid"), QStringLiteral("E2")));
    QCOMPARE(fields.at(4), qMakePair(QStringLiteral("order_photo_id"), QStringLiteral("OP9")));
    QCOMPARE(fields.at(5).first, QStringLiteral("pics"));
    const QJsonArray pics = QJsonDocument::fromJson(fields.at(5).second.toUtf8()).array();
    QCOMPARE(pics.size(), 2);
    QCOMPARE(pics.at(0).toObject().value("picname").toString(), a.fileName);
    QCOMPARE(pics.at(1).toObject().value("picpath").toString(), b.filePath);
    QCOMPARE(pics.at(1).toObject().value("picshortpath").toString(), b.dirName);
    // The "&" inside the JSON must not split the form.
    QVERIFY(body.contains("%26"));
}

void tst_BatchDeleteLogic::reportEncodesPathAndNameOnce()
{
    BatchDeleteFileInfo file;
    file.fileName = QStringLiteral("a&b 100%.jpg");
    file.filePath = QStringLiteral("/Volumes/photo/A1/a&b 100%.jpg");
    const QByteArray body = deleteAfterBody(Ids{"S1", "E2", "U3"}, QStringLiteral("OP9"), file);
    QVERIFY(body.contains("picname=a%26b%20100%25.jpg"));
    QVERIFY(body.contains("picpath=%2FVolumes%2Fphoto%2FA1%2Fa%26b%20100%25.jpg"));
    const auto fields = FormBody::parse(body);
    QStringList names;
    for (const auto &field : fields)
        names << field.first;
    QCOMPARE(names, QStringList({"shopid", "eid", "superid", "personid", "order_photo_id", "picpath", "picname"}));
    QCOMPARE(fields.at(5).second, file.filePath);
    QCOMPARE(fields.at(6).second, file.fileName);
}

void tst_BatchDeleteLogic::acceptedOnlyForTextOne_data()
{
    QTest::addColumn<QJsonValue>("code");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("text 1") << QJsonValue("1") << true;
    QTest::newRow("number 1") << QJsonValue(1) << false;
    QTest::newRow("text 0") << QJsonValue("0") << false;
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << false;
}

void tst_BatchDeleteLogic::acceptedOnlyForTextOne()
{
    QFETCH(QJsonValue, code);
    QFETCH(bool, accepted);
    QJsonObject reply;
    if (!code.isUndefined())
        reply.insert("code", code);
    QCOMPARE(isAccepted(reply), accepted);
}

void tst_BatchDeleteLogic::fileSizes_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0 B";
    QTest::newRow("negative") << qint64(-5) << "-5 B";
    QTest::newRow("1023") << qint64(1023) << "1023 B";
    QTest::newRow("1024") << qint64(1024) << "1.00 KB";
    QTest::newRow("just below MB") << qint64(1048575) << "1024.00 KB";
    QTest::newRow("MB") << qint64(1048576) << "1.00 MB";
    QTest::newRow("GB") << qint64(1073741824) << "1.00 GB";
    QTest::newRow("5 GB") << qint64(5) * 1073741824 << "5.00 GB";
}

void tst_BatchDeleteLogic::fileSizes()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(formatFileSize(size), text);
}

void tst_BatchDeleteLogic::statusTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("color");
    QTest::newRow("0") << 0 << "未删除" << "#8e8e93";
    QTest::newRow("1") << 1 << "删除中" << "#007aff";
    QTest::newRow("2") << 2 << "已删除" << "#34c759";
    QTest::newRow("3") << 3 << "提交状态失败" << "#ff9500";
    QTest::newRow("4") << 4 << "删除失败 (文件不存在)" << "#ff3b30";
    QTest::newRow("5") << 5 << "删除失败 (文件被占用)" << "#ff3b30";
    QTest::newRow("6") << 6 << "未知" << "#333333";
    QTest::newRow("7") << 7 << "未知" << "#333333";
    QTest::newRow("8") << 8 << "未知" << "#333333";
    QTest::newRow("9") << 9 << "未知" << "#333333";
    QTest::newRow("-1") << -1 << "未知" << "#333333";
}

void tst_BatchDeleteLogic::statusTexts()
{
    QFETCH(int, status);
    QFETCH(QString, cell);
    QFETCH(QString, color);
    QCOMPARE(statusCellText(status), cell);
    QCOMPARE(statusColor(status), color);
}

void tst_BatchDeleteLogic::listTexts()
{
    BatchDeleteFileInfo a;
    a.dirName = QStringLiteral("原片");
    a.fileName = QStringLiteral("1.jpg");
    BatchDeleteFileInfo b = a;
    b.fileName = QStringLiteral("2.jpg");
    b.errorMessage = QStringLiteral("没有删除权限");
    QCOMPARE(deletedListText({a, b}), QStringLiteral("\n原片/1.jpg\n原片/2.jpg"));
    QCOMPARE(failedListText({b}), QStringLiteral("\n原片/2.jpg: 没有删除权限"));
    QCOMPARE(deletedListText({}), QString());
}

void tst_BatchDeleteLogic::mayDeleteOnlyInsideFolder()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    root.mkpath(QStringLiteral("orders/A10"));
    QVERIFY(mayDelete(folder + "/原片/1.jpg", folder));
    QVERIFY(mayDelete(folder + "/1.jpg", folder));
    QVERIFY(!mayDelete(folder, folder));
    QVERIFY(!mayDelete(root.path() + "orders/A10/1.jpg", folder));
    QVERIFY(!mayDelete(folder + "/../A10/1.jpg", folder));
    QVERIFY(!mayDelete(QStringLiteral("/etc/passwd"), folder));
    QVERIFY(!mayDelete(folder + "/1.jpg", QString()));
    QVERIFY(!mayDelete(QStringLiteral("/tmp/x/1.jpg"), QStringLiteral("/tmp/x")));
}

void tst_BatchDeleteLogic::mayDeleteRefusesFolderLinkedElsewhere()
{
    ScopedMountRoot root;
    QTemporaryDir outside;
    QFile photo(outside.path() + "/keep.jpg");
    QVERIFY(photo.open(QIODevice::WriteOnly));
    photo.close();
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    QVERIFY(QFile::link(outside.path(), folder + "/原片"));
    QVERIFY(!mayDelete(folder + "/原片/keep.jpg", folder));
}

QTEST_GUILESS_MAIN(tst_BatchDeleteLogic)
#include "tst_BatchDeleteLogic.moc"
