#include "split/engine/FJDataOperate.h"
#include "split/engine/ProductionSheetHtml.h"
#include "split/engine/ProductionSheetPdf.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

const QDateTime kPrintTime(QDate(2024, 5, 6), QTime(14, 5, 9));

QJsonObject realisticOrder()
{
    return QJsonObject{
        {"shopname", "星光摄影旗舰店"}, {"orderpayforkey", "A100"}, {"servicetimes", "2"}, {"count", "3"},
        {"mname", "张三"}, {"mphone", "13800000001"}, {"wname", "李四"}, {"wphone", "13800000002"},
        {"s2_name", "婚纱套系"}, {"photodate", "2024-04-01"}, {"selectphotodate", "2024-04-10"},
        {"samplestarttime", "14"}, {"samplestartmin", "30"}, {"checktruing", "2024-04-20"},
        {"kanjinxiuarea", QJsonObject{{"timeTxt", ":00"}}}, {"comparedate", "2024-04-25"},
        {"kanbanarea", QJsonObject{{"timeTxt", "15:00"}}}, {"getphotodate_html", "2024-05-01"},
        {"getphotoarea", QJsonObject{{"timeTxt", "14:00-16:00"}}}, {"pickuptime", "2024-05-01"},
        {"isurgenttime", "2024-04-28"}, {"urgentdatearea", QJsonObject{{"timeTxt", ":00"}}},
        {"order_price", 1999}, {"twosales", "3000"}, {"qualitytime", ""},
        {"recipients", "李四"}, {"sj_tel", "13900000000"}, {"provinceid", QJsonObject{{"areaname", "广东省"}}},
        {"cityid", QJsonObject{{"areaname", "广州市"}}}, {"countyid", QJsonObject{{"areaname", "天河区"}}},
        {"address", "XX路1号"}, {"orderdescr", "第一行\n第二行"}, {"consumption_statement", "加购相框\n一个"},
        {"shopdisclaimer", "成品请在三个月内取件"}, {"selectphotoname", "小王"}};
}

QJsonObject good(const QString &name, const QString &isUrgent, const QString &pages,
                 const QString &typeId = "33")
{
    return QJsonObject{{"goodname", name}, {"goodtypename", "相册类"}, {"goodtypeid", typeId},
                       {"goodpnumber", "30"}, {"p_num", "2"}, {"goodpagenumber", pages},
                       {"goodamount", "1"}, {"descr", "烫金"}, {"isurgent", isUrgent}};
}

QJsonArray realisticVisits()
{
    QJsonObject album = good("水晶相册", "0", "20");
    album.insert("imgs", QJsonArray{QJsonObject{{"img_name", "A.jpg"}, {"url2", "https://img.example/a.jpg"},
                                                {"cropping_imgurl", "https://img.example/crop/a.jpg"}},
                                    QJsonObject{{"img_name", "B.jpg"}, {"url2", "https://img.example/b.jpg"},
                                                {"cropping_imgurl", ""}}});
    album.insert("son_good", QJsonArray{QJsonObject{{"goodname", "内页"}, {"goodtype", "内页类"}, {"goodtypeid", "33"},
                                                    {"goodpagenumber", "5"},
                                                    {"picpath", QJsonArray{QJsonObject{{"img_name", "S.jpg"},
                                                                                       {"url", "https://img.example/s.jpg"}}}}},
                                        QJsonObject{{"goodname", "封面"}, {"goodtypeid", "12"}}});
    const QJsonObject first{{"order_sample_infoservicetimes", "1"}, {"role12name", "小王"},
                            {"goods", QJsonArray{album, good("摆台", "", "10"), good("错放", "1", "99")}},
                            {"urgentgoods", QJsonArray{good("加急相册", "加急", "12张"), good("普通", "0", "7")}}};
    const QJsonObject untouched{{"order_sample_infoservicetimes", "0"},
                                {"goods", QJsonArray{good("海报", "0", "3", "20")}}};
    return QJsonArray{first, untouched};
}

ProductionSheetInput realisticInput()
{
    ProductionSheetInput input;
    input.order = realisticOrder();
    input.barcodeUrl = "https://svc.example/barcode?id=1";
    input.serviceCount = "2";
    input.serviceVisits = realisticVisits();
    input.retouchMarkImages.insert("https://img.example/mark/2.jpg",
                                   QJsonObject{{"remark", "[{\"text\":\"瘦脸\"},{\"text\":\"去痘\"},{\"text\":\"调亮\"}]"}});
    input.retouchMarkImages.insert("https://img.example/mark/1.jpg", QJsonObject{{"remark", ""}});
    input.retouchMarkImages.insert("https://img.example/mark/3.jpg", QJsonObject{{"remark", "not json"}});
    for (int i = 1; i <= 7; ++i)
        input.selectedImages.insert(QString("k%1").arg(i), QJsonObject{{"url", QString("https://img.example/sel/%1.jpg").arg(i)},
                                                                        {"img_name", QString("选%1.jpg").arg(i)}});
    return input;
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

QString between(const QString &html, const QString &from, const QString &to)
{
    const int start = html.indexOf(from);
    const int end = html.indexOf(to, start + from.size());
    if (start < 0 || end < 0)
        return QString();
    return html.mid(start, end - start);
}

} // namespace

class TestProductionSheet : public QObject
{
    Q_OBJECT

private slots:
    void sectionsComeInSheetOrder();
    void orderInformationValues_data();
    void orderInformationValues();
    void emptyOrderStillGivesWholeFrame();
    void requirementBlocks();
    void retouchRequirementRowsAndInstructions();
    void productTablesListAndCount();
    void productSpansAndPictureKeys();
    void pictureGridsAndMissingSources();
    void serviceTextIsEscaped();
    void pickupText_data();
    void pickupText();
    void sheetCount_data();
    void sheetCount();
    void pdfIsWrittenIntoNewFolder();
    void pdfReplacesEarlierSheet();
    void pdfFailureIsReported();
    void pdfFolderForms();
};

void TestProductionSheet::sectionsComeInSheetOrder()
{
    QMap<QString, QString> sources;
    const QString html = ProductionSheetHtml::build(realisticInput(), sources, kPrintTime);
    QVERIFY(html.startsWith("<HTML><head>"));
    QVERIFY(html.endsWith("</body></HTML>"));

    const QStringList markers{"星光摄影旗舰店", "订单号:   A100(服务次:2/3)", "收件人姓名:", ">总体要求<", ">消费要求<",
                              ">调修要求<", ">指定制作<", "加急件：", "普通件：", "已选张数 （7张）", "入底张数 （0张）",
                              "成品请在三个月内取件", "选片人：小王", "客人确认签名：", "2024-05-06 14:05:09"};
    int last = -1;
    for (const QString &marker : markers) {
        const int at = html.indexOf(marker);
        QVERIFY2(at > last, qPrintable(marker));
        last = at;
    }
    const QString text = plainText(html);
    QVERIFY(text.contains("订单号: A100(服务次:2/3)"));
    QVERIFY(text.contains("核单员：___________"));
}

void TestProductionSheet::orderInformationValues_data()
{
    QTest::addColumn<QString>("cell");
    QTest::newRow("selection time joined") << "选片日期:   2024-04-10 14:30";
    QTest::newRow(":00 retouch time dropped") << "看精修日期:   2024-04-20 </div>";
    QTest::newRow("proof time kept") << "看版日期:   2024-04-25 15:00";
    QTest::newRow("shipping slot as sent") << "发货日期:   2024-05-01 14:00-16:00";
    QTest::newRow("number price shows empty") << "预约金额:   </div>";
    QTest::newRow("address without separators") << "地址：广东省广州市天河区XX路1号</div>";
    QTest::newRow("recipient row") << "收件人姓名:   李四     电话：13900000000    地址：";
    QTest::newRow("quality date red") << "style=\"color: #FF3300;\"><div align=\"left\">质检日期:   </div>";
}

void TestProductionSheet::orderInformationValues()
{
    QFETCH(QString, cell);
    QMap<QString, QString> sources;
    const QString html = ProductionSheetHtml::build(realisticInput(), sources, kPrintTime);
    QVERIFY2(html.contains(cell), qPrintable(cell));
}

void TestProductionSheet::emptyOrderStillGivesWholeFrame()
{
    QMap<QString, QString> sources;
    const QString html = ProductionSheetHtml::build(ProductionSheetInput(), sources, kPrintTime);
    QVERIFY(html.contains("订单号:   (服务次:/)"));
    for (const char *label : {"男士", "套系", "门市", "摄影师", "摄助", "精修师", "预约金额", "样前对比片", "购买毛底张数", "质检日期"})
        QVERIFY2(html.contains(QString::fromUtf8(label) + ":   "), label);
    QVERIFY(html.contains("收件人姓名:        电话：    地址：</div>"));
    // No requirements: the information table runs straight into the heading.
    QVERIFY(html.contains("</table></td></tr></table><BR><p><span class=\"style2\">指定制作</span></p><BR>"));
    QVERIFY(html.contains("已选张数 （0张）"));
    QVERIFY(html.contains("<td align=\"left\"><span><BR></span></td>"));
    QVERIFY(html.contains("选片人：</td>"));
    // The barcode lookup leaves an empty entry behind.
    QCOMPARE(sources.size(), 1);
    QVERIFY(sources.contains(QString()));
}

void TestProductionSheet::requirementBlocks()
{
    QMap<QString, QString> sources;
    ProductionSheetInput input = realisticInput();
    QString html = ProductionSheetHtml::build(input, sources, kPrintTime);
    QVERIFY(html.contains("<span>第一行<BR>第二行&nbsp;</span>"));
    QVERIFY(html.contains("<span>加购相框\n一个&nbsp;</span>"));

    input.order.insert("orderdescr", "\n");
    input.order.remove("consumption_statement");
    input.retouchMarkImages.clear();
    html = ProductionSheetHtml::build(input, sources, kPrintTime);
    QVERIFY(html.contains("<span><BR>&nbsp;</span>"));
    QVERIFY(!html.contains("消费要求"));
    QVERIFY(!html.contains("调修要求"));
}

void TestProductionSheet::retouchRequirementRowsAndInstructions()
{
    QMap<QString, QString> sources{{"https://img.example/mark/1.jpg", "data:image/png;base64,AAA"}};
    const QString html = ProductionSheetHtml::build(realisticInput(), sources, kPrintTime);
    const QString block = between(html, "调修要求", "指定制作");
    QCOMPARE(block.count("<td><img"), 3);
    QCOMPARE(block.count("<tr>"), 2);
    QCOMPARE(block.count("</tr>"), 2); // one of the heading table, one after the second picture
    // Keys in ascending order: mark/1 first, with its stored source.
    QVERIFY(block.indexOf("data:image/png;base64,AAA") < block.indexOf("1. 瘦脸"));
    QVERIFY(block.contains("<li>1. 瘦脸</li><li>2. 去痘</li><li>3. 调亮</li>"));
    QVERIFY(block.contains("<ui style=\"list-style-type: none;\"></ui></td>"));
    QCOMPARE(sources.value("https://img.example/mark/2.jpg"), QString());
    QVERIFY(sources.contains("https://img.example/mark/3.jpg"));
}

void TestProductionSheet::productTablesListAndCount()
{
    QMap<QString, QString> sources;
    const QString html = ProductionSheetHtml::build(realisticInput(), sources, kPrintTime);

    const QString urgent = between(html, "加急件：", "</table><BR>");
    QVERIFY(urgent.contains("选片次:1/2  选片师: <span style=\"color: 000000\">小王</span>  2024-04-28取件"));
    QVERIFY(urgent.contains("加急相册"));
    QVERIFY(!urgent.contains("普通"));
    QVERIFY(urgent.contains("<td align=\"center\" class=\"style2\">12张</td>"));
    QVERIFY(urgent.contains("产品总数:1件, 选中总张数共0张"));

    const int normalAt = html.indexOf("普通件：");
    const QString normal = between(html.mid(normalAt), "普通件：", "总计");
    QVERIFY(normal.contains("选片次:1/2  选片师:小王  2024-05-01(14:00-16:00)取件"));
    QVERIFY(normal.contains("水晶相册"));
    QVERIFY(normal.contains("摆台"));
    QVERIFY(!normal.contains("错放"));
    // 20 + 10 from the products, 5 from the sub-product; the other type adds nothing.
    QVERIFY(html.mid(normalAt).contains("产品总数:2件, 选中总张数共35张"));

    const QString untouched = html.mid(html.lastIndexOf("普通件："));
    QVERIFY(untouched.contains("未操作产品2024-05-01(14:00-16:00)取件"));
    QVERIFY(untouched.contains("产品总数:1件, 选中总张数共0张"));
    QVERIFY(untouched.contains("<td align=\"left\" class=\"style2\">海报</td>    <td align=\"left\">相册类</td>"
                               "    <td align=\"center\"></td>    <td align=\"center\"></td>"
                               "    <td align=\"center\" class=\"style2\"></td>"));
    QCOMPARE(html.count("普通件："), 2);
    QCOMPARE(html.count("加急件："), 1);
}

void TestProductionSheet::productSpansAndPictureKeys()
{
    QMap<QString, QString> sources{{"https://img.example/crop/a.jpg", "data:crop-a"},
                                   {"https://img.example/a.jpg", "data:own-a"}};
    ProductionSheetInput input = realisticInput();
    QJsonObject visit = input.serviceVisits.at(0).toObject();
    QJsonArray urgentGoods = visit.value("urgentgoods").toArray();
    QJsonObject urgentAlbum = urgentGoods.at(0).toObject();
    urgentAlbum.insert("son_good", realisticVisits().at(0).toObject().value("goods").toArray().at(0).toObject().value("son_good"));
    urgentGoods.replace(0, urgentAlbum);
    visit.insert("urgentgoods", urgentGoods);
    input.serviceVisits.replace(0, visit);

    const QString html = ProductionSheetHtml::build(input, sources, kPrintTime);
    // Two sub-products, one with pictures: 2×2+1 rows in the urgent table, 2+1 in the normal one.
    QVERIFY(html.indexOf("rowspan=\"5\"") < html.indexOf("rowspan=\"3\""));
    QCOMPARE(html.count("rowspan="), 2);
    // A crop picture shows its crop, not its own picture.
    QVERIFY(html.contains("src=\"data:crop-a\"><br>A.jpg"));
    QVERIFY(!html.contains("data:own-a"));
    QVERIFY(sources.contains("https://img.example/b.jpg"));
    QVERIFY(sources.contains("https://img.example/s.jpg"));
}

void TestProductionSheet::pictureGridsAndMissingSources()
{
    QMap<QString, QString> sources{{"https://img.example/sel/1.jpg", "data:one"}};
    ProductionSheetInput input = realisticInput();
    input.baseImages.insert("b", QJsonObject{{"url", "https://img.example/base/b.jpg"}, {"img_name", "底B"}});
    input.baseImages.insert("a", QJsonObject{{"url", "https://img.example/base/a.jpg"}, {"img_name", "底A"}});
    const QString html = ProductionSheetHtml::build(input, sources, kPrintTime);

    const QString selected = between(html, "已选张数 （7张）", "入底张数");
    QCOMPARE(selected.count("<img src="), 7);
    QCOMPARE(selected.count("<tr bgcolor"), 2);
    QCOMPARE(selected.count("</tr>"), 1);
    QVERIFY(selected.contains("<img src=\"data:one\"><br>选1.jpg<BR>&nbsp;</div></td>"));
    QVERIFY(selected.endsWith("</table><BR><BR><p align=\"center\"><span class=\"style2\">"));

    const QString base = between(html, "入底张数 （2张）", "</table>");
    QVERIFY(base.indexOf("底A") < base.indexOf("底B"));
    QVERIFY(sources.contains("https://img.example/sel/7.jpg"));
    QCOMPARE(sources.value("https://img.example/base/a.jpg"), QString());
}

void TestProductionSheet::serviceTextIsEscaped()
{
    ProductionSheetInput input = realisticInput();
    input.order.insert("mname", "<b>张三</b>");
    input.order.insert("orderdescr", "<script>x</script>\n&");
    input.order.insert("shopdisclaimer", "</table><img src=x>");
    QJsonObject visit = input.serviceVisits.at(0).toObject();
    visit.insert("role12name", "<i>王</i>");
    input.serviceVisits.replace(0, visit);
    QMap<QString, QString> sources{{input.barcodeUrl, "x\" onerror=\"alert(1)"}};

    const QString html = ProductionSheetHtml::build(input, sources, kPrintTime);
    QVERIFY(!html.contains("<b>张三</b>"));
    QVERIFY(html.contains("&lt;b&gt;张三&lt;/b&gt;"));
    QVERIFY(!html.contains("<script>"));
    QVERIFY(html.contains("&lt;script&gt;x&lt;/script&gt;<BR>&amp;&nbsp;"));
    QVERIFY(!html.contains("<img src=x>"));
    QVERIFY(!html.contains("<i>王</i>"));
    QVERIFY(html.contains("src=\"x&quot; onerror=&quot;alert(1)\""));

    const QString text = plainText(html);
    QVERIFY(text.contains("男士: <b>张三</b>"));
    QVERIFY(text.contains("</table><img src=x>"));
}

void TestProductionSheet::pickupText_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slot") << "2024-05-01" << "14:00-16:00" << "2024-05-01(14:00-16:00)";
    QTest::newRow(":00") << "2024-05-01" << ":00" << "2024-05-01";
    QTest::newRow("empty slot") << "2024-05-01" << "" << "2024-05-01";
    QTest::newRow("no date") << "" << "9:00" << "(9:00)";
}

void TestProductionSheet::pickupText()
{
    QFETCH(QString, date);
    QFETCH(QString, slot);
    QFETCH(QString, expected);
    QCOMPARE(ProductionSheetHtml::pickupText(date, slot), expected);
}

void TestProductionSheet::sheetCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("number") << "12" << 12;
    QTest::newRow("with unit") << "12张" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("fraction") << "1.5" << 0;
    QTest::newRow("hex-looking") << "0x10" << 0;
}

void TestProductionSheet::sheetCount()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(ProductionSheetHtml::sheetCount(text), expected);
}

void TestProductionSheet::pdfIsWrittenIntoNewFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FJDataOperate holder;
    holder.order = realisticOrder();
    holder.serviceVisits = realisticVisits();
    holder.barcodeUrl = "https://svc.example/barcode?id=1";
    const QString folder = dir.path() + "/A100-服务2/其他/";
    QVERIFY(holder.saveHTML(folder));

    const QString sheet = dir.path() + "/A100-服务2/其他/明细制作单.pdf";
    QCOMPARE(ProductionSheetPdf::targetPath(folder), sheet);
    QFile file(sheet);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.size() > 0);
    QVERIFY(file.read(5) == "%PDF-");
    QCOMPARE(QDir(dir.path() + "/A100-服务2/其他").entryList(QDir::Files | QDir::Hidden),
             QStringList{"明细制作单.pdf"});
    // The lookups the sheet made are left behind as empty entries.
    QVERIFY(holder.imageSources.contains(holder.barcodeUrl));
}

void TestProductionSheet::pdfReplacesEarlierSheet()
{
    QTemporaryDir dir;
    QFile old(dir.filePath("明细制作单.pdf"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old sheet");
    old.close();

    QString error;
    QVERIFY(ProductionSheetPdf::write("<p>新</p>", dir.path(), &error));
    QVERIFY(error.isEmpty());
    QFile file(dir.filePath("明细制作单.pdf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    // Readable by the rest of the studio, not only by its writer.
    QVERIFY(file.permissions() & QFileDevice::ReadOther);
}

void TestProductionSheet::pdfFailureIsReported()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QString error;
    QVERIFY(!ProductionSheetPdf::write("<p>x</p>", dir.filePath("file/sub"), &error));
    QVERIFY(error.contains(dir.filePath("file/sub")));
    FJDataOperate holder;
    QVERIFY(!holder.saveHTML(dir.filePath("file")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"file"});

    // A folder in the sheet's place: nothing is reported written, no temporary file stays.
    QVERIFY(QDir(dir.path()).mkpath("taken/明细制作单.pdf"));
    error.clear();
    QVERIFY(!ProductionSheetPdf::write("<p>x</p>", dir.filePath("taken"), &error));
    QVERIFY(error.contains("明细制作单.pdf"));
    QCOMPARE(QDir(dir.filePath("taken")).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(QFileInfo(dir.filePath("taken/明细制作单.pdf")).isDir());
}

void TestProductionSheet::pdfFolderForms()
{
    QTemporaryDir dir;
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString here = QDir::currentPath();
    const QString sheet = ProductionSheetPdf::targetPath(QString());
    const QString nested = ProductionSheetPdf::targetPath("a/b/");
    const bool written = ProductionSheetPdf::write("<p>x</p>", QString());
    QDir::setCurrent(saved);

    QCOMPARE(sheet, here + "/明细制作单.pdf");
    QCOMPARE(nested, here + "/a/b/明细制作单.pdf");
    QCOMPARE(ProductionSheetPdf::targetPath("/x/y/"), ProductionSheetPdf::targetPath("/x/y"));
    QVERIFY(written);
    QVERIFY(QFileInfo(dir.filePath("明细制作单.pdf")).size() > 0);
}

QTEST_MAIN(TestProductionSheet)
#include "tst_ProductionSheet.moc"
