#include "split/engine/FJSheetHtml.h"

#include "app/core/K.h"
#include "split/engine/FJJobFile.h"
#include "split/engine/SheetParts.h"

namespace {

using FJJobFile::array;
using FJJobFile::object;

const QString kOther = QStringLiteral("其他");

// The raw text, for decisions only; markup gets FJSheetHtml::value.
QString raw(const QJsonObject &object, const QString &key)
{
    return FJJobFile::text(object, key);
}

QString esc(const QString &text)
{
    return SheetParts::escaped(text);
}

// A time slot of ":00" means none was chosen.
QString slotOrEmpty(const QString &slot)
{
    return slot == QLatin1String(":00") ? QString() : slot;
}

QString withSlot(const QString &date, const QString &slot)
{
    if (slot.isEmpty() || slot == QLatin1String(":00"))
        return date;
    return date + QLatin1Char('(') + slot + QLatin1Char(')');
}

// One grid variant's pieces.
struct GridMarkup {
    QString wrapper;
    QString innerTable;
    QString rowStart;
    QString cellOpen;
    QString cellClose;
    QString rowEnd;
    QString filler;      // empty: no filler cells
    QString closeRow;    // after "</table></td>"
    bool rowEndAfterLast = false;
};

GridMarkup gridMarkup(FJSheetHtml::GridKind kind, bool urgent)
{
    const QString innerUnquoted = QStringLiteral("<table width=100%  border=0 cellspacing=0 cellpadding=1;>");
    const QString cellRest = QStringLiteral("<td width=\"16.67%\" style=\"text-align: center; vertical-align: top; "
                                            "padding: 5px;\"><div align=\"center\"><span class=\"style3\">"
                                            "<img width=\"83\" height=\"83\" src=\"");
    const QString fillerRest = QStringLiteral("<td width=\"16.67%\" style=\"text-align: center;\">&nbsp;</td>");
    GridMarkup m;
    m.cellClose = QStringLiteral("</span></div></td>");
    m.closeRow = QStringLiteral(" &nbsp; </tr>");
    if (urgent && kind == FJSheetHtml::GridKind::SonGood) {
        // Below a son_good row column 1 belongs to the product's spanning cell.
        m.wrapper = QStringLiteral("<tr><td colspan=\"9\"> ");
        m.innerTable = innerUnquoted;
        m.rowStart = QStringLiteral("  <tr bgcolor=\"#FFFFFF\">");
        m.cellOpen = QStringLiteral("    ") + cellRest;
        m.rowEnd = QStringLiteral("  </tr>");
        m.filler = QStringLiteral("    ") + fillerRest;
    } else if (urgent) {
        const QString pair = QStringLiteral(" \u00A0");
        m.wrapper = QStringLiteral("<tr><td colspan=\"10\">");
        m.innerTable = innerUnquoted;
        m.rowStart = pair + QStringLiteral("<tr bgcolor=\"#FFFFFF\">");
        m.cellOpen = pair + pair + cellRest;
        m.rowEnd = pair + QStringLiteral("</tr>");
        m.filler = pair + pair + fillerRest;
    } else if (kind == FJSheetHtml::GridKind::SonGood) {
        m.wrapper = QStringLiteral("<tr><td colspan=\"9\"> ");
        // Spacing and padding kept small: a grid wider than its columns need
        // widens every column it spans and squeezes the last one.
        m.innerTable = QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"1\">");
        m.rowStart = QStringLiteral("<tr>");
        m.cellOpen = QStringLiteral("<td width=\"16.67%\" style=\"text-align: center; vertical-align: top;\">"
                                    "<span class=\"style3\"><img width=\"83\" height=\"83\" src=\"");
        m.cellClose = QStringLiteral("</span></td>");
        m.rowEnd = QStringLiteral("</tr>");
        m.closeRow = QStringLiteral("</tr>");
        m.rowEndAfterLast = true;
    } else {
        // Across all ten columns, so the pictures do not squeeze the last one.
        m.wrapper = QStringLiteral("<tr><td colspan=\"10\"> ");
        m.innerTable = QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"1\" "
                                      "style=\"table-layout: fixed; border-collapse: separate;\">");
        m.rowStart = QStringLiteral("  <tr bgcolor=\"#FFFFFF\">");
        m.cellOpen = QStringLiteral("    <td width=\"16.67%\" style=\"text-align: center; vertical-align: top; "
                                    "padding: 5px;\"><div align=\"center\"><span class=\"style3\">"
                                    "<img width=\"83\" height=\"83\" style=\"border: 1px solid transparent;\" src=\"");
        m.rowEnd = QStringLiteral("  </tr>");
        m.filler = QStringLiteral("    ") + fillerRest;
    }
    return m;
}

void appendGridRows(QString &html, const QJsonArray &pictures, const GridMarkup &m, FJSheetHtml::Sources &src)
{
    const int n = pictures.size();
    for (int i = 0; i < n; ++i) {
        const QJsonObject entry = object(pictures.at(i));
        const QString name = raw(entry, QStringLiteral("img_name"));
        const bool cropped = !raw(entry, QStringLiteral("cropping_imgurl")).isEmpty();
        const QString url = src.picture(cropped ? QStringLiteral("裁剪") : QStringLiteral("缩略图"),
                                                 name, 100);
        if (i % 6 == 0)
            html += m.rowStart;
        html += m.cellOpen + url + QStringLiteral("\"><br>") + esc(name) + m.cellClose;
        if (i % 6 == 5 || (m.rowEndAfterLast && i == n - 1))
            html += m.rowEnd;
    }
    if (!m.filler.isEmpty() && n % 6 != 0) {
        for (int k = 0; k < 6 - n % 6; ++k)
            html += m.filler;
        html += m.rowEnd;
    }
}

// One urgent or normal product table of a selection visit.
void appendProductTable(QString &html, const QJsonObject &reply, const QJsonObject &visit, int visitIndex,
                        bool urgent, const FJSheetHtml::PickupTexts &pickup, FJSheetHtml::Sources &src)
{
    const QJsonArray products = array(visit, urgent ? QStringLiteral("urgentgoods") : QStringLiteral("goods"));
    const QString visitNumber = raw(visit, QStringLiteral("order_sample_infoservicetimes"));

    html += urgent ? QStringLiteral("<table class=\"thinborder\" width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"1\">")
                   : QStringLiteral("<table class=\"thinborder\" width=\"100%\"  border=\"1\" cellspacing=\"0\" cellpadding=\"1\">");
    html += urgent ? QStringLiteral("  <tr>  <td colspan=\"10\"><span class=\"style4\"><font font-weight: bold; "
                                    "color=\"#FF0000\">加急件：")
                   : QStringLiteral("  <tr>  <td colspan=\"10\"><span class=\"style2\"><font color=\"#000000\">普通件：");
    if (visitNumber == QLatin1String("0")) {
        html += QStringLiteral("未操作产品");
    } else {
        html += QStringLiteral("选片次:") + QString::number(visitIndex + 1) + QLatin1Char('/')
            + FJSheetHtml::value(reply, QStringLiteral("count_order_sample_infoservicetimes"));
        const QString staff = FJSheetHtml::value(visit, QStringLiteral("role12name"));
        html += urgent ? QStringLiteral("  选片师: <span style=\"color: 000000\">") + staff + QStringLiteral("</span>  ")
                       : QStringLiteral("  选片师:") + staff + QStringLiteral("  ");
    }
    html += esc(urgent ? pickup.urgent : pickup.pickup) + QStringLiteral("取件");
    html += QStringLiteral("</font></span>&nbsp;</td></tr>");

    SheetParts::appendProductHeader(html);

    const QString indent = urgent ? QString() : QStringLiteral("    ");
    int rowNumber = 0;
    int productCount = 0;
    int pictureTotal = 0;
    for (const QJsonValue &productValue : products) {
        const QJsonObject product = object(productValue);
        const QString isUrgent = raw(product, QStringLiteral("isurgent"));
        const bool listed = urgent ? (isUrgent == QLatin1String("1") || isUrgent == QStringLiteral("加急"))
                                   : (isUrgent == QLatin1String("0") || isUrgent.isEmpty());
        if (!listed)
            continue;
        ++rowNumber;
        const auto v = [&product](const char *key) { return FJSheetHtml::value(product, QLatin1String(key)); };
        const auto cell = [&](const QString &attrs, const QString &text) {
            html += indent + QStringLiteral("<td ") + attrs + QLatin1Char('>') + text + QStringLiteral("</td>");
        };
        html += urgent ? QStringLiteral("<tr>") : QStringLiteral("  <tr>");
        cell(QStringLiteral("align=\"center\""), QString::number(rowNumber));
        cell(QStringLiteral("align=\"left\" class=\"style2\""), v("goodname"));
        cell(QStringLiteral("align=\"left\""), v("goodtypename"));
        if (raw(product, QStringLiteral("goodtypeid")) == QLatin1String("33")) {
            cell(QStringLiteral("align=\"center\""), QString());
            cell(QStringLiteral("align=\"center\""), QString());
            cell(urgent ? QStringLiteral("align=\"center\"") : QStringLiteral("align=\"center\" class=\"style2\""),
                 QString());
        } else {
            cell(QStringLiteral("align=\"center\""), v("goodpnumber"));
            cell(QStringLiteral("align=\"center\""), v("p_num"));
            cell(QStringLiteral("align=\"center\" class=\"style2\""), v("goodpagenumber"));
        }
        cell(QStringLiteral("align=\"center\" class=\"style2\""), v("goodamount"));
        cell(QStringLiteral("align=\"left\""), v("descr"));
        cell(QStringLiteral("align=\"left\""), v("goodremark"));
        cell(QStringLiteral("align=\"left\""), v("auth_remark"));
        html += QStringLiteral("</tr>");

        const QJsonArray sons = array(product, QStringLiteral("son_good"));
        int withPictures = 0;
        for (const QJsonValue &sonValue : sons) {
            if (!array(object(sonValue), QStringLiteral("picpath")).isEmpty())
                ++withPictures;
        }
        // Rows of this table below the product: in the urgent table each son_good
        // row has its wrapper row, whose pictures lie inside it.
        const int rowSpan = urgent ? 2 * sons.size() : sons.size() + withPictures;
        for (int k = 0; k < sons.size(); ++k) {
            const QJsonObject son = object(sons.at(k));
            const auto s = [&son](const char *key) { return FJSheetHtml::value(son, QLatin1String(key)); };
            html += QStringLiteral(" <tr>");
            if (k == 0)
                html += QStringLiteral("    <td rowspan=\"") + QString::number(rowSpan)
                    + QStringLiteral("\" style=\"height: 0px \"  /td>");
            html += QStringLiteral("    <td align=\"left\" class=\"style2\">") + s("goodname") + QStringLiteral("</td>");
            html += QStringLiteral("    <td align=\"left\">") + s("goodtype") + QStringLiteral("</td>");
            if (raw(son, QStringLiteral("goodtypeid")) == QLatin1String("33")) {
                html += QStringLiteral("    <td align=\"center\"></td>");
                html += QStringLiteral("    <td align=\"center\"></td>");
                html += QStringLiteral("    <td align=\"center\" class=\"style2\"></td>");
            } else {
                html += QStringLiteral("    <td align=\"center\">") + s("goodpnumber") + QStringLiteral("</td>");
                html += QStringLiteral("    <td align=\"center\">") + s("p_num") + QStringLiteral("</td>");
                html += QStringLiteral("    <td align=\"center\" class=\"style2\">") + s("goodpagenumber")
                    + QStringLiteral("</td>");
            }
            html += QStringLiteral("    <td align=\"center\" class=\"style2\">") + s("goodamount") + QStringLiteral("</td>");
            html += QStringLiteral("    <td align=\"left\">") + s("descr") + QStringLiteral("</td>");
            html += QStringLiteral("    <td align=\"left\">") + s("goodremark") + QStringLiteral("</td>");
            html += QStringLiteral("    <td align=\"left\">") + s("auth_remark") + QStringLiteral("</td>");
            html += QStringLiteral(" </tr>");
            FJSheetHtml::appendGrid(html, array(son, QStringLiteral("picpath")), FJSheetHtml::GridKind::SonGood,
                                    urgent, src);
            pictureTotal += array(son, QStringLiteral("picpath")).size();
        }
        const QJsonArray imgs = array(product, QStringLiteral("imgs"));
        FJSheetHtml::appendGrid(html, imgs, FJSheetHtml::GridKind::Product, urgent, src);
        productCount += raw(product, QStringLiteral("goodtypeid")) == QLatin1String("40") ? sons.size() : 1;
        pictureTotal += imgs.size();
    }

    html += QStringLiteral("<tr>");
    html += QStringLiteral("<td><div align=\"center\">总计</div></td>");
    html += QStringLiteral("<td colspan=\"9\"><div align=\"center\">产品总数:") + QString::number(productCount)
        + QStringLiteral("件, 选中总张数共") + QString::number(pictureTotal) + QStringLiteral("张</div>");
    html += QStringLiteral("</td></tr>");
    html += QStringLiteral("</table>");
    html += QStringLiteral("<BR>");
}

void appendPhotoGrid(QString &html, const QJsonArray &pictures, const QString &title, bool sized,
                     FJSheetHtml::Sources &src)
{
    html += QStringLiteral("<p align=\"center\"><span class=\"style2\">") + title + QStringLiteral(" （")
        + QString::number(pictures.size()) + QStringLiteral("张）&nbsp;</span></p>");
    html += QStringLiteral("<table style=\"margin-right:auto; margin-left: -20px;\" width=\"100%\"  border=\"0\" "
                           "cellspacing=\"0\" cellpadding=\"1\">");
    // Six to a row: each cell a sixth of the row, each picture at its box size.
    Q_UNUSED(sized)
    const QString cellOpen = QStringLiteral("    <td width=\"16%\"><div align=\"center\"><img ")
        + SheetParts::gridImage(100) + QStringLiteral(" src=\"");
    for (int i = 0; i < pictures.size(); ++i) {
        const QString name = raw(object(pictures.at(i)), QStringLiteral("img_name"));
        const QString url = src.picture(QStringLiteral("缩略图"), name, 100);
        if (i % 6 == 0)
            html += QStringLiteral("  <tr bgcolor=\"#FFFFFF\">");
        html += cellOpen + url + QStringLiteral("\"><br>") + esc(name) + QStringLiteral("<BR>&nbsp;</div></td>");
        if (i % 6 == 5)
            html += QStringLiteral("  </tr>");
    }
    html += QStringLiteral("</table>");
}

} // namespace

QString FJSheetHtml::value(const QJsonObject &object, const QString &key)
{
    return esc(raw(object, key));
}

QString FJSheetHtml::picturePath(const QString &orderDir, const QString &sub, const QString &name)
{
    // Only a file directly in the order's own folders is ever read; a name
    // is one path component, made so the same way the jobs stored it.
    QString folder = FJJobFile::childPath(orderDir, kOther);
    if (!sub.isEmpty())
        folder = FJJobFile::childPath(folder, sub);
    return FJJobFile::childPath(folder, name);
}

QString FJSheetHtml::Sources::picture(const QString &sub, const QString &name, int size)
{
    return pictures.file(picturePath(orderDir, sub, name), size);
}

QString FJSheetHtml::build(const QJsonObject &reply, const QString &orderDir, const QDateTime &stamp)
{
    const QJsonObject order = object(reply.value(QStringLiteral("order")));
    Sources src{orderDir, SheetPictures()};
    QString html;
    appendHead(html);
    appendHeader(html, order, src);
    const QString pickupSlot = appendOrderInfo(html, order);
    const PickupTexts pickup = appendRequirements(html, order, reply, src, pickupSlot);
    appendVisits(html, reply, pickup, src);
    appendPhotoGrids(html, reply, order, src);
    SheetParts::appendClosing(html, stamp);
    return src.pictures.resolve(html);
}

void FJSheetHtml::appendHead(QString &html)
{
    html += QStringLiteral("<HTML>");
    html += QStringLiteral("<head>");
    html += QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
    html += QStringLiteral("<meta http-equiv=\"Content-Language\" content=\"zh-cn\">");
    html += QStringLiteral("<title></title>");
    html += QStringLiteral("</head>");
    html += QStringLiteral("<body leftmargin=\"0\">");
    html += QStringLiteral("<div align=\"center\">");
    SheetParts::appendStyle(html);
}

void FJSheetHtml::appendHeader(QString &html, const QJsonObject &order, FJSheetHtml::Sources &src)
{
    const QString barcode = QStringLiteral("条形码.jpg");
    SheetParts::appendHeader(html, value(order, QStringLiteral("shopname")), src.picture(QString(), barcode, 0),
                             SheetPictures::fileSize(picturePath(src.orderDir, QString(), barcode)));
}

QString FJSheetHtml::appendOrderInfo(QString &html, const QJsonObject &order)
{
    const auto v = [&order](const char *key) { return value(order, QLatin1String(key)); };
    const auto areaText = [&order](const char *key, const char *member) {
        return value(object(order.value(QLatin1String(key))), QLatin1String(member));
    };

    const QString hour = raw(order, QStringLiteral("samplestarttime"));
    const QString minute = raw(order, QStringLiteral("samplestartmin"));
    const QString sampleTime = !hour.isEmpty() && !minute.isEmpty() ? esc(hour + QLatin1Char(':') + minute) : QString();
    const QString retouchSlot = slotOrEmpty(areaText("kanjinxiuarea", "timeTxt"));
    const QString layoutSlot = slotOrEmpty(areaText("kanbanarea", "timeTxt"));
    const QString pickupSlot = raw(object(order.value(QStringLiteral("getphotoarea"))), QStringLiteral("timeTxt"));
    const QString address = areaText("provinceid", "areaname") + areaText("cityid", "areaname")
        + areaText("countyid", "areaname") + v("address");

    html += QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">");
    html += QStringLiteral("<tr><td align=\"center\">");
    html += QStringLiteral("<table width=\"100%\"  border=\"1\" cellspacing=\"0\" cellpadding=\"1\">");

    const auto label = [&html](const QString &text, const QString &shown) {
        html += QStringLiteral("    <td class=\"td_thin\" width=\"25%\"><div align=\"left\">") + text
            + QStringLiteral(":   ") + shown + QStringLiteral("</div></td>");
    };
    const QString rowOpen = QStringLiteral("  <tr>");
    const QString rowClose = QStringLiteral("  </tr>");

    html += rowOpen;
    html += QStringLiteral("    <td class=\"td_thin\" colspan=\"4\"><div align=\"center\">") + QStringLiteral("订单号:   ")
        + v("orderpayforkey") + QStringLiteral("(服务次:") + v("servicetimes") + QLatin1Char('/') + v("count")
        + QLatin1Char(')') + QStringLiteral("</div></td>");
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("男士"), v("mname"));
    label(QStringLiteral("手机"), v("mphone"));
    label(QStringLiteral("女士"), v("wname"));
    label(QStringLiteral("手机"), v("wphone"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("套系"), v("s2_name"));
    label(QStringLiteral("预约店"), v("mssid"));
    label(QStringLiteral("服务店"), v("servershopid"));
    label(QStringLiteral("预约日期"), v("booktime"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("拍照日期"), v("photodate"));
    label(QStringLiteral("选片日期"), v("selectphotodate") + QLatin1Char(' ') + sampleTime);
    label(QStringLiteral("看精修日期"), v("checktruing") + QLatin1Char(' ') + retouchSlot);
    label(QStringLiteral("看版日期"), v("comparedate") + QLatin1Char(' ') + layoutSlot);
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("门市"), v("booksuccess"));
    label(QStringLiteral("网约"), v("wxname"));
    label(QStringLiteral("推广"), v("tuiguangname"));
    label(QStringLiteral("选片师"), v("selectphoto"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("对比片选中张数"), v("yqnumber"));
    label(QStringLiteral("相册P数"), v("goodpnumber"));
    label(QStringLiteral("套系约定精修"), v("vipphotonumber"));
    label(QStringLiteral("已选张数"), v("yx_number"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("摄影师"), v("role1"));
    label(QStringLiteral("摄像师"), v("role17"));
    label(QStringLiteral("化妆师"), v("role2"));
    label(QStringLiteral("男士邮箱"), v("mmail"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("摄助"), v("role3"));
    label(QStringLiteral("剪辑师"), v("role16"));
    label(QStringLiteral("化助"), v("role4"));
    label(QStringLiteral("女士邮箱"), v("wmail"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("精修师"), v("role9name"));
    label(QStringLiteral("转档师"), v("role6name"));
    html += QStringLiteral("    <td class=\"td_thin\" width=\"25%\"><div align=\"left\"></div></td>");
    html += QStringLiteral("    <td class=\"td_thin\" width=\"25%\"><div align=\"left\"></div></td>");
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("预约金额"), v("order_price"));
    label(QStringLiteral("二销总额"), v("twosales"));
    label(QStringLiteral("二销欠款"), v("dept"));
    label(QStringLiteral("支付方式"), v("pay_type"));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("样前对比片"), v("tiaose"));
    label(QStringLiteral("样后修片师"), v("tiaoxiu"));
    label(QStringLiteral("设计师"), v("sheji"));
    label(QStringLiteral("发货日期"), SheetParts::shopMarkup(raw(order, QStringLiteral("getphotodate_html")))
              + QLatin1Char(' ') + esc(pickupSlot));
    html += rowClose;

    html += rowOpen;
    label(QStringLiteral("购买毛底张数"), v("buynumber"));
    label(QStringLiteral("赠送精修张数"), v("activenumber"));
    label(QStringLiteral("购买精修张数"), v("morephotonumber"));
    html += rowClose;

    html += rowOpen;
    html += QStringLiteral("    <td class=\"td_thin\" colspan=\"4\"><div align=\"left\">") + QStringLiteral("收件人姓名:   ")
        + v("recipients") + QStringLiteral("     电话：") + v("sj_tel") + QStringLiteral("    地址：") + address
        + QStringLiteral("</div></td>");
    html += rowClose;

    html += QStringLiteral("</table></td></tr></table>");
    return pickupSlot;
}

FJSheetHtml::PickupTexts FJSheetHtml::appendRequirements(QString &html, const QJsonObject &order,
                                                         const QJsonObject &reply, FJSheetHtml::Sources &src,
                                                         const QString &pickupSlot)
{
    html += QStringLiteral("<BR>");

    QString general = value(order, QStringLiteral("orderdescr"));
    general.replace(QLatin1Char('\n'), QStringLiteral("<BR>"));
    if (!general.isEmpty())
        SheetParts::appendRequirementBlock(html, QStringLiteral("总体要求"), general);

    const QString consumption = value(order, QStringLiteral("consumption_statement"));
    if (!consumption.isEmpty())
        SheetParts::appendRequirementBlock(html, QStringLiteral("消费要求"), consumption);

    const QJsonArray marked = array(reply, QStringLiteral("orderpicdescr"));
    if (!marked.isEmpty()) {
        html += QStringLiteral("<table width=\"100%\"  border=\"0\">");
        html += QStringLiteral("  <tr>");
        html += QStringLiteral("    <td align=\"left\"><span class=\"style2\">调修要求</span></td>");
        html += QStringLiteral("  </tr>");
        html += QStringLiteral("</table>");
        html += QStringLiteral("<table cellspacing=\"0\" cellspacing=\"10\" cellpadding=\"10\" width=\"100%\" frame=\"box\">");
        for (int i = 0; i < marked.size(); ++i) {
            const QJsonObject entry = object(marked.at(i));
            if (i % 2 == 0)
                html += QStringLiteral("<tr>");
            html += QStringLiteral("<td>");
            html += QStringLiteral("<img style=\"margin-right: 10;\" src=\"")
                + src.picture(QStringLiteral("标记"), raw(entry, QStringLiteral("img_name")), 120)
                + QLatin1Char('"');
            html += QStringLiteral("height=\"120\" width=\"120\"");
            html += QStringLiteral("align=\"left\"");
            html += QStringLiteral(">");
            html += QStringLiteral("<ui style=\"list-style-type: none;\">");
            const QJsonArray remarks = K::stringToJsonAry(raw(entry, QStringLiteral("remark")));
            for (int j = 0; j < remarks.size(); ++j) {
                html += QStringLiteral("<li>") + QString::number(j + 1) + QStringLiteral(". ")
                    + value(object(remarks.at(j)), QStringLiteral("text")) + QStringLiteral("</li>");
            }
            html += QStringLiteral("</ui></td>");
            if (i % 2 == 1)
                html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
        html += QStringLiteral("<BR>");
    }

    html += QStringLiteral("<p><span class=\"style2\">指定制作</span></p>");

    PickupTexts texts;
    texts.pickup = withSlot(raw(order, QStringLiteral("pickuptime")), pickupSlot);
    texts.urgent = withSlot(raw(order, QStringLiteral("isurgenttime")),
                            raw(object(order.value(QStringLiteral("urgentdatearea"))), QStringLiteral("timeTxt")));
    return texts;
}

void FJSheetHtml::appendVisits(QString &html, const QJsonObject &reply, const PickupTexts &pickup,
                               FJSheetHtml::Sources &src)
{
    const QJsonArray visits = array(reply, QStringLiteral("servicetime"));
    for (int i = 0; i < visits.size(); ++i) {
        const QJsonObject visit = object(visits.at(i));
        if (!array(visit, QStringLiteral("urgentgoods")).isEmpty())
            appendProductTable(html, reply, visit, i, true, pickup, src);
        if (!array(visit, QStringLiteral("goods")).isEmpty())
            appendProductTable(html, reply, visit, i, false, pickup, src);
    }
}

void FJSheetHtml::appendGrid(QString &html, const QJsonArray &pictures, GridKind kind, bool urgent,
                             FJSheetHtml::Sources &src)
{
    const GridMarkup m = gridMarkup(kind, urgent);
    const bool nested = urgent && kind == GridKind::SonGood;
    if (!urgent && kind == GridKind::SonGood && pictures.isEmpty())
        return;
    html += m.wrapper;
    html += m.innerTable;
    if (nested && !pictures.isEmpty()) {
        html += QStringLiteral("<tr><td> ");
        html += m.innerTable;
        appendGridRows(html, pictures, m, src);
        html += QStringLiteral("</table></td>");
        html += m.closeRow;
    } else if (!nested) {
        appendGridRows(html, pictures, m, src);
    }
    html += QStringLiteral("</table></td>");
    html += m.closeRow;
}

void FJSheetHtml::appendPhotoGrids(QString &html, const QJsonObject &reply, const QJsonObject &order,
                                   FJSheetHtml::Sources &src)
{
    html += QStringLiteral("<BR>");
    appendPhotoGrid(html, array(reply, QStringLiteral("images")), QStringLiteral("已选张数"), true, src);
    html += QStringLiteral("<BR>");
    appendPhotoGrid(html, array(reply, QStringLiteral("images_rudi")), QStringLiteral("入底张数"), false, src);
    html += QStringLiteral("<BR>");

    SheetParts::appendDisclaimer(html, SheetParts::shopMarkup(raw(order, QStringLiteral("shopdisclaimer"))));
    SheetParts::appendSignatureRow(html, value(order, QStringLiteral("selectphotoname")));
}
