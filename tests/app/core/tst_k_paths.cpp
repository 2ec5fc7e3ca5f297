#include "app/core/K.h"
#include "support/ScopedMountRoot.h"
#include "transfer/records/OrderInfo.h"

#include <QtTest>

// Share path conversion and import folder naming against a temporary mount root.
class KPathsTest : public QObject
{
    Q_OBJECT

private slots:
    void pathConvert_data();
    void pathConvert();
    void pathConvertPrefersExistingShareFolder();
    void pathConvertLowerCaseVolumesOnlyWithDefaultRoot();
    void returnUpDatePath_data();
    void returnUpDatePath();
    void roundTripThroughServiceForm();
    void getServeName_data();
    void getServeName();
    void generateImportPath_data();
    void generateImportPath();
    void generateImportPathByOrderUsesOrderFields();
    void replaceSpecialChar();
    void vip8ScalImgTouchesNothing();
    void todayDateFormat();
    void pathTooLong_data();
    void pathTooLong();
};

static const QString BS = QStringLiteral("\\");

void KPathsTest::pathConvert_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("relativeResult"); // below the mount root; "-" for empty result

    const QString unc = BS + BS + "nas01" + BS + "studio" + BS + "orders" + BS + "A1001";
    QTest::newRow("unc") << unc << "studio/orders/A1001/";
    QTest::newRow("unc with empty folder") << (BS + BS + "nas01" + BS + "studio" + BS + BS + "orders")
                                           << "studio/orders/";
    QTest::newRow("unc with tripled separators")
        << (BS + BS + "nas01" + BS + "studio" + BS + BS + BS + "orders" + BS + BS + "o1") << "studio/orders/o1/";
    QTest::newRow("unc opened by three separators")
        << (BS + BS + BS + "nas01" + BS + "studio" + BS + "o1") << "studio/o1/";
    QTest::newRow("no leading slash, share missing") << "nas01/studio/orders" << "nas01/orders/";
    QTest::newRow("empty") << "" << "-";
    QTest::newRow("relative, two parts") << ("a" + BS + "b") << "-";
    QTest::newRow("would be the root itself") << "/studio/orders" << "-";
    QTest::newRow("server alone") << (BS + BS + "nas01") << "-";
    QTest::newRow("dot-dot in unc") << (BS + BS + "nas01" + BS + "studio" + BS + ".." + BS + "etc")
                                    << "-";
    QTest::newRow("dot in unc") << (BS + BS + "nas01" + BS + "studio" + BS + "." + BS + "x") << "-";
}

void KPathsTest::pathConvert()
{
    ScopedMountRoot root;
    QFETCH(QString, input);
    QFETCH(QString, relativeResult);
    const QString expected = relativeResult == QLatin1String("-") ? QString() : root.path() + relativeResult;
    QCOMPARE(K::pathConvert(input), expected);
    if (!expected.isEmpty())
        QVERIFY(expected.endsWith('/'));
}

void KPathsTest::pathConvertPrefersExistingShareFolder()
{
    ScopedMountRoot root;
    root.mkpath("studio/orders");
    QCOMPARE(K::pathConvert("nas01/studio/orders"), root.path() + "studio/orders/");

    // A path already below the root keeps its form; one that escapes is refused.
    QCOMPARE(K::pathConvert(root.path() + "studio/x"), root.path() + "studio/x");
    QCOMPARE(K::pathConvert(root.path() + "studio/../../etc"), QString());
    QCOMPARE(K::pathConvert(root.path()), QString());
    QString windowsForm = root.path() + "studio/x";
    windowsForm.replace('/', '\\');
    QCOMPARE(K::pathConvert(windowsForm), root.path() + "studio/x");
}

void KPathsTest::pathConvertLowerCaseVolumesOnlyWithDefaultRoot()
{
    MountRoot::setPath("/Volumes/");
    QCOMPARE(K::pathConvert("/volumes/studio/x"), QString("/volumes/studio/x"));
    QCOMPARE(K::pathConvert("/Volumes/studio/x"), QString("/Volumes/studio/x"));
    {
        ScopedMountRoot root;
        // Under a redirected root the lower-case form is not a mount path.
        QCOMPARE(K::pathConvert("/volumes/studio/x"), QString());
    }
    MountRoot::reset();
}

void KPathsTest::returnUpDatePath_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("relative"); // below the root, or an absolute path when starting with '/'
    QTest::addColumn<QString>("expected");

    QTest::newRow("order folder") << "nas01" << "studio/orders/A1001/"
                                  << BS + BS + "nas01" + BS + "studio" + BS + "orders" + BS + "A1001" + BS;
    QTest::newRow("empty server") << "" << "studio/x" << BS + BS + BS + "studio" + BS + "x";
    QTest::newRow("outside the share keeps slashes") << "nas01" << "/home/user/a" << "/home/user/a";
    QTest::newRow("empty") << "nas01" << "" << "";
}

void KPathsTest::returnUpDatePath()
{
    ScopedMountRoot root;
    QFETCH(QString, server);
    QFETCH(QString, relative);
    QFETCH(QString, expected);
    const QString path = (relative.isEmpty() || relative.startsWith('/')) ? relative : root.path() + relative;
    QCOMPARE(K::returnUpDatePath(server, path), expected);
}

void KPathsTest::roundTripThroughServiceForm()
{
    ScopedMountRoot root;
    const QString unc = BS + BS + "nas01" + BS + "studio" + BS + "orders" + BS + "A1001" + BS;
    const QString local = K::pathConvert(unc);
    QCOMPARE(K::returnUpDatePath(K::getServeName(unc, QString()), local), unc);

    // Only the leading root is replaced: a later "/Volumes/" inside a folder name stays a folder.
    const QString nested = root.path() + "studio/Volumes/x";
    QCOMPARE(K::returnUpDatePath("nas01", nested),
             BS + BS + "nas01" + BS + "studio" + BS + "Volumes" + BS + "x");

    MountRoot::setPath("/Volumes/");
    QCOMPARE(K::returnUpDatePath("nas01", "/volumes/studio/x"), K::returnUpDatePath("nas01", "/Volumes/studio/x"));
    QCOMPARE(K::returnUpDatePath("nas01", "/Volumes/studio/Volumes/x/"),
             BS + BS + "nas01" + BS + "studio" + BS + "Volumes" + BS + "x" + BS);
    QCOMPARE(K::returnUpDatePath("nas01", "/data/Volumes/studio/x"), QString("/data/Volumes/studio/x"));
}

void KPathsTest::getServeName_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unc") << BS + BS + "nas01" + BS + "studio" << "" << "nas01";
    QTest::newRow("first empty uses second") << "" << BS + BS + "nas02" + BS + "pub" << "nas02";
    QTest::newRow("both empty") << "" << "" << "";
    QTest::newRow("local path") << "/Volumes/studio/x" << "" << "studio";
    QTest::newRow("too short") << "a/b" << "" << "";
}

void KPathsTest::getServeName()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, expected);
    QCOMPARE(K::getServeName(first, second), expected);
}

void KPathsTest::generateImportPath_data()
{
    QTest::addColumn<QString>("importPath");
    QTest::addColumn<bool>("withPublic");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("orderNumber");
    QTest::addColumn<QString>("visit");
    QTest::addColumn<QString>("mname");
    QTest::addColumn<QString>("wname");
    QTest::addColumn<QString>("expectedRelative"); // below the public folder; "-" for empty

    QTest::newRow("names cleaned") << "" << true << "2024" << "A1001" << "2" << "Li Lei" << "Han/Mei"
                                   << "2024/05/01/A1001-2_LiLei_HanMei";
    QTest::newRow("no names") << "" << true << "2024" << "A1001" << "2" << "" << "" << "2024/05/01/A1001-2";
    QTest::newRow("slash in order number") << "" << true << "2024" << "A/10\\01" << "2" << "" << ""
                                           << "2024/05/01/A_10_01-2";
    QTest::newRow("slashes in visit number") << "" << true << "2024" << "A1001" << "2/..\\3" << "" << ""
                                             << "2024/05/01/A1001-2_.._3";
    QTest::newRow("dot-dot year refused") << "" << true << ".." << "A1001" << "2" << "" << "" << "-";
    QTest::newRow("no paths at all") << "" << false << "2024" << "A1001" << "2" << "" << "" << "-";
}

void KPathsTest::generateImportPath()
{
    ScopedMountRoot root;
    QFETCH(QString, importPath);
    QFETCH(bool, withPublic);
    QFETCH(QString, year);
    QFETCH(QString, orderNumber);
    QFETCH(QString, visit);
    QFETCH(QString, mname);
    QFETCH(QString, wname);
    QFETCH(QString, expectedRelative);

    const QString publicPath = withPublic ? root.path() + "studio/orders/" : QString();
    QMap<QString, QString> map{{"importPath", importPath},
                               {"importPublicPath", publicPath},
                               {"shotdate_year", year},
                               {"shotdate_month", "05"},
                               {"shotdate_day", "01"},
                               {"orderNumber", orderNumber},
                               {"photoNum", visit},
                               {"mname", mname},
                               {"wname", wname}};
    const QString expected = expectedRelative == "-" ? QString() : publicPath + expectedRelative;
    QCOMPARE(K::generateImportPath(map), expected);

    // An order's own folder always wins, even with nothing else set.
    QMap<QString, QString> own{{"importPath", root.path() + "own/"}};
    QCOMPARE(K::generateImportPath(own), root.path() + "own/");
}

void KPathsTest::generateImportPathByOrderUsesOrderFields()
{
    ScopedMountRoot root;
    OrderInfo order;
    order.importPublicPath = root.path() + "pub/";
    order.shotdate_year = "2023";
    order.shotdate_month = "11";
    order.shotdate_day = "30";
    order.orderpayforkey = "B7";
    order.servicetimes = "1";
    order.wname = "王芳";
    QCOMPARE(K::generateImportPathByOrder(order), root.path() + "pub/2023/11/30/B7-1_王芳");
    order.importPath = root.path() + "orders/B7/";
    QCOMPARE(K::generateImportPathByOrder(order), order.importPath);
}

void KPathsTest::replaceSpecialChar()
{
    QCOMPARE(K::replaceSpecialChar("\\/:*?\"<>| "), QString());
    QCOMPARE(K::replaceSpecialChar("张 三:a*b,c.d（e）"), QString("张三ab,c.d（e）"));
}

void KPathsTest::vip8ScalImgTouchesNothing()
{
    const auto result = K::vip8ScalImg("/nonexistent/a.jpg", "/nonexistent/b.jpg", 160, 120);
    QCOMPARE(result.value("code"), QString("2"));
    QCOMPARE(result.value("filepath"), QString("/nonexistent/a.jpg"));
    QCOMPARE(result.value("outpath"), QString("/nonexistent/b.jpg"));
    QVERIFY(!QFile::exists("/nonexistent/b.jpg"));
}

void KPathsTest::todayDateFormat()
{
    const QString today = K::getTodayDate();
    QCOMPARE(QDate::fromString(today, "yyyy-MM-dd"), QDate::currentDate());
}

// An absolute path of names made of unit repeated perName times, cut to length characters.
static QString pathOf(const QString &unit, int perName, int length)
{
    QString path;
    while (path.size() < length)
        path += QLatin1Char('/') + unit.repeated(perName);
    return path.left(length);
}

void KPathsTest::pathTooLong_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tooLong");
    const QString wide = QStringLiteral("照"); // three bytes in UTF-8
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("4095 bytes") << pathOf("a", 100, 4095) << false;
    QTest::newRow("4096 bytes") << pathOf("a", 100, 4096) << true;
    QTest::newRow("name of 255 bytes") << "/Volumes/studio/" + QString(255, 'a') + "/b.jpg" << false;
    QTest::newRow("name of 256 bytes") << "/Volumes/studio/" + QString(256, 'a') + "/b.jpg" << true;
    QTest::newRow("name of 85 three-byte characters") << "/Volumes/" + wide.repeated(85) << false;
    QTest::newRow("name of 86 three-byte characters") << "/Volumes/" + wide.repeated(86) << true;
    // Sixteen names of 255 bytes with their separators: 4096 bytes in 1376 characters.
    const QString widest = pathOf(wide, 85, 16 * 86);
    QTest::newRow("4095 bytes, names of three-byte characters") << widest.chopped(1) + "ab" << false;
    QTest::newRow("4096 bytes, names of three-byte characters") << widest << true;
}

// Paths past what the system takes, as a whole or in one name, are told
// before anything is made there, in a line short enough for a message box.
void KPathsTest::pathTooLong()
{
    QFETCH(QString, path);
    QFETCH(bool, tooLong);
    const QString message = K::pathTooLongMessage(path);
    QCOMPARE(!message.isEmpty(), tooLong);
    if (!tooLong)
        return;
    QVERIFY2(message.size() < 100, qPrintable(message));
    QVERIFY(message.startsWith(QStringLiteral("路径过长: ") + path.left(20)));
    QVERIFY(message.endsWith(path.right(20)));
}

QTEST_GUILESS_MAIN(KPathsTest)
#include "tst_k_paths.moc"
