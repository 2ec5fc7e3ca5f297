#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "batchdelete/BatchDeleteAnnouncement.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "platform/MountRoot.h"
#include "support/ScopedMountRoot.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cerrno>

using namespace BatchDeleteLogic;

Q_DECLARE_METATYPE(BatchDeleteLogic::OrderTally)

class tst_BatchDeleteLogic : public QObject
{
    Q_OBJECT

private slots:
    void orderFromReplyObject();
    void nonTextValuesReadEmpty();
    void idsAndFolderOfReply_data();
    void idsAndFolderOfReply();
    void orderFolderOnlyBelowMountRoot_data();
    void orderFolderOnlyBelowMountRoot();
    void searchBodyFieldsInOrder();
    void announcementCarriesEveryFileOnce();
    void announcedFilesNumberedAfresh();
    void reportEncodesPathAndNameOnce();
    void acceptedOnlyForTextOne_data();
    void acceptedOnlyForTextOne();
    void fileSizes_data();
    void fileSizes();
    void mayDeleteOnlyInsideFolder();
    void failedStatusShowsReason_data();
    void failedStatusShowsReason();
    void refusedFolderIsPermission_data();
    void refusedFolderIsPermission();
    void orderEndSaysWhatIsLeft_data();
    void orderEndSaysWhatIsLeft();
    void runEndMixesEveryKind();
};

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
    QCOMPARE(order.order_photo_id, QStringLiteral("77"));
    QVERIFY(order.orderpayforkey.isEmpty());
    QVERIFY(order.name.isEmpty());
    QVERIFY(order.netpath.isEmpty());
    QCOMPARE(customerName("", "李四"), QStringLiteral("李四"));
    QCOMPARE(customerName("张三", "李四"), QStringLiteral("张三/李四"));
}

void tst_BatchDeleteLogic::idsAndFolderOfReply_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value"); // undefined: the key is missing
    QTest::addColumn<QString>("read");     // the order's id or order photo id
    QTest::addColumn<QString>("problem");  // a prefix of it
    const QString bad = QStringLiteral("订单数据错误");
    QTest::newRow("order photo id text") << "order_photo_id" << QJsonValue("OP9") << "OP9" << "";
    QTest::newRow("order photo id integer") << "order_photo_id" << QJsonValue(2001) << "2001" << "";
    QTest::newRow("order photo id float") << "order_photo_id" << QJsonValue(20.5) << "" << bad;
    QTest::newRow("order photo id null") << "order_photo_id" << QJsonValue(QJsonValue::Null) << "" << bad;
    QTest::newRow("order photo id object") << "order_photo_id" << QJsonValue(QJsonObject{{"id", "OP9"}}) << "" << bad;
    QTest::newRow("order photo id missing") << "order_photo_id" << QJsonValue(QJsonValue::Undefined) << "" << bad;
    QTest::newRow("order photo id empty") << "order_photo_id" << QJsonValue("") << "" << bad;
    QTest::newRow("id integer") << "id" << QJsonValue(11) << "11" << "";
    QTest::newRow("id float") << "id" << QJsonValue(11.25) << "" << bad;
    QTest::newRow("id missing") << "id" << QJsonValue(QJsonValue::Undefined) << "" << bad;
    QTest::newRow("folder 300,000 levels deep") << "netpath" << QJsonValue("<root>share/" + QString("a/").repeated(300000))
                                                << "11" << "路径过长: ";
    QTest::newRow("folder name of 256 bytes") << "netpath" << QJsonValue("<root>share/" + QString(256, QLatin1Char('n')))
                                              << "11" << "路径过长: ";
    QTest::newRow("unc path of 500 bytes, short names") << "netpath"
                                                        << QJsonValue("\\\\nas\\share\\" + QString("abcdefghi\\").repeated(50))
                                                        << "11" << "";
    // The mount root is longer than "//nas/": too long only as a mount path.
    QTest::newRow("unc path too long once converted") << "netpath"
                                                      << QJsonValue("\\\\nas\\share\\" + QString("abcdefghi\\").repeated(408))
                                                      << "11" << "路径过长: ";
}

// Ids are text or integers and never empty, the folder path one the system
// takes: anything else leaves the order with a problem and no folder.
void tst_BatchDeleteLogic::idsAndFolderOfReply()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, read);
    QFETCH(QString, problem);
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("share/A1"));
    QJsonObject object{{"id", "11"}, {"order_photo_id", "OP1"}, {"netpath", folder}};
    if (value.isString())
        value = value.toString().replace(QLatin1String("<root>"), root.path());
    object.insert(key, value);
    if (value.isUndefined())
        object.remove(key);
    const BatchDeleteOrderInfo order = orderFromJson(object, 0);
    QCOMPARE(key == "id" ? order.id : key == "order_photo_id" ? order.order_photo_id : order.id, read);
    QVERIFY2(problem.isEmpty() ? order.problem.isEmpty() : order.problem.startsWith(problem), qPrintable(order.problem));
    QVERIFY(order.problem.size() < 200);
    if (key == "netpath" && !problem.isEmpty())
        QVERIFY(order.netpath.isEmpty());
}

void tst_BatchDeleteLogic::orderFolderOnlyBelowMountRoot_data()
{
    QTest::addColumn<QString>("netpath"); // "<root>" stands for the mount root
    QTest::addColumn<QString>("folder");  // below the root; empty when refused
    QTest::newRow("order folder") << "<root>share/A1" << "share/A1";
    QTest::newRow("trailing slash") << "<root>share/A1/" << "share/A1";
    QTest::newRow("unc") << "\\\\nas\\share\\A1" << "share/A1";
    QTest::newRow("share root") << "\\\\nas\\share" << "";
    QTest::newRow("share root as mount path") << "<root>share" << "";
    QTest::newRow("the root itself") << "<root>" << "";
    QTest::newRow("dot dot out") << "<root>share/../../etc" << "";
    QTest::newRow("dot part") << "<root>share/./A1" << "";
    QTest::newRow("elsewhere") << "/etc/x/y" << "";
    QTest::newRow("relative, never mapped") << "x/share/A1" << "";
    QTest::newRow("relative with backslashes") << "nas\\share\\A1" << "";
    QTest::newRow("300,000 levels") << "<root>share/A1/" + QString("a/").repeated(300000) << "";
    QTest::newRow("one name of 256 bytes") << "<root>share/A1/" + QString(256, QLatin1Char('n')) << "";
}

void tst_BatchDeleteLogic::orderFolderOnlyBelowMountRoot()
{
    QFETCH(QString, netpath);
    QFETCH(QString, folder);
    ScopedMountRoot root;
    root.mkpath(QStringLiteral("share/A1"));
    root.mkpath(QStringLiteral("x/share/A1"));
    netpath.replace(QLatin1String("<root>"), root.path());
    QCOMPARE(orderFolder(netpath), folder.isEmpty() ? QString() : root.path() + folder);
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
    QCOMPARE(fields.at(7).second, QStringLiteral("E2"));
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
    QStringList values;
    for (const auto &field : fields.mid(0, 5))
        values << field.first + '=' + field.second;
    QCOMPARE(values, QStringList({"shopid=S1", "eid=E2", "superid=U3", "personid=E2", "order_photo_id=OP9"}));
    QCOMPARE(fields.at(5).first, QStringLiteral("pics"));
    QCOMPARE(QJsonDocument::fromJson(fields.at(5).second.toUtf8()).array().size(), 2);
    // The "&" inside the JSON must not split the form.
    QVERIFY(body.contains("%26"));
}

// Only files below the order folder are announced, numbered from 0 again:
// the number is the file's row and its place in the order's list.
void tst_BatchDeleteLogic::announcedFilesNumberedAfresh()
{
    registerMetaTypes();
    ScopedMountRoot root;
    BatchDeleteOrderInfo order;
    order.netpath = root.path() + "share/A1";
    QList<BatchDeleteFileInfo> found;
    for (const QString name : {"/1.jpg", "/../A2/2.jpg", "/原片/3.jpg"})
        found << BatchDeleteFileInfo{name.section('/', -1), order.netpath + name, {}, 0, NotDeleted, {}, found.size()};
    BatchDeleteAnnouncement announcement(Ids(), order, found);
    announcement.setAutoDelete(false);
    QSignalSpy built(&announcement, &BatchDeleteAnnouncement::built);
    announcement.run();
    const auto files = built.first().at(1).value<QList<BatchDeleteFileInfo>>();
    QCOMPARE(files.size(), 2);
    QCOMPARE(files.at(1).fileName, QStringLiteral("3.jpg"));
    QCOMPARE(files.at(1).index, 1);
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
    QTest::newRow("negative") << qint64(-5) << "-5 B";
    QTest::newRow("1023") << qint64(1023) << "1023 B";
    QTest::newRow("1024") << qint64(1024) << "1.00 KB";
    QTest::newRow("just below MB") << qint64(1048575) << "1024.00 KB";
    QTest::newRow("5 GB") << qint64(5) * 1073741824 << "5.00 GB";
}

void tst_BatchDeleteLogic::fileSizes()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(formatFileSize(size), text);
}

void tst_BatchDeleteLogic::mayDeleteOnlyInsideFolder()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("share/A1"));
    QVERIFY(mayDelete(folder + "/原片/1.jpg", folder));
    QVERIFY(!mayDelete(folder, folder));
    QVERIFY(!mayDelete(root.path() + "share/A10/1.jpg", folder));
    QVERIFY(!mayDelete(folder + "/../A10/1.jpg", folder));
    QVERIFY(!mayDelete(QStringLiteral("/tmp/x/1.jpg"), QStringLiteral("/tmp/x")));
    QVERIFY(MountRoot::isAtOrBelow(folder, folder));
    QVERIFY(!MountRoot::isAtOrBelow(folder + "0/1.jpg", folder));
    QVERIFY(!MountRoot::isAtOrBelow(folder, QString()));
    // The real folder must lie below a share of the real root, links resolved.
    QString reason;
    QCOMPARE(realOrderFolder(folder, &reason), QFileInfo(folder).canonicalFilePath());
    QTemporaryDir outside;
    QVERIFY(QFile::link(outside.path(), root.path() + "share/out"));
    QVERIFY(realOrderFolder(root.path() + "share/out", &reason).isEmpty());
    QCOMPARE(reason, QStringLiteral("订单目录链接到共享目录以外"));
    QVERIFY(QFile::link(folder, root.path() + "A1-top"));
    QVERIFY(realOrderFolder(root.path() + "A1-top", &reason).length() > 0);
    // On the share a link is refused by name: it may lead into another order.
    QVERIFY(QFile::link(folder, root.path() + "share/A2"));
    QVERIFY(realOrderFolder(root.path() + "share/A2", &reason).isEmpty());
    QCOMPARE(reason, K::orderFolderLinkMessage(root.path() + "share/A2"));
}

void tst_BatchDeleteLogic::failedStatusShowsReason_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("listed"); // its line in the list of files not deleted
    const QString owed = QStringLiteral("已从共享目录删除，删除记录未提交，将在下次开始批量删除或重新打开批量删除时自动补交");
    QTest::newRow("no permission") << int(NoPermission) << "没有删除权限" << "没有删除权限" << "没有删除权限";
    QTest::newRow("unreachable") << int(NetworkUnreachable) << "网络路径无法访问" << "网络路径无法访问" << "网络路径无法访问";
    QTest::newRow("unknown") << int(UnknownError) << "删除失败，未知原因" << "删除失败，未知原因" << "删除失败，未知原因";
    QTest::newRow("unknown, no reason") << int(UnknownError) << "" << "未知" << "未知";
    QTest::newRow("occupied keeps its suffix")
        << int(FileOccupied) << "文件被其他程序占用" << "删除失败 (文件被占用)" << "文件被其他程序占用";
    QTest::newRow("report given up: removed, record owed") << int(SubmitFailed) << "" << "提交状态失败" << owed;
    QTest::newRow("deleted") << int(Deleted) << "" << "已删除" << "已删除";
}

void tst_BatchDeleteLogic::failedStatusShowsReason()
{
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QString, cell);
    QFETCH(QString, listed);
    QCOMPARE(statusCellText(status, message), cell);
    BatchDeleteFileInfo file;
    file.dirName = QStringLiteral("190");
    file.fileName = QStringLiteral("IMG_0001.jpg");
    file.status = status;
    file.errorMessage = message;
    QCOMPARE(failedListText({file}), QStringLiteral("\n190/IMG_0001.jpg: ") + listed);
}

// Only the system refusing is a matter of permission; an I/O error is the share.
void tst_BatchDeleteLogic::refusedFolderIsPermission_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("code");
    QTest::newRow("EACCES") << EACCES << 4;
    QTest::newRow("EPERM") << EPERM << 4;
    QTest::newRow("EIO") << EIO << 3;
}

void tst_BatchDeleteLogic::refusedFolderIsPermission()
{
    QFETCH(int, error);
    QFETCH(int, code);
    QString message;
    QCOMPARE(folderProblem(error, QStringLiteral("/mnt/share/A1"), &message), code);
    QCOMPARE(message.startsWith(QStringLiteral("没有权限访问目录: /mnt/share/A1")), code == 4);
}


namespace {
BatchDeleteOrderInfo numbered(const QString &key)
{
    BatchDeleteOrderInfo order;
    order.orderpayforkey = key;
    order.servicetimes = QStringLiteral("1");
    return order;
}

OrderTally tally(int announced, int removed, int owed, const QString &kept = QString(),
                 const QString &lost = QString())
{
    OrderTally t;
    t.announced = announced;
    t.removed = removed;
    t.owed = owed;
    t.keptReason = kept;
    t.lostReason = lost;
    return t;
}
} // namespace

void tst_BatchDeleteLogic::orderEndSaysWhatIsLeft_data()
{
    QTest::addColumn<OrderTally>("tally");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("text");
    const QString owedTail = QStringLiteral("未提交的删除记录将在下次开始批量删除或重新打开批量删除时自动补交");
    QTest::newRow("all removed and reported") << tally(4, 4, 0) << QString() << QStringLiteral("全部删除完成！");
    QTest::newRow("refused before the announcement")
        << tally(0, 0, 0, QStringLiteral("订单目录无效")) << QString()
        << QStringLiteral("删除结束：成功0个，失败0个\n以下订单未删除：\nA1-1：订单目录无效");
    QTest::newRow("every removal failed")
        << tally(3, 0, 0, QStringLiteral("没有删除权限")) << QString()
        << QStringLiteral("删除结束：成功0个，失败0个\n以下订单未删除：\nA1-1：3个文件未删除，没有删除权限");
    QTest::newRow("some files left")
        << tally(5, 3, 0, QStringLiteral("没有删除权限")) << QString()
        << QStringLiteral("删除结束：成功0个，失败0个\n以下订单部分文件未删除：\nA1-1：2个文件未删除，没有删除权限");
    QTest::newRow("folder lost after a failure: the loss is why")
        << tally(5, 1, 0, QStringLiteral("没有删除权限"), QStringLiteral("网络路径无法访问")) << QString()
        << QStringLiteral("删除结束：成功0个，失败0个\n以下订单部分文件未删除：\nA1-1：4个文件未删除，网络路径无法访问");
    QTest::newRow("removed whole, one record owed")
        << tally(4, 4, 1) << QString()
        << QStringLiteral("删除结束：成功0个，失败0个\n以下订单的文件已从共享目录删除，但删除记录未提交：\n"
                          "A1-1：1个文件已删除（提交状态失败）\n") + owedTail;
    QTest::newRow("files left and records owed")
        << tally(6, 4, 2, QStringLiteral("文件被其他程序占用")) << QString()
        << QStringLiteral("删除结束：成功0个，失败0个\n以下订单部分文件未删除：\nA1-1：2个文件未删除，文件被其他程序占用\n"
                          "以下订单的文件已从共享目录删除，但删除记录未提交：\nA1-1：2个文件已删除（提交状态失败）\n")
               + owedTail;
    QTest::newRow("stopped mid-order: the stop is why")
        << tally(10, 4, 0, QStringLiteral("没有删除权限")) << QStringLiteral("无法写入删除记录")
        << QStringLiteral("无法写入删除记录\n删除结束：成功0个，失败0个\n以下订单部分文件未删除：\nA1-1：6个文件未删除，无法写入删除记录");
    QTest::newRow("stopped before the announcement was taken")
        << tally(0, 0, 0) << QStringLiteral("提交数据失败!")
        << QStringLiteral("提交数据失败!\n删除结束：成功0个，失败0个\n以下订单未删除：\nA1-1：提交数据失败!");
}

// Each order is said as the share was left: a file gone is never called not deleted.
void tst_BatchDeleteLogic::orderEndSaysWhatIsLeft()
{
    QFETCH(OrderTally, tally);
    QFETCH(QString, stop);
    QFETCH(QString, text);
    RunEnd end;
    end.addOrder(numbered(QStringLiteral("A1")), tally, stop);
    end.stopReason = stop;
    QCOMPARE(runEndText(end), text);
}

void tst_BatchDeleteLogic::runEndMixesEveryKind()
{
    RunEnd end;
    end.deleted = 19;
    end.failed = 3;
    end.addOrder(numbered(QStringLiteral("A1")), tally(10, 10, 0));
    end.addRefused(numbered(QStringLiteral("A2")), QStringLiteral("订单目录是链接: /Volumes/s/A2"));
    end.addOrder(numbered(QStringLiteral("A3")), tally(6, 5, 1, QStringLiteral("没有删除权限")));
    end.addOrder(numbered(QStringLiteral("A4")), tally(4, 4, 1));
    end.addOrder(numbered(QStringLiteral("A5")), tally(2, 0, 0, QStringLiteral("没有删除权限")));
    QCOMPARE(runEndText(end),
             QStringLiteral("删除结束：成功19个，失败3个\n"
                            "以下订单未删除：\nA2-1：订单目录是链接: /Volumes/s/A2\nA5-1：2个文件未删除，没有删除权限\n"
                            "以下订单部分文件未删除：\nA3-1：1个文件未删除，没有删除权限\n"
                            "以下订单的文件已从共享目录删除，但删除记录未提交：\n"
                            "A3-1：1个文件已删除（提交状态失败）\nA4-1：1个文件已删除（提交状态失败）\n"
                            "未提交的删除记录将在下次开始批量删除或重新打开批量删除时自动补交"));
}

QTEST_GUILESS_MAIN(tst_BatchDeleteLogic)
#include "tst_BatchDeleteLogic.moc"
