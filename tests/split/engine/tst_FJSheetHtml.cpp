#include "support/FJSheetStudioData.h"
#include "split/engine/FJDataThread.h"
#include "split/engine/FJSheetHtml.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace D = FJSheetStudioData;

namespace {

const QString kNbsp = QStringLiteral("\u00A0");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

} // namespace

class TestFJSheetHtml : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void frameStartsAndEndsWithoutBreaks();
    void styleBlockDefinesTheSheetClasses();
    void closingShowsTheTimeStamp();
    void headerEmbedsShopNameAndBarcodeBytes();
    void headerWithoutOrderOrBarcode();

    void orderTableHasThirteenRows();
    void orderTableOfEmptyOrder();
    void orderTableDerivedTexts_data();
    void orderTableDerivedTexts();

    void requirementsOfEmptyOrder();
    void generalRequirementLineBreaks_data();
    void generalRequirementLineBreaks();
    void consumptionKeepsLineFeeds();
    void markedPicturesTwoToARowWithNumberedRemarks();
    void pickupTexts_data();
    void pickupTexts();

    void visitTablesOfRealisticOrder();
    void productRowsSkipOtherUrgencyAndEmptyTypeThirtyThree();
    void sonGoodRowsAndRowSpan();
    void unhandledVisitTitles();
    void visitWithoutProductsWritesNothing();

    void gridLayout_data();
    void gridLayout();
    void gridReadsCropOrThumbnail();
    void emptyGridLiterals();

    void photoGridsDisclaimerAndSignature();
    void photoGridsOfEmptyReply();

    void serviceTextIsEscaped_data();
    void serviceTextIsEscaped();
    void picturesOnlyFromTheOrderFolder_data();
    void picturesOnlyFromTheOrderFolder();
    void slashesInNamesStayInTheFolder();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_orderDir;
};

void TestFJSheetHtml::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_orderDir = m_dir->path() + QStringLiteral("/A20240501-17-服务2 张伟-李娜 自取/");
    QVERIFY(D::writeOrderPictures(m_orderDir));
}

void TestFJSheetHtml::frameStartsAndEndsWithoutBreaks()
{
    const QString html = FJSheetHtml::build(D::reply(), m_orderDir, QDateTime::currentDateTime());
    QVERIFY(html.startsWith(QStringLiteral("<HTML><head><meta http-equiv=\"Content-Type\"")));
    QVERIFY(html.endsWith(QStringLiteral("</p></div></body></HTML>")));
    // Pieces follow one another with no line break; the general requirements' breaks became <BR>.
    QVERIFY(!html.contains(QLatin1Char('\n')));
    QVERIFY(html.contains(QStringLiteral("整体偏暖<BR>皮肤通透&nbsp;")));
    // Sections in their order.
    const QStringList marks = {"<style type=\"text/css\">", "class=\"style1\">", "订单号:", "总体要求", "消费要求",
                               "调修要求", "指定制作", "加急件：", "普通件：", "已选张数", "入底张数", "客人确认签名",
                               "<div style=\"font-size:12px\" align=\"center\"><p align=\"right\">"};
    int at = 0;
    for (const QString &mark : marks) {
        const int next = html.indexOf(mark, at);
        QVERIFY2(next >= at, qPrintable(mark));
        at = next;
    }
    // The division opened before the style block closes before the time stamp.
    QCOMPARE(D::count(html, "<div align=\"center\"><style"), 1);
    QVERIFY(html.contains(QStringLiteral("</table></div><BR><div style=\"font-size:12px\"")));
}

void TestFJSheetHtml::styleBlockDefinesTheSheetClasses()
{
    QString html;
    FJSheetHtml::appendHead(html);
    QVERIFY(html.endsWith(QStringLiteral("<!--.style1 {\tfont-size: 24px;\tfont-weight: bold;}"
                                         ".style2 {\tfont-size: 16px;\tfont-weight: bold;}"
                                         ".style4 {\tfont-size: 16px;\tfont-weight: bold;}"
                                         ".style3 {\tfont-size: 12px;}"
                                         ".justify1 {\tdisplay:inline-block;\twidth:100%;;   overflow:hidden;}"
                                         "body,td,th {\tfont-size: 14px;}"
                                         "p { margin: 0px; padding: 0px;}-->"
                                         "</style>")));
    QVERIFY(html.contains(QStringLiteral("<title></title></head><body leftmargin=\"0\"><div align=\"center\">")));
}

void TestFJSheetHtml::closingShowsTheTimeStamp()
{
    QString html;
    FJSheetHtml::appendClosing(html, QDateTime(QDate(2026, 3, 5), QTime(9, 7, 2)));
    QCOMPARE(D::between(html, "<p align=\"right\">", "</p>"), QStringLiteral("2026-03-05 09:07:02"));
    QVERIFY(html.startsWith(QStringLiteral("</div><BR>")));
    QVERIFY(html.endsWith(QStringLiteral("</p></div></body></HTML>")));
    QString evening;
    FJSheetHtml::appendClosing(evening, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
    QVERIFY(evening.contains(QStringLiteral(">2026-12-31 23:59:58</p>")));
}

void TestFJSheetHtml::headerEmbedsShopNameAndBarcodeBytes()
{
    QString html;
    FJSheetHtml::appendHeader(html, D::order(), m_orderDir);
    QCOMPARE(D::between(html, "<span align=\"center\" class=\"style1\">", "</span>"), QStringLiteral("星光摄影旗舰店"));
    const QByteArray barcode = fileBytes(m_orderDir + QStringLiteral("其他/条形码.jpg"));
    QVERIFY(!barcode.isEmpty());
    const QString src = D::between(html, "<img  align=\"center\"  src=\"", "\" />");
    // Embedded byte for byte, not scaled.
    QCOMPARE(src, QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(barcode.toBase64()));
    QVERIFY(html.startsWith(QStringLiteral("<p><table width=100%  border=0 cellspacing=0 cellpadding=1;>")));
    QVERIFY(html.endsWith(QStringLiteral("</div></td></tr></table></p><br>")));
    QCOMPARE(D::count(html, "<td width=33%>"), 3);
}

void TestFJSheetHtml::headerWithoutOrderOrBarcode()
{
    QVERIFY(QFile::remove(m_orderDir + QStringLiteral("其他/条形码.jpg")));
    QJsonObject reply = D::reply();
    reply.remove("order");
    const QString html = FJSheetHtml::build(reply, m_orderDir, QDateTime::currentDateTime());
    QVERIFY(html.contains(QStringLiteral("<span align=\"center\" class=\"style1\"></span>")));
    QVERIFY(html.contains(QStringLiteral("<img  align=\"center\"  src=\"\" />")));
    QVERIFY(html.contains(QStringLiteral("订单号:   (服务次:/)")));

    reply.insert("order", QJsonArray{1, 2});
    QVERIFY(FJSheetHtml::build(reply, m_orderDir, QDateTime::currentDateTime())
                .contains(QStringLiteral("class=\"style1\"></span>")));
}

void TestFJSheetHtml::orderTableHasThirteenRows()
{
    QString html;
    const QString slot = FJSheetHtml::appendOrderInfo(html, D::order());
    QCOMPARE(slot, QStringLiteral("15:00"));
    QVERIFY(html.startsWith(QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">"
                                           "<tr><td align=\"center\"><table width=\"100%\"  border=\"1\"")));
    QVERIFY(html.endsWith(QStringLiteral("  </tr></table></td></tr></table>")));
    QCOMPARE(D::count(html, "  <tr>"), 13);
    QCOMPARE(D::count(html, "  </tr>"), 13);
    // 11 rows of four cells less the missing fourth cell of the count row, plus two full-width cells.
    QCOMPARE(D::count(html, "<td class=\"td_thin\" width=\"25%\">"), 43);
    QCOMPARE(D::count(html, "<td class=\"td_thin\" colspan=\"4\">"), 2);
    QCOMPARE(D::count(html, "<div align=\"left\"></div></td>"), 2);

    QVERIFY(html.contains(QStringLiteral("订单号:   A20240501-17(服务次:2/3)</div></td>")));
    QVERIFY(html.contains(QStringLiteral("<div align=\"left\">男士:   张伟</div></td>")));
    QVERIFY(html.contains(QStringLiteral("选片日期:   2024-03-20 14:30<")));
    QVERIFY(html.contains(QStringLiteral("看精修日期:   2024-04-01 10:00<")));
    QVERIFY(html.contains(QStringLiteral("看版日期:   2024-04-10 <")));
    QVERIFY(html.contains(QStringLiteral("发货日期:   2024-05-01 15:00<")));
    QVERIFY(html.contains(QStringLiteral("购买精修张数:   8</div></td>  </tr>")));
    QVERIFY(html.contains(QStringLiteral("收件人姓名:   李娜     电话：13900000002    地址：浙江省杭州市西湖区文三路100号</div>")));

    // The cells in reading order as the renderer sees them.
    const QString text = plainText(html);
    const QStringList labels = {"男士", "手机", "女士", "手机", "套系", "预约店", "服务店", "预约日期", "拍照日期",
                                "选片日期", "看精修日期", "看版日期", "门市", "网约", "推广", "选片师",
                                "对比片选中张数", "相册P数", "套系约定精修", "已选张数", "摄影师", "摄像师", "化妆师",
                                "男士邮箱", "摄助", "剪辑师", "化助", "女士邮箱", "精修师", "转档师", "预约金额",
                                "二销总额", "二销欠款", "支付方式", "样前对比片", "样后修片师", "设计师", "发货日期",
                                "购买毛底张数", "赠送精修张数", "购买精修张数", "收件人姓名"};
    int at = 0;
    for (const QString &label : labels) {
        const int next = text.indexOf(label + QLatin1Char(':'), at);
        QVERIFY2(next >= at, qPrintable(label));
        at = next + 1;
    }
}

void TestFJSheetHtml::orderTableOfEmptyOrder()
{
    QString html;
    QVERIFY(FJSheetHtml::appendOrderInfo(html, QJsonObject()).isEmpty());
    QCOMPARE(D::count(html, "  <tr>"), 13);
    QVERIFY(html.contains(QStringLiteral("<div align=\"center\">订单号:   (服务次:/)</div>")));
    QVERIFY(html.contains(QStringLiteral("<div align=\"left\">男士:   </div>")));
    QVERIFY(html.contains(QStringLiteral("选片日期:    </div>")));
    QVERIFY(html.contains(QStringLiteral("发货日期:    </div>")));
    QVERIFY(html.contains(QStringLiteral("<div align=\"left\">收件人姓名:        电话：    地址：</div>")));
}

void TestFJSheetHtml::orderTableDerivedTexts_data()
{
    QTest::addColumn<QJsonObject>("order");
    QTest::addColumn<QString>("expected");

    QTest::newRow("count as number") << QJsonObject{{"servicetimes", "2"}, {"count", 3}}
                                     << QStringLiteral("(服务次:2/)");
    QTest::newRow("hour without minute") << QJsonObject{{"selectphotodate", "2024-03-20"}, {"samplestarttime", "14"}}
                                         << QStringLiteral("选片日期:   2024-03-20 </div>");
    QTest::newRow("blank minute counts") << QJsonObject{{"samplestarttime", "14"}, {"samplestartmin", " "}}
                                         << QStringLiteral("选片日期:    14: </div>");
    QTest::newRow("retouch slot :00") << QJsonObject{{"kanjinxiuarea", QJsonObject{{"timeTxt", ":00"}}}}
                                      << QStringLiteral("看精修日期:    </div>");
    QTest::newRow("layout slot 00:00") << QJsonObject{{"kanbanarea", QJsonObject{{"timeTxt", "00:00"}}}}
                                       << QStringLiteral("看版日期:    00:00</div>");
    QTest::newRow("layout slot blank :00") << QJsonObject{{"kanbanarea", QJsonObject{{"timeTxt", " :00"}}}}
                                           << QStringLiteral("看版日期:     :00</div>");
    QTest::newRow("pickup slot keeps :00") << QJsonObject{{"getphotoarea", QJsonObject{{"timeTxt", ":00"}}}}
                                           << QStringLiteral("发货日期:    :00</div>");
    QTest::newRow("area as plain text") << QJsonObject{{"provinceid", "浙江"}, {"cityid", 5},
                                                      {"countyid", QJsonObject{{"areaname", "西湖区"}}},
                                                      {"address", "文三路"}}
                                        << QStringLiteral("地址：西湖区文三路</div>");
}

void TestFJSheetHtml::orderTableDerivedTexts()
{
    QFETCH(QJsonObject, order);
    QFETCH(QString, expected);
    QString html;
    FJSheetHtml::appendOrderInfo(html, order);
    QVERIFY2(html.contains(expected), qPrintable(html));
}

void TestFJSheetHtml::requirementsOfEmptyOrder()
{
    QString html;
    const FJSheetHtml::PickupTexts texts =
        FJSheetHtml::appendRequirements(html, QJsonObject(), QJsonObject(), m_orderDir, QString());
    QCOMPARE(html, QStringLiteral("<BR><p><span class=\"style2\">指定制作</span></p>"));
    QVERIFY(texts.pickup.isEmpty());
    QVERIFY(texts.urgent.isEmpty());
}

void TestFJSheetHtml::generalRequirementLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("two lines") << QStringLiteral("A\nB") << QStringLiteral("A<BR>B&nbsp;");
    QTest::newRow("carriage return stays") << QStringLiteral("A\r\nB") << QStringLiteral("A\r<BR>B&nbsp;");
    QTest::newRow("single line feed") << QStringLiteral("\n") << QStringLiteral("<BR>&nbsp;");
}

void TestFJSheetHtml::generalRequirementLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QString html;
    FJSheetHtml::appendRequirements(html, QJsonObject{{"orderdescr", text}}, QJsonObject(), m_orderDir, QString());
    QCOMPARE(D::between(html, "<td align=\"left\"><span>", "</span></td></tr>"), cell);
    QVERIFY(html.contains(QStringLiteral("<span class=\"style2\">总体要求</span>")));
    QVERIFY(!html.contains(QStringLiteral("消费要求")));
    QVERIFY(html.endsWith(QStringLiteral("</table><BR><p><span class=\"style2\">指定制作</span></p>")));
}

void TestFJSheetHtml::consumptionKeepsLineFeeds()
{
    QString html;
    FJSheetHtml::appendRequirements(html, QJsonObject{{"consumption_statement", "X\nY"}}, QJsonObject(), m_orderDir,
                                    QString());
    QVERIFY(!html.contains(QStringLiteral("总体要求")));
    // Title table, then the bordered text table.
    QCOMPARE(D::between(html, "消费要求", "指定制作").count(QStringLiteral("<table")), 1);
    QVERIFY(D::between(html, "消费要求", "指定制作").contains(QStringLiteral("<table width=\"100%\" cellspacing=\"0\" border=\"1\">")));
    QCOMPARE(D::between(html, "<td align=\"left\"><span>", "</span>"), QStringLiteral("X\nY&nbsp;"));
}

void TestFJSheetHtml::markedPicturesTwoToARowWithNumberedRemarks()
{
    const QJsonObject reply = D::reply();
    QString html;
    FJSheetHtml::appendRequirements(html, reply.value("order").toObject(), reply, m_orderDir, "15:00");
    const QString table = D::between(html, "frame=\"box\">", "</table><BR>");
    QVERIFY(!table.isEmpty());
    // Three pictures: a full row, then a row with one cell and no closing.
    QCOMPARE(D::count(table, "<tr>"), 2);
    QCOMPARE(D::count(table, "</tr>"), 1);
    QVERIFY(table.endsWith(QStringLiteral("</ui></td>")));
    QCOMPARE(D::count(table, "<td>"), 3);

    const QString expectedUrl = FJDataThread::convertImageToBase64DataUrl(
        m_orderDir + QStringLiteral("其他/标记/mark1.jpg"), 120, 120);
    QVERIFY(!expectedUrl.isEmpty());
    QVERIFY(table.contains(QStringLiteral("<img style=\"margin-right: 10;\" src=\"") + expectedUrl
                           + QStringLiteral("\"height=\"120\" width=\"120\"align=\"left\">")));
    // Numbering starts again for every picture; an empty remark gives an empty list.
    QVERIFY(table.contains(QStringLiteral("<ui style=\"list-style-type: none;\"><li>1. 去眼袋</li><li>2. 瘦脸</li></ui>")));
    QVERIFY(table.contains(QStringLiteral("<ui style=\"list-style-type: none;\"><li>1. 换背景</li></ui>")));
    QVERIFY(table.contains(QStringLiteral("<ui style=\"list-style-type: none;\"></ui></td>")));
    QVERIFY(html.contains(QStringLiteral("<span class=\"style2\">调修要求</span>")));
}

void TestFJSheetHtml::pickupTexts_data()
{
    QTest::addColumn<QJsonObject>("order");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("pickup");
    QTest::addColumn<QString>("urgent");

    QTest::newRow("date and slot") << QJsonObject{{"pickuptime", "2024-05-01"}} << "14:00"
                                   << "2024-05-01(14:00)" << "";
    QTest::newRow("slot :00") << QJsonObject{{"pickuptime", "2024-05-01"}} << ":00" << "2024-05-01" << "";
    QTest::newRow("no slot") << QJsonObject{{"pickuptime", "2024-05-01"}} << "" << "2024-05-01" << "";
    QTest::newRow("slot only") << QJsonObject() << "14:00" << "(14:00)" << "";
    QTest::newRow("urgent slot") << QJsonObject{{"isurgenttime", "2024-04-20"},
                                                {"urgentdatearea", QJsonObject{{"timeTxt", "00:00"}}}}
                                 << "" << "" << "2024-04-20(00:00)";
    QTest::newRow("urgent area not object") << QJsonObject{{"isurgenttime", "2024-04-20"}, {"urgentdatearea", "9:00"}}
                                            << "" << "" << "2024-04-20";
}

void TestFJSheetHtml::pickupTexts()
{
    QFETCH(QJsonObject, order);
    QFETCH(QString, slot);
    QFETCH(QString, pickup);
    QFETCH(QString, urgent);
    QString html;
    const FJSheetHtml::PickupTexts texts = FJSheetHtml::appendRequirements(html, order, QJsonObject(), m_orderDir, slot);
    QCOMPARE(texts.pickup, pickup);
    QCOMPARE(texts.urgent, urgent);
}

void TestFJSheetHtml::visitTablesOfRealisticOrder()
{
    QString html;
    FJSheetHtml::appendVisits(html, D::reply(), {"2024-05-01(15:00)", "2024-04-20(09:00)"}, m_orderDir);
    QCOMPARE(D::count(html, "<table class=\"thinborder\""), 3);
    QCOMPARE(D::count(html, "<table class=\"thinborder\" width=\"100%\" border=\"1\""), 1);
    QCOMPARE(D::count(html, "加急件："), 1);
    QCOMPARE(D::count(html, "普通件："), 2);
    QVERIFY(html.contains(QStringLiteral("<font font-weight: bold; color=\"#FF0000\">加急件：选片次:1/2  选片师: "
                                         "<span style=\"color: 000000\">孙丽</span>  2024-04-20(09:00)取件"
                                         "</font></span>&nbsp;</td></tr>")));
    QVERIFY(html.contains(QStringLiteral("<font color=\"#000000\">普通件：选片次:1/2  选片师:孙丽  2024-05-01(15:00)取件"
                                         "</font></span>&nbsp;</td></tr>")));
    // Header widths differ only in the requirement column.
    QCOMPARE(D::count(html, "<td width=\"20%\"><div align=\"center\">制作要求</div></td>"), 1);
    QCOMPARE(D::count(html, "<td width=\"25%\"><div align=\"center\">制作要求</div></td>"), 2);
    QCOMPARE(D::count(html, "<tr bgcolor=\"#CCCCCC\">"), 3);
    // Totals per table, not carried over.
    QVERIFY(html.contains(QStringLiteral("产品总数:2件, 选中总张数共2张</div></td></tr></table><BR>")));
    QVERIFY(html.contains(QStringLiteral("产品总数:2件, 选中总张数共8张</div></td></tr></table><BR>")));
    QVERIFY(html.contains(QStringLiteral("产品总数:1件, 选中总张数共7张</div></td></tr></table><BR>")));
    QVERIFY(html.endsWith(QStringLiteral("</table><BR>")));
}

void TestFJSheetHtml::productRowsSkipOtherUrgencyAndEmptyTypeThirtyThree()
{
    QString html;
    FJSheetHtml::appendVisits(html, D::reply(), {"P", "U"}, m_orderDir);
    QVERIFY(!html.contains(QStringLiteral("错放的摆台")));
    QVERIFY(!html.contains(QStringLiteral("加急放错")));
    QVERIFY(!html.contains(QStringLiteral("wrong0.jpg")));
    // The urgent table: row markup without indentation.
    QVERIFY(html.contains(QStringLiteral("<tr><td align=\"center\">1</td><td align=\"left\" class=\"style2\">水晶相册</td>"
                                         "<td align=\"left\">相册</td><td align=\"center\">30</td>"
                                         "<td align=\"center\">2</td><td align=\"center\" class=\"style2\">15</td>"
                                         "<td align=\"center\" class=\"style2\">1</td><td align=\"left\">封面烫金</td>"
                                         "<td align=\"left\">内部加急</td><td align=\"left\">客户已授权</td></tr>")));
    // The normal table: indented, and the skipped product leaves no gap in the numbering.
    QVERIFY(html.contains(QStringLiteral("  <tr>    <td align=\"center\">1</td>    <td align=\"left\" class=\"style2\">实木框")));
    QVERIFY(html.contains(QStringLiteral("  <tr>    <td align=\"center\">2</td>    <td align=\"left\" class=\"style2\">水晶摆台</td>"
                                         "    <td align=\"left\">摆台</td>    <td align=\"center\"></td>"
                                         "    <td align=\"center\"></td>    <td align=\"center\" class=\"style2\"></td>"
                                         "    <td align=\"center\" class=\"style2\">1</td>")));
    QVERIFY(!html.contains(QStringLiteral(">9</td>")));
}

void TestFJSheetHtml::sonGoodRowsAndRowSpan()
{
    QString html;
    FJSheetHtml::appendVisits(html, D::reply(), {"P", "U"}, m_orderDir);
    const QString urgent = D::between(html, "加急件：", "总计");
    // Two entries, one with pictures: 2 * 2 + 1.
    QCOMPARE(D::count(urgent, "<td rowspan=\""), 1);
    QVERIFY(urgent.contains(QStringLiteral(" <tr>    <td rowspan=\"5\" style=\"height: 0px \"  /td>"
                                           "    <td align=\"left\" class=\"style2\">主册</td>")));
    QCOMPARE(D::count(urgent, " <tr>    <td align=\"left\" class=\"style2\">副册</td>    <td align=\"left\">册</td>"
                              "    <td align=\"center\"></td>    <td align=\"center\"></td>"
                              "    <td align=\"center\" class=\"style2\"></td>"
                              "    <td align=\"center\" class=\"style2\">2</td>"),
             1);
    // Each son row closes with one blank.
    QCOMPARE(D::count(urgent, "</td> </tr>"), 2);
    // A normal table with son_goods: rowspan n + k1.
    QJsonObject reply;
    const QJsonObject product{{"goodname", "P"}, {"isurgent", "0"},
                              {"son_good", QJsonArray{QJsonObject{{"goodname", "S1"}, {"picpath", D::pictures("x", 1)}},
                                                      QJsonObject{{"goodname", "S2"}}}}};
    reply.insert("servicetime", QJsonArray{QJsonObject{{"goods", QJsonArray{product}}}});
    QString normal;
    FJSheetHtml::appendVisits(normal, reply, {}, m_orderDir);
    QVERIFY(normal.contains(QStringLiteral("<td rowspan=\"3\" style=\"height: 0px \"  /td>")));
    // Only the son_good with pictures gets a grid; the product always gets one.
    QCOMPARE(D::count(normal, "<tr><td colspan=\"9\"> <table width=\"100%\" border=\"0\" cellspacing=\"5\""), 1);
    QCOMPARE(D::count(normal, "<tr><td colspan=\"9\"> <table width=\"100%\" border=\"0\" cellspacing=\"3\""), 1);
    QVERIFY(normal.contains(QStringLiteral("产品总数:1件, 选中总张数共1张")));
}

void TestFJSheetHtml::unhandledVisitTitles()
{
    QString html;
    FJSheetHtml::appendVisits(html, D::reply(), {"2024-05-01(15:00)", "U"}, m_orderDir);
    QVERIFY(html.contains(QStringLiteral("普通件：未操作产品2024-05-01(15:00)取件</font>")));
    QVERIFY(!html.contains(QStringLiteral("选片次:2/")));

    QJsonObject reply{{"count_order_sample_infoservicetimes", "4"}};
    QJsonArray visits;
    visits.append(QJsonObject{{"order_sample_infoservicetimes", "0"}, {"urgentgoods", QJsonArray{QJsonObject{{"isurgent", "加急"}}}}});
    visits.append(QJsonObject());
    visits.append(QJsonObject{{"order_sample_infoservicetimes", "3"}, {"goods", QJsonArray{QJsonObject()}}});
    reply.insert("servicetime", visits);
    QString other;
    FJSheetHtml::appendVisits(other, reply, {"P", "U"}, m_orderDir);
    QVERIFY(other.contains(QStringLiteral("加急件：未操作产品U取件")));
    QVERIFY(other.contains(QStringLiteral("普通件：选片次:3/4  选片师:  P取件")));
    reply.insert("count_order_sample_infoservicetimes", 4);
    QString numeric;
    FJSheetHtml::appendVisits(numeric, reply, {"P", "U"}, m_orderDir);
    QVERIFY(numeric.contains(QStringLiteral("选片次:3/  选片师:")));
}

void TestFJSheetHtml::visitWithoutProductsWritesNothing()
{
    QString html;
    QJsonObject reply{{"servicetime", QJsonArray{QJsonObject{{"goods", QJsonArray()}}, 7, QJsonValue()}}};
    FJSheetHtml::appendVisits(html, reply, {"P", "U"}, m_orderDir);
    QVERIFY(html.isEmpty());
    FJSheetHtml::appendVisits(html, QJsonObject{{"servicetime", "x"}}, {"P", "U"}, m_orderDir);
    QVERIFY(html.isEmpty());

    // Listed none: still title, header and a zero totals row.
    reply = QJsonObject{{"servicetime", QJsonArray{QJsonObject{{"urgentgoods", QJsonArray{QJsonObject{{"isurgent", "0"}}}}}}}};
    FJSheetHtml::appendVisits(html, reply, {"P", "U"}, m_orderDir);
    QVERIFY(html.contains(QStringLiteral("加急件：")));
    QVERIFY(html.contains(QStringLiteral("产品总数:0件, 选中总张数共0张")));
}

void TestFJSheetHtml::gridLayout_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("urgent");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("wrappers");
    QTest::addColumn<int>("rowStarts");
    QTest::addColumn<int>("rowEnds");
    QTest::addColumn<int>("fillers");

    const int son = int(FJSheetHtml::GridKind::SonGood);
    const int product = int(FJSheetHtml::GridKind::Product);
    QTest::newRow("urgent son 0") << son << true << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("urgent son 1") << son << true << 1 << 2 << 1 << 1 << 5;
    QTest::newRow("urgent son 6") << son << true << 6 << 2 << 1 << 1 << 0;
    QTest::newRow("urgent son 7") << son << true << 7 << 2 << 2 << 2 << 5;
    QTest::newRow("urgent son 12") << son << true << 12 << 2 << 2 << 2 << 0;
    QTest::newRow("urgent product 0") << product << true << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("urgent product 7") << product << true << 7 << 1 << 2 << 2 << 5;
    QTest::newRow("normal son 0") << son << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("normal son 6") << son << false << 6 << 1 << 1 << 1 << 0;
    QTest::newRow("normal son 7") << son << false << 7 << 1 << 2 << 2 << 0;
    QTest::newRow("normal product 0") << product << false << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("normal product 1") << product << false << 1 << 1 << 1 << 1 << 5;
    QTest::newRow("normal product 7") << product << false << 7 << 1 << 2 << 2 << 5;
    QTest::newRow("normal product 12") << product << false << 12 << 1 << 2 << 2 << 0;
}

void TestFJSheetHtml::gridLayout()
{
    QFETCH(int, kind);
    QFETCH(bool, urgent);
    QFETCH(int, n);
    QFETCH(int, wrappers);
    QFETCH(int, rowStarts);
    QFETCH(int, rowEnds);
    QFETCH(int, fillers);

    const auto gridKind = FJSheetHtml::GridKind(kind);
    QString html;
    FJSheetHtml::appendGrid(html, D::pictures("frame", n), gridKind, urgent, m_orderDir);
    if (wrappers == 0) {
        QVERIFY(html.isEmpty());
        return;
    }
    const bool urgentProduct = urgent && gridKind == FJSheetHtml::GridKind::Product;
    const bool normalSon = !urgent && gridKind == FJSheetHtml::GridKind::SonGood;
    const QString pad = urgentProduct ? QStringLiteral(" ") + kNbsp : QStringLiteral("  ");
    const QString rowStart = normalSon ? QStringLiteral("<tr><td width=") : pad + QStringLiteral("<tr bgcolor=\"#FFFFFF\">");
    const QString rowEnd = normalSon ? QStringLiteral("</td></tr>") : pad + QStringLiteral("</tr>");

    QCOMPARE(D::count(html, "<tr><td colspan="), wrappers);
    QCOMPARE(D::count(html, "</table></td>"), wrappers);
    QCOMPARE(D::count(html, rowStart), rowStarts);
    QCOMPARE(D::count(html, rowEnd) - (normalSon ? 1 : 0), rowEnds);
    QCOMPARE(D::count(html, "style=\"text-align: center;\">&nbsp;</td>"), fillers);
    QCOMPARE(D::count(html, "<img width=\"83\" height=\"83\""), n);
    QCOMPARE(D::count(html, "<td width=\"16.67%\""), n + fillers);
    QCOMPARE(D::count(html, "colspan=\"10\""), urgent ? wrappers : 0);
    QCOMPARE(D::count(html, "colspan=\"9\""), urgent ? 0 : wrappers);
    // The no-break space pairs belong to the urgent product grid only.
    QCOMPARE(html.contains(kNbsp), urgentProduct && n > 0);
    // Captions in list order.
    if (n > 0)
        QVERIFY(html.contains(QStringLiteral("\"><br>frame0.jpg</span>")));
    if (n > 1) {
        QVERIFY(html.indexOf(QStringLiteral("frame0.jpg")) < html.indexOf(QStringLiteral("<br>frame%1.jpg").arg(n - 1)));
    }
    QVERIFY(html.endsWith(normalSon ? QStringLiteral("</table></td></tr>") : QStringLiteral("</table></td> &nbsp; </tr>")));
}

void TestFJSheetHtml::gridReadsCropOrThumbnail()
{
    QJsonArray list = D::pictures("album", 2);
    QJsonObject first = list.at(0).toObject();
    first.insert("cropping_imgurl", "https://img.example.com/c.jpg");
    list.replace(0, first);
    QJsonObject missingCrop = D::pictures("album", 2).at(1).toObject();
    missingCrop.insert("cropping_imgurl", "https://img.example.com/d.jpg");
    list.append(missingCrop);

    QString html;
    FJSheetHtml::appendGrid(html, list, FJSheetHtml::GridKind::Product, false, m_orderDir);
    const QString other = m_orderDir + QStringLiteral("其他/");
    const QString cropUrl = FJDataThread::convertImageToBase64DataUrl(other + QStringLiteral("裁剪/album0.jpg"), 100, 100);
    const QString thumbUrl = FJDataThread::convertImageToBase64DataUrl(other + QStringLiteral("缩略图/album1.jpg"), 100, 100);
    QVERIFY(!cropUrl.isEmpty());
    QVERIFY(cropUrl != thumbUrl);
    QVERIFY(html.contains(QStringLiteral("src=\"") + cropUrl + QStringLiteral("\"><br>album0.jpg")));
    QVERIFY(html.contains(QStringLiteral("src=\"") + thumbUrl + QStringLiteral("\"><br>album1.jpg")));
    // A crop that was never downloaded does not fall back to the thumbnail.
    QVERIFY(html.contains(QStringLiteral("src=\"\"><br>album1.jpg")));
}

void TestFJSheetHtml::emptyGridLiterals()
{
    QString html;
    FJSheetHtml::appendGrid(html, QJsonArray(), FJSheetHtml::GridKind::SonGood, true, m_orderDir);
    QCOMPARE(html, QStringLiteral("<tr><td colspan=\"10\"> <table width=100%  border=0 cellspacing=0 cellpadding=1;>"
                                  "</table></td> &nbsp; </tr>"));
    html.clear();
    FJSheetHtml::appendGrid(html, QJsonArray(), FJSheetHtml::GridKind::Product, true, m_orderDir);
    QCOMPARE(html, QStringLiteral("<tr><td colspan=\"10\"><table width=100%  border=0 cellspacing=0 cellpadding=1;>"
                                  "</table></td> &nbsp; </tr>"));
    html.clear();
    FJSheetHtml::appendGrid(html, QJsonArray(), FJSheetHtml::GridKind::Product, false, m_orderDir);
    QCOMPARE(html, QStringLiteral("<tr><td colspan=\"9\"> <table width=\"100%\" border=\"0\" cellspacing=\"3\" "
                                  "cellpadding=\"5\" style=\"table-layout: fixed; border-collapse: separate;\">"
                                  "</table></td> &nbsp; </tr>"));
}

void TestFJSheetHtml::photoGridsDisclaimerAndSignature()
{
    const QJsonObject reply = D::reply();
    QString html;
    FJSheetHtml::appendPhotoGrids(html, reply, reply.value("order").toObject(), m_orderDir);
    QVERIFY(html.startsWith(QStringLiteral("<BR><p align=\"center\"><span class=\"style2\">已选张数 （7张）&nbsp;</span></p>")));
    QVERIFY(html.contains(QStringLiteral("<BR><p align=\"center\"><span class=\"style2\">入底张数 （2张）&nbsp;</span></p>")));
    const QString selected = D::between(html, "已选张数", "入底张数");
    QCOMPARE(D::count(selected, "  <tr bgcolor=\"#FFFFFF\">"), 2);
    QCOMPARE(D::count(selected, "  </tr>"), 1);
    QCOMPARE(D::count(selected, "<img style=\"object-fit: contain;\" width=\"150\" height=\"150\" src=\"data:image/jpeg;base64,"), 7);
    QVERIFY(selected.contains(QStringLiteral("<br>sel6.jpg<BR>&nbsp;</div></td></table>")));
    const QString base = D::between(html, "入底张数", "<table width=\"100%\"  border=\"0\">");
    QCOMPARE(D::count(base, "<td><div align=\"center\"><img src=\"data:image/jpeg;base64,"), 2);
    QVERIFY(html.contains(QStringLiteral("<td align=\"left\"><span>产品制作完成后请于三个月内取件。<BR></span></td>")));
    QVERIFY(html.contains(QStringLiteral("width=\"18%\">选片人：孙丽</td>")));
    QVERIFY(html.contains(QStringLiteral("width=\"25%\">核单员：___________&nbsp;</td>")));
    QVERIFY(html.contains(QStringLiteral("width=\"25%\">收发人：___________&nbsp;</td>")));
    QVERIFY(html.endsWith(QStringLiteral("width=\"32%\">客人确认签名：___________&nbsp;</td>  </tr></table>")));
}

void TestFJSheetHtml::photoGridsOfEmptyReply()
{
    QString html;
    FJSheetHtml::appendPhotoGrids(html, QJsonObject{{"images", "none"}}, QJsonObject(), m_orderDir);
    QVERIFY(html.contains(QStringLiteral("已选张数 （0张）")));
    QVERIFY(html.contains(QStringLiteral("入底张数 （0张）")));
    QCOMPARE(D::count(html, "cellspacing=\"0\" cellpadding=\"1\"></table>"), 2);
    QVERIFY(html.contains(QStringLiteral("<td align=\"left\"><span><BR></span></td>")));
    QVERIFY(html.contains(QStringLiteral("选片人：</td>")));

    // A missing thumbnail keeps its cell and caption.
    html.clear();
    FJSheetHtml::appendPhotoGrids(html, QJsonObject{{"images", D::pictures("gone", 1)}}, QJsonObject(), m_orderDir);
    QVERIFY(html.contains(QStringLiteral("height=\"150\" src=\"\"><br>gone0.jpg<BR>&nbsp;</div></td>")));
}

void TestFJSheetHtml::serviceTextIsEscaped_data()
{
    QTest::addColumn<QJsonObject>("reply");
    const QString evil = QStringLiteral("<b>x</b> & \"q\"");
    QJsonObject base = D::reply();
    QJsonObject order = base.value("order").toObject();

    const auto withOrder = [&](const char *key) {
        QJsonObject o = order;
        o.insert(QLatin1String(key), evil);
        QJsonObject r = base;
        r.insert("order", o);
        return r;
    };
    QTest::newRow("shop name") << withOrder("shopname");
    QTest::newRow("order number") << withOrder("orderpayforkey");
    QTest::newRow("general requirements") << withOrder("orderdescr");
    QTest::newRow("consumption") << withOrder("consumption_statement");
    QTest::newRow("pickup date") << withOrder("pickuptime");
    QTest::newRow("disclaimer") << withOrder("shopdisclaimer");
    QTest::newRow("selection staff") << withOrder("selectphotoname");

    QJsonObject r = base;
    r.insert("images", QJsonArray{QJsonObject{{"img_name", evil}}});
    QTest::newRow("caption") << r;
    r = base;
    r.insert("orderpicdescr",
             QJsonArray{QJsonObject{{"img_name", "m.jpg"},
                                    {"remark", QString::fromUtf8(QJsonDocument(QJsonArray{QJsonObject{{"text", evil}}})
                                                                     .toJson(QJsonDocument::Compact))}}});
    QTest::newRow("remark") << r;
    r = base;
    r.insert("count_order_sample_infoservicetimes", evil);
    QTest::newRow("visit count") << r;
    r = base;
    r.insert("servicetime", QJsonArray{QJsonObject{{"goods", QJsonArray{QJsonObject{{"goodname", evil}}}}}});
    QTest::newRow("product name") << r;
}

void TestFJSheetHtml::serviceTextIsEscaped()
{
    QFETCH(QJsonObject, reply);
    const QString html = FJSheetHtml::build(reply, m_orderDir, QDateTime::currentDateTime());
    QVERIFY(!html.contains(QStringLiteral("<b>x</b>")));
    QVERIFY(html.contains(QStringLiteral("&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;")));
    // The renderer shows the text as it was typed.
    QVERIFY(plainText(html).contains(QStringLiteral("<b>x</b> & \"q\"")));
}

void TestFJSheetHtml::picturesOnlyFromTheOrderFolder_data()
{
    QTest::addColumn<QString>("sub");
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << "缩略图" << "../条形码.jpg";
    QTest::newRow("dot dot") << "缩略图" << "..";
    QTest::newRow("absolute") << "缩略图" << "/etc/hostname";
    QTest::newRow("subfolder") << "" << "缩略图/sel0.jpg";
    QTest::newRow("backslash") << "" << "缩略图\\sel0.jpg";
    QTest::newRow("empty") << "缩略图" << "";
    QTest::newRow("sub climbs") << "../其他/缩略图" << "sel0.jpg";
}

void TestFJSheetHtml::picturesOnlyFromTheOrderFolder()
{
    QFETCH(QString, sub);
    QFETCH(QString, name);
    QVERIFY(!FJSheetHtml::picture(m_orderDir, QStringLiteral("缩略图"), QStringLiteral("sel0.jpg"), 100).isEmpty());
    QVERIFY(FJSheetHtml::picture(m_orderDir, sub, name, 100).isEmpty());
    QVERIFY(FJSheetHtml::picture(m_orderDir, sub, name, 0).isEmpty());
    // The order folder itself must be a plain absolute path.
    QVERIFY(FJSheetHtml::picture(QStringLiteral("relative/"), QStringLiteral("缩略图"), QStringLiteral("sel0.jpg"), 100).isEmpty());
    QVERIFY(FJSheetHtml::picture(m_orderDir + QStringLiteral("x/../"), QStringLiteral("缩略图"), QStringLiteral("sel0.jpg"), 100)
                .isEmpty());
}

void TestFJSheetHtml::slashesInNamesStayInTheFolder()
{
    // The copy jobs store a name holding separators as one file of the folder.
    QVERIFY(D::writePicture(m_orderDir, QStringLiteral("缩略图/a_b.jpg")));
    QVERIFY(D::writePicture(m_orderDir, QStringLiteral("缩略图/a/b.jpg"), "#ff0000"));
    const QString stored = FJDataThread::convertImageToBase64DataUrl(
        m_orderDir + QStringLiteral("其他/缩略图/a_b.jpg"), 100, 100);
    QVERIFY(!stored.isEmpty());
    QCOMPARE(FJSheetHtml::picture(m_orderDir, QStringLiteral("缩略图"), QStringLiteral("a/b.jpg"), 100), stored);
    QCOMPARE(FJSheetHtml::picture(m_orderDir, QStringLiteral("缩略图"), QStringLiteral("a\\b.jpg"), 100), stored);
}

QTEST_MAIN(TestFJSheetHtml)
#include "tst_FJSheetHtml.moc"
