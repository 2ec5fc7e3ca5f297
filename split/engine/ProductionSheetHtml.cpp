#include "split/engine/ProductionSheetHtml.h"

#include "app/core/K.h"
#include "split/engine/SheetParts.h"
#include "split/engine/SheetPictures.h"

#include <QJsonValue>

namespace ProductionSheetHtml {

namespace {

// Service values are only ever taken as JSON text; anything else reads empty.
QString text(const QJsonObject &object, const QString &key)
{
    return object.value(key).toString();
}

QString nestedText(const QJsonObject &object, const QString &member, const QString &key)
{
    return object.value(member).toObject().value(key).toString();
}

QString value(const QJsonObject &object, const QString &key)
{
    return escaped(text(object, key));
}

// The sources of one build: the caller's text for each picture URL, fitted
// into the picture's box and decoded once per sheet.
struct Sources {
    QMap<QString, QString> &map;
    SheetPictures pictures;

    QString of(const QString &url, int box)
    {
        auto it = map.find(url);
        if (it == map.end())
            it = map.insert(url, QString());
        return pictures.dataUrl(it.value(), box);
    }
};

QString cell(const QString &label, const QString &cellValue)
{
    return QStringLiteral("    <td class=\"td_thin\" width=\"25%\"><div align=\"left\">") + label
           + QStringLiteral(":   ") + cellValue + QStringLiteral("</div></td>");
}

QString row(const QStringList &cells)
{
    return QStringLiteral("  <tr>") + cells.join(QString()) + QStringLiteral("  </tr>");
}

void appendOrderInformation(QString &html, const QJsonObject &order)
{
    auto v = [&order](const char *key) { return value(order, QString::fromLatin1(key)); };
    auto withTime = [&order](const char *key, const QString &time) {
        return escaped(text(order, QString::fromLatin1(key))) + QLatin1Char(' ') + escaped(time);
    };

    html += QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">");
    html += QStringLiteral("<tr><td align=\"center\">");
    html += QStringLiteral("<table width=\"100%\"  border=\"1\" cellspacing=\"0\" cellpadding=\"1\">");

    html += QStringLiteral("  <tr>");
    html += QStringLiteral("    <td class=\"td_thin\" colspan=\"4\"><div align=\"center\">订单号:   ")
            + v("orderpayforkey") + QStringLiteral("(服务次:")
            + QStringLiteral("%1/%2").arg(v("servicetimes"), v("count")) + QStringLiteral(")")
            + QStringLiteral("</div></td>");
    html += QStringLiteral("  </tr>");

    const QString startHour = text(order, QStringLiteral("samplestarttime"));
    const QString startMin = text(order, QStringLiteral("samplestartmin"));
    const QString selectionTime = (!startHour.isEmpty() && !startMin.isEmpty())
                                      ? startHour + QLatin1Char(':') + startMin : QString();
    QString retouchTime = nestedText(order, QStringLiteral("kanjinxiuarea"), QStringLiteral("timeTxt"));
    if (retouchTime == QLatin1String(":00"))
        retouchTime.clear();
    QString proofTime = nestedText(order, QStringLiteral("kanbanarea"), QStringLiteral("timeTxt"));
    if (proofTime == QLatin1String(":00"))
        proofTime.clear();
    const QString shippingTime = nestedText(order, QStringLiteral("getphotoarea"), QStringLiteral("timeTxt"));
    const QString address = nestedText(order, QStringLiteral("provinceid"), QStringLiteral("areaname"))
                            + nestedText(order, QStringLiteral("cityid"), QStringLiteral("areaname"))
                            + nestedText(order, QStringLiteral("countyid"), QStringLiteral("areaname"))
                            + text(order, QStringLiteral("address"));
    const QString emptyCell = QStringLiteral("    <td class=\"td_thin\" width=\"25%\"><div align=\"left\"></div></td>");

    html += row({cell(QStringLiteral("男士"), v("mname")), cell(QStringLiteral("手机"), v("mphone")),
                 cell(QStringLiteral("女士"), v("wname")), cell(QStringLiteral("手机"), v("wphone"))});
    html += row({cell(QStringLiteral("套系"), v("s2_name")), cell(QStringLiteral("预约店"), v("mssid")),
                 cell(QStringLiteral("服务店"), v("servershopid")), cell(QStringLiteral("预约日期"), v("booktime"))});
    html += row({cell(QStringLiteral("拍照日期"), v("photodate")),
                 cell(QStringLiteral("选片日期"), withTime("selectphotodate", selectionTime)),
                 cell(QStringLiteral("看精修日期"), withTime("checktruing", retouchTime)),
                 cell(QStringLiteral("看版日期"), withTime("comparedate", proofTime))});
    html += row({cell(QStringLiteral("门市"), v("booksuccess")), cell(QStringLiteral("网约"), v("wxname")),
                 cell(QStringLiteral("推广"), v("tuiguangname")), cell(QStringLiteral("选片师"), v("selectphoto"))});
    html += row({cell(QStringLiteral("对比片选中张数"), v("yqnumber")), cell(QStringLiteral("相册P数"), v("goodpnumber")),
                 cell(QStringLiteral("套系约定精修"), v("vipphotonumber")), cell(QStringLiteral("已选张数"), v("yx_number"))});
    html += row({cell(QStringLiteral("摄影师"), v("role1")), cell(QStringLiteral("摄像师"), v("role17")),
                 cell(QStringLiteral("化妆师"), v("role2")), cell(QStringLiteral("男士邮箱"), v("mmail"))});
    html += row({cell(QStringLiteral("摄助"), v("role3")), cell(QStringLiteral("剪辑师"), v("role16")),
                 cell(QStringLiteral("化助"), v("role4")), cell(QStringLiteral("女士邮箱"), v("wmail"))});
    html += row({cell(QStringLiteral("精修师"), v("role9name")), cell(QStringLiteral("转档师"), v("role6name")),
                 emptyCell, emptyCell});
    html += row({cell(QStringLiteral("预约金额"), v("order_price")), cell(QStringLiteral("二销总额"), v("twosales")),
                 cell(QStringLiteral("二销欠款"), v("dept")), cell(QStringLiteral("支付方式"), v("pay_type"))});
    html += row({cell(QStringLiteral("样前对比片"), v("tiaose")), cell(QStringLiteral("样后修片师"), v("tiaoxiu")),
                 cell(QStringLiteral("设计师"), v("sheji")),
                 cell(QStringLiteral("发货日期"),
                      SheetParts::shopMarkup(text(order, QStringLiteral("getphotodate_html"))) + QLatin1Char(' ')
                          + escaped(shippingTime))});
    html += row({cell(QStringLiteral("购买毛底张数"), v("buynumber")), cell(QStringLiteral("赠送精修张数"), v("activenumber")),
                 cell(QStringLiteral("购买精修张数"), v("morephotonumber")),
                 QStringLiteral("    <td class=\"td_thin\" width=\"25%\" style=\"color: #FF3300;\"><div align=\"left\">")
                     + QStringLiteral("质检日期:   ") + v("qualitytime") + QStringLiteral("</div></td>")});

    html += QStringLiteral("  <tr>");
    html += QStringLiteral("    <td class=\"td_thin\" colspan=\"4\"><div align=\"left\">收件人姓名:   ")
            + v("recipients") + QStringLiteral("     电话：") + v("sj_tel") + QStringLiteral("    地址：")
            + escaped(address) + QStringLiteral("</div></td>");
    html += QStringLiteral("  </tr>");
    html += QStringLiteral("</table></td></tr></table>");
    html += QStringLiteral("<BR>");
}

void appendRequirements(QString &html, const ProductionSheetInput &in, Sources &sources)
{
    QString overall = escaped(text(in.order, QStringLiteral("orderdescr")));
    overall.replace(QLatin1Char('\n'), QStringLiteral("<BR>"));
    if (!overall.isEmpty())
        SheetParts::appendRequirementBlock(html, QStringLiteral("总体要求"), overall);

    const QString consumption = value(in.order, QStringLiteral("consumption_statement"));
    if (!consumption.isEmpty())
        SheetParts::appendRequirementBlock(html, QStringLiteral("消费要求"), consumption);

    if (!in.retouchMarkImages.isEmpty()) {
        html += QStringLiteral("<table width=\"100%\"  border=\"0\">");
        html += QStringLiteral("  <tr>");
        html += QStringLiteral("    <td align=\"left\"><span class=\"style2\">调修要求</span></td>");
        html += QStringLiteral("  </tr>");
        html += QStringLiteral("</table>");
        html += QStringLiteral("<table cellspacing=\"0\" cellspacing=\"10\" cellpadding=\"10\" width=\"100%\" frame=\"box\">");
        int i = 0;
        for (auto it = in.retouchMarkImages.cbegin(); it != in.retouchMarkImages.cend(); ++it, ++i) {
            if (i % 2 == 0)
                html += QStringLiteral("<tr>");
            html += QStringLiteral("<td>");
            html += QStringLiteral("<img style=\"margin-right: 10;\" src=\"") + sources.of(it.key(), 120)
                    + QStringLiteral("\"") + QStringLiteral("height=\"120\" width=\"120\"")
                    + QStringLiteral("align=\"left\"") + QStringLiteral(">");
            html += QStringLiteral("<ui style=\"list-style-type: none;\">");
            const QJsonArray remarks = K::stringToJsonAry(text(it.value(), QStringLiteral("remark")));
            for (int j = 0; j < remarks.size(); ++j) {
                html += QStringLiteral("<li>")
                        + QString::number(j + 1) + QStringLiteral(". ") + value(remarks.at(j).toObject(), QStringLiteral("text"))
                        + QStringLiteral("</li>");
            }
            html += QStringLiteral("</ui></td>");
            if (i % 2 == 1)
                html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
        html += QStringLiteral("<BR>");
    }

    html += QStringLiteral("<p><span class=\"style2\">指定制作</span></p>");
}

// One product table of a visit: urgent or normal.
class ProductTable
{
public:
    ProductTable(bool urgent, Sources &sources) : m_urgent(urgent), m_sources(sources) {}

    void append(QString &html, const QJsonObject &visit, int position, const QString &serviceCount,
                const QString &pickup)
    {
        html += m_urgent
                    ? QStringLiteral("<table class=\"thinborder\" width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"1\">")
                    : QStringLiteral("<table class=\"thinborder\" width=\"100%\"  border=\"1\" cellspacing=\"0\" cellpadding=\"1\">");
        html += m_urgent
                    ? QStringLiteral("  <tr>  <td colspan=\"10\"><span class=\"style4\"><font font-weight: bold; color=\"#FF0000\">加急件：")
                    : QStringLiteral("  <tr>  <td colspan=\"10\"><span class=\"style2\"><font color=\"#000000\">普通件：");
        if (text(visit, QStringLiteral("order_sample_infoservicetimes")) == QLatin1String("0")) {
            html += QStringLiteral("未操作产品");
        } else {
            html += QStringLiteral("选片次:") + QString::number(position) + QStringLiteral("/") + escaped(serviceCount);
            if (m_urgent)
                html += QStringLiteral("  选片师: <span style=\"color: 000000\">") + value(visit, QStringLiteral("role12name"))
                        + QStringLiteral("</span>  ");
            else
                html += QStringLiteral("  选片师:") + value(visit, QStringLiteral("role12name")) + QStringLiteral("  ");
        }
        html += escaped(pickup) + QStringLiteral("取件") + QStringLiteral("</font></span>&nbsp;</td></tr>");

        SheetParts::appendProductHeader(html);

        m_products = 0;
        m_sheets = 0;
        const QJsonArray products = visit.value(m_urgent ? QStringLiteral("urgentgoods") : QStringLiteral("goods")).toArray();
        for (const QJsonValue &entry : products) {
            const QJsonObject product = entry.toObject();
            const QString isUrgent = text(product, QStringLiteral("isurgent"));
            const bool listed = m_urgent ? (isUrgent == QLatin1String("1") || isUrgent == QStringLiteral("加急"))
                                         : (isUrgent == QLatin1String("0") || isUrgent.isEmpty());
            if (listed)
                appendProduct(html, product);
        }

        html += QStringLiteral("<tr>");
        html += QStringLiteral("<td><div align=\"center\">总计</div></td>");
        html += QStringLiteral("<td colspan=\"9\"><div align=\"center\">产品总数:") + QString::number(m_products)
                + QStringLiteral("件, 选中总张数共") + QString::number(m_sheets) + QStringLiteral("张</div>");
        html += QStringLiteral("</td></tr>");
        html += QStringLiteral("</table>");
        html += QStringLiteral("<BR>");
    }

private:
    // Columns 2 to 10 of a product or sub-product row.
    void appendColumns(QString &html, const QJsonObject &item, bool productRow, const QString &typeKey)
    {
        const QString indent = (productRow && m_urgent) ? QString() : QStringLiteral("    ");
        auto filled = [&](const QString &opening, const QString &cellValue) {
            html += indent + opening + cellValue + QStringLiteral("</td>");
        };
        const QString center = QStringLiteral("<td align=\"center\">");
        const QString centerBold = QStringLiteral("<td align=\"center\" class=\"style2\">");
        const QString leftBold = QStringLiteral("<td align=\"left\" class=\"style2\">");
        const QString left = QStringLiteral("<td align=\"left\">");

        filled(leftBold, value(item, QStringLiteral("goodname")));
        filled(left, value(item, typeKey));
        if (text(item, QStringLiteral("goodtypeid")) == QLatin1String("33")) {
            filled(center, value(item, QStringLiteral("goodpnumber")));
            filled(center, value(item, QStringLiteral("p_num")));
            filled(centerBold, value(item, QStringLiteral("goodpagenumber")));
            m_sheets += sheetCount(text(item, QStringLiteral("goodpagenumber")));
        } else if (productRow && m_urgent) {
            html += QStringLiteral("<td align=\"center\"></td>").repeated(3);
        } else {
            html += QStringLiteral("    <td align=\"center\"></td>").repeated(2);
            html += QStringLiteral("    <td align=\"center\" class=\"style2\"></td>");
        }
        filled(centerBold, value(item, QStringLiteral("goodamount")));
        filled(left, value(item, QStringLiteral("descr")));
        filled(left, value(item, QStringLiteral("goodremark")));
        filled(left, value(item, QStringLiteral("auth_remark")));
    }

    void appendProduct(QString &html, const QJsonObject &product)
    {
        ++m_products;
        html += m_urgent ? QStringLiteral("<tr>") : QStringLiteral("  <tr>");
        html += (m_urgent ? QString() : QStringLiteral("    ")) + QStringLiteral("<td align=\"center\">")
                + QString::number(m_products) + QStringLiteral("</td>");
        appendColumns(html, product, true, QStringLiteral("goodtypename"));
        html += QStringLiteral("</tr>");

        const QJsonArray subProducts = product.value(QStringLiteral("son_good")).toArray();
        if (!subProducts.isEmpty()) {
            // The rows of this table that the first column spans: in the urgent
            // table each sub-product's pictures sit inside its wrapper row.
            int span = m_urgent ? 2 * subProducts.size() : subProducts.size();
            if (!m_urgent)
                for (const QJsonValue &sub : subProducts)
                    if (!sub.toObject().value(QStringLiteral("picpath")).toArray().isEmpty())
                        ++span;
            for (int k = 0; k < subProducts.size(); ++k)
                appendSubProduct(html, subProducts.at(k).toObject(), k, span);
        }

        html += m_urgent ? QStringLiteral("<tr><td colspan=\"10\">") : QStringLiteral("<tr><td colspan=\"10\"> ");
        html += QStringLiteral("<table width=100%  border=0 cellspacing=0 cellpadding=1;>");
        if (m_urgent)
            appendGrid(html, product.value(QStringLiteral("imgs")).toArray(), QStringLiteral("url2"),
                       QStringLiteral("<tr bgcolor=\"#FFFFFF\">"),
                       QStringLiteral("<td width=\"16%\"><div align=\"center\"><span class=\"style3\"><img width=\"83\" height=\"83\" src=\""),
                       QStringLiteral("</tr>"));
        else
            appendGrid(html, product.value(QStringLiteral("imgs")).toArray(), QStringLiteral("url2"),
                       QStringLiteral("  <tr bgcolor=\"#FFFFFF\">"),
                       QStringLiteral("    <td width=\"16%\"><div align=\"center\"><span class=\"style3\"><img width=\"83\" height=\"83\" src=\""),
                       QStringLiteral("  </tr>"));
        html += QStringLiteral("</table></td>");
        html += QStringLiteral(" &nbsp; </tr>");
    }

    void appendSubProduct(QString &html, const QJsonObject &sub, int k, int span)
    {
        html += QStringLiteral(" <tr>");
        if (k == 0)
            html += QStringLiteral("    <td rowspan=\"") + QString::number(span)
                    + QStringLiteral("\" style=\"height: 0px \"  /td>");
        appendColumns(html, sub, false, QStringLiteral("goodtype"));
        html += QStringLiteral(" </tr>");

        // Column 1 belongs to the spanning cell: the rows below it have nine.
        if (m_urgent) {
            html += QStringLiteral("<tr><td colspan=\"9\"> ");
            html += QStringLiteral("<table width=100%  border=0 cellspacing=0 cellpadding=1;>");
        }
        const QJsonArray pictures = sub.value(QStringLiteral("picpath")).toArray();
        if (!pictures.isEmpty()) {
            html += m_urgent ? QStringLiteral("<tr><td> ") : QStringLiteral("<tr><td colspan=\"9\"> ");
            html += QStringLiteral("<table width=100%  border=0 cellspacing=0 cellpadding=1;>");
            appendGrid(html, pictures, QStringLiteral("url"), QStringLiteral("  <tr bgcolor=\"#FFFFFF\">"),
                       QStringLiteral("    <td  width=\"16%\"><div align=\"center\"><span class=\"style3\"><img width=\"83\" height=\"83\" src=\""),
                       QStringLiteral("  </tr>"));
            html += QStringLiteral("</table></td>");
            html += QStringLiteral(" &nbsp; </tr>");
        }
        if (m_urgent) {
            html += QStringLiteral("</table></td>");
            html += QStringLiteral(" &nbsp; </tr>");
        }
    }

    void appendGrid(QString &html, const QJsonArray &pictures, const QString &ownUrlKey, const QString &rowOpening,
                    const QString &cellOpening, const QString &rowClosing)
    {
        for (int i = 0; i < pictures.size(); ++i) {
            const QJsonObject picture = pictures.at(i).toObject();
            QString key = text(picture, QStringLiteral("cropping_imgurl"));
            if (key.isEmpty())
                key = text(picture, ownUrlKey);
            if (i % 6 == 0)
                html += rowOpening;
            html += cellOpening + m_sources.of(key, 100) + QStringLiteral("\"><br>")
                    + value(picture, QStringLiteral("img_name")) + QStringLiteral("</div></td>");
            if (i % 6 == 5)
                html += rowClosing;
        }
    }

    const bool m_urgent;
    Sources &m_sources;
    int m_products = 0;
    int m_sheets = 0;
};

void appendProductTables(QString &html, const ProductionSheetInput &in, Sources &sources)
{
    const QString pickup = pickupText(text(in.order, QStringLiteral("pickuptime")),
                                      nestedText(in.order, QStringLiteral("getphotoarea"), QStringLiteral("timeTxt")));
    const QString urgentPickup = pickupText(text(in.order, QStringLiteral("isurgenttime")),
                                            nestedText(in.order, QStringLiteral("urgentdatearea"), QStringLiteral("timeTxt")));
    for (int i = 0; i < in.serviceVisits.size(); ++i) {
        const QJsonObject visit = in.serviceVisits.at(i).toObject();
        if (!visit.value(QStringLiteral("urgentgoods")).toArray().isEmpty())
            ProductTable(true, sources).append(html, visit, i + 1, in.serviceCount, urgentPickup);
        if (!visit.value(QStringLiteral("goods")).toArray().isEmpty())
            ProductTable(false, sources).append(html, visit, i + 1, in.serviceCount, pickup);
    }
    html += QStringLiteral("<BR>");
}

void appendPictureGrid(QString &html, const QString &headingPrefix, const QMap<QString, QJsonObject> &pictures,
                       Sources &sources)
{
    html += headingPrefix + QString::number(pictures.size()) + QStringLiteral("张）&nbsp;</span></p>");
    html += QStringLiteral("<table style=\"margin-right:auto; margin-left: -20px;\" width=\"100%\"  border=\"0\" "
                           "cellspacing=\"0\" cellpadding=\"1\">");
    int i = 0;
    for (auto it = pictures.cbegin(); it != pictures.cend(); ++it, ++i) {
        if (i % 6 == 0)
            html += QStringLiteral("  <tr bgcolor=\"#FFFFFF\">");
        html += QStringLiteral("    <td width=\"16%\"><div align=\"center\"><img ") + SheetParts::gridImage(100)
                + QStringLiteral(" src=\"")
                + sources.of(text(it.value(), QStringLiteral("url")), 100) + QStringLiteral("\"><br>")
                + value(it.value(), QStringLiteral("img_name")) + QStringLiteral("<BR>&nbsp;</div></td>");
        if (i % 6 == 5)
            html += QStringLiteral("  </tr>");
    }
    html += QStringLiteral("</table>");
}

void appendEnd(QString &html, const ProductionSheetInput &in, Sources &sources,
               const QDateTime &printTime)
{
    appendPictureGrid(html, QStringLiteral("<p align=\"center\"><span class=\"style2\">已选张数 （"),
                      in.selectedImages, sources);
    html += QStringLiteral("<BR><BR>");
    appendPictureGrid(html, QStringLiteral("<p align=\"center\"><span class=\"style2\">入底张数 （"),
                      in.baseImages, sources);
    html += QStringLiteral("<BR>");

    SheetParts::appendDisclaimer(html, SheetParts::shopMarkup(text(in.order, QStringLiteral("shopdisclaimer"))));
    SheetParts::appendSignatureRow(html, value(in.order, QStringLiteral("selectphotoname")));
    SheetParts::appendClosing(html, printTime);
}

} // namespace

QString escaped(const QString &value)
{
    return SheetParts::escaped(value);
}

QString pickupText(const QString &date, const QString &slot)
{
    if (slot.isEmpty() || slot == QLatin1String(":00"))
        return date;
    return date + QLatin1Char('(') + slot + QLatin1Char(')');
}

int sheetCount(const QString &text)
{
    bool ok = false;
    const int count = text.toInt(&ok, 10);
    return ok ? count : 0;
}

QString build(const ProductionSheetInput &input, QMap<QString, QString> &imageSources, const QDateTime &printTime)
{
    Sources sources{imageSources, SheetPictures()};
    QString html;
    html += QStringLiteral("<HTML>");
    html += QStringLiteral("<head>");
    html += QStringLiteral("<meta http-equiv=\"Content-Language\" content=\"zh-cn\">");
    html += QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb232\">");
    html += QStringLiteral("<title></title>");
    html += QStringLiteral("</head>");
    html += QStringLiteral("<body leftmargin=\"0\">");
    html += QStringLiteral("<div align=\"center\">");
    SheetParts::appendStyle(html);
    SheetParts::appendHeader(html, value(input.order, QStringLiteral("shopname")), sources.of(input.barcodeUrl, 0),
                             SheetPictures::dataUrlSize(imageSources.value(input.barcodeUrl)));
    appendOrderInformation(html, input.order);
    appendRequirements(html, input, sources);
    appendProductTables(html, input, sources);
    appendEnd(html, input, sources, printTime);
    return sources.pictures.resolve(html);
}

} // namespace ProductionSheetHtml
